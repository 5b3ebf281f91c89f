// Stops every writing request at each of its writes in turn (as a crash, a power cut or a
// full disk would) and checks that the file then holds the complete old or the complete
// new database, never a mix.
#include <gtest/gtest.h>

#include <functional>

#include "database/CDatabase.h"
#include "support/ClockOverride.h"
#include "support/DatabaseFixture.h"
#include "support/FaultyFileSystem.h"

using namespace Tarnwick;
using namespace TestSupport;
using PasswordADT::PasswordData;

namespace {

struct State {
    LoginCredentials credentials;
    std::vector<std::string> snapshot;
};

} // namespace

class CrashSafety : public DatabaseFixture, public ::testing::WithParamInterface<std::int32_t> {
protected:
    // Entries made at different moments must still compare equal.
    ClockOverride m_clock{1700000000};

    // Runs the request with the n-th change failing, for n = 1, 2, ... until it goes through
    // untouched. After each run exactly one of the two states must open.
    void Check(const std::function<void(CDatabase&)>& request, const State& before, const State& after) {
        const auto original = ReadBytes(Path());
        long n = 1;
        for (; n < 5000; ++n) {
            WriteBytes(Path(), original);
            bool failed = false;
            {
                FaultyFileSystem faults(n);
                CDatabase database(ui, Path());
                request(database);
                failed = faults.Failed();
            }
            bool oldOpens = false;
            bool newOpens = false;
            const PasswordData oldData = LoadDatabase(Path(), before.credentials, &oldOpens);
            const PasswordData newData = LoadDatabase(Path(), after.credentials, &newOpens);
            if (oldOpens && Snapshot(oldData) == before.snapshot) {
                SUCCEED();
            } else {
                ASSERT_TRUE(newOpens) << "write " << n << " left a file that opens with neither";
                ASSERT_EQ(Snapshot(newData), after.snapshot) << "write " << n;
            }
            // No copy is left beside the database.
            std::size_t files = 0;
            for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(m_dir.Path())) {
                ++files;
            }
            ASSERT_EQ(files, 1u) << "write " << n;
            if (!failed) {
                break;
            }
        }
        EXPECT_GT(n, 1);
        EXPECT_LT(n, 5000);
    }
};

INSTANTIATE_TEST_SUITE_P(Ciphers, CrashSafety, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "Blowfish" : "AES"; });

TEST_P(CrashSafety, SaveAll) {
    const PasswordData vault = MakeVault(3, 8);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), vault, alice));
    PasswordData changed = MakeVault(4, 11);
    changed.Folders()[0]->Entries().erase(changed.Folders()[0]->Entries().begin());
    Check([&](CDatabase& db) { db.SaveAll(alice, changed); }, {alice, Snapshot(vault)}, {alice, Snapshot(changed)});
}

TEST_P(CrashSafety, AddEntry) {
    const PasswordData vault = MakeVault(2, 3);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), vault, alice));
    PasswordData changed = MakeVault(2, 3);
    changed.Folders()[1]->Entries().push_back(MakeEntry(99));
    Check([&](CDatabase& db) { db.AddEntry(alice, *MakeEntry(99), changed.Folders()[1]->GetId()); },
          {alice, Snapshot(vault)}, {alice, Snapshot(changed)});
}

TEST_P(CrashSafety, ChangePassword) {
    const PasswordData vault = MakeVault(2, 4);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), vault, alice));
    const LoginCredentials bob = Login(u"Bob", u"anderes Passwort");
    Check([&](CDatabase& db) { db.ChangePassword(alice, bob, vault); }, {alice, Snapshot(vault)},
          {bob, Snapshot(vault)});
}

TEST_P(CrashSafety, ChangeAlgorithm) {
    const PasswordData vault = MakeVault(2, 4);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), vault, alice));
    Check([&](CDatabase& db) { db.ChangeAlgorithm(alice, 1 - GetParam(), vault); }, {alice, Snapshot(vault)},
          {alice, Snapshot(vault)});
}

TEST_P(CrashSafety, Reorganise) {
    PasswordData vault = MakeVault(2, 6);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), vault, alice));
    vault.Folders()[0]->Entries().pop_back();
    {
        CDatabase database(ui, Path());
        ASSERT_TRUE(database.SaveAll(alice, vault));
    }
    Check([&](CDatabase& db) { db.Reorganise(alice, vault); }, {alice, Snapshot(vault)}, {alice, Snapshot(vault)});
}

TEST_P(CrashSafety, LoginBookkeeping) {
    const PasswordData vault = MakeVault(1, 2);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), vault, alice));
    Check([&](CDatabase& db) { db.Login(alice); }, {alice, Snapshot(vault)}, {alice, Snapshot(vault)});
}

TEST_P(CrashSafety, ReplacingByCreate) {
    const PasswordData vault = MakeVault(2, 3);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), vault, alice));
    const PasswordData fresh = MakeVault(1, 0);
    const LoginCredentials bob = Login(u"Bob", u"frisch");
    Check(
        [&](CDatabase& db) {
            ui.answers = {0};
            db.CreateWithContent(bob, GetParam(), fresh);
        },
        {alice, Snapshot(vault)}, {bob, Snapshot(fresh)});
}

TEST_P(CrashSafety, SaveFoldersWithANewFolder) {
    const PasswordData vault = MakeVault(2, 5);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), vault, alice));
    PasswordData changed = MakeVault(2, 5);
    changed.AddSubfolder(changed.Folders()[0]->GetId(), u"Neu");
    changed.Folders()[1]->Rename(u"Umbenannt");
    Check([&](CDatabase& db) { db.SaveCategories(alice, changed); }, {alice, Snapshot(vault)},
          {alice, Snapshot(changed)});
}

TEST_P(CrashSafety, SaveEntries) {
    const PasswordData vault = MakeVault(2, 5);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), vault, alice));
    PasswordData changed = MakeVault(2, 5);
    changed.Folders()[1]->Entries().push_back(MakeEntry(42));
    changed.Folders()[0]->Entries()[0]->SetComment(u"geändert");
    Check([&](CDatabase& db) { db.SaveEntries(alice, changed); }, {alice, Snapshot(vault)},
          {alice, Snapshot(changed)});
}
