// Folders and entries that lose each other: the 1.16 upgrade renumbers folders with their
// children (a 1.16 record names its folder by position), and an entry whose folder is missing
// is shown and told about.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "database/CDatabase.h"
#include "database/EmberkiteEngine.h"
#include "database/FileFormat.h"
#include "support/DatabaseFixture.h"

using namespace Tarnwick;
using namespace TestSupport;
using EmberkiteDatabase::Format::Get;
using PasswordADT::Category;
using PasswordADT::PasswordData;
namespace fs = std::filesystem;

namespace {

constexpr char16_t kPassword[] = u"Sesam öffne dich!";

// Each folder by name: the name of the folder it hangs under ("" at the top level) and the
// descriptions of its entries.
struct FolderShape {
    std::u16string parent;
    std::multiset<std::u16string> entries;
    bool operator==(const FolderShape&) const = default;
};

std::map<std::u16string, FolderShape> Shape(const PasswordData& data) {
    std::map<std::u16string, FolderShape> shape;
    for (const auto& folder : data.Folders()) {
        FolderShape& entry = shape[folder->GetName().ToStdString()];
        if (!folder->IsTopLevel()) {
            const auto parent = data.FindFolderByParentId(folder->GetParentId());
            entry.parent = parent ? parent->GetName().ToStdString() : u"?";
        }
        for (const auto& item : folder->Entries()) {
            entry.entries.insert(item->GetDescription().ToStdString());
        }
    }
    return shape;
}

// Folders with ids that are not their positions; a child may come before its parent.
PasswordData NestedWithOddIds() {
    PasswordData data;
    const auto add = [&](std::uint32_t id, std::uint32_t parent, std::u16string_view name) {
        data.AssignAsNextIdIfHigher(std::make_shared<Category>(id, parent, name));
    };
    add(12, 3, u"Konten");
    add(7, Category::kNoParent, u"Privat");
    add(3, 7, u"Bank");
    add(20, Category::kNoParent, u"Arbeit");
    add(5, 20, u"Projekte");
    add(9, 99, u"Lose"); // its parent is gone: shown at the top level
    int number = 0;
    for (const auto& folder : data.Folders()) {
        for (int i = 0; i < 2; ++i) {
            auto item = MakeEntry(number++);
            item->SetDescription(folder->GetName().ToStdString() + u" " + std::u16string(1, static_cast<char16_t>(u'1' + i)));
            folder->Entries().push_back(item);
        }
    }
    return data;
}

// A 1.16 file of that tree: the folder blocks carry the odd ids, the records name their
// folder by position.
void WriteSixteen(const fs::path& path, std::int32_t algorithm, const Tarnwick::LoginCredentials& login,
                  const PasswordData& tree);

void StampVersion(const fs::path& path, std::int16_t minor) {
    auto bytes = ReadBytes(path);
    EmberkiteDatabase::Format::Put<std::int16_t>(bytes.data() + 14, minor);
    WriteBytes(path, bytes);
}

// Appends a record that names a folder id without a folder, as a damaged file holds it.
void AppendUnfiled(const fs::path& path, std::uint32_t folderId, std::u16string_view description) {
    auto item = MakeEntry(500);
    item->SetDescription(description);
    EmberkiteDatabase::EmberkiteEngine engine;
    engine.Connect(path, false);
    engine.SetCredentials({u"Alice", kPassword});
    engine.SetModifiedStamp(false);
    engine.AddPasswordItem(*item, folderId);
    engine.Close();
}

void WriteSixteen(const fs::path& path, std::int32_t algorithm, const Tarnwick::LoginCredentials& login,
                  const PasswordData& tree) {
    // First the records, written against folders numbered by position...
    PasswordData byPosition;
    for (std::size_t i = 0; i < tree.FolderCount(); ++i) {
        const Category& folder = *tree.Folders()[i];
        std::uint32_t parent = Category::kNoParent;
        for (std::size_t p = 0; p < tree.FolderCount() && !folder.IsTopLevel(); ++p) {
            if (tree.Folders()[p]->GetId() == folder.GetParentId()) {
                parent = static_cast<std::uint32_t>(p);
            }
        }
        auto copy = std::make_shared<Category>(static_cast<std::uint32_t>(i), parent, folder.GetName().View());
        copy->Entries() = folder.Entries();
        byPosition.AssignAsNextIdIfHigher(copy);
    }
    TestSupport::FakeDatabaseUI quiet;
    CDatabase database(quiet, path);
    ASSERT_TRUE(database.CreateWithContent(login, algorithm, byPosition));
    // ...then the folder blocks with the ids of the old numbering.
    PasswordData blocks;
    for (const auto& folder : tree.Folders()) {
        blocks.AssignAsNextIdIfHigher(
            std::make_shared<Category>(folder->GetId(), folder->GetParentId(), folder->GetName().View()));
    }
    EmberkiteDatabase::EmberkiteEngine engine;
    engine.Connect(path, false);
    engine.SetCredentials({u"Alice", kPassword});
    engine.SetModifiedStamp(false);
    engine.UpdateCategories(blocks);
    engine.Close();
    StampVersion(path, 16);
}

std::size_t FilesIn(const fs::path& folder) {
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) {
        ++files;
    }
    return files;
}

std::u16string Descriptions(const PasswordData& data, std::size_t folder) {
    std::u16string text;
    for (const auto& item : data.Folders()[folder]->Entries()) {
        text += item->GetDescription().ToStdString() + u";";
    }
    return text;
}

} // namespace

TEST(FolderRenumbering, ParentsFollowTheirFolder) {
    PasswordData data = NestedWithOddIds();
    const auto before = Shape(data);
    data.AssignValidIDsToCategories(true);
    for (std::size_t i = 0; i < data.FolderCount(); ++i) {
        EXPECT_EQ(data.Folders()[i]->GetId(), i);
    }
    EXPECT_EQ(data.Folders()[0]->GetParentId(), 2u); // Konten under Bank
    EXPECT_EQ(data.Folders()[2]->GetParentId(), 1u); // Bank under Privat
    EXPECT_EQ(data.Folders()[4]->GetParentId(), 3u); // Projekte under Arbeit
    EXPECT_TRUE(data.Folders()[5]->IsTopLevel());    // Lose had no parent and stays on top
    auto expected = before;
    expected[u"Lose"].parent = u"?";
    auto after = Shape(data);
    after[u"Lose"].parent = u"?";
    EXPECT_EQ(after, expected);
    EXPECT_EQ(data.GetIdCounter(), 5);
}

TEST(FolderRenumbering, ADuplicateIdKeepsItsChildrenWithTheFirstFolder) {
    PasswordData data;
    data.AssignAsNextIdIfHigher(std::make_shared<Category>(4, Category::kNoParent, u"Erster"));
    data.AssignAsNextIdIfHigher(std::make_shared<Category>(4, Category::kNoParent, u"Zweiter"));
    data.AssignAsNextIdIfHigher(std::make_shared<Category>(8, 4, u"Kind"));
    data.AssignValidIDsToCategories(true);
    EXPECT_EQ(data.Folders()[2]->GetParentId(), 0u);
}

TEST(FolderRenumbering, OnlyUnassignedIdsLeaveParentsAlone) {
    PasswordData data;
    data.AssignAsNextIdIfHigher(std::make_shared<Category>(10, Category::kNoParent, u"A"));
    data.AssignAsNextIdIfHigher(std::make_shared<Category>(Category::kUnassignedId, 10, u"B"));
    data.AssignAsNextIdIfHigher(std::make_shared<Category>(3, 77, u"C"));
    data.AssignValidIDsToCategories(false);
    EXPECT_EQ(data.Folders()[1]->GetId(), 11u);
    EXPECT_EQ(data.Folders()[1]->GetParentId(), 10u);
    EXPECT_EQ(data.Folders()[2]->GetParentId(), 77u);
}

class FolderRepair : public DatabaseFixture, public ::testing::WithParamInterface<std::int32_t> {};

INSTANTIATE_TEST_SUITE_P(Ciphers, FolderRepair, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "Blowfish" : "AES"; });

TEST_P(FolderRepair, UpgradeKeepsTheTreeAndEveryEntryInItsFolder) {
    const PasswordData vault = NestedWithOddIds();
    WriteSixteen(Path(), GetParam(), alice, vault);

    ui.answers = {0};
    CDatabase database(ui, Path());
    ASSERT_EQ(database.Login(alice), RequestResult::Succeeded);
    EXPECT_TRUE(database.IsUpgraded());
    EXPECT_EQ(Get<std::int16_t>(ReadBytes(Path()).data() + 14), 17);
    PasswordData loaded;
    ASSERT_TRUE(database.Load(alice, loaded));
    ASSERT_EQ(loaded.FolderCount(), vault.FolderCount());
    for (std::size_t i = 0; i < loaded.FolderCount(); ++i) {
        EXPECT_EQ(loaded.Folders()[i]->GetId(), i);
        EXPECT_EQ(loaded.Folders()[i]->GetName().View(), vault.Folders()[i]->GetName().View());
    }
    auto expected = Shape(vault);
    expected[u"Lose"].parent = u"";
    EXPECT_EQ(Shape(loaded), expected);
    EXPECT_EQ(loaded.EntryCount(), vault.EntryCount());
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_TRUE(ui.warnings.empty());
    EXPECT_EQ(FilesIn(m_dir.Path()), 1u);

    // Opened again by another object: nothing more to upgrade, the same tree.
    CDatabase later(ui, Path());
    ASSERT_EQ(later.Login(alice), RequestResult::Succeeded);
    PasswordData again;
    ASSERT_TRUE(later.Load(alice, again));
    EXPECT_EQ(Snapshot(again), Snapshot(loaded));
}

TEST_P(FolderRepair, UpgradeTellsOfAnEntryWithoutItsFolderOnce) {
    WriteSixteen(Path(), GetParam(), alice, NestedWithOddIds());
    StampVersion(Path(), 17);
    AppendUnfiled(Path(), 42, u"Verwaist");
    StampVersion(Path(), 16);

    ui.answers = {0};
    CDatabase database(ui, Path());
    ASSERT_EQ(database.Login(alice), RequestResult::Succeeded);
    PasswordData loaded;
    ASSERT_TRUE(database.Load(alice, loaded));
    ASSERT_TRUE(database.Load(alice, loaded));
    ASSERT_EQ(ui.warnings.size(), 1u);
    EXPECT_EQ(ui.warnings[0], u"Ein Eintrag gehört zu keinem vorhandenen Ordner und wird im Ordner \"Konten\" angezeigt.");
    EXPECT_EQ(Descriptions(loaded, 0), u"Konten 1;Konten 2;Verwaist;");
    EXPECT_EQ(loaded.EntryCount(), 13u);
}

TEST_P(FolderRepair, AnEntryWithoutItsFolderIsShownInTheFirstAndToldOnce) {
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), MakeVault(3, 3), alice));
    AppendUnfiled(Path(), 77, u"Verwaist");

    CDatabase database(ui, Path());
    ASSERT_EQ(database.Login(alice), RequestResult::Succeeded);
    PasswordData loaded;
    ASSERT_TRUE(database.Load(alice, loaded));
    ASSERT_EQ(ui.warnings.size(), 1u);
    EXPECT_EQ(ui.warnings[0], u"Ein Eintrag gehört zu keinem vorhandenen Ordner und wird im Ordner \"Ordner A\" angezeigt.");
    EXPECT_EQ(Descriptions(loaded, 0), u"Eintrag 0;Verwaist;");
    // Read again (as the window does after another program's change): not told again.
    AppendUnfiled(Path(), 78, u"Noch einer");
    ASSERT_TRUE(database.Load(alice, loaded));
    EXPECT_EQ(ui.warnings.size(), 1u);
    EXPECT_EQ(Descriptions(loaded, 0), u"Eintrag 0;Verwaist;Noch einer;");

    // Another opening tells again, with the number.
    CDatabase other(ui, Path());
    ASSERT_TRUE(other.Load(alice, loaded));
    ASSERT_EQ(ui.warnings.size(), 2u);
    EXPECT_EQ(ui.warnings[1],
              u"2 Einträge gehören zu keinem vorhandenen Ordner und werden im Ordner \"Ordner A\" angezeigt.");
    EXPECT_TRUE(ui.errors.empty());

    // Saved, the entries belong to the first folder for good: nothing more to tell.
    ASSERT_TRUE(other.SaveAll(alice, loaded));
    CDatabase third(ui, Path());
    PasswordData saved;
    ASSERT_TRUE(third.Load(alice, saved));
    EXPECT_EQ(ui.warnings.size(), 2u);
    EXPECT_EQ(Snapshot(saved), Snapshot(loaded));
}

TEST_F(DatabaseFixture, ALoadNoticeGoesWhereItIsSent) {
    ASSERT_TRUE(CreateDatabase(Path(), 1, MakeVault(2, 2), alice));
    AppendUnfiled(Path(), 9, u"Verwaist");
    std::vector<std::u16string> notices;
    CDatabase database(ui, Path());
    database.SetLoadNotice([&](std::u16string_view text) { notices.emplace_back(text); });
    PasswordData loaded;
    ASSERT_TRUE(database.Load(alice, loaded));
    ASSERT_TRUE(database.Load(alice, loaded));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(u"\"Ordner A\""), std::u16string::npos);
    EXPECT_TRUE(ui.warnings.empty());
    EXPECT_TRUE(ui.errors.empty());
}
