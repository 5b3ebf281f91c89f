// Reads files written by the engine with a reader of its own, built from the format's rules
// with OpenSSL's AES and SHA, so that a fault shared by writer and reader cannot hide.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "database/FileFormat.h"
#include "model/ByteBuffer.h"
#include "model/PasswordItem.h"
#include "support/ClockOverride.h"
#include "support/DatabaseFixture.h"
#include "support/ReferenceCrypto.h"

using namespace TestSupport;
using EmberkiteDatabase::Format::Get;
using namespace TestSupport::Reference;


class FileFormat : public DatabaseFixture {};

TEST_F(FileFormat, AnIndependentReaderFindsEverything) {
    ClockOverride clock(1700000000);
    Tarnwick::PasswordADT::PasswordData vault = MakeVault(2, 3);
    vault.Folders()[1]->Rename(std::u16string(74, u'ß')); // fills the name area exactly
    ASSERT_TRUE(CreateDatabase(Path(), 1, vault, alice));
    const Bytes file = ReadBytes(Path());

    // File header.
    const Bytes expectedHeader = {0x17, 'E', 'M', 'K', 'T', 'D', 'B', 0, 'E', 'M', 'K', 'T', 1, 0, 17, 0, 1, 0, 0, 0, 3, 0, 0, 0};
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 24), expectedHeader);

    // User header and the verifier.
    EXPECT_EQ(file[24], 0x17);
    EXPECT_EQ(file[25], 0);
    EXPECT_EQ(Get<std::int16_t>(file.data() + 26), 1000);
    const Bytes salt(file.begin() + 28, file.begin() + 60);
    const Bytes key = DeriveKey(u"Sesam öffne dich!", salt, 1000);
    EXPECT_EQ(Aes(key, {}, Bytes(file.begin() + 60, file.begin() + 92), false),
              Digest(EVP_sha256(), Utf16Le(u"Alice")));

    // Date-time header.
    const Bytes times = Aes(key, {}, Bytes(file.begin() + 92, file.begin() + 140), false);
    EXPECT_EQ(times[0], 0x17);
    EXPECT_EQ(Get<std::int32_t>(times.data() + 4), 10112008);
    EXPECT_EQ(Get<std::int64_t>(times.data() + 8), 1700000000);
    EXPECT_EQ(Get<std::int64_t>(times.data() + 16), 1700000000);
    EXPECT_EQ(Get<std::int64_t>(times.data() + 24), 1700000000);
    EXPECT_EQ(Get<std::int64_t>(times.data() + 32), -1);
    EXPECT_EQ(Get<std::int64_t>(times.data() + 40), -1);

    // Category header and blocks.
    EXPECT_EQ(Bytes(file.begin() + 140, file.begin() + 148), (Bytes{0x17, 0, 0, 0, 2, 0, 0, 0}));
    const Bytes first = Aes(key, {}, Bytes(file.begin() + 148, file.begin() + 308), false);
    EXPECT_EQ(Get<std::int32_t>(first.data()), 0);
    EXPECT_EQ(Get<std::int32_t>(first.data() + 4), -1);
    EXPECT_EQ(Get<std::int32_t>(first.data() + 8), 16);
    EXPECT_EQ(Bytes(first.begin() + 12, first.begin() + 28), Utf16Le(u"Ordner A"));
    const Bytes second = Aes(key, {}, Bytes(file.begin() + 308, file.begin() + 468), false);
    EXPECT_EQ(Get<std::int32_t>(second.data()), 1);
    EXPECT_EQ(Get<std::int32_t>(second.data() + 4), 0);
    EXPECT_EQ(Get<std::int32_t>(second.data() + 8), 148);
    EXPECT_EQ(Bytes(second.begin() + 12, second.end()), Utf16Le(std::u16string(74, u'ß')));

    // Records: clear headers, CBC bodies of the category id, the entry's byte form and filler.
    std::size_t offset = 468;
    const int folderOf[] = {0, 0, 1};
    const int entryOf[] = {0, 2, 1};
    for (int i = 0; i < 3; ++i) {
        ASSERT_LT(offset + 24, file.size());
        EXPECT_EQ(file[offset], 0x17);
        EXPECT_EQ(Bytes(file.begin() + offset + 17, file.begin() + offset + 20), (Bytes{0, 0, 0}));
        const std::uint32_t size = Get<std::uint32_t>(file.data() + offset + 20);
        const Bytes iv(file.begin() + offset + 1, file.begin() + offset + 17);
        const Bytes body = Aes(key, iv, Bytes(file.begin() + offset + 24, file.begin() + offset + 24 + size), false);
        EXPECT_EQ(Get<std::int32_t>(body.data()), folderOf[i]);
        Tarnwick::PasswordADT::ByteBuffer expected;
        MakeEntry(entryOf[i])->Serialize(expected);
        EXPECT_EQ(size, (4 + expected.Size() + 15) / 16 * 16);
        EXPECT_EQ(Bytes(body.begin() + 4, body.begin() + 4 + static_cast<std::ptrdiff_t>(expected.Size())),
                  Bytes(expected.Data(), expected.Data() + expected.Size()));
        offset += 24 + size;
    }
    EXPECT_EQ(offset, file.size());
}

TEST_F(FileFormat, BodiesAreRoundedToTheBlockWithoutExtraFiller) {
    // Find descriptions whose entries make 4 + the byte form an exact multiple of 16, and one
    // that does not, and check the body sizes of both ciphers.
    for (const std::int32_t algorithm : {0, 1}) {
        const std::size_t block = algorithm == 0 ? 8 : 16;
        Tarnwick::PasswordADT::PasswordData vault = MakeVault(1, 0);
        std::vector<std::size_t> unpadded;
        for (int extra = 0; extra < 8; ++extra) {
            auto item = MakeEntry(1);
            item->SetComment(std::u16string(static_cast<std::size_t>(extra), u'x'));
            Tarnwick::PasswordADT::ByteBuffer buffer;
            item->Serialize(buffer);
            unpadded.push_back(4 + buffer.Size());
            vault.Folders()[0]->Entries().push_back(item);
        }
        const auto path = Path(algorithm == 0 ? "bf.twdb" : "aes.twdb");
        ASSERT_TRUE(CreateDatabase(path, algorithm, vault, alice));
        const Bytes file = ReadBytes(path);
        std::size_t offset = 148 + 160;
        for (std::size_t i = 0; i < unpadded.size(); ++i) {
            const std::uint32_t size = Get<std::uint32_t>(file.data() + offset + 20);
            EXPECT_EQ(size, (unpadded[i] + block - 1) / block * block);
            EXPECT_EQ(size % block, 0u);
            offset += 24 + size;
        }
        EXPECT_EQ(offset, file.size());
    }
}

TEST_F(FileFormat, RewritingGivesNewBytesForTheSameContent) {
    const Tarnwick::PasswordADT::PasswordData vault = MakeVault(1, 1);
    ASSERT_TRUE(CreateDatabase(Path(), 1, vault, alice));
    const Bytes before = ReadBytes(Path());
    Tarnwick::CDatabase database(ui, Path());
    ASSERT_TRUE(database.SaveAll(alice, vault));
    const Bytes after = ReadBytes(Path());
    ASSERT_EQ(before.size(), after.size());
    // The folder block's filler and the record's vector and body differ.
    EXPECT_NE(Bytes(before.begin() + 148, before.begin() + 308), Bytes(after.begin() + 148, after.begin() + 308));
    EXPECT_NE(Bytes(before.begin() + 309, before.end()), Bytes(after.begin() + 309, after.end()));
    bool ok = false;
    EXPECT_EQ(Snapshot(LoadDatabase(Path(), alice, &ok)), Snapshot(vault));
    EXPECT_TRUE(ok);
}

TEST_F(FileFormat, ZeroFoldersEndsAtTheCategoryHeader) {
    ASSERT_TRUE(CreateDatabase(Path(), 1, Tarnwick::PasswordADT::PasswordData(), alice));
    const Bytes file = ReadBytes(Path());
    ASSERT_EQ(file.size(), 148u);
    EXPECT_EQ(Bytes(file.begin() + 140, file.end()), (Bytes{0x17, 0, 0, 0, 0, 0, 0, 0}));
}
