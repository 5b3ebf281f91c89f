// Truncated, bit-flipped and random files end in a DBException and nothing worse.
#include <gtest/gtest.h>

#include <random>

#include "base/exceptions/DBException.h"
#include "database/EmberkiteEngine.h"
#include "support/DatabaseFixture.h"

using namespace TestSupport;
using EmberkiteDatabase::DBError;
using EmberkiteDatabase::DBException;
using EmberkiteDatabase::EmberkiteEngine;

namespace {

// Log-in and load through the engine; the error code, or 0 when all went well, or -1 when
// the log-in was refused.
int OpenAndLoad(const std::filesystem::path& path) {
    const EmberkiteDatabase::Credentials credentials{u"Alice", u"Sesam öffne dich!"};
    try {
        EmberkiteEngine engine;
        engine.Connect(path, false);
        engine.SetCredentials(credentials);
        if (!engine.Authenticate(credentials)) {
            return -1;
        }
        Tarnwick::PasswordADT::PasswordData data;
        engine.Load(data);
        engine.Abandon();
        return 0;
    } catch (const DBException& e) {
        return e.GetErrorCode();
    }
}

} // namespace

class HostileFiles : public DatabaseFixture {};

TEST_F(HostileFiles, EveryTruncation) {
    ASSERT_TRUE(CreateDatabase(Path(), 1, MakeVault(2, 3), alice));
    const auto bytes = ReadBytes(Path());
    const auto cut = Path("cut.twdb");
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        WriteBytes(cut, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length)));
        const int code = OpenAndLoad(cut);
        ASSERT_NE(code, 0) << length;
        if (length < 12) {
            ASSERT_EQ(code, DBError::NotADatabase) << length;
        } else if (length < 140) {
            ASSERT_EQ(code, DBError::ReadFailed) << length;
        }
    }
}

TEST_F(HostileFiles, HeaderFields) {
    ASSERT_TRUE(CreateDatabase(Path(), 1, MakeVault(2, 3), alice));
    const auto good = ReadBytes(Path());
    const auto patched = [&](std::size_t offset, std::vector<std::uint8_t> values) {
        auto bytes = good;
        std::copy(values.begin(), values.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
        WriteBytes(Path("p.twdb"), bytes);
        return OpenAndLoad(Path("p.twdb"));
    };
    EXPECT_EQ(patched(1, {'X'}), DBError::NotADatabase); // another kind of file
    EXPECT_EQ(patched(8, {'X'}), DBError::NotADatabase);
    EXPECT_EQ(patched(20, {0, 0, 0, 0x80}), DBError::BadFileHeader); // negative password count
    EXPECT_EQ(patched(24, {0x18}), DBError::BadUserHeader); // user header marker
    EXPECT_EQ(patched(26, {0x00, 0x80}), DBError::BadUserHeader); // negative rounds
    EXPECT_EQ(patched(140, {0x16}), DBError::BadCategoryHeader); // category header marker
    EXPECT_EQ(patched(144, {0xFF, 0xFF, 0xFF, 0xFF}), DBError::BadCategoryHeader);
    EXPECT_EQ(patched(144, {0xFF, 0xFF, 0xFF, 0x7F}), DBError::ReadFailed); // more blocks than the file holds
    EXPECT_EQ(patched(148 + 320, {0x00}), DBError::BadRecordHeader); // record marker
    EXPECT_EQ(patched(148 + 320 + 20, {3, 0, 0, 0}), DBError::BadRecordHeader); // body smaller than 4
    EXPECT_EQ(patched(148 + 320 + 20, {4, 0, 0, 0}), DBError::BadRecordHeader); // not whole blocks
    EXPECT_EQ(patched(148 + 320 + 20, {0xF0, 0xFF, 0xFF, 0xFF}), DBError::BadRecordHeader);
    EXPECT_EQ(patched(148 + 320 + 20, {0x00, 0x00, 0x10, 0x00}), DBError::ReadFailed); // beyond the end
    EXPECT_EQ(patched(20, {100, 0, 0, 0}), DBError::ReadFailed); // more records than the file holds
}

TEST_F(HostileFiles, BitFlipsAndRandomFiles) {
    ASSERT_TRUE(CreateDatabase(Path(), 0, MakeVault(2, 4), alice));
    const auto good = ReadBytes(Path());
    std::mt19937 random(1207);
    for (int round = 0; round < 300; ++round) {
        auto bytes = good;
        if (round % 10 == 9) {
            bytes.resize(random() % 2000);
            for (auto& b : bytes) {
                b = static_cast<std::uint8_t>(random());
            }
            if (bytes.size() > 12 && round % 20 == 19) {
                // Random content behind real signatures.
                std::copy(good.begin(), good.begin() + 12, bytes.begin());
            }
        } else {
            const std::size_t at = 140 + random() % (bytes.size() - 140);
            bytes[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        }
        WriteBytes(Path("f.twdb"), bytes);
        (void)OpenAndLoad(Path("f.twdb"));
    }
}
