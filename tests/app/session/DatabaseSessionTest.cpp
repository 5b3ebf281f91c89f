// The window's open database: another program's changes survive every command, and a store
// that fails leaves memory and file alike.
#include <gtest/gtest.h>

#include <set>

#include "app/session/DatabaseSession.h"
#include "base/text/Utf.h"
#include "database/EmberkiteEngine.h"
#include "support/DatabaseFixture.h"
#include "support/FaultyFileSystem.h"
#include "support/Process.h"

using namespace Tarnwick;
using namespace TestSupport;
using PasswordADT::PasswordData;
using PasswordADT::PasswordItem;
using PasswordADT::PasswordItemRef;
using Session::DatabaseSession;
using Session::EntryRef;
using Session::Outcome;
namespace fs = std::filesystem;

namespace {

// The file's folders and entries, read without logging in (which would write the file).
PasswordData FileContent(const fs::path& path) {
    EmberkiteDatabase::EmberkiteEngine engine;
    engine.Connect(path, false);
    const std::u16string password = u"geheim";
    engine.SetCredentials({u"alice", password});
    PasswordData data;
    engine.Load(data);
    engine.Abandon();
    return data;
}

std::multiset<std::u16string> Descriptions(const PasswordData& data) {
    std::multiset<std::u16string> names;
    for (const auto& folder : data.Folders()) {
        for (const auto& item : folder->Entries()) {
            names.insert(item->GetDescription().ToStdString());
        }
    }
    return names;
}

PasswordItemRef Named(std::u16string_view description) {
    auto item = MakeEntry(7);
    item->SetDescription(description);
    return item;
}

class SessionTest : public DatabaseFixture {
protected:
    void SetUp() override {
        ::setenv("XDG_DATA_HOME", (m_dir.Path() / "daten").c_str(), 1);
        PasswordData vault = MakeVault(3, 6);
        ASSERT_TRUE(CreateDatabase(Path(), 1, vault, owner));
        ASSERT_TRUE(session.Open(Path(), owner));
        session.onReloaded = [this] { ++reloads; };
    }

    // twcli, as another program, adds an entry to the first folder.
    void OtherProgramAdds(const std::string& description) {
        const auto r = RunProcess(TW_CLI_PATH, {"add", Path().string(), "Ordner A/" + description, "--no-password"},
                                  "alice\ngeheim\n");
        ASSERT_EQ(r.status, 0) << r.err;
    }

    EntryRef Ref(std::size_t folder, std::size_t entry) const {
        const auto& f = session.Data().Folders()[folder];
        return {f->GetId(), f->Entries()[entry]};
    }

    LoginCredentials owner = Login(u"alice", u"geheim");
    DatabaseSession session{ui};
    int reloads = 0;
};

} // namespace

TEST_F(SessionTest, AnotherProgramsEntriesSurviveEveryCommand) {
    std::multiset<std::u16string> expected = Descriptions(session.Data());
    const auto check = [&](const char* step) {
        EXPECT_EQ(Descriptions(session.Data()), expected) << step;
        EXPECT_EQ(Descriptions(FileContent(Path())), expected) << step;
        EXPECT_TRUE(session.LastChange().reloaded) << step;
    };

    OtherProgramAdds("Erstes");
    expected.insert(u"Erstes");
    ASSERT_EQ(session.Add(session.Data().Folders()[1]->GetId(), Named(u"Neu")), Outcome::Stored);
    expected.insert(u"Neu");
    check("add");

    OtherProgramAdds("Zweites");
    expected.insert(u"Zweites");
    const EntryRef doomed = Ref(1, 0);
    ASSERT_EQ(session.Delete({doomed}), Outcome::Stored);
    expected.erase(expected.find(doomed.item->GetDescription().ToStdString()));
    check("delete");

    OtherProgramAdds("Drittes");
    expected.insert(u"Drittes");
    ASSERT_EQ(session.Move({Ref(2, 0)}, session.Data().Folders()[0]->GetId()), Outcome::Stored);
    check("move");

    OtherProgramAdds("Viertes");
    expected.insert(u"Viertes");
    ASSERT_EQ(session.RenameFolder(session.Data().Folders()[2]->GetId(), u"Umbenannt"), Outcome::Stored);
    check("rename");
    EXPECT_EQ(FileContent(Path()).Folders()[2]->GetName().View(), u"Umbenannt");

    OtherProgramAdds("Fuenftes");
    expected.insert(u"Fuenftes");
    auto edited = std::make_shared<PasswordItem>(*Ref(0, 0).item);
    const std::u16string old = edited->GetDescription().ToStdString();
    edited->SetDescription(u"Bearbeitet");
    ASSERT_EQ(session.Replace(Ref(0, 0), session.Data().Folders()[0]->GetId(), edited), Outcome::Stored);
    expected.erase(expected.find(old));
    expected.insert(u"Bearbeitet");
    check("replace");

    OtherProgramAdds("Sechstes");
    expected.insert(u"Sechstes");
    ASSERT_EQ(session.AddFolder(std::nullopt, u"Neuer Ordner"), Outcome::Stored);
    check("new folder");
    EXPECT_EQ(reloads, 6);

    // Without an outside change nothing is read again.
    ASSERT_EQ(session.Add(session.Data().Folders()[0]->GetId(), Named(u"Ruhig")), Outcome::Stored);
    EXPECT_FALSE(session.LastChange().reloaded);
    EXPECT_EQ(reloads, 6);
}

TEST_F(SessionTest, AnEntryAnotherProgramChangedIsNotWrittenOver) {
    const EntryRef target = Ref(0, 0);
    const std::string path = "Ordner A/" + Text::ToUtf8(target.item->GetDescription().View());
    auto r = RunProcess(TW_CLI_PATH, {"edit", Path().string(), path, "--url", "https://anders.example"}, "alice\ngeheim\n");
    ASSERT_EQ(r.status, 0) << r.err;
    auto edited = std::make_shared<PasswordItem>(*target.item);
    edited->SetComment(u"meine Änderung");
    EXPECT_EQ(session.Replace(target, target.folderId, edited), Outcome::Gone);
    // The other program's change stands, in memory and in the file.
    const auto shown = session.Data().Folders()[0]->Entries()[0];
    EXPECT_EQ(shown->GetUrl().View(), u"https://anders.example");
    EXPECT_EQ(FileContent(Path()).Folders()[0]->Entries()[0]->GetUrl().View(), u"https://anders.example");
    EXPECT_FALSE(session.ReplaceEntry(target.folderId, target.item, target.folderId, edited));
    ASSERT_FALSE(ui.errors.empty());
    EXPECT_NE(ui.errors.back().find(u"nicht mehr vorhanden"), std::u16string::npos);
}

TEST_F(SessionTest, AFailedStoreLeavesMemoryAndFileAlike) {
    struct Command {
        const char* name;
        std::function<Outcome()> run;
    };
    const std::vector<Command> commands = {
        {"add", [&] { return session.Add(session.Data().Folders()[0]->GetId(), Named(u"Neu")); }},
        {"replace",
         [&] {
             auto edited = std::make_shared<PasswordItem>(*Ref(1, 0).item);
             edited->SetUserName(u"jemand");
             return session.Replace(Ref(1, 0), session.Data().Folders()[2]->GetId(), edited);
         }},
        {"delete", [&] { return session.Delete({Ref(0, 0), Ref(2, 0)}); }},
        {"move", [&] { return session.Move({Ref(0, 0)}, session.Data().Folders()[1]->GetId()); }},
        {"new folder", [&] { return session.AddFolder(session.Data().Folders()[0]->GetId(), u"Unter"); }},
        {"rename", [&] { return session.RenameFolder(session.Data().Folders()[1]->GetId(), u"Anders"); }},
        {"delete folder", [&] { return session.DeleteFolder(session.Data().Folders()[0]->GetId()); }},
    };
    for (const Command& command : commands) {
        // Fail the first, second, ... write until the command goes through.
        for (long failAt = 1;; ++failAt) {
            ASSERT_LT(failAt, 200) << command.name;
            const auto before = Snapshot(session.Data());
            Outcome outcome;
            {
                FaultyFileSystem faults(failAt);
                outcome = command.run();
            }
            const auto file = Snapshot(FileContent(Path()));
            if (outcome == Outcome::Stored) {
                EXPECT_TRUE(Snapshot(session.Data()) == file) << command.name;
                EXPECT_FALSE(Snapshot(session.Data()) == before) << command.name;
                break;
            }
            ASSERT_EQ(outcome, Outcome::Failed) << command.name << " at " << failAt;
            EXPECT_TRUE(Snapshot(session.Data()) == before) << command.name << " at " << failAt;
            EXPECT_TRUE(file == before) << command.name << " at " << failAt;
        }
    }
    // Never read again: every failure left the file as the session knew it.
    EXPECT_EQ(reloads, 0);
}

TEST_F(SessionTest, WholeSecondFileTimesAreBackedByTheContent) {
    // A file system that keeps whole seconds only: size and times cannot tell two writes of
    // the same second apart, the content can.
    class WholeSeconds : public FaultyFileSystem {
    public:
        WholeSeconds() : FaultyFileSystem(0) {}
        int Status(const fs::path& path, Platform::FileStatus& status) override {
            const int error = FaultyFileSystem::Status(path, status);
            status.modifiedNanoseconds = 0;
            status.changedNanoseconds = 0;
            status.modifiedSeconds = 1700000000;
            status.changedSeconds = 1700000000;
            return error;
        }
    } coarse;
    session.AcceptCurrentFile();
    EXPECT_FALSE(session.ReloadIfChanged());
    // Another program rewrites one byte of a folder name block in place: same size, same "times".
    auto bytes = ReadBytes(Path());
    const auto other = FileContent(Path());
    {
        PasswordData renamed = other;
        renamed.Folders()[0]->Rename(u"Ordner Z");
        FakeDatabaseUI quiet;
        CDatabase writer(quiet, Path());
        ASSERT_TRUE(writer.SaveCategories(owner, renamed));
    }
    EXPECT_EQ(ReadBytes(Path()).size(), bytes.size());
    EXPECT_TRUE(session.ReloadIfChanged());
    EXPECT_EQ(session.Data().Folders()[0]->GetName().View(), u"Ordner Z");
    EXPECT_EQ(reloads, 1);
}

namespace {

// Appends a record naming a folder id without a folder, as a damaged file holds it.
void AppendUnfiled(const fs::path& path, std::uint32_t folderId, std::u16string_view description) {
    auto item = MakeEntry(500);
    item->SetDescription(description);
    EmberkiteDatabase::EmberkiteEngine engine;
    engine.Connect(path, false);
    const std::u16string password = u"geheim";
    engine.SetCredentials({u"alice", password});
    engine.AddPasswordItem(*item, folderId);
    engine.Close();
}

} // namespace

TEST_F(SessionTest, AnEntryWithoutItsFolderIsNoticedOnceWhileTheDatabaseIsOpen) {
    session.Close();
    AppendUnfiled(Path(), 42, u"Verwaist");
    std::vector<std::u16string> notices;
    session.onLoadNotice = [&](std::u16string_view text) { notices.emplace_back(text); };
    ASSERT_TRUE(session.Open(Path(), owner));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], u"Ein Eintrag gehört zu keinem vorhandenen Ordner und wird im Ordner \"Ordner A\" angezeigt.");
    EXPECT_EQ(session.Data().Folders()[0]->Entries().back()->GetDescription().View(), u"Verwaist");
    // Another program's change is read again: the entry is still there, the notice is not.
    OtherProgramAdds("Fremd");
    EXPECT_TRUE(session.ReloadIfChanged());
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(notices.size(), 1u);
    EXPECT_EQ(Descriptions(session.Data()).count(u"Verwaist"), 1u);
    EXPECT_TRUE(ui.warnings.empty());
    EXPECT_TRUE(ui.errors.empty());
    // A database opened anew tells again.
    session.Close();
    ASSERT_TRUE(session.Open(Path(), owner));
    EXPECT_EQ(notices.size(), 2u);
}

TEST_F(SessionTest, WithoutANoticeHandlerTheInterfaceWarns) {
    session.Close();
    AppendUnfiled(Path(), 42, u"Verwaist");
    AppendUnfiled(Path(), 43, u"Auch verwaist");
    ASSERT_TRUE(session.Open(Path(), owner));
    ASSERT_EQ(ui.warnings.size(), 1u);
    EXPECT_EQ(ui.warnings[0],
              u"2 Einträge gehören zu keinem vorhandenen Ordner und werden im Ordner \"Ordner A\" angezeigt.");
}
