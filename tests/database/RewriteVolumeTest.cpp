// How much a rewriting request writes: the file once, not a copy of it and then the content
// again; and a rewritten file ends where its last record ends.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "database/CDatabase.h"
#include "database/FileFormat.h"
#include "platform/FileSystem.h"
#include "support/DatabaseFixture.h"

using namespace Tarnwick;
using namespace TestSupport;
using PasswordADT::PasswordData;
namespace fs = std::filesystem;
namespace Format = EmberkiteDatabase::Format;

namespace {

// Passes every call to the real file system and counts the bytes written through it.
class CountingFileSystem : public Platform::IFileSystem {
public:
    CountingFileSystem() : m_real(&Platform::FileSystem()) { m_previous = Platform::SetFileSystem(this); }
    ~CountingFileSystem() override { Platform::SetFileSystem(m_previous); }
    CountingFileSystem(const CountingFileSystem&) = delete;
    CountingFileSystem& operator=(const CountingFileSystem&) = delete;

    std::uint64_t Written() const { return m_written; }

    int Open(const fs::path& path, Platform::OpenMode mode, std::unique_ptr<Platform::IFile>& file) override {
        std::unique_ptr<Platform::IFile> real;
        const int error = m_real->Open(path, mode, real);
        if (error == 0) {
            file = std::make_unique<File>(m_written, std::move(real));
        }
        return error;
    }
    int CreateTemporary(const fs::path& folder, const std::string& prefix, fs::path& created,
                        std::unique_ptr<Platform::IFile>& file) override {
        std::unique_ptr<Platform::IFile> real;
        const int error = m_real->CreateTemporary(folder, prefix, created, real);
        if (error == 0) {
            file = std::make_unique<File>(m_written, std::move(real));
        }
        return error;
    }
    int Rename(const fs::path& from, const fs::path& to) override { return m_real->Rename(from, to); }
    int Remove(const fs::path& path) override { return m_real->Remove(path); }
    int SyncFolder(const fs::path& folder) override { return m_real->SyncFolder(folder); }
    int Status(const fs::path& path, Platform::FileStatus& status) override { return m_real->Status(path, status); }

private:
    class File : public Platform::IFile {
    public:
        File(std::uint64_t& written, std::unique_ptr<Platform::IFile> real) : m_written(written), m_real(std::move(real)) {}
        int ReadAt(std::uint64_t offset, void* buffer, std::size_t bytes, std::size_t& got) override {
            return m_real->ReadAt(offset, buffer, bytes, got);
        }
        int WriteAt(std::uint64_t offset, const void* data, std::size_t bytes) override {
            m_written += bytes;
            return m_real->WriteAt(offset, data, bytes);
        }
        int Size(std::uint64_t& size) override { return m_real->Size(size); }
        int Truncate(std::uint64_t size) override { return m_real->Truncate(size); }
        int Sync() override { return m_real->Sync(); }
        int LockExclusive() override { return m_real->LockExclusive(); }
        int Status(Platform::FileStatus& status) override { return m_real->Status(status); }

    private:
        std::uint64_t& m_written;
        std::unique_ptr<Platform::IFile> m_real;
    };

    Platform::IFileSystem* m_real;
    Platform::IFileSystem* m_previous = nullptr;
    std::uint64_t m_written = 0;
};

// Headers, folder blocks and counted records: where the file's content ends.
std::uint64_t ContentEnd(const std::vector<std::uint8_t>& bytes) {
    const auto file = EmberkiteDatabase::FileHeader::Decode(bytes.data());
    const auto folders = EmberkiteDatabase::CategoryHeader::Decode(bytes.data() + Format::kCategoryHeaderOffset);
    std::uint64_t offset = Format::RecordsOffset(static_cast<std::uint64_t>(folders.count));
    for (std::int32_t i = 0; i < file.passwordCount; ++i) {
        if (offset + Format::kRecordHeaderSize > bytes.size()) {
            return UINT64_MAX;
        }
        offset += Format::kRecordHeaderSize + EmberkiteDatabase::RecordHeader::Decode(bytes.data() + offset).bodySize;
    }
    return offset;
}

// Folders whose entries carry long comments: about bytes of records in all.
PasswordData LargeVault(std::size_t bytes) {
    PasswordData data = MakeVault(4, 0);
    const std::u16string comment(8000, u'ä');
    for (int e = 0; static_cast<std::size_t>(e) * comment.size() * 2 < bytes; ++e) {
        auto item = MakeEntry(e);
        item->SetComment(comment + u" " + item->GetDescription().ToStdString());
        data.Folders()[static_cast<std::size_t>(e) % 4]->Entries().push_back(item);
    }
    return data;
}

} // namespace

class RewriteVolume : public DatabaseFixture, public ::testing::WithParamInterface<std::int32_t> {
protected:
    // Bytes written by the request; it must succeed.
    std::uint64_t Measure(const std::function<bool()>& request) {
        CountingFileSystem counting;
        EXPECT_TRUE(request());
        return counting.Written();
    }
    // Files beside the database (a working copy left behind).
    std::vector<std::string> OtherNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir.Path())) {
            if (entry.path() != Path()) {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }
};

INSTANTIATE_TEST_SUITE_P(Ciphers, RewriteVolume, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "Blowfish" : "AES"; });

TEST_P(RewriteVolume, EditingOneEntryOfALargeDatabaseWritesItOnce) {
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), LargeVault(3u << 20), alice));
    ASSERT_GT(fs::file_size(Path()), 3u << 20);
    CDatabase database(ui, Path());
    ASSERT_EQ(database.Login(alice), RequestResult::Succeeded);
    PasswordData data;
    ASSERT_TRUE(database.Load(alice, data));
    data.Folders()[2]->Entries()[3]->SetComment(u"Nur dieser Kommentar ist neu.");

    const std::uint64_t written = Measure([&] { return database.SaveAll(alice, data); });
    const std::uint64_t size = fs::file_size(Path());
    EXPECT_LE(written, size + 1024) << "file of " << size << " bytes";
    EXPECT_GE(written, size - Format::kCategoryHeaderOffset);
    const auto bytes = ReadBytes(Path());
    EXPECT_EQ(ContentEnd(bytes), bytes.size());

    PasswordData again;
    ASSERT_TRUE(database.Load(alice, again));
    EXPECT_EQ(Snapshot(again), Snapshot(data));
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_TRUE(OtherNames().empty());
}

TEST_P(RewriteVolume, EveryFullRewriteWritesTheFileOnce) {
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), LargeVault(256u << 10), alice));
    CDatabase database(ui, Path());
    ASSERT_EQ(database.Login(alice), RequestResult::Succeeded);
    PasswordData data;
    ASSERT_TRUE(database.Load(alice, data));
    LoginCredentials credentials = alice;
    const LoginCredentials bob = Login(u"Bob", u"neues Passwort");

    const std::vector<std::pair<const char*, std::function<bool()>>> requests = {
        {"entries", [&] {
             data.Folders()[0]->Entries()[1]->SetComment(u"anders");
             return database.SaveEntries(credentials, data);
         }},
        {"folders moving the records", [&] {
             data.AddSubfolder(data.Folders()[0]->GetId(), u"Neu");
             return database.SaveCategories(credentials, data);
         }},
        {"password", [&] {
             const bool ok = database.ChangePassword(credentials, bob, data) == RequestResult::Succeeded;
             credentials = bob;
             return ok;
         }},
        {"cipher", [&] {
             return database.ChangeAlgorithm(credentials, 1 - GetParam(), data) == RequestResult::Succeeded;
         }},
        {"reorganise", [&] { return database.Reorganise(credentials, data) == RequestResult::Succeeded; }},
    };
    for (const auto& [name, request] : requests) {
        const std::uint64_t written = Measure(request);
        const std::uint64_t size = fs::file_size(Path());
        if (std::string(name) == "reorganise") {
            // The old content is overwritten three times nine passes after the new file stands.
            EXPECT_LE(written, size + 27 * size + 1024) << name;
        } else {
            EXPECT_LE(written, size + 1024) << name << ": file of " << size << " bytes";
        }
        const auto bytes = ReadBytes(Path());
        EXPECT_EQ(ContentEnd(bytes), bytes.size()) << name;
        PasswordData loaded;
        ASSERT_TRUE(database.Load(credentials, loaded)) << name;
        EXPECT_EQ(Snapshot(loaded), Snapshot(data)) << name;
        EXPECT_TRUE(OtherNames().empty()) << name;
    }
    EXPECT_TRUE(ui.errors.empty());
}

TEST_P(RewriteVolume, AChangedPasswordLeavesNoRecordUnderTheOldKey) {
    // Data without entries for a file that has some: the records must not stay behind,
    // counted and readable only with the old password.
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), MakeVault(2, 5), alice));
    const LoginCredentials bob = Login(u"Bob", u"neu");
    CDatabase database(ui, Path());
    ASSERT_EQ(database.ChangePassword(alice, bob, MakeVault(2, 0)), RequestResult::Succeeded);
    PasswordData loaded;
    ASSERT_EQ(database.Login(bob), RequestResult::Succeeded);
    ASSERT_TRUE(database.Load(bob, loaded));
    EXPECT_EQ(Snapshot(loaded), Snapshot(MakeVault(2, 0)));
    EXPECT_EQ(fs::file_size(Path()), Format::RecordsOffset(2));
}

TEST_P(RewriteVolume, SavingFewerEntriesLeavesNoOldRecordBehind) {
    PasswordData vault = MakeVault(2, 6);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), vault, alice));
    const auto size = fs::file_size(Path());
    CDatabase database(ui, Path());
    vault.Folders()[1]->Entries().pop_back();
    ASSERT_TRUE(database.SaveAll(alice, vault));
    EXPECT_LT(fs::file_size(Path()), size);
    EXPECT_EQ(ContentEnd(ReadBytes(Path())), fs::file_size(Path()));
    vault.Folders()[0]->Entries().pop_back();
    ASSERT_TRUE(database.SaveEntries(alice, vault));
    EXPECT_EQ(ContentEnd(ReadBytes(Path())), fs::file_size(Path()));
    PasswordData loaded;
    ASSERT_TRUE(database.Load(alice, loaded));
    EXPECT_EQ(loaded.EntryCount(), 4u);
    EXPECT_EQ(Snapshot(loaded), Snapshot(vault));
}
