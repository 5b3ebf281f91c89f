// Drives the built twcli as a separate process through pipes, as a script would.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/DatabaseFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

using TestSupport::ProcessResult;
using TestSupport::ReadBytes;
using TestSupport::RunProcess;
using TestSupport::TempDir;

namespace {

class Cli : public ::testing::Test {
protected:
    Cli() {
        ::setenv("XDG_DATA_HOME", (m_dir.Path() / "daten").c_str(), 1);
    }

    ProcessResult Run(const std::vector<std::string>& args, const std::string& input = {}) {
        return RunProcess(TW_CLI_PATH, args, input, m_dir.Path().string());
    }
    std::string File(const std::string& name = "k.twdb") const { return (m_dir.Path() / name).string(); }

    // A database "k.twdb" of Alice with the folder "Allgemein".
    void CreateDatabase(const std::string& cipher = "aes") {
        const auto r = Run({"db-create", File(), "--cipher", cipher}, "Alice\ngeheim\n");
        ASSERT_EQ(r.status, 0) << r.err;
    }

    static constexpr const char* kLogin = "alice\ngeheim\n";
    TempDir m_dir;
};

} // namespace

TEST_F(Cli, HelpAndUsage) {
    auto r = Run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Befehle:"), std::string::npos);
    for (const char* verb : {"db-create", "db-info", "ls", "show", "search", "add", "edit", "rm", "mv", "mkdir",
                             "rmdir", "passwd", "cipher", "reorganize", "backup", "delete", "estimate"}) {
        EXPECT_NE(r.out.find(std::string("  ") + verb), std::string::npos) << verb;
        const auto help = Run({verb, "--help"});
        EXPECT_EQ(help.status, 0) << verb;
        EXPECT_EQ(help.out.rfind("Aufruf: twcli ", 0), 0u) << verb;
    }
    // Without a command the overview is an error message, not output for a pipe.
    r = Run({});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("Befehle:"), std::string::npos);
    r = Run({"unbekannt"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Unbekannter Befehl"), std::string::npos);
    r = Run({"ls"});
    EXPECT_EQ(r.status, 2);
    r = Run({"ls", File(), "--gibtsnicht"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Unbekannte Option: --gibtsnicht"), std::string::npos);
    EXPECT_EQ(Run({"db-create", File(), "--cipher", "rot13"}, "a\nb\n").status, 2);
}

TEST_F(Cli, CreateInfoAndCredentials) {
    CreateDatabase();
    // User names are lower-cased unless asked otherwise, so any case logs in.
    auto r = Run({"db-info", File(), "--json"}, "ALICE\ngeheim\n");
    ASSERT_EQ(r.status, 0) << r.err;
    // The refused first attempt with the name as typed is not reported.
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_NE(r.out.find("\"version\":\"1.17\""), std::string::npos);
    EXPECT_NE(r.out.find("\"folders\":1"), std::string::npos);
    EXPECT_NE(r.out.find("\"algorithmName\":\"AES (Rijndael 256-Bit)\""), std::string::npos);

    // "Letzte Anmeldung" is the log-in before this one: db-info logs in once, so the log-in of
    // an ls two seconds earlier is what it shows, and the next db-info shows the first one.
    ASSERT_EQ(Run({"ls", File()}, "alice\ngeheim\n").status, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(2200));
    const auto previousLogin = [](const std::string& json) {
        const auto at = json.find("\"previousLogin\":");
        return at == std::string::npos ? -1LL : std::stoll(json.substr(at + 16));
    };
    const auto first = Run({"db-info", File(), "--json"}, "alice\ngeheim\n");
    const auto second = Run({"db-info", File(), "--json"}, "alice\ngeheim\n");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_GE(previousLogin(second.out) - previousLogin(first.out), 2) << first.out << second.out;
    EXPECT_TRUE(first.err.empty()) << first.err;

    const auto before = ReadBytes(File());
    r = Run({"ls", File()}, "alice\nfalsch\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Die Benutzerauthentifikation ist fehlgeschlagen."), std::string::npos);
    EXPECT_EQ(ReadBytes(File()), before);
    r = Run({"ls", File()}, "bob\ngeheim\n");
    EXPECT_EQ(r.status, 1);
    // Credentials come only from the input, never from the arguments.
    r = Run({"ls", File(), "--user", "alice"}, "geheim\n");
    EXPECT_EQ(r.status, 0) << r.err;
    r = Run({"ls", File()}, "");
    EXPECT_EQ(r.status, 1);

    // Case-sensitive user names must match exactly.
    r = Run({"db-create", File("gross.twdb"), "--case-sensitive", "--cipher", "blowfish", "--folder", "Privat"},
            "Alice\ngeheim\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Run({"ls", File("gross.twdb")}, "alice\ngeheim\n").status, 1);
    r = Run({"ls", File("gross.twdb")}, "Alice\ngeheim\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Privat/\n");

    // An existing database is not replaced without a terminal to ask on.
    const auto existing = ReadBytes(File());
    r = Run({"db-create", File()}, "x\ny\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadBytes(File()), existing);
}

TEST_F(Cli, FilesThatAreNoDatabases) {
    auto r = Run({"ls", File("fehlt.twdb")}, kLogin);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("ist nicht vorhanden."), std::string::npos);
    TestSupport::WriteBytes(File("text.twdb"), {'n', 'i', 'c', 'h', 't', 's', ' ', 'h', 'i', 'e', 'r', '!', '!'});
    r = Run({"ls", File("text.twdb")}, kLogin);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("ist keine gültige Tarnwick Datenbank."), std::string::npos);
    EXPECT_EQ(ReadBytes(File("text.twdb")).size(), 13u);
}

TEST_F(Cli, ReadOnlyDatabase) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may write every file";
    }
    CreateDatabase();
    std::filesystem::permissions(File(), std::filesystem::perms::owner_read);
    const auto before = ReadBytes(File());
    const auto r = Run({"mkdir", File(), "Neu"}, kLogin);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Berechtigungen"), std::string::npos);
    EXPECT_EQ(ReadBytes(File()), before);
}

TEST_F(Cli, EntriesAndFolders) {
    CreateDatabase();
    auto r = Run({"add", File(), "Allgemein/Bank", "--username", "jürgen", "--url", "https://bank.example", "--field",
                  "PIN=1234", "--comment", "Zeile 1"},
                 std::string(kLogin) + "P@ß wörd!\n");
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run({"show", File(), "Allgemein/Bank"}, kLogin);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Benutzername:  jürgen"), std::string::npos);
    EXPECT_NE(r.out.find("Passwort:      ********"), std::string::npos);
    EXPECT_EQ(r.out.find("P@ß wörd!"), std::string::npos); // never without being asked
    EXPECT_NE(r.out.find("Feld PIN: 1234"), std::string::npos);
    r = Run({"show", File(), "Allgemein/Bank", "--show-protected"}, kLogin);
    EXPECT_NE(r.out.find("Passwort:      P@ß wörd!"), std::string::npos);
    r = Run({"show", File(), "Allgemein/Bank", "--field", "Passwort"}, kLogin);
    EXPECT_EQ(r.out, "P@ß wörd!\n");
    r = Run({"show", File(), "Allgemein/Bank", "--json"}, kLogin);
    EXPECT_NE(r.out.find("\"url\":\"https://bank.example\""), std::string::npos);
    EXPECT_EQ(r.out.find("\"password\":"), std::string::npos);
    EXPECT_EQ(r.out.find("P@ß"), std::string::npos);

    // A second entry of the same description is addressed with #n.
    ASSERT_EQ(Run({"add", File(), "Allgemein/Bank", "--no-password"}, kLogin).status, 0);
    r = Run({"show", File(), "Allgemein/Bank"}, kLogin);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("nicht eindeutig"), std::string::npos);
    EXPECT_EQ(Run({"show", File(), "Allgemein/Bank#2"}, kLogin).status, 0);
    EXPECT_EQ(Run({"show", File(), "Allgemein/Bank#3"}, kLogin).status, 1);

    ASSERT_EQ(Run({"mkdir", File(), "Allgemein/Konten"}, kLogin).status, 0);
    ASSERT_EQ(Run({"mkdir", File(), "Privat"}, kLogin).status, 0);
    EXPECT_EQ(Run({"mkdir", File(), "Gibt/Es/Nicht"}, kLogin).status, 1);
    ASSERT_EQ(Run({"mv", File(), "Allgemein/Bank#1", "Allgemein/Konten"}, kLogin).status, 0);
    ASSERT_EQ(Run({"edit", File(), "Allgemein/Bank", "--description", "Post", "--field", "Kunde=7"}, kLogin).status, 0);
    r = Run({"ls", File(), "-R"}, kLogin);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Allgemein/\nAllgemein/Konten/\nAllgemein/Konten/Bank\nAllgemein/Post\nPrivat/\n");
    r = Run({"search", File(), "BANK.example", "--json"}, kLogin);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[\"Allgemein/Konten/Bank\"]\n");
    // No hit is exit 1, as grep has it; the JSON list is still complete.
    r = Run({"search", File(), "nirgendwo", "--json"}, kLogin);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "[]\n");
    EXPECT_EQ(Run({"search", File(), "nirgendwo"}, kLogin).status, 1);

    // A password change follows the history rules of the entry.
    ASSERT_EQ(Run({"edit", File(), "Allgemein/Konten/Bank", "--password"}, std::string(kLogin) + "zweites\n").status, 0);
    r = Run({"show", File(), "Allgemein/Konten/Bank", "--field", "Passwort"}, kLogin);
    EXPECT_EQ(r.out, "zweites\n");

    EXPECT_EQ(Run({"rmdir", File(), "Allgemein"}, kLogin).status, 1);
    ASSERT_EQ(Run({"rm", File(), "Allgemein/Post"}, kLogin).status, 0);
    ASSERT_EQ(Run({"rmdir", File(), "Privat"}, kLogin).status, 0);
    r = Run({"ls", File(), "-R", "--json"}, kLogin);
    EXPECT_EQ(r.out.rfind("[{\"type\":\"folder\",\"path\":\"Allgemein\",\"name\":\"Allgemein\",\"entries\":0},"
                          "{\"type\":\"folder\",\"path\":\"Allgemein/Konten\",\"name\":\"Konten\",\"entries\":1},"
                          "{\"type\":\"entry\",\"path\":\"Allgemein/Konten/Bank\",\"folder\":\"Allgemein/Konten\"",
                          0),
              0u)
        << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 3), "}]\n");
    // Over-long values are refused before anything is written.
    const auto before = ReadBytes(File());
    r = Run({"add", File(), "Allgemein/" + std::string(513, 'x'), "--no-password"}, kLogin);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Beschreibung"), std::string::npos);
    EXPECT_EQ(ReadBytes(File()), before);
}

TEST_F(Cli, DatabaseMaintenance) {
    CreateDatabase("blowfish");
    ASSERT_EQ(Run({"add", File(), "Allgemein/Eins", "--no-password"}, kLogin).status, 0);
    auto r = Run({"passwd", File()}, std::string(kLogin) + "neu\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Run({"ls", File()}, kLogin).status, 1);
    const std::string login = "alice\nneu\n";
    ASSERT_EQ(Run({"cipher", File(), "aes"}, login).status, 0);
    r = Run({"db-info", File(), "--json"}, login);
    EXPECT_NE(r.out.find("\"algorithm\":1"), std::string::npos);
    ASSERT_EQ(Run({"reorganize", File()}, login).status, 0);
    r = Run({"backup", File()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string backup = r.out.substr(0, r.out.size() - 1);
    EXPECT_EQ(ReadBytes(backup), ReadBytes(File()));
    EXPECT_EQ(Run({"delete", File()}, login).status, 2); // no terminal, no --yes
    EXPECT_TRUE(std::filesystem::exists(File()));
    EXPECT_EQ(Run({"delete", File(), "--yes"}, "alice\nfalsch\n").status, 1);
    ASSERT_EQ(Run({"delete", File(), "--yes"}, login).status, 0);
    EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST_F(Cli, Estimate) {
    auto r = Run({"estimate", "--json"}, "aaaa\n");
    EXPECT_EQ(r.out, "{\"score\":9,\"percent\":7}\n");
    r = Run({"estimate"}, "abcd\n");
    EXPECT_EQ(r.out, "Bewertung: 14 Bit (10 %)\n");
}

TEST_F(Cli, ThousandEntriesFromAScript) {
    CreateDatabase();
    for (int i = 0; i < 1000; ++i) {
        const auto r = Run({"add", File(), "Allgemein/Eintrag " + std::to_string(i), "--username",
                            "nutzer" + std::to_string(i), "--field", "Nummer=" + std::to_string(i)},
                           std::string(kLogin) + "pw" + std::to_string(i) + "\n");
        ASSERT_EQ(r.status, 0) << i << r.err;
    }
    auto r = Run({"ls", File(), "-R"}, kLogin);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1001);
    r = Run({"show", File(), "Allgemein/Eintrag 777", "--json", "--show-protected"}, kLogin);
    EXPECT_NE(r.out.find("\"username\":\"nutzer777\""), std::string::npos);
    EXPECT_NE(r.out.find("\"password\":\"pw777\""), std::string::npos);
    EXPECT_NE(r.out.find("\"Nummer\":\"777\""), std::string::npos);
    const std::string original = r.out;

    // Export everything, merge it into another database: the entry reads the same there.
    r = Run({"export", File(), File("export.twdb"), "--new-user", "bob"}, std::string(kLogin) + "anders\n");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(Run({"db-create", File("ziel.twdb"), "--folder", "Ziel"}, "Carol\nziel\n").status, 0);
    r = Run({"merge", File("ziel.twdb"), File("export.twdb"), "--other-user", "bob", "--duplicates", "skip"},
            "carol\nziel\nanders\n");
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run({"show", File("ziel.twdb"), "Allgemein/Eintrag 777", "--json", "--show-protected"}, "carol\nziel\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, original);
    r = Run({"ls", File("ziel.twdb"), "-R"}, "carol\nziel\n");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1002);
}

TEST_F(Cli, ImportExportAndMerge) {
    CreateDatabase();
    // A CSV export of another manager, mapped column by column.
    {
        std::ofstream csv(m_dir / "fremd.csv", std::ios::binary);
        csv << "Ordner;Titel;Name;Passwort;Adresse\n"
               "Bank;Giro;jürgen;\"geheim;1\";https://bank.example\n"
               "Post;Paket;;p2;\n";
    }
    auto r = Run({"import", File(), (m_dir / "fremd.csv").string(), "--format", "csv", "--header", "--columns",
                  "ordner,beschreibung,benutzername,passwort,url"},
                 kLogin);
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run({"show", File(), "Bank/Giro", "--field", "Passwort"}, kLogin);
    EXPECT_EQ(r.out, "geheim;1\n");
    r = Run({"show", File(), "Bank/Giro", "--field", "Benutzername"}, kLogin);
    EXPECT_EQ(r.out, "jürgen\n");

    // A broken or hostile file is refused before the database is touched.
    const auto before = ReadBytes(File());
    {
        std::ofstream xml(m_dir / "kaputt.xml", std::ios::binary);
        xml << "<?xml version=\"1.0\"?><KeePassFile><Root><Group><Name>x</Name><Entry>";
    }
    r = Run({"import", File(), (m_dir / "kaputt.xml").string(), "--format", "keepass2-xml"}, kLogin);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Es ist ein Fehler beim Importieren der Daten aufgetreten."), std::string::npos);
    {
        std::ofstream xml(m_dir / "xxe.xml", std::ios::binary);
        xml << "<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
               "<KeePassFile><Root><Group><Name>&x;</Name></Group></Root></KeePassFile>";
    }
    r = Run({"import", File(), (m_dir / "xxe.xml").string(), "--format", "keepass2-xml"}, kLogin);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Run({"import", File(), (m_dir / "fehlt.xml").string(), "--format", "keepass2-xml"}, kLogin).status, 1);
    EXPECT_EQ(Run({"import", File(), (m_dir / "fremd.csv").string()}, kLogin).status, 2);
    EXPECT_EQ(Run({"import", File(), (m_dir / "fremd.csv").string(), "--format", "csv", "--columns",
                   "beschreibung,beschreibung"},
                  kLogin)
                  .status,
              2);
    EXPECT_EQ(ReadBytes(File()), before);

    // Export of one folder; the open database itself is refused as the target.
    r = Run({"export", File(), File(), "--new-user", "x"}, std::string(kLogin) + "y\n");
    EXPECT_EQ(r.status, 1);
    r = Run({"export", File(), File("bank.twdb"), "Bank", "--new-user", "bob"}, std::string(kLogin) + "b\n");
    ASSERT_EQ(r.status, 0) << r.err;
    r = Run({"ls", File("bank.twdb"), "-R"}, "bob\nb\n");
    EXPECT_EQ(r.out, "Bank/\nBank/Giro\n");

    // Merging with each duplicate treatment.
    ASSERT_EQ(Run({"edit", File("bank.twdb"), "Bank/Giro", "--username", "neu"}, "bob\nb\n").status, 0);
    r = Run({"merge", File(), File("bank.twdb"), "--other-user", "bob", "--duplicates", "skip"},
            std::string(kLogin) + "b\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Run({"show", File(), "Bank/Giro", "--field", "Benutzername"}, kLogin).out, "jürgen\n");
    ASSERT_EQ(Run({"merge", File(), File("bank.twdb"), "--other-user", "bob", "--duplicates", "replace"},
                  std::string(kLogin) + "b\n")
                  .status,
              0);
    EXPECT_EQ(Run({"show", File(), "Bank/Giro", "--field", "Benutzername"}, kLogin).out, "neu\n");
    ASSERT_EQ(Run({"merge", File(), File("bank.twdb"), "--other-user", "bob", "--duplicates", "keep"},
                  std::string(kLogin) + "b\n")
                  .status,
              0);
    EXPECT_EQ(Run({"ls", File(), "Bank"}, kLogin).out, "Bank/Giro\nBank/Giro - Kopie\n");
    // Asking needs a terminal.
    EXPECT_EQ(Run({"merge", File(), File("bank.twdb"), "--other-user", "bob"}, std::string(kLogin) + "b\n").status, 2);
    EXPECT_EQ(Run({"merge", File(), File("bank.twdb"), "--other-user", "bob", "--duplicates", "skip"},
                  std::string(kLogin) + "falsch\n")
                  .status,
              1);
}

TEST_F(Cli, Generate) {
    auto r = Run({"generate", "--count", "5"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 5);
    r = Run({"generate", "--length", "20", "--digits", "--json", "--count", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.out.size(), std::string("[\"12345678901234567890\",\"12345678901234567890\"]\n").size());
    for (std::size_t i : {2u, 25u}) {
        for (std::size_t j = 0; j < 20; ++j) {
            EXPECT_TRUE(r.out[i + j] >= '0' && r.out[i + j] <= '9') << r.out;
        }
    }
    r = Run({"generate", "--hex", "8"});
    ASSERT_EQ(r.out.size(), 17u);
    EXPECT_EQ(r.out.find_first_not_of("0123456789ABCDEF"), 16u);
    r = Run({"generate", "--base64", "9"});
    EXPECT_EQ(r.out.size(), 13u);
    r = Run({"generate", "--policy", "Standard"});
    EXPECT_EQ(r.status, 0);
    r = Run({"generate", "--policy", "Fehlt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Die Richtlinie \"Fehlt\" existiert nicht."), std::string::npos);
    EXPECT_EQ(Run({"generate", "--hex", "8", "--base64", "8"}).status, 2);
    EXPECT_EQ(Run({"generate", "--count", "zwei"}).status, 2);
    // One check with the real limits, and a wrong length is a wrong call.
    for (const char* length : {"0", "1", "2", "1025"}) {
        r = Run({"generate", "--length", length, "--digits"});
        EXPECT_EQ(r.status, 2) << length;
        EXPECT_NE(r.err.find("--length erwartet eine Zahl von 3 bis 1024."), std::string::npos) << r.err;
    }
    EXPECT_EQ(Run({"generate", "--length", "3"}).status, 0);
}
