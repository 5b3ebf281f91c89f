#include <gtest/gtest.h>

#include "ImportTestSupport.h"
#include "exchange/CsvImportPSR.h"
#include "exchange/CsvImporter.h"
#include "exchange/ImportMessages.h"
#include "base/exceptions/Exception.h"
#include "support/ClockOverride.h"

using namespace ImportTest;
using namespace Tarnwick::Import::CSV;
using Utilities::Exceptions::Exception;

namespace {

constexpr std::int64_t kNow = 1700000000;

CsvSettings Settings(char16_t separator = u',', bool header = true) {
    CsvSettings settings;
    settings.separator = separator;
    settings.qualifier = u'"';
    settings.firstLineHoldsNames = header;
    return settings;
}

class CsvImporterTest : public ::testing::Test {
protected:
    TestSupport::ClockOverride m_clock{kNow};
    ZoneOverride m_zone{"UTC0"};
    Files m_files;
    PasswordData m_data;
};

TEST_F(CsvImporterTest, SourceNamesComeFromTheHeaderOrAreNumbered) {
    CsvImporter withHeader(m_data, Settings());
    withHeader.Import(m_files.Write("\xEF\xBB\xBFTitle,User,,Pass\r\na,b,c,d,e\r\n", "a.csv"));
    EXPECT_EQ(withHeader.GetColumnCount(), 5u);
    EXPECT_EQ(N(withHeader.GetSourceName(0)), "Title");
    EXPECT_EQ(N(withHeader.GetSourceName(2)), "Feld 3");
    EXPECT_EQ(N(withHeader.GetSourceName(4)), "Feld 5");
    EXPECT_EQ(withHeader.GetRows().size(), 1u);

    CsvImporter plain(m_data, Settings(u',', false));
    plain.Import(m_files.Write("a,b,c\n", "b.csv"));
    EXPECT_EQ(N(plain.GetSourceName(0)), "Feld 1");
    EXPECT_EQ(N(plain.GetSourceName(1)), "Feld 2");
    EXPECT_EQ(N(plain.GetSourceName(2)), "Feld 3");

    CsvImporter empty(m_data, Settings());
    EXPECT_EQ(ImportMessage(empty, m_files.Write("only,a,header\n\n", "c.csv")),
              N(Tarnwick::Import::kNoRowsMessage));
    try {
        empty.Import(m_files.Folder() / "missing.csv");
        FAIL();
    } catch (const Exception& failure) {
        EXPECT_EQ(N(failure.GetMessage()), "open");
        EXPECT_EQ(N(failure.GetTarget()), "CsvImporter::Import");
    }
}

TEST_F(CsvImporterTest, ATargetIsChosenOnlyOnce) {
    EXPECT_EQ(N(CsvImporter::CheckTargetChoice({TargetDescription, TargetNone}, 1, TargetDescription)),
              "Der Eintrag Beschreibung wurde bereits gewählt.");
    EXPECT_EQ(N(CsvImporter::CheckTargetChoice({TargetDescription, TargetDescription}, 0, TargetDescription)),
              "Der Eintrag Beschreibung wurde bereits gewählt.");
    EXPECT_TRUE(CsvImporter::CheckTargetChoice({TargetNone, TargetNone}, 1, TargetNone).IsEmpty());
    EXPECT_TRUE(CsvImporter::CheckTargetChoice({TargetUrl, TargetNone}, 0, TargetUrl).IsEmpty());
    EXPECT_FALSE(CsvImporter::CheckTargetChoice({}, 0, 8).IsEmpty());

    CsvImporter importer(m_data, Settings());
    EXPECT_THROW(importer.SetColumnMapping({TargetPassword, TargetPassword}), Exception);
    EXPECT_THROW(importer.SetColumnMapping({-1}), Exception);
    EXPECT_NO_THROW(importer.SetColumnMapping({TargetNone, TargetNone, TargetPassword}));
    for (int code = 0; code < kColumnTargetCount; ++code) {
        EXPECT_FALSE(ColumnTargetText(code).empty());
    }
}

TEST_F(CsvImporterTest, WithoutFolderColumnAllEntriesLandInTheImportFolder) {
    CsvImporter importer(m_data, Settings());
    importer.Import(m_files.Write("Title,User,Password,Web,Notes,Mail,Extra\n"
                                  "Mail,alice,\"pa,ss\",https://mail.example,\"first\nsecond\",a@example.org,x\n"
                                  ",,,,,,only extra\n"
                                  "Short,bob\n",
                                  "x.csv"));
    importer.SetColumnMapping({TargetDescription, TargetUserName, TargetPassword, TargetUrl, TargetComment, TargetEmail});
    EXPECT_FALSE(importer.IsFolderMode());
    importer.ImportRows();

    ASSERT_EQ(m_data.FolderCount(), 1u);
    EXPECT_EQ(N(m_data.Folders()[0]->GetName()), "Import 14.11.2023");
    EXPECT_EQ(m_data.EntryCount(), 2u); // the row without mapped values gives none
    const auto mail = EntryNamed(m_data, "Mail");
    EXPECT_EQ(N(mail->GetUserName()), "alice");
    EXPECT_EQ(PasswordOf(*mail), "pa,ss");
    EXPECT_EQ(mail->GetPasswordChangeTime(), kNow);
    EXPECT_EQ(N(mail->GetUrl()), "https://mail.example");
    EXPECT_EQ(N(mail->GetComment()), "first\r\nsecond");
    EXPECT_EQ(N(mail->GetEmail()), "a@example.org");
    EXPECT_EQ(N(EntryNamed(m_data, "Short")->GetUserName()), "bob");

    // Going back and mapping again replaces the earlier result.
    importer.SetColumnMapping({TargetNone, TargetDescription});
    importer.ImportRows();
    EXPECT_EQ(m_data.FolderCount(), 1u);
    EXPECT_EQ(m_data.EntryCount(), 2u);
    EXPECT_NE(EntryNamed(m_data, "alice"), nullptr);

    CsvSettings named = Settings();
    named.setImportFolderName = true;
    named.importFolderName = u"Aus Excel";
    PasswordData other;
    CsvImporter namedImporter(other, named);
    namedImporter.Import(m_files.Write("T\nx\n", "n.csv"));
    namedImporter.SetColumnMapping({TargetDescription});
    namedImporter.ImportRows();
    EXPECT_EQ(N(other.Folders()[0]->GetName()), "Aus Excel");
}

TEST_F(CsvImporterTest, TheFolderColumnIsResolvedFirstWhereverItStands) {
    CsvImporter importer(m_data, Settings(u';'));
    importer.Import(m_files.Write("Title;User;Group\nA;u1;Work\nB;u2;Work\nC;u3;\nD;u4;Emails/WS\n", "f.csv"));
    importer.SetColumnMapping({TargetDescription, TargetUserName, TargetFolder});
    EXPECT_TRUE(importer.IsFolderMode());
    importer.ImportRows();
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "A")), "Work");
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "B")), "Work");
    EXPECT_EQ(FindFolder(m_data, "Work")->Entries().size(), 2u);
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "C")), "Import 14.11.2023");
    // Without folder names included the value is one name.
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "D")), "Emails/WS");

    CsvSettings paths = Settings(u';');
    paths.folderNamesIncluded = true;
    paths.folderSeparator = u'/';
    PasswordData other;
    CsvImporter pathImporter(other, paths);
    pathImporter.Import(m_files.Write("Title;User;Group\nD;u4;/Emails//WS/\n", "g.csv"));
    pathImporter.SetColumnMapping({TargetDescription, TargetUserName, TargetFolder});
    pathImporter.ImportRows();
    EXPECT_EQ(FolderOfEntry(other, EntryNamed(other, "D")), "Emails/WS");
}

TEST_F(CsvImporterTest, PasswordSafeAndRepositorySplitsFolderPaths) {
    CsvSettings settings = Settings(u',', false);
    settings.folderSeparator = u'.';
    CsvImportPSR importer(m_data, settings);
    importer.Import(m_files.Write("Bank.Online,Konto,geheim\nBank.Online,Zweites,x\nBank,Drittes,y\n", "p.csv"));
    importer.SetColumnMapping({TargetFolder, TargetDescription, TargetPassword});
    importer.ImportRows();
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "Konto")), "Bank/Online");
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "Zweites")), "Bank/Online");
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "Drittes")), "Bank");
    EXPECT_EQ(m_data.FolderCount(), 2u);
}

TEST_F(CsvImporterTest, LongValuesAreReportedAndTheSettingsChecked) {
    const std::string longName(80, 'n');
    const std::string longComment(16400, 'c');
    CsvImporter importer(m_data, Settings());
    importer.Import(m_files.Write("F,T,C\n" + longName + ",Entry," + longComment + "\n,\"open\n", "l.csv"));
    importer.SetColumnMapping({TargetFolder, TargetDescription, TargetComment});
    importer.ImportRows();
    const auto texts = WarningTexts(importer);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_NE(texts[0].find("Zeile 3 wird nicht geschlossen"), std::string::npos);
    EXPECT_NE(texts[1].find("Der Name ist länger als 74 Zeichen und wurde gekürzt."), std::string::npos);
    EXPECT_EQ(texts[2], "Eintrag 1 „Entry“, Feld „Kommentar“: Der Wert ist länger als 16384 Zeichen und wurde gekürzt.");
    EXPECT_EQ(EntryNamed(m_data, "Entry")->GetComment().Length(), 16384u);

    CsvSettings settings;
    settings.separator = 0;
    EXPECT_EQ(CheckCsvSettings(settings), kSeparatorMissingMessage);
    settings.separator = u',';
    settings.qualifier = u',';
    EXPECT_EQ(CheckCsvSettings(settings), kSameCharactersMessage);
    settings.qualifier = u'"';
    settings.folderNamesIncluded = true;
    EXPECT_EQ(CheckCsvSettings(settings), kFolderSeparatorMissingMessage);
    settings.folderSeparator = u'\\';
    settings.setImportFolderName = true;
    EXPECT_EQ(CheckCsvSettings(settings), kFolderNameMissingMessage);
    settings.importFolderName = u"Import";
    EXPECT_TRUE(CheckCsvSettings(settings).empty());
}

TEST_F(CsvImporterTest, Windows1252FilesAreRead) {
    CsvImporter importer(m_data, Settings(u';', false));
    importer.Import(m_files.Write("Gr\xFCn;M\xFCller\n", "w.csv"));
    importer.SetColumnMapping({TargetDescription, TargetUserName});
    importer.ImportRows();
    EXPECT_EQ(N(EntryNamed(m_data, "Grün")->GetUserName()), "Müller");
}

} // namespace
