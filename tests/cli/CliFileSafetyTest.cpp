// twcli on links, leftovers and broken folder structures, and secrets kept off the command line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "database/CDatabase.h"
#include "support/DatabaseFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

using TestSupport::ProcessResult;
using TestSupport::ReadBytes;
using TestSupport::RunProcess;
using TestSupport::TempDir;
namespace fs = std::filesystem;

namespace {

class CliFileSafety : public ::testing::Test {
protected:
    CliFileSafety() {
        ::setenv("XDG_DATA_HOME", (m_dir.Path() / "daten").c_str(), 1);
        fs::create_directory(m_dir.Path() / "echt");
        real = m_dir.Path() / "echt" / "k.twdb";
        link = m_dir.Path() / "verweis.twdb";
    }

    ProcessResult Run(const std::vector<std::string>& args, const std::string& input = {}) {
        return RunProcess(TW_CLI_PATH, args, input, m_dir.Path().string());
    }

    void CreateLinkedDatabase() {
        auto r = Run({"db-create", real.string()}, "Alice\ngeheim\n");
        ASSERT_EQ(r.status, 0) << r.err;
        for (const char* name : {"Allgemein/Bank", "Allgemein/Post"}) {
            r = Run({"add", real.string(), name, "--no-password"}, kLogin);
            ASSERT_EQ(r.status, 0) << r.err;
        }
        fs::create_symlink(real, link);
    }

    std::string Listing(const fs::path& file, const std::string& login = kLogin) {
        const auto r = Run({"ls", file.string(), "-R"}, login);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }

    std::vector<std::string> FolderNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(real.parent_path())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    static constexpr const char* kLogin = "alice\ngeheim\n";
    TempDir m_dir;
    fs::path real;
    fs::path link;
};

} // namespace

TEST_F(CliFileSafety, ReorganizeThroughALinkKeepsTheRealDatabase) {
    CreateLinkedDatabase();
    const std::string before = Listing(real);
    const auto r = Run({"reorganize", link.string()}, kLogin);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Listing(real), before);
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"k.twdb"});
}

TEST_F(CliFileSafety, EveryWritingVerbThroughALinkChangesTheTarget) {
    CreateLinkedDatabase();
    const std::vector<std::pair<std::vector<std::string>, std::string>> verbs = {
        {{"edit", link.string(), "Allgemein/Bank", "--url", "https://bank.example"}, kLogin},
        {{"mkdir", link.string(), "Neu"}, kLogin},
        {{"mv", link.string(), "Allgemein/Post", "Neu"}, kLogin},
        {{"rm", link.string(), "Neu/Post"}, kLogin},
        {{"rmdir", link.string(), "Neu"}, kLogin},
        {{"cipher", link.string(), "blowfish"}, kLogin},
        {{"passwd", link.string()}, std::string(kLogin) + "neu\n"},
    };
    for (const auto& [args, input] : verbs) {
        const auto r = Run(args, input);
        ASSERT_EQ(r.status, 0) << args[0] << ": " << r.err;
        EXPECT_TRUE(fs::is_symlink(link)) << args[0];
        EXPECT_EQ(FolderNames(), std::vector<std::string>{"k.twdb"}) << args[0];
    }
    // All of it reached the real file.
    EXPECT_EQ(Listing(real, "alice\nneu\n"), "Allgemein/\nAllgemein/Bank\n");
    const auto r = Run({"show", real.string(), "Allgemein/Bank", "--field", "Url"}, "alice\nneu\n");
    EXPECT_EQ(r.out, "https://bank.example\n");
}

TEST_F(CliFileSafety, AHardLinkIsToldAtOpen) {
    CreateLinkedDatabase();
    fs::create_hard_link(real, m_dir.Path() / "zweiter.twdb");
    const auto r = Run({"ls", real.string()}, kLogin);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("Warnung: "), std::string::npos);
    EXPECT_NE(r.err.find("harte Verknüpfungen"), std::string::npos);
}

TEST_F(CliFileSafety, AnAbandonedBackupIsReportedAndKept) {
    CreateLinkedDatabase();
    const fs::path backup = real.parent_path() / "~$1700000000k.twdb";
    fs::copy_file(real, backup);
    for (int i = 0; i < 2; ++i) {
        const auto r = Run({"ls", real.string()}, kLogin);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("Sicherungskopie der Datenbank gefunden"), std::string::npos);
        EXPECT_NE(r.err.find(backup.string()), std::string::npos);
        EXPECT_TRUE(fs::exists(backup));
    }
    // A working copy of an interrupted rewrite is erased without a question.
    TestSupport::WriteBytes(real.parent_path() / ".k.twdb.Ab12Cd", ReadBytes(real));
    EXPECT_EQ(Run({"ls", real.string()}, kLogin).status, 0);
    EXPECT_FALSE(fs::exists(real.parent_path() / ".k.twdb.Ab12Cd"));
}

TEST_F(CliFileSafety, EveryEntryBehindAFolderLoopIsListed) {
    Tarnwick::PasswordADT::PasswordData data;
    const auto a = data.AddFolder(u"A");
    const auto b = data.AddSubfolder(a->GetId(), u"B");
    a->SetParentId(b->GetId());
    a->Entries().push_back(TestSupport::MakeEntry(1));
    b->Entries().push_back(TestSupport::MakeEntry(2));
    TestSupport::FakeDatabaseUI ui;
    Tarnwick::CDatabase database(ui, real);
    ASSERT_TRUE(database.CreateWithContent(TestSupport::Login(u"alice", u"geheim"), 1, data));
    const auto r = Run({"ls", real.string(), "-R"}, kLogin);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "A/\nA/Eintrag 1\nB/\nB/Eintrag 2\n");
    EXPECT_NE(r.err.find("2 Ordner wurden deshalb auf die oberste Ebene verschoben."), std::string::npos);
}

TEST_F(CliFileSafety, SecretsNeverComeFromTheCommandLine) {
    auto r = Run({"estimate", "geheim123"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("nicht auf der Befehlszeile"), std::string::npos);
    EXPECT_EQ(r.out, "");
    r = Run({"estimate"}, "abcd\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Bewertung: 14 Bit (10 %)\n");

    CreateLinkedDatabase();
    r = Run({"add", real.string(), "Allgemein/Karte", "--field-stdin", "PIN", "--field-stdin", "PUK", "--field",
             "Farbe=blau"},
            std::string(kLogin) + "Kartenpasswort\n1234\n98765\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Run({"show", real.string(), "Allgemein/Karte", "--field", "PIN"}, kLogin).out, "1234\n");
    EXPECT_EQ(Run({"show", real.string(), "Allgemein/Karte", "--field", "PUK"}, kLogin).out, "98765\n");
    EXPECT_EQ(Run({"show", real.string(), "Allgemein/Karte", "--field", "Farbe"}, kLogin).out, "blau\n");
    r = Run({"edit", real.string(), "Allgemein/Karte", "--field-stdin", "PIN"}, std::string(kLogin) + "4321\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Run({"show", real.string(), "Allgemein/Karte", "--field", "PIN"}, kLogin).out, "4321\n");
    // A missing value changes nothing.
    r = Run({"edit", real.string(), "Allgemein/Karte", "--field-stdin", "PIN"}, kLogin);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Run({"show", real.string(), "Allgemein/Karte", "--field", "PIN"}, kLogin).out, "4321\n");
}
