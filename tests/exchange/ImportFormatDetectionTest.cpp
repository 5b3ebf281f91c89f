// Recognising an export file's format from its start, with hostile and borderline files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "exchange/ImportFormatDetection.h"
#include "support/TempDir.h"

using Tarnwick::Import::FormatOfXmlRoot;
using Tarnwick::Import::ImportFormat;
using Tarnwick::Import::kRecognitionBytes;
using Tarnwick::Import::RecogniseImportFormat;
using Tarnwick::Import::RecogniseXmlFormat;

namespace {

const std::filesystem::path kFixtures = TW_FIXTURES_DIR;

class ImportFormatDetectionTest : public ::testing::Test {
protected:
    std::filesystem::path Write(const std::string& name, const std::string& bytes) {
        const auto path = m_dir / name;
        std::ofstream out(path, std::ios::binary);
        out << bytes;
        return path;
    }
    TestSupport::TempDir m_dir;
};

} // namespace

TEST_F(ImportFormatDetectionTest, RootsOfTheImporters) {
    EXPECT_EQ(FormatOfXmlRoot(u"KeePassFile"), ImportFormat::KeePass2);
    EXPECT_EQ(FormatOfXmlRoot(u"pwlist"), ImportFormat::KeePass1);
    EXPECT_EQ(FormatOfXmlRoot(u"passwordsafe"), ImportFormat::PasswordSafeXml);
    EXPECT_EQ(FormatOfXmlRoot(u"root"), ImportFormat::StickyPassword4);
    EXPECT_EQ(FormatOfXmlRoot(u"PASSWORDFILE"), ImportFormat::PasswordDepot5);
    EXPECT_EQ(FormatOfXmlRoot(u"pd:passwordfile"), ImportFormat::PasswordDepot5);
    EXPECT_EQ(FormatOfXmlRoot(u"AmP_FILE"), ImportFormat::AlleMeinePassworte);
    // The importers compare these names exactly: a look-alike is not taken.
    EXPECT_FALSE(FormatOfXmlRoot(u"keepassfile"));
    EXPECT_FALSE(FormatOfXmlRoot(u"PasswordSafe"));
    // KeePassX 0.4 writes "database", which no importer reads.
    EXPECT_FALSE(FormatOfXmlRoot(u"database"));
    EXPECT_FALSE(FormatOfXmlRoot(u""));
}

TEST_F(ImportFormatDetectionTest, PrologIsSkipped) {
    const std::string prolog = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<?xml-stylesheet href=\"a.xsl\"?>\n"
                               "<!-- <pwlist> in a comment -->\n";
    EXPECT_EQ(RecogniseXmlFormat(prolog + "<KeePassFile><Root/></KeePassFile>"), ImportFormat::KeePass2);
    // An internal subset may hold markup that looks like elements.
    EXPECT_EQ(RecogniseXmlFormat("<!DOCTYPE x [\n<!ENTITY a \"<pwlist>\">\n<!ELEMENT root ANY>\n"
                                 "<!-- ] > -->\n]>\n<root/>"),
              ImportFormat::StickyPassword4);
    // UTF-16 with its byte order mark.
    std::string wide = "\xFF\xFE";
    for (const char ch : std::string("<passwordsafe/>")) {
        wide += ch;
        wide += '\0';
    }
    EXPECT_EQ(RecogniseXmlFormat(wide), ImportFormat::PasswordSafeXml);
}

TEST_F(ImportFormatDetectionTest, AmpIsKnownByItsElements) {
    EXPECT_EQ(RecogniseXmlFormat("<AMP><DATA><K><Kategorie>Bank</Kategorie><Bezeichnung>Giro</Bezeichnung>"
                                 "<Passwort1>x</Passwort1></K></DATA></AMP>"),
              ImportFormat::AlleMeinePassworte);
    EXPECT_FALSE(RecogniseXmlFormat("<AMP><Bezeichnung>Giro</Bezeichnung></AMP>"));
}

TEST_F(ImportFormatDetectionTest, HostileStarts) {
    // Nothing at all.
    EXPECT_FALSE(RecogniseImportFormat(Write("leer.xml", "")));
    // 64 KiB of "<" and no root: nothing is recognised, and no CSV made of it either.
    EXPECT_FALSE(RecogniseImportFormat(Write("spitz.xml", std::string(kRecognitionBytes, '<'))));
    // A root only after the first 64 KiB is beyond the look.
    const std::string longComment = "<!--" + std::string(kRecognitionBytes, 'x') + "-->";
    EXPECT_FALSE(RecogniseImportFormat(Write("lang.xml", longComment + "<KeePassFile/>")));
    // A long comment within them is skipped.
    const std::string shorterComment = "<!--" + std::string(kRecognitionBytes - 100, 'x') + "-->";
    const auto within = RecogniseImportFormat(Write("kurz.xml", shorterComment + "<KeePassFile/>"));
    ASSERT_TRUE(within);
    EXPECT_EQ(within->format, ImportFormat::KeePass2);
    // An unfinished comment or document type.
    EXPECT_FALSE(RecogniseImportFormat(Write("offen.xml", "<?xml version=\"1.0\"?><!-- <KeePassFile>")));
    EXPECT_FALSE(RecogniseImportFormat(Write("dtd.xml", "<!DOCTYPE x [ <!ENTITY a \"b\"> <KeePassFile>")));
    // Binary data and a single column of text are no CSV export.
    EXPECT_FALSE(RecogniseImportFormat(Write("binaer.bin", std::string("\x01\x02\x03\xFF\xFE", 5))));
    EXPECT_FALSE(RecogniseImportFormat(Write("text.txt", "nur eine Zeile\nund noch eine\n")));
    // A folder is no file to look into.
    EXPECT_FALSE(RecogniseImportFormat(m_dir.Path()));
}

TEST_F(ImportFormatDetectionTest, CsvHeaders) {
    const auto bitwarden = RecogniseImportFormat(
        Write("b.csv", "folder,favorite,type,name,notes,fields,login_uri,login_username,login_password\n"
                       "Bank,,login,Giro,,,https://bank.example,me,geheim\n"));
    ASSERT_TRUE(bitwarden);
    EXPECT_EQ(bitwarden->format, ImportFormat::Csv);
    ASSERT_TRUE(bitwarden->preset);
    EXPECT_EQ(bitwarden->Name(), u"Bitwarden");
    EXPECT_EQ(bitwarden->separator, u',');
    EXPECT_TRUE(bitwarden->ColumnsKnown());

    // German names of no preset, separated by semicolons: mapped by their names.
    const auto german = RecogniseImportFormat(Write("d.csv", "Titel;Benutzername;Passwort;Sonstiges\na;b;c;d\n"));
    ASSERT_TRUE(german);
    EXPECT_FALSE(german->preset);
    EXPECT_EQ(german->separator, u';');
    EXPECT_TRUE(german->ColumnsKnown());
    EXPECT_EQ(german->Name(), u"Komma getrennte Werte (csv)");
    ASSERT_EQ(german->headerMapping.size(), 4u);
    EXPECT_EQ(german->headerMapping[2], Tarnwick::Import::CSV::TargetPassword);

    // Data without a header: a CSV file whose columns nobody knows.
    const auto data = RecogniseImportFormat(Write("x.csv", "Giro,me,geheim\nPost,you,auch\n"));
    ASSERT_TRUE(data);
    EXPECT_EQ(data->format, ImportFormat::Csv);
    EXPECT_FALSE(data->ColumnsKnown());
}

TEST_F(ImportFormatDetectionTest, RealExports) {
    if (!std::filesystem::is_directory(kFixtures)) {
        GTEST_SKIP() << "fixtures not present";
    }
    const auto format = [&](const char* file) { return RecogniseImportFormat(kFixtures / file); };
    EXPECT_EQ(format("pass-import/keepass.xml")->format, ImportFormat::KeePass2);
    EXPECT_EQ(format("pass-import/pwsafe.xml")->format, ImportFormat::PasswordSafeXml);
    EXPECT_EQ(format("bitwarden/password-depot-17-password.xml")->format, ImportFormat::PasswordDepot5);
    EXPECT_FALSE(format("pass-import/keepassx.xml"));
    EXPECT_EQ(format("pass-import/bitwarden.csv")->Name(), u"Bitwarden");
    EXPECT_EQ(format("pass-import/firefox.csv")->Name(), u"Firefox");
    EXPECT_EQ(format("pass-import/keepassx2.csv")->Name(), u"KeePassXC");
}
