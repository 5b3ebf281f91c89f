// Loading with a record filter: each record decrypted up to its description, the rest only
// when asked for; both ciphers (CBC picked up again across blocks of 8 and 16 bytes), every
// length of description, and broken records refused as a whole load refuses them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/exceptions/DBException.h"
#include "database/EmberkiteEngine.h"
#include "support/DatabaseFixture.h"

using namespace TestSupport;
using EmberkiteDatabase::EmberkiteEngine;
using EmberkiteDatabase::RecordDepth;
using Tarnwick::PasswordADT::Category;
using Tarnwick::PasswordADT::PasswordData;

namespace {

class SelectiveLoad : public DatabaseFixture, public ::testing::WithParamInterface<std::int32_t> {
protected:
    // Entries whose descriptions are 0 to 40 characters long (across every block boundary).
    PasswordData Vault() {
        PasswordData data = MakeVault(3, 120);
        std::size_t n = 0;
        for (const auto& folder : data.Folders()) {
            for (const auto& entry : folder->Entries()) {
                entry->SetDescription(std::u16string(n % 41, static_cast<char16_t>(u'a' + n % 26)) +
                                      (n % 7 == 0 ? u"ä€𝄞" : u""));
                ++n;
            }
        }
        return data;
    }

    PasswordData Load(const EmberkiteDatabase::RecordFilter& filter) {
        const EmberkiteDatabase::Credentials credentials{u"Alice", u"Sesam öffne dich!"};
        EmberkiteEngine engine;
        engine.Connect(Path(), false);
        engine.SetCredentials(credentials);
        PasswordData data;
        engine.Load(data, filter);
        engine.Abandon();
        return data;
    }
};

} // namespace

TEST_P(SelectiveLoad, SeesEveryDescriptionAndReadsWholeOnlyWhatItWants) {
    const PasswordData original = Vault();
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), original, alice));
    std::vector<std::pair<std::uint32_t, std::u16string>> seen;
    const PasswordData loaded = Load({[&](const Category& folder, std::u16string_view description) {
                                          seen.emplace_back(folder.GetId(), description);
                                          return description.size() % 3 == 0 ? RecordDepth::Full : RecordDepth::Skip;
                                      },
                                      {}});
    std::vector<std::pair<std::uint32_t, std::u16string>> expected;
    for (const auto& folder : original.Folders()) {
        for (const auto& entry : folder->Entries()) {
            expected.emplace_back(folder->GetId(), std::u16string(entry->GetDescription().View()));
        }
    }
    EXPECT_EQ(seen, expected);
    ASSERT_EQ(loaded.FolderCount(), original.FolderCount());
    for (std::size_t f = 0; f < original.FolderCount(); ++f) {
        std::vector<const Tarnwick::PasswordADT::PasswordItem*> wanted;
        for (const auto& entry : original.Folders()[f]->Entries()) {
            if (entry->GetDescription().Length() % 3 == 0) {
                wanted.push_back(entry.get());
            }
        }
        const auto& got = loaded.Folders()[f]->Entries();
        ASSERT_EQ(got.size(), wanted.size()) << f;
        for (std::size_t e = 0; e < got.size(); ++e) {
            // Read whole: every field and the history as written.
            EXPECT_EQ(got[e]->GetDescription().View(), wanted[e]->GetDescription().View());
            EXPECT_EQ(got[e]->GetComment().View(), wanted[e]->GetComment().View());
            EXPECT_TRUE(got[e]->GetPassword().Equals(wanted[e]->GetPassword()));
            EXPECT_TRUE(got[e]->GetPasswordHistory() == wanted[e]->GetPasswordHistory());
            EXPECT_TRUE(got[e]->GetUserDefinedFields() == wanted[e]->GetUserDefinedFields());
        }
    }
}

TEST_P(SelectiveLoad, BrokenRecordFailsAsAWholeLoadDoes) {
    PasswordData one;
    one.AddFolder(u"A");
    auto entry = MakeEntry(1);
    one.Folders()[0]->Entries().push_back(entry);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), one, alice));
    auto bytes = ReadBytes(Path());
    // The block after the description garbled: the user name's length becomes nonsense.
    // (Body at 148 + 160 + 24; the description "Eintrag 1" ends 68 bytes into it.)
    bytes[148 + 160 + 24 + 70] ^= 0x40;
    WriteBytes(Path(), bytes);
    int skipped = 0;
    EXPECT_NO_THROW(Load({[&](const Category&, std::u16string_view) {
                              ++skipped;
                              return RecordDepth::Skip;
                          },
                          {}}));
    EXPECT_EQ(skipped, 1);
    EXPECT_THROW(Load({[](const Category&, std::u16string_view) { return RecordDepth::Full; }, {}}),
                 EmberkiteDatabase::DBException);
    // Cut inside the first blocks of the body: refused before the filter is asked.
    bytes.resize(bytes.size() - (bytes.size() - 148 - 160 - 24) + 8);
    WriteBytes(Path(), bytes);
    EXPECT_THROW(Load({[](const Category&, std::u16string_view) -> RecordDepth {
                           ADD_FAILURE() << "asked about a record that is not there";
                           return RecordDepth::Skip;
                       },
                       {}}),
                 EmberkiteDatabase::DBException);
}

INSTANTIATE_TEST_SUITE_P(Ciphers, SelectiveLoad, ::testing::Values(0, 1));
