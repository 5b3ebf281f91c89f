// CSV files are read piece by piece: a hostile file cannot make the import hold a whole line
// or the whole file. A record longer than an entry can be is refused, naming the entry; of a
// field only what the longest entry field takes is kept.
#include <gtest/gtest.h>

#include <string>

#include "ImportTestSupport.h"
#include "exchange/CsvImporter.h"
#include "support/ClockOverride.h"

using namespace ImportTest;
using namespace Tarnwick::Import::CSV;

namespace {

// Every text field, 100 user-defined fields and 100 earlier passwords at their limits.
constexpr std::size_t kEntryText = 176520;

CsvSettings Settings(bool header = true) {
    CsvSettings settings;
    settings.separator = u';';
    settings.qualifier = u'"';
    settings.firstLineHoldsNames = header;
    return settings;
}

class CsvLimitsTest : public ::testing::Test {
protected:
    TestSupport::ClockOverride m_clock{1700000000};
    ZoneOverride m_zone{"UTC0"};
    Files m_files;
    PasswordData m_data;
};

TEST_F(CsvLimitsTest, ALineLongerThanAnEntryRefusesTheFileAndNamesTheEntry) {
    // Four megabytes on one line, then lines that would be fine.
    const std::string hostile = "Titel;Kommentar\nerster;gut\n" + std::string(4u << 20, 'x') + "\nletzter;gut\n";
    CsvImporter importer(m_data, Settings());
    EXPECT_EQ(ImportMessage(importer, m_files.Write(hostile, "lang.csv")),
              "Eintrag 2 (ab Zeile 3) ist länger als " + std::to_string(kEntryText) +
                  " Zeichen, mehr als ein Eintrag fassen kann. Die Datei wird nicht importiert.");
    EXPECT_TRUE(importer.GetRows().empty());
    EXPECT_EQ(m_data.FolderCount(), 0u);

    // A qualifier that is never closed makes the rest of the file one field.
    CsvImporter open(m_data, Settings(false));
    const std::string unclosed = "a;b\nc;\"offen\n" + std::string(kEntryText, 'y');
    EXPECT_EQ(ImportMessage(open, m_files.Write(unclosed, "offen.csv")),
              "Eintrag 2 (ab Zeile 2) ist länger als " + std::to_string(kEntryText) +
                  " Zeichen, mehr als ein Eintrag fassen kann. Die Datei wird nicht importiert. Vermutlich wird "
                  "ein Textbegrenzungszeichen nicht geschlossen.");

    CsvImporter header(m_data, Settings());
    EXPECT_EQ(ImportMessage(header, m_files.Write("\n\n" + std::string(kEntryText + 1, ';') + "\na\n", "kopf.csv")),
              "Die Kopfzeile (ab Zeile 3) ist länger als " + std::to_string(kEntryText) +
                  " Zeichen. Die Datei wird nicht importiert.");

    // Exactly as long as an entry can be is still a record.
    CsvImporter fits(m_data, Settings(false));
    EXPECT_EQ(ImportMessage(fits, m_files.Write(std::string(kEntryText, ';') + "\r\n", "passt.csv")), "");
    EXPECT_EQ(fits.GetColumnCount(), kEntryText + 1);
}

TEST_F(CsvLimitsTest, OfALongFieldOnlyTheStartIsKeptAndTheCutReported) {
    // Two long fields that together still fit into one entry's text.
    const std::string comment(80000, 'c');
    CsvImporter importer(m_data, Settings());
    importer.Import(m_files.Write("Titel;Kommentar;Passwort\nEintrag;" + comment + ";" + comment + "\n", "f.csv"));
    ASSERT_EQ(importer.GetRows().size(), 1u);
    EXPECT_EQ(importer.GetRows()[0][1].Length(), PasswordItem::kMaxComment + 1);
    EXPECT_EQ(importer.GetRows()[0][2].Length(), PasswordItem::kMaxComment + 1);
    importer.SetColumnMapping({TargetDescription, TargetComment, TargetPassword});
    importer.ImportRows();
    const auto item = EntryNamed(m_data, "Eintrag");
    ASSERT_TRUE(item);
    EXPECT_EQ(N(item->GetComment()), std::string(PasswordItem::kMaxComment, 'c'));
    EXPECT_TRUE(item->GetPassword().IsEmpty());
    EXPECT_EQ(WarningTexts(importer),
              (std::vector<std::string>{
                  "Eintrag 1 „Eintrag“, Feld „Kommentar“: Der Wert ist länger als 16384 Zeichen und wurde gekürzt.",
                  "Eintrag 1 „Eintrag“, Feld „Passwort“: Der Wert ist länger als 1024 Zeichen und wurde nicht "
                  "übernommen."}));
}

TEST_F(CsvLimitsTest, PiecesOfTheFileJoinWithoutSeams) {
    // The file is read in blocks of 64 KiB: a character, a line break and a doubled
    // qualifier that straddle the first boundary arrive whole.
    constexpr std::size_t kBlock = 64u << 10;
    for (const std::string& straddling :
         {std::string("Gr\xC3\xBC\xC3\x9F\x65"), std::string("\"a\"\"b\""), std::string("xy")}) {
        for (std::size_t shift = 0; shift < 4; ++shift) {
            std::string text = "Titel;Wert\n";
            while (text.size() + 20 < kBlock - shift - 3) {
                text += "Zeile;" + std::to_string(text.size()) + "\n";
            }
            text += std::string(kBlock - shift - 3 - text.size(), 'p') + ";" + straddling + "\r\nEnde;x\r\n";
            PasswordData data;
            CsvImporter importer(data, Settings());
            importer.Import(m_files.Write(text));
            const auto& rows = importer.GetRows();
            ASSERT_GE(rows.size(), 2u);
            const std::string expected = straddling[0] == '"' ? "a\"b" : straddling == "xy" ? "xy" : "Grüße";
            EXPECT_EQ(N(rows[rows.size() - 2][1]), expected) << shift;
            EXPECT_EQ(N(rows.back()[0]), "Ende") << shift;
            EXPECT_EQ(rows.back().size(), 2u);
        }
    }
}

TEST_F(CsvLimitsTest, AFileThatStopsBeingUtf8LateIsReadAsWindows1252Throughout) {
    std::string text = "Titel;Name\n";
    for (int i = 0; text.size() < (200u << 10); ++i) {
        text += "Zeile " + std::to_string(i) + ";M\xC3\xBCller\n";
    }
    text += "Gr\xFCn;M\xFCller\n";
    CsvImporter importer(m_data, Settings());
    importer.Import(m_files.Write(text, "spaet.csv"));
    ASSERT_FALSE(importer.GetRows().empty());
    // One byte that is no UTF-8 makes the whole file Windows-1252, as it does for a short one.
    EXPECT_EQ(N(importer.GetRows().front()[1]), "M\xC3\x83\xC2\xBCller");
    EXPECT_EQ(N(importer.GetRows().back()[0]), "Grün");
    EXPECT_EQ(N(importer.GetSourceName(0)), "Titel");

    // UTF-16 with its mark, an odd last byte dropped.
    CsvImporter wide(m_data, Settings(false));
    wide.Import(m_files.Write(std::string("\xFF\xFE" "a\0;\0\xFC\0\n\0x", 11), "wide.csv"));
    ASSERT_EQ(wide.GetRows().size(), 1u);
    EXPECT_EQ(N(wide.GetRows()[0][1]), "ü");
}

} // namespace
