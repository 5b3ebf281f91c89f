// twcli addressing every entry by a path it printed, showing every field, and setting the
// generator, history and expiry of an entry; all through the built program.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/Process.h"
#include "support/TempDir.h"

using TestSupport::ProcessResult;
using TestSupport::RunProcess;
using TestSupport::TempDir;

namespace {

class CliEntries : public ::testing::Test {
protected:
    CliEntries() {
        ::setenv("XDG_DATA_HOME", (m_dir.Path() / "daten").c_str(), 1);
        const auto r = Run({"db-create", File()}, "Alice\ngeheim\n");
        EXPECT_EQ(r.status, 0) << r.err;
    }

    ProcessResult Run(std::vector<std::string> args, const std::string& input = kLogin) {
        return RunProcess(TW_CLI_PATH, args, input, m_dir.Path().string());
    }
    // A verb on the database, with the log-in and further input lines.
    ProcessResult On(const std::string& verb, std::vector<std::string> args, const std::string& more = {}) {
        args.insert(args.begin(), File());
        args.insert(args.begin(), verb);
        return Run(args, std::string(kLogin) + more);
    }
    std::string File() const { return (m_dir.Path() / "k.twdb").string(); }

    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    static constexpr const char* kLogin = "alice\ngeheim\n";
    TempDir m_dir;
};

} // namespace

// Names with slashes, backslashes, "#<digits>" and line breaks: ls prints a path for each that
// every verb takes back.
TEST_F(CliEntries, EveryPrintedPathAddressesItsEntry) {
    ASSERT_EQ(On("mkdir", {"Web\\/Mail"}).status, 0);
    ASSERT_EQ(On("mkdir", {"Web\\/Mail/C:\\\\Daten"}).status, 0);
    const std::vector<std::string> added = {"Allgemein/https:\\/\\/bank.example\\/login", "Allgemein/Konto\\#2",
                                            "Allgemein/Konto\\#2",  "Allgemein/Zeile 1\\nZeile 2",
                                            "Web\\/Mail/C:\\\\Daten/a\\\\b", "Allgemein/C# Notizen"};
    for (std::size_t i = 0; i < added.size(); ++i) {
        const auto r = On("add", {added[i], "--username", "nutzer" + std::to_string(i)}, "pw" + std::to_string(i) + "\n");
        ASSERT_EQ(r.status, 0) << added[i] << r.err;
    }
    auto r = On("ls", {"-R"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Allgemein/\n"
                     "Allgemein/https:\\/\\/bank.example\\/login\n"
                     "Allgemein/Konto\\#2#1\n"
                     "Allgemein/Konto\\#2#2\n"
                     "Allgemein/Zeile 1\\nZeile 2\n"
                     "Allgemein/C# Notizen\n"
                     "Web\\/Mail/\n"
                     "Web\\/Mail/C:\\\\Daten/\n"
                     "Web\\/Mail/C:\\\\Daten/a\\\\b\n");
    // Each printed entry path shows its own entry.
    std::vector<std::string> seen;
    for (const auto& line : Lines(r.out)) {
        if (line.back() == '/') {
            continue;
        }
        const auto shown = On("show", {line, "--field", "Benutzername"});
        ASSERT_EQ(shown.status, 0) << line << shown.err;
        seen.push_back(shown.out);
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"nutzer0\n", "nutzer1\n", "nutzer2\n", "nutzer3\n", "nutzer4\n",
                                              "nutzer5\n"}));
    // The description itself keeps its characters.
    r = On("show", {"Allgemein/Zeile 1\\nZeile 2", "--field", "Beschreibung"});
    EXPECT_EQ(r.out, "Zeile 1\nZeile 2\n");
    r = On("show", {"Web\\/Mail/C:\\\\Daten/a\\\\b", "--json"});
    EXPECT_NE(r.out.find("\"description\":\"a\\\\b\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"folder\":\"Web\\\\/Mail/C:\\\\\\\\Daten\""), std::string::npos) << r.out;
    // An unescaped "#2" is still "the second entry"; without a number the name is ambiguous.
    EXPECT_EQ(On("show", {"Allgemein/Konto#2", "--field", "Benutzername"}).status, 1);
    EXPECT_EQ(On("show", {"Allgemein/Konto\\#2", "--field", "Benutzername"}).status, 1);

    // Edit, move and remove take the same paths.
    ASSERT_EQ(On("edit", {"Allgemein/https:\\/\\/bank.example\\/login", "--comment", "neu"}).status, 0);
    ASSERT_EQ(On("mv", {"Allgemein/Konto\\#2#2", "Web\\/Mail"}).status, 0);
    ASSERT_EQ(On("rm", {"Allgemein/Zeile 1\\nZeile 2"}).status, 0);
    r = On("ls", {"-R"});
    EXPECT_EQ(r.out, "Allgemein/\n"
                     "Allgemein/https:\\/\\/bank.example\\/login\n"
                     "Allgemein/Konto\\#2\n"
                     "Allgemein/C# Notizen\n"
                     "Web\\/Mail/\n"
                     "Web\\/Mail/C:\\\\Daten/\n"
                     "Web\\/Mail/C:\\\\Daten/a\\\\b\n"
                     "Web\\/Mail/Konto\\#2\n");
    EXPECT_EQ(On("show", {"Web\\/Mail/Konto\\#2", "--field", "Benutzername"}).out, "nutzer2\n");
    r = On("search", {"neu", "--fields", "Kommentar"});
    EXPECT_EQ(r.out, "Allgemein/https:\\/\\/bank.example\\/login\n");
    // The folder with a slash is one folder, not two.
    EXPECT_EQ(On("ls", {"Web"}).status, 1);
    ASSERT_EQ(On("rmdir", {"Web\\/Mail", "--recursive"}).status, 0);
    EXPECT_EQ(On("ls", {}).out, "Allgemein/\n");
}

TEST_F(CliEntries, TreeListing) {
    ASSERT_EQ(On("mkdir", {"Allgemein/Konten"}).status, 0);
    ASSERT_EQ(On("mkdir", {"Privat"}).status, 0);
    ASSERT_EQ(On("add", {"Allgemein/Konten/Bank", "--no-password"}).status, 0);
    ASSERT_EQ(On("add", {"Allgemein/Post", "--no-password"}).status, 0);
    ASSERT_EQ(On("add", {"Privat/a\\/b", "--no-password"}).status, 0);
    auto r = On("ls", {"--tree"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Allgemein/\n  Konten/\n    Bank\n  Post\nPrivat/\n  a\\/b\n");
    r = On("ls", {"Allgemein", "--tree"});
    EXPECT_EQ(r.out, "Konten/\n  Bank\nPost\n");
    EXPECT_EQ(On("ls", {"--tree", "--json"}).status, 2);
    EXPECT_EQ(On("ls", {"--show-protected"}).status, 2);
}

// show --json carries every field with English keys; earlier passwords only when asked for.
TEST_F(CliEntries, JsonCarriesEveryField) {
    ASSERT_EQ(On("add",
                 {"Allgemein/Bank", "--username", "jürgen", "--url", "https://bank.example", "--email", "j@example.org",
                  "--comment", "Zeile 1\nZeile \"2\"", "--target-window", "Bank*", "--sequence", "{USERNAME}{TAB}",
                  "--field", "PIN=1234", "--keep-history", "--history-size", "10", "--expires-in", "30"},
                 "erstes\n")
                  .status,
              0);
    ASSERT_EQ(On("edit", {"Allgemein/Bank", "--password"}, "zweites\n").status, 0);
    ASSERT_EQ(On("edit", {"Allgemein/Bank", "--password"}, "drittes\n").status, 0);
    auto r = On("show", {"Allgemein/Bank", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string& json = r.out;
    for (const char* key :
         {"\"type\":\"entry\"", "\"path\":\"Allgemein/Bank\"", "\"folder\":\"Allgemein\"", "\"description\":\"Bank\"",
          "\"username\":\"jürgen\"", "\"url\":\"https://bank.example\"", "\"email\":\"j@example.org\"",
          "\"comment\":\"Zeile 1\\nZeile \\\"2\\\"\"", "\"targetWindow\":\"Bank*\"", "\"sequence\":\"{USERNAME}{TAB}\"",
          "\"symbol\":\"\"", "\"pasteMethod\":0", "\"validity\":{\"mode\":\"days\",\"days\":30,\"expires\":",
          "\"state\":\"valid\"", "\"history\":{\"keep\":true,\"forbidRepetition\":false,\"distinctPasswords\":3,"
                                 "\"size\":10,\"count\":2,\"entries\":[{\"replaced\":",
          "\"fields\":{\"PIN\":\"1234\"}}"}) {
        EXPECT_NE(json.find(key), std::string::npos) << key << "\n" << json;
    }
    // Seconds and ISO 8601 side by side, for each time.
    for (const char* time : {"created", "modified", "passwordChanged", "expires", "replaced"}) {
        const std::regex pair(std::string("\"") + time + "\":([0-9]+),\"" + time +
                              "Iso\":\"[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z\"");
        EXPECT_TRUE(std::regex_search(json, pair)) << time << "\n" << json;
    }
    for (const char* secret : {"erstes", "zweites", "drittes", "\"password\""}) {
        EXPECT_EQ(json.find(secret), std::string::npos) << secret;
    }
    r = On("show", {"Allgemein/Bank", "--json", "--show-protected"});
    EXPECT_NE(r.out.find("\"password\":\"drittes\""), std::string::npos);
    EXPECT_NE(r.out.find("\"password\":\"erstes\"}"), std::string::npos);
    EXPECT_NE(r.out.find("\"password\":\"zweites\"}]"), std::string::npos);
    // ls -R --json lists the same objects.
    r = On("ls", {"-R", "--json"});
    EXPECT_NE(r.out.find(json.substr(0, json.size() - 1)), std::string::npos) << r.out;
    // The keys are documented where a script writer looks.
    r = Run({"show", "--help"});
    for (const char* key : {"description", "username", "password", "targetWindow", "pasteMethod", "validity",
                            "history", "fields", "createdIso", "forbidRepetition"}) {
        EXPECT_NE(r.out.find(key), std::string::npos) << key;
    }
}

TEST_F(CliEntries, GeneratedPasswords) {
    auto r = On("add", {"Allgemein/Neu", "--generate", "--length", "24", "--digits"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty()); // nothing secret on the terminal
    r = On("show", {"Allgemein/Neu", "--field", "Passwort"});
    ASSERT_EQ(r.out.size(), 25u);
    EXPECT_EQ(r.out.find_first_not_of("0123456789"), 24u);
    ASSERT_EQ(On("add", {"Allgemein/Richtlinie", "--generate", "--policy", "Standard"}).status, 0);
    EXPECT_GT(On("show", {"Allgemein/Richtlinie", "--field", "Passwort"}).out.size(), 1u);

    // edit --generate replaces the password through the history rules.
    ASSERT_EQ(On("edit", {"Allgemein/Neu", "--keep-history"}).status, 0);
    const std::string before = On("show", {"Allgemein/Neu", "--field", "Passwort"}).out;
    ASSERT_EQ(On("edit", {"Allgemein/Neu", "--generate", "--hex", "16"}).status, 0);
    const std::string after = On("show", {"Allgemein/Neu", "--field", "Passwort"}).out;
    EXPECT_EQ(after.size(), 33u); // 16 bytes as hex
    EXPECT_NE(after, before);
    r = On("show", {"Allgemein/Neu", "--json", "--show-protected"});
    EXPECT_NE(r.out.find("\"count\":1"), std::string::npos);
    EXPECT_NE(r.out.find("\"password\":\"" + before.substr(0, before.size() - 1) + "\"}"), std::string::npos);

    // Wrong combinations are wrong calls and change nothing.
    EXPECT_EQ(On("add", {"Allgemein/X", "--generate", "--no-password"}).status, 2);
    EXPECT_EQ(On("add", {"Allgemein/X", "--length", "12"}).status, 2);
    EXPECT_EQ(On("edit", {"Allgemein/Neu", "--generate", "--password"}).status, 2);
    EXPECT_EQ(On("add", {"Allgemein/X", "--generate", "--length", "2"}).status, 2);
    r = On("add", {"Allgemein/X", "--generate", "--policy", "Fehlt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Die Richtlinie \"Fehlt\" existiert nicht."), std::string::npos);
    EXPECT_EQ(On("ls", {"-R"}).out, "Allgemein/\nAllgemein/Neu\nAllgemein/Richtlinie\n");
}

TEST_F(CliEntries, HistoryExpiryAndFields) {
    ASSERT_EQ(On("add", {"Allgemein/Bank", "--no-password", "--expires", "2031-05-17", "--field", "PIN=1", "--field",
                         "TAN=2"})
                  .status,
              0);
    auto r = On("show", {"Allgemein/Bank", "--json"});
    EXPECT_NE(r.out.find("\"validity\":{\"mode\":\"date\",\"expires\":"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"history\":{\"keep\":false"), std::string::npos);
    EXPECT_NE(On("show", {"Allgemein/Bank"}).out.find("Gültig bis:    2031-05-1"), std::string::npos);
    ASSERT_EQ(On("edit", {"Allgemein/Bank", "--keep-history", "--history-size", "3", "--expires-in", "7",
                          "--remove-field", "PIN"})
                  .status,
              0);
    r = On("show", {"Allgemein/Bank", "--json"});
    EXPECT_NE(r.out.find("\"mode\":\"days\",\"days\":7"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"keep\":true"), std::string::npos);
    EXPECT_NE(r.out.find("\"size\":3"), std::string::npos);
    EXPECT_NE(r.out.find("\"fields\":{\"TAN\":\"2\"}"), std::string::npos);
    ASSERT_EQ(On("edit", {"Allgemein/Bank", "--no-history", "--expires", "never"}).status, 0);
    r = On("show", {"Allgemein/Bank", "--json"});
    EXPECT_NE(r.out.find("\"mode\":\"unlimited\",\"expires\":null"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"keep\":false"), std::string::npos);

    // Refused before anything is written.
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"--keep-history", "--no-history"}, {"--history-size", "0"},
          {"--history-size", "101"}, {"--expires", "2031-02-30"}, {"--expires", "morgen"},
          {"--expires-in", "0"}, {"--expires-in", "367"}, {"--expires", "2031-01-01", "--expires-in", "3"}}) {
        std::vector<std::string> args{"Allgemein/Bank"};
        args.insert(args.end(), wrong.begin(), wrong.end());
        EXPECT_EQ(On("edit", args).status, 2) << wrong[0];
    }
    r = On("edit", {"Allgemein/Bank", "--remove-field", "Fehlt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Das Datenfeld \"Fehlt\" existiert nicht."), std::string::npos);
}
