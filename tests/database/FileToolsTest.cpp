#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include "crypto/HashBaseWin.h"
#include "crypto/Isaac.h"
#include "database/EmberkiteEngine.h"
#include "database/FileBackup.h"
#include "database/FileDeletionTool.h"
#include "database/FileHash.h"
#include "base/exceptions/DBException.h"
#include "platform/FileSystem.h"
#include "support/ClockOverride.h"
#include "support/DatabaseFixture.h"
#include "support/ReferenceCrypto.h"

using namespace TestSupport;
using namespace TestSupport::Reference;
using EmberkiteDatabase::DBError;
using EmberkiteDatabase::DBException;

namespace {

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 31 + 7);
    }
    return bytes;
}

// Counts the reads of a hash: each Update is one chunk.
class CountingSha1 : public CryptoServiceProvider::Hashing::HashBase {
public:
    void Initialize() override { m_sha.Initialize(); }
    void Update(const void* data, std::size_t length) override {
        chunks.push_back(length);
        m_sha.Update(data, length);
    }
    void Finish(std::uint8_t* output, std::size_t& length) override { m_sha.Finish(output, length); }
    bool SelfTest() override { return true; }
    void Release() noexcept override { m_sha.Release(); }
    std::size_t GetHashSize() const override { return 20; }
    std::vector<std::size_t> chunks;

private:
    CryptoServiceProvider::Hashing::Sha1Win m_sha;
};

// Records the writes to a file.
class RecordingFile : public Tarnwick::Platform::IFile {
public:
    int ReadAt(std::uint64_t, void*, std::size_t, std::size_t& got) override {
        got = 0;
        return 0;
    }
    int WriteAt(std::uint64_t offset, const void* data, std::size_t bytes) override {
        const auto* b = static_cast<const std::uint8_t*>(data);
        writes.push_back({offset, std::vector<std::uint8_t>(b, b + bytes)});
        return 0;
    }
    int Size(std::uint64_t& size) override {
        size = 1500;
        return 0;
    }
    int Truncate(std::uint64_t) override { return 0; }
    int Sync() override {
        ++syncs;
        return 0;
    }
    int LockExclusive() override { return 0; }
    int Status(Tarnwick::Platform::FileStatus&) override { return 0; }
    struct Write {
        std::uint64_t offset;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Write> writes;
    int syncs = 0;
};

} // namespace

class FileTools : public DatabaseFixture {};

TEST_F(FileTools, HashReadsInChunks) {
    WriteBytes(Path("a.bin"), Pattern(2049));
    CountingSha1 hash;
    std::uint8_t digest[20];
    EmberkiteDatabase::FileHash(hash).Compute(Path("a.bin"), digest, sizeof digest);
    EXPECT_EQ(hash.chunks, (std::vector<std::size_t>{2048, 1}));
    EXPECT_EQ(Bytes(digest, digest + 20), Digest(EVP_sha1(), Pattern(2049)));

    WriteBytes(Path("leer.bin"), {});
    CountingSha1 empty;
    EmberkiteDatabase::FileHash(empty).Compute(Path("leer.bin"), digest, sizeof digest);
    EXPECT_TRUE(empty.chunks.empty());
    EXPECT_EQ(Bytes(digest, digest + 20), Digest(EVP_sha1(), {}));
    try {
        EmberkiteDatabase::FileHash(empty).Compute(Path("fehlt.bin"), digest, sizeof digest);
        FAIL();
    } catch (const Utilities::Exceptions::WindowsException& e) {
        EXPECT_EQ(e.GetErrorCode(), ENOENT);
        EXPECT_EQ(e.GetTarget().View(), u"FileHash::OpenFile");
    }
}

TEST_F(FileTools, BackupsOfOneSecondGetConsecutiveNames) {
    ClockOverride clock(1700000000);
    WriteBytes(Path(), Pattern(5000));
    WindowsServiceProvider::FileBackupEx first;
    WindowsServiceProvider::FileBackupEx second;
    first.Backup(Path());
    second.Backup(Path());
    EXPECT_EQ(first.GetBackupPath().filename(), "~$1700000000Konten.twdb");
    EXPECT_EQ(second.GetBackupPath().filename(), "~$1700000001Konten.twdb");
    EXPECT_EQ(ReadBytes(first.GetBackupPath()), Pattern(5000));

    // A changed source is put back from the backup, which then goes.
    WriteBytes(Path(), Pattern(10));
    const auto firstPath = first.GetBackupPath();
    first.Restore();
    EXPECT_EQ(ReadBytes(Path()), Pattern(5000));
    EXPECT_FALSE(std::filesystem::exists(firstPath));
    const auto secondPath = second.GetBackupPath();
    second.DeleteBackup();
    EXPECT_FALSE(std::filesystem::exists(secondPath));

    // An empty file is backed up too.
    WriteBytes(Path("leer.twdb"), {});
    WindowsServiceProvider::FileBackupEx empty;
    empty.Backup(Path("leer.twdb"));
    EXPECT_EQ(std::filesystem::file_size(empty.GetBackupPath()), 0u);

    WindowsServiceProvider::FileBackupEx missing;
    try {
        missing.Backup(Path("fehlt.twdb"));
        FAIL();
    } catch (const Utilities::Exceptions::Exception& e) {
        EXPECT_EQ(e.GetMessage().View(), u"FileNotFound");
        EXPECT_EQ(e.GetTarget().View(), u"FileBackup::Backup");
    }
    // Ten taken names in a row: no name is left.
    for (int i = 2; i < 12; ++i) {
        WriteBytes(m_dir / ("~$" + std::to_string(1700000000 + i) + "voll.twdb"), {});
    }
    WriteBytes(Path("voll.twdb"), {1});
    clock.Set(1700000002);
    WindowsServiceProvider::FileBackupEx full;
    try {
        full.Backup(Path("voll.twdb"));
        FAIL();
    } catch (const Utilities::Exceptions::Exception& e) {
        EXPECT_EQ(e.GetMessage().View(), u"no file found");
        EXPECT_EQ(e.GetTarget().View(), u"FileBackup::GetTemporaryFilename");
    }
}

TEST_F(FileTools, SecureOverwriteWritesNineFillsPerPass) {
    RecordingFile file;
    CryptoServiceProvider::Random::Isaac random;
    std::size_t length = 4;
    const std::uint8_t seed[4] = {1, 2, 3, 4};
    random.Seed(seed, length);
    EmberkiteDatabase::EmberkiteEngine::SecureOverwrite(file, 1500, 2, random);
    ASSERT_EQ(file.writes.size(), 2u * 9u * 2u);
    EXPECT_EQ(file.syncs, 18);
    const auto all = [](const std::vector<std::uint8_t>& bytes, std::uint8_t value) {
        return std::all_of(bytes.begin(), bytes.end(), [value](std::uint8_t b) { return b == value; });
    };
    for (std::size_t i = 0; i < file.writes.size(); ++i) {
        const auto& write = file.writes[i];
        EXPECT_EQ(write.offset, i % 2 == 0 ? 0u : 1024u);
        EXPECT_EQ(write.bytes.size(), i % 2 == 0 ? 1024u : 476u);
        const std::size_t fill = (i / 2) % 9;
        switch (fill) {
        case 0:
        case 2:
        case 6:
        case 8:
            EXPECT_TRUE(all(write.bytes, 0x00)) << i;
            break;
        case 7:
            EXPECT_TRUE(all(write.bytes, 0xFF)) << i;
            break;
        default:
            EXPECT_FALSE(all(write.bytes, 0x00)) << i; // random
        }
    }
}

TEST_F(FileTools, EraseReportsWhyItFailed) {
    try {
        EmberkiteDatabase::FileDeletionTool::EraseFile(Path("fehlt.twdb"));
        FAIL();
    } catch (const DBException& e) {
        EXPECT_EQ(e.GetErrorCode(), DBError::DeleteFailed);
        EXPECT_EQ(e.GetMessage().View(), u"FileDeletionTool::EraseFile");
        EXPECT_EQ(e.GetTarget().View(), u"Die Datenbank wurde nicht gefunden.");
    }
}
