// twcli on a database whose records name a folder that is not there: the entry is listed in
// the first folder and the user is told once, on stderr.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "database/EmberkiteEngine.h"
#include "support/DatabaseFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

using TestSupport::ProcessResult;
using TestSupport::RunProcess;
using TestSupport::TempDir;
namespace fs = std::filesystem;

namespace {

constexpr const char* kWarning =
    "Warnung: Ein Eintrag gehört zu keinem vorhandenen Ordner und wird im Ordner \"Allgemein\" angezeigt.\n";

std::size_t Occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class CliDatabaseRepair : public ::testing::Test {
protected:
    CliDatabaseRepair() { ::setenv("XDG_DATA_HOME", (m_dir.Path() / "daten").c_str(), 1); }

    ProcessResult Run(const std::vector<std::string>& args, const std::string& input = kLogin) {
        return RunProcess(TW_CLI_PATH, args, input, m_dir.Path().string());
    }

    // "Allgemein" with "Bank", "Zweiter" with "Post", and a record that names folder 42.
    void CreateDamagedDatabase() {
        auto r = Run({"db-create", file.string()}, "Alice\ngeheim\n");
        ASSERT_EQ(r.status, 0) << r.err;
        r = Run({"mkdir", file.string(), "Zweiter"});
        ASSERT_EQ(r.status, 0) << r.err;
        for (const char* name : {"Allgemein/Bank", "Zweiter/Post"}) {
            r = Run({"add", file.string(), name, "--no-password"});
            ASSERT_EQ(r.status, 0) << r.err;
        }
        auto item = TestSupport::MakeEntry(5);
        item->SetDescription(u"Verwaist");
        EmberkiteDatabase::EmberkiteEngine engine;
        engine.Connect(file, false);
        const std::u16string password = u"geheim";
        engine.SetCredentials({u"alice", password});
        engine.AddPasswordItem(*item, 42);
        engine.Close();
    }

    static constexpr const char* kLogin = "alice\ngeheim\n";
    TempDir m_dir;
    fs::path file = m_dir.Path() / "k.twdb";
};

} // namespace

TEST_F(CliDatabaseRepair, AnEntryWithoutItsFolderIsListedInTheFirstAndToldOnce) {
    CreateDamagedDatabase();
    const auto r = Run({"ls", file.string(), "-R"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Allgemein/\nAllgemein/Bank\nAllgemein/Verwaist\nZweiter/\nZweiter/Post\n");
    EXPECT_EQ(Occurrences(r.err, "Warnung: "), 1u) << r.err;
    EXPECT_NE(r.err.find(kWarning), std::string::npos) << r.err;
    // Reading changes nothing: the next run tells again.
    const auto again = Run({"ls", file.string(), "-R"});
    EXPECT_EQ(again.out, r.out);
    EXPECT_EQ(Occurrences(again.err, kWarning), 1u) << again.err;
}

TEST_F(CliDatabaseRepair, AChangeFilesTheEntryInTheFirstFolderForGood) {
    CreateDamagedDatabase();
    auto r = Run({"edit", file.string(), "Zweiter/Post", "--url", "https://post.example"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Occurrences(r.err, kWarning), 1u) << r.err;
    r = Run({"ls", file.string(), "-R"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Allgemein/\nAllgemein/Bank\nAllgemein/Verwaist\nZweiter/\nZweiter/Post\n");
    EXPECT_EQ(r.err.find("Warnung: "), std::string::npos) << r.err;
    r = Run({"show", file.string(), "Allgemein/Verwaist", "--field", "Url"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "https://login.example.org/5\n");
}
