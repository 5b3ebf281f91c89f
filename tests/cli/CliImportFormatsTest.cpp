// twcli import with --format auto and the CSV presets, on real export files of other managers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/DatabaseFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

using TestSupport::ProcessResult;
using TestSupport::ReadBytes;
using TestSupport::RunProcess;
using TestSupport::TempDir;

namespace {

const std::filesystem::path kFixtures = TW_FIXTURES_DIR;

class CliImportFormats : public ::testing::Test {
protected:
    CliImportFormats() { ::setenv("XDG_DATA_HOME", (m_dir.Path() / "daten").c_str(), 1); }

    void SetUp() override {
        if (!std::filesystem::is_directory(kFixtures)) {
            GTEST_SKIP() << "fixtures not present";
        }
    }

    ProcessResult Run(const std::vector<std::string>& args, const std::string& input = {}) {
        return RunProcess(TW_CLI_PATH, args, input, m_dir.Path().string());
    }
    std::string File(const std::string& name = "k.twdb") const { return (m_dir.Path() / name).string(); }
    static std::string Fixture(const std::string& name) { return (kFixtures / name).string(); }
    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream(m_dir / name, std::ios::binary) << text;
        return File(name);
    }

    // A database of Alice with the folder "Allgemein".
    void CreateDatabase(const std::string& name = "k.twdb") {
        const auto r = Run({"db-create", File(name), "--cipher", "aes"}, "Alice\ngeheim\n");
        ASSERT_EQ(r.status, 0) << r.err;
    }

    ProcessResult Import(const std::string& source, const std::string& format,
                         const std::vector<std::string>& more = {}, const std::string& database = "k.twdb") {
        std::vector<std::string> args = {"import", File(database), source, "--format", format};
        args.insert(args.end(), more.begin(), more.end());
        return Run(args, kLogin);
    }

    std::string Listing(const std::string& database = "k.twdb") {
        const auto r = Run({"ls", File(database), "-R"}, kLogin);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }

    // The path ls gives the first entry of that name.
    std::string EntryPath(const std::string& name, const std::string& database = "k.twdb") {
        std::istringstream lines(Listing(database));
        for (std::string line; std::getline(lines, line);) {
            if (line == name || (line.size() > name.size() && line.compare(line.size() - name.size() - 1,
                                                                           std::string::npos, "/" + name) == 0)) {
                return line;
            }
        }
        ADD_FAILURE() << "no entry " << name;
        return {};
    }

    std::string Password(const std::string& name, const std::string& database = "k.twdb") {
        const auto r = Run({"show", File(database), EntryPath(name, database), "--field", "Passwort"}, kLogin);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }

    static constexpr const char* kLogin = "alice\ngeheim\n";
    TempDir m_dir;
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

} // namespace

TEST_F(CliImportFormats, AutoRecognisesXmlExports) {
    CreateDatabase();
    auto r = Import(Fixture("pass-import/keepass.xml"), "auto");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.err, "Erkanntes Format: KeePass 2.x (xml)")) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(Password("mastodon.social"), "D<INNeT?#?Bf4%`zA/4i!/'$T\n");

    CreateDatabase("pwsafe.twdb");
    r = Import(Fixture("pass-import/pwsafe.xml"), "auto", {}, "pwsafe.twdb");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.err, "Erkanntes Format: Password Safe [Sourceforge.net] (xml)")) << r.err;
    EXPECT_EQ(Password("aib", "pwsafe.twdb"), "ws5T@;_UB[Q|P!8'`~z%XC'JHFUbf#IX _E0}:HF,[{ei0hBg14\n");

    CreateDatabase("depot.twdb");
    r = Import(Fixture("bitwarden/password-depot-17-password.xml"), "auto", {}, "depot.twdb");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.err, "Erkanntes Format: Password Depot 5 (xml)")) << r.err;
    EXPECT_EQ(Password("password type", "depot.twdb"), "p6J<]fmjv!:H&iJ7/Mwt@3i8\n");
}

TEST_F(CliImportFormats, KeePassXIsRefusedClearly) {
    // KeePassX 0.4 writes a root no importer reads: auto says so instead of guessing.
    CreateDatabase();
    const auto before = ReadBytes(File());
    const std::string source = Fixture("pass-import/keepassx.xml");
    const auto r = Import(source, "auto");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "Das Format der Datei \"" + source + "\" wurde nicht erkannt.")) << r.err;
    EXPECT_TRUE(Contains(r.err, "--format")) << r.err;
    EXPECT_FALSE(Contains(r.err, "Erkanntes Format")) << r.err;
    EXPECT_EQ(ReadBytes(File()), before);
}

TEST_F(CliImportFormats, BitwardenByAutoAndByName) {
    CreateDatabase("auto.twdb");
    CreateDatabase("name.twdb");
    auto r = Import(Fixture("pass-import/bitwarden.csv"), "auto", {}, "auto.twdb");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.err, "Erkanntes Format: Bitwarden")) << r.err;
    r = Import(Fixture("pass-import/bitwarden.csv"), "bitwarden-csv", {}, "name.twdb");
    ASSERT_EQ(r.status, 0) << r.err;
    // Only auto has something to report.
    EXPECT_FALSE(Contains(r.err, "Erkanntes Format")) << r.err;

    // Folders come from the preset's folder column with its separator.
    EXPECT_EQ(EntryPath("aib", "auto.twdb"), "Bank/aib");
    EXPECT_EQ(Password("aib", "auto.twdb"), "ws5T@;_UB[Q|P!8'`~z%XC'JHFUbf#IX _E0}:HF,[{ei0hBg14\n");
    EXPECT_TRUE(Contains(Listing("auto.twdb"), "Emails/WS/dpbx@fner.ws\n"));
    EXPECT_EQ(Listing("auto.twdb"), Listing("name.twdb"));
}

TEST_F(CliImportFormats, FirefoxByAutoAndByName) {
    CreateDatabase("auto.twdb");
    CreateDatabase("name.twdb");
    auto r = Import(Fixture("pass-import/firefox.csv"), "auto", {}, "auto.twdb");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.err, "Erkanntes Format: Firefox")) << r.err;
    r = Import(Fixture("pass-import/firefox.csv"), "firefox-csv", {}, "name.twdb");
    ASSERT_EQ(r.status, 0) << r.err;
    // Firefox has no titles: the address stands for one.
    EXPECT_EQ(Password("mastodon.social", "auto.twdb"), "D<INNeT?#?Bf4%`zA/4i!/'$T\n");
    EXPECT_EQ(Password("mastodon.social", "name.twdb"), "D<INNeT?#?Bf4%`zA/4i!/'$T\n");
    EXPECT_EQ(Listing("auto.twdb"), Listing("name.twdb"));
}

TEST_F(CliImportFormats, HeaderlessExportsByName) {
    // Dashlane writes no header line: only its name says which column is which.
    CreateDatabase();
    const auto before = ReadBytes(File());
    const std::string source = Fixture("pass-import/dashlane.csv");
    auto r = Import(source, "auto");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadBytes(File()), before);
    r = Import(source, "dashlane-csv");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Password("mastodon.social"), "D<INNeT?#?Bf4%`zA/4i!/'$T\n");
}

TEST_F(CliImportFormats, ColumnsOverrideThePreset) {
    CreateDatabase();
    const std::string source = Write("bw.csv", "folder,favorite,type,name,notes,fields,login_uri,login_username,"
                                               "login_password\nBank,,login,Giro,,,https://bank.example,me,geheim\n");
    // The folder column is left out: the entry goes to the import folder.
    const auto r = Import(source, "bitwarden-csv", {"--columns", "-,-,-,beschreibung,-,-,url,benutzername,passwort"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(Contains(Listing(), "Bank/"));
    EXPECT_EQ(Password("Giro"), "geheim\n");
    // A mapping that names a target twice is refused as before.
    EXPECT_EQ(Import(source, "bitwarden-csv", {"--columns", "beschreibung,beschreibung"}).status, 2);
}

TEST_F(CliImportFormats, AutoMapsAHeaderOfKnownNames) {
    CreateDatabase();
    const std::string source = Write("eigen.csv", "Ordner;Titel;Benutzername;Passwort\nBank;Giro;me;\"geheim;1\"\n");
    const auto r = Import(source, "auto");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.err, "Erkanntes Format: Komma getrennte Werte (csv)")) << r.err;
    EXPECT_EQ(Password("Giro"), "geheim;1\n");
}

TEST_F(CliImportFormats, UnrecognisedFilesChangeNothing) {
    CreateDatabase();
    const auto before = ReadBytes(File());
    const std::string text = Write("notiz.txt", "Nur eine Notiz.\nOhne Spalten.\n");
    auto r = Import(text, "auto");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "Das Format der Datei \"" + text + "\" wurde nicht erkannt. Geben Sie es mit "
                                "--format an."))
        << r.err;

    const std::string xml = Write("fremd.xml", "<?xml version=\"1.0\"?><adressbuch><person/></adressbuch>");
    EXPECT_EQ(Import(xml, "auto").status, 1);
    const std::string empty = Write("leer.csv", "");
    EXPECT_EQ(Import(empty, "auto").status, 1);
    // A device is refused before anything is read from it.
    EXPECT_EQ(Import("/dev/zero", "auto").status, 1);
    EXPECT_EQ(Import("/dev/zero", "bitwarden-csv").status, 1);

    // Rows without a header: the columns must be given.
    const std::string rows = Write("zeilen.csv", "Giro,me,geheim\nPost,you,auch\n");
    r = Import(rows, "auto");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "--format csv")) << r.err;
    EXPECT_TRUE(Contains(r.err, "--columns")) << r.err;
    // No secret of the file reaches the messages.
    EXPECT_FALSE(Contains(r.err, "geheim")) << r.err;

    // An unknown format name is wrong usage, as before.
    EXPECT_EQ(Import(rows, "bitwarden").status, 2);
    EXPECT_EQ(ReadBytes(File()), before);
}

TEST_F(CliImportFormats, PresetOfAnotherLayoutIsRefused) {
    CreateDatabase();
    const auto before = ReadBytes(File());
    auto r = Import(Fixture("pass-import/firefox.csv"), "bitwarden-csv");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "Die Datei passt nicht zur gewählten Vorlage.")) << r.err;
    r = Import(Fixture("pass-import/keepass.xml"), "lastpass-csv");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "Die Datei passt nicht zur gewählten Vorlage.")) << r.err;
    EXPECT_EQ(ReadBytes(File()), before);
}

TEST_F(CliImportFormats, HelpNamesAutoAndThePresets) {
    const auto r = Run({"import", "--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* name : {"auto", "keepassxc-csv", "keepass-csv", "bitwarden-csv", "firefox-csv", "chrome-csv",
                             "lastpass-csv", "1password-csv", "dashlane-csv", "enpass-csv", "keeper-csv",
                             "roboform-csv"}) {
        EXPECT_TRUE(Contains(r.out, std::string(name) + "|") || Contains(r.out, std::string(name) + " "))
            << name << "\n"
            << r.out;
    }
}
