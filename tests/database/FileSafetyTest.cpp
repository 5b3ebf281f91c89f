// Links, leftovers of interrupted requests, folder loops and write failures: the cases in which
// a database file could be lost, split or left readable under an old password.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "base/text/Utf.h"
#include "database/CDatabase.h"
#include "database/EmberkiteEngine.h"
#include "database/FileBackup.h"
#include "base/exceptions/DBException.h"
#include "support/DatabaseFixture.h"
#include "support/FaultyFileSystem.h"

using namespace Tarnwick;
using namespace TestSupport;
using EmberkiteDatabase::DBError;
using PasswordADT::PasswordData;
namespace fs = std::filesystem;

namespace {

constexpr std::u16string_view kOldContentKept =
    u"Der alte Inhalt der Datenbank wurde nicht überschrieben, da er unter einem weiteren Namen (harte Verknüpfung) "
    u"gespeichert ist.";

// Names in the folder other than the given ones.
std::vector<std::string> OtherNames(const fs::path& folder, std::vector<std::string> known) {
    std::vector<std::string> others;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            others.push_back(name);
        }
    }
    return others;
}

bool AllZero(const std::vector<std::uint8_t>& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// A file system that ends the process at the rename that would finish a rewrite, as a kill at
// the worst moment would.
class DyingFileSystem : public FaultyFileSystem {
public:
    DyingFileSystem() : FaultyFileSystem(0) {}
    int Rename(const fs::path&, const fs::path&) override { ::_exit(0); }
};

} // namespace

class FileSafety : public DatabaseFixture {
protected:
    void SetUp() override {
        fs::create_directory(m_dir / "echt");
        real = m_dir / "echt" / "Konten.twdb";
        link = m_dir / "verweis.twdb";
        ASSERT_TRUE(CreateDatabase(real, 1, MakeVault(3, 12), alice));
        fs::create_symlink(real, link);
    }

    // Logs in through path and loads; the data.
    PasswordData Open(CDatabase& database) {
        PasswordData data;
        EXPECT_EQ(database.Login(alice), RequestResult::Succeeded);
        EXPECT_TRUE(database.Load(alice, data));
        return data;
    }

    fs::path real;
    fs::path link;
};

TEST_F(FileSafety, ReorganiseThroughALinkRewritesTheRealFile) {
    CDatabase database(ui, link);
    const PasswordData data = Open(database);
    EXPECT_EQ(database.Reorganise(alice, data), RequestResult::Succeeded);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), real);
    EXPECT_FALSE(AllZero(ReadBytes(real)));
    bool ok = false;
    EXPECT_EQ(Snapshot(LoadDatabase(real, alice, &ok)), Snapshot(data));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(OtherNames(real.parent_path(), {"Konten.twdb"}).empty());
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(FileSafety, EveryWritingRequestThroughALinkChangesTheTargetAndKeepsTheLink) {
    const std::vector<std::pair<const char*, std::function<bool(CDatabase&, PasswordData&)>>> requests = {
        {"save all", [&](CDatabase& db, PasswordData& d) {
             d.Folders()[0]->Entries().push_back(MakeEntry(100));
             return db.SaveAll(alice, d);
         }},
        {"save entries", [&](CDatabase& db, PasswordData& d) {
             d.Folders()[1]->Entries().pop_back();
             return db.SaveEntries(alice, d);
         }},
        {"save folders", [&](CDatabase& db, PasswordData& d) {
             d.AddFolder(u"Neu");
             return db.SaveCategories(alice, d);
         }},
        {"add entry", [&](CDatabase& db, PasswordData& d) {
             auto item = MakeEntry(200);
             d.Folders()[0]->Entries().push_back(item);
             return db.AddEntry(alice, *item, d.Folders()[0]->GetId());
         }},
        {"cipher", [&](CDatabase& db, PasswordData& d) {
             return db.ChangeAlgorithm(alice, 0, d) == RequestResult::Succeeded;
         }},
        {"reorganise", [&](CDatabase& db, PasswordData& d) {
             return db.Reorganise(alice, d) == RequestResult::Succeeded;
         }},
    };
    for (const auto& [name, request] : requests) {
        CDatabase database(ui, link);
        PasswordData data = Open(database);
        ASSERT_TRUE(request(database, data)) << name;
        EXPECT_TRUE(fs::is_symlink(link)) << name;
        bool ok = false;
        EXPECT_EQ(Snapshot(LoadDatabase(real, alice, &ok)), Snapshot(data)) << name;
        EXPECT_TRUE(ok) << name;
        EXPECT_TRUE(OtherNames(real.parent_path(), {"Konten.twdb"}).empty()) << name;
    }
    // The password change last: it changes what the link opens with.
    CDatabase database(ui, link);
    const PasswordData data = Open(database);
    const LoginCredentials bob = Login(u"Bob", u"neu");
    ASSERT_EQ(database.ChangePassword(alice, bob, data), RequestResult::Succeeded);
    EXPECT_TRUE(fs::is_symlink(link));
    bool ok = false;
    EXPECT_EQ(Snapshot(LoadDatabase(real, bob, &ok)), Snapshot(data));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(FileSafety, AHardLinkIsToldOnceAndItsContentIsNeverErased) {
    const fs::path second = m_dir / "zweiter-name.twdb";
    fs::create_hard_link(real, second);
    const auto before = ReadBytes(second);
    CDatabase database(ui, real);
    const PasswordData data = Open(database);
    ASSERT_EQ(ui.warnings.size(), 1u);
    EXPECT_NE(ui.warnings[0].find(u"harte Verknüpfungen"), std::u16string::npos);
    EXPECT_EQ(database.Login(alice), RequestResult::Succeeded);
    EXPECT_EQ(ui.warnings.size(), 1u); // once per database

    EXPECT_EQ(database.Reorganise(alice, data), RequestResult::Succeeded);
    ASSERT_EQ(ui.warnings.size(), 2u);
    EXPECT_EQ(ui.warnings[1], kOldContentKept);
    // The other name keeps the old content, whole and readable, never zeros.
    const auto after = ReadBytes(second);
    EXPECT_EQ(after.size(), before.size());
    bool ok = false;
    EXPECT_EQ(Snapshot(LoadDatabase(second, alice, &ok)), Snapshot(data));
    EXPECT_TRUE(ok);
    EXPECT_EQ(Snapshot(LoadDatabase(real, alice, &ok)), Snapshot(data));
    EXPECT_TRUE(ok);
}

TEST_F(FileSafety, DeletingANameWithAnotherNameLeavesTheOtherReadable) {
    const fs::path second = m_dir / "zweiter-name.twdb";
    fs::create_hard_link(real, second);
    CDatabase database(ui, real);
    EXPECT_EQ(database.Delete(alice), RequestResult::Succeeded);
    EXPECT_FALSE(fs::exists(real));
    bool ok = false;
    EXPECT_EQ(LoadDatabase(second, alice, &ok).EntryCount(), 12u);
    EXPECT_TRUE(ok);
    EXPECT_NE(std::find(ui.warnings.begin(), ui.warnings.end(), kOldContentKept), ui.warnings.end());
}

TEST_F(FileSafety, DeletingThroughALinkErasesTheRealFile) {
    const auto size = fs::file_size(real);
    int fd = ::open(real.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    CDatabase database(ui, link);
    EXPECT_EQ(database.Delete(alice), RequestResult::Succeeded);
    EXPECT_FALSE(fs::exists(real));
    // The removed file was overwritten before it went.
    std::vector<std::uint8_t> bytes(size);
    EXPECT_EQ(::pread(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(size));
    ::close(fd);
    EXPECT_TRUE(AllZero(bytes));
}

TEST_F(FileSafety, AWorkingCopyOfAKilledPasswordChangeIsErasedAtTheNextOpen) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        DyingFileSystem dying;
        CDatabase database(ui, real);
        PasswordData data;
        database.Login(alice);
        database.Load(alice, data);
        database.ChangePassword(alice, Login(u"Alice", u"neues Passwort"), data);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0); // ended at the rename
    const auto left = OtherNames(real.parent_path(), {"Konten.twdb"});
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].rfind(".Konten.twdb.", 0), 0u);
    const fs::path copy = real.parent_path() / left[0];
    // The copy is a complete database under the new password.
    bool ok = false;
    FakeDatabaseUI quiet;
    {
        CDatabase peek(quiet, copy);
        EXPECT_EQ(peek.Login(Login(u"Alice", u"neues Passwort")), RequestResult::Succeeded);
    }
    int fd = ::open(copy.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    const auto size = fs::file_size(copy);

    const PasswordData data = LoadDatabase(real, alice, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(data.EntryCount(), 12u);
    EXPECT_TRUE(OtherNames(real.parent_path(), {"Konten.twdb"}).empty());
    std::vector<std::uint8_t> bytes(size);
    EXPECT_EQ(::pread(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(size));
    ::close(fd);
    EXPECT_TRUE(AllZero(bytes));
}

TEST_F(FileSafety, OnlyAbandonedCopiesOfThisDatabaseAreErased) {
    const fs::path folder = real.parent_path();
    const auto original = ReadBytes(real);
    // Held by a running request: locked.
    WriteBytes(folder / ".Konten.twdb.aB3xY9", original);
    const int held = ::open((folder / ".Konten.twdb.aB3xY9").c_str(), O_RDWR);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    // Not our naming, or of another database.
    WriteBytes(folder / ".Konten.twdb.zu-lang1", original);
    WriteBytes(folder / ".Andere.twdb.aB3xY9", original);
    // A link in a copy's name must not lead the erase to another file.
    WriteBytes(m_dir / "fremd.txt", {1, 2, 3});
    fs::create_symlink(m_dir / "fremd.txt", folder / ".Konten.twdb.Qq1234");
    // Abandoned.
    WriteBytes(folder / ".Konten.twdb.Zz9876", original);

    bool ok = false;
    LoadDatabase(real, alice, &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(fs::exists(folder / ".Konten.twdb.aB3xY9"));
    EXPECT_TRUE(fs::exists(folder / ".Konten.twdb.zu-lang1"));
    EXPECT_TRUE(fs::exists(folder / ".Andere.twdb.aB3xY9"));
    EXPECT_TRUE(fs::is_symlink(folder / ".Konten.twdb.Qq1234"));
    EXPECT_EQ(ReadBytes(m_dir / "fremd.txt"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(fs::exists(folder / ".Konten.twdb.Zz9876"));
    ::close(held);
}

class AbandonedBackup : public FileSafety {
protected:
    void SetUp() override {
        FileSafety::SetUp();
        // The backup holds an older state: fewer entries.
        backup = real.parent_path() / "~$1700000000Konten.twdb";
        fs::copy_file(real, backup);
        PasswordData newer = LoadDatabase(real, alice);
        newer.Folders()[0]->Entries().push_back(MakeEntry(77));
        CDatabase database(ui, real);
        ASSERT_TRUE(database.SaveAll(alice, newer));
        ui.questions.clear();
    }
    fs::path backup;
};

TEST_F(AbandonedBackup, IsOfferedAndKeptUntilTheUserDecides) {
    bool ok = false;
    EXPECT_EQ(LoadDatabase(real, alice, &ok).EntryCount(), 13u);
    EXPECT_TRUE(ok);
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0], u"Sicherungskopie der Datenbank gefunden");
    EXPECT_NE(ui.questionTexts[0].find(backup.u16string()), std::u16string::npos);
    EXPECT_TRUE(fs::exists(backup));
    // Asked again at the next open.
    LoadDatabase(real, alice, &ok);
    EXPECT_EQ(ui.questions.size(), 2u);
}

TEST_F(AbandonedBackup, CanBeErased) {
    ui.answers = {1};
    bool ok = false;
    EXPECT_EQ(LoadDatabase(real, alice, &ok).EntryCount(), 13u);
    EXPECT_TRUE(ok);
    EXPECT_FALSE(fs::exists(backup));
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(AbandonedBackup, CanBeRestored) {
    ui.answers = {0};
    bool ok = false;
    EXPECT_EQ(LoadDatabase(link, alice, &ok).EntryCount(), 12u);
    EXPECT_TRUE(ok);
    EXPECT_FALSE(fs::exists(backup));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(AbandonedBackup, ARestoredBackupUnderOtherCredentialsAsksForThem) {
    CDatabase database(ui, real);
    PasswordData data = LoadDatabase(real, alice);
    ASSERT_EQ(database.ChangePassword(alice, Login(u"Alice", u"neu"), data), RequestResult::Succeeded);
    ui.answers = {0};
    ui.questions.clear();
    CDatabase again(ui, real);
    EXPECT_EQ(again.Login(Login(u"Alice", u"neu")), RequestResult::AuthenticationFailed);
    EXPECT_EQ(ui.questions.size(), 1u);
    ASSERT_FALSE(ui.errors.empty());
    EXPECT_NE(ui.errors.back().find(u"wiederhergestellt"), std::u16string::npos);
    // The backup's own credentials open it.
    EXPECT_EQ(again.Login(alice), RequestResult::Succeeded);
}

TEST_F(AbandonedBackup, OneHeldByARunningImportIsLeftAlone) {
    fs::remove(backup);
    WindowsServiceProvider::FileBackupEx running;
    running.Backup(link);
    EXPECT_EQ(running.GetBackupPath().parent_path(), real.parent_path());
    bool ok = false;
    LoadDatabase(real, alice, &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_TRUE(fs::exists(running.GetBackupPath()));
    running.DeleteBackup();
}

TEST_F(FileSafety, AFolderLoopHidesNoEntry) {
    PasswordData looped;
    looped.AddFolder(u"Oben");
    const auto a = looped.AddFolder(u"A");
    const auto b = looped.AddSubfolder(a->GetId(), u"B");
    const auto c = looped.AddSubfolder(b->GetId(), u"C");
    const auto below = looped.AddSubfolder(c->GetId(), u"Darunter");
    a->SetParentId(c->GetId()); // A -> C -> B -> A
    const auto self = looped.AddFolder(u"Selbst");
    self->SetParentId(self->GetId());
    for (int i = 0; i < 6; ++i) {
        looped.Folders()[static_cast<std::size_t>(i)]->Entries().push_back(MakeEntry(i));
    }
    const fs::path path = Path("Schleife.twdb");
    ASSERT_TRUE(CreateDatabase(path, 1, looped, alice));
    bool ok = false;
    const PasswordData loaded = LoadDatabase(path, alice, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(loaded.EntryCount(), 6u);
    ASSERT_EQ(ui.warnings.size(), 1u);
    EXPECT_NE(ui.warnings[0].find(u"4 Ordner"), std::u16string::npos);
    for (std::size_t i : {1u, 2u, 3u, 5u}) {
        EXPECT_TRUE(loaded.Folders()[i]->IsTopLevel()) << i;
    }
    EXPECT_EQ(loaded.Folders()[4]->GetParentId(), below->GetParentId());
}

TEST_F(FileSafety, AFailedWriteIsNotCalledALoadErrorAndNamesItsCause) {
    PasswordData data = LoadDatabase(real, alice);
    data.Folders()[0]->Entries().push_back(MakeEntry(300));
    const auto before = ReadBytes(real);
    {
        FaultyFileSystem full(1);
        CDatabase database(ui, real);
        EXPECT_FALSE(database.SaveAll(alice, data));
        EXPECT_FALSE(database.AddEntry(alice, *data.Folders()[0]->Entries().back(), 0));
    }
    ASSERT_EQ(ui.errors.size(), 2u);
    for (const auto& error : ui.errors) {
        EXPECT_EQ(error, u"Fehler beim Speichern der Passwortinformationen in der Datenbank.");
    }
    EXPECT_EQ(ReadBytes(real), before);
    // The engine's failure carries the call, the file and the system's reason for the log.
    FaultyFileSystem full(1);
    EmberkiteDatabase::EmberkiteEngine engine;
    engine.Connect(real, false);
    const std::u16string password = u"Sesam öffne dich!";
    engine.SetCredentials({u"Alice", password});
    try {
        engine.SaveAll(data);
        engine.Close();
        FAIL() << "no failure";
    } catch (const EmberkiteDatabase::DBException& e) {
        EXPECT_EQ(e.GetErrorCode(), DBError::WriteFailed);
        const std::u16string text(e.GetTarget().View());
        EXPECT_NE(text.find(u"No space left on device"), std::u16string::npos) << Text::ToUtf8(text);
        EXPECT_NE(text.find(u"echt"), std::u16string::npos);
    }
}
