// Duplicates among many entries of one folder: the merge finds them through an index instead
// of a search through the folder, with the same results as the search of the model.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/text/Utf.h"
#include "exchange/DatabaseImportMerge.h"
#include "exchange/ExportImportFakeUI.h"
#include "model/Sorters.h"

using namespace Tarnwick;
using namespace Tarnwick::ExportImport;
using PasswordADT::Category;
using PasswordADT::CPasswordADTUtil;
using PasswordADT::PasswordData;
using PasswordADT::PasswordItem;

namespace {

std::shared_ptr<PasswordItem> Entry(std::u16string_view description, std::u16string_view user = u"") {
    auto item = std::make_shared<PasswordItem>();
    item->SetDescription(description);
    item->SetUserName(user);
    return item;
}

std::u16string Numbered(int number) { return u"Eintrag " + Text::FromUtf8(std::to_string(number)); }

std::vector<std::u16string> Descriptions(const Category& folder) {
    std::vector<std::u16string> names;
    for (const auto& item : folder.Entries()) {
        names.push_back(item->GetDescription().ToStdString());
    }
    return names;
}

class MergeIndex : public ::testing::Test {
protected:
    // A source with one folder "Ziel" of the given entries, merged into the target.
    bool Merge(const std::vector<std::shared_ptr<PasswordItem>>& entries, DuplicateTreatment treatment) {
        PasswordData source;
        auto folder = source.AddFolder(u"Ziel");
        for (const auto& entry : entries) {
            folder->Entries().push_back(entry);
        }
        m_merge = std::make_unique<DatabaseImportMerge>(ui, treatment);
        return m_merge->ImportPasswords(source, Selection::All(source), target);
    }
    Category& Target() { return *target.Folders()[0]; }

    PasswordData target;
    TestSupport::FakeImportUI ui;
    std::unique_ptr<DatabaseImportMerge> m_merge;
};

TEST_F(MergeIndex, TheFirstOfEqualDescriptionsIsTheDuplicate) {
    auto folder = target.AddFolder(u"Ziel");
    for (int i = 0; i < 3000; ++i) {
        folder->Entries().push_back(Entry(Numbered(i), u"alt"));
    }
    folder->Entries().push_back(Entry(Numbered(1500), u"zweites"));
    std::vector<std::shared_ptr<PasswordItem>> incoming;
    for (int i = 2990; i < 3010; ++i) {
        incoming.push_back(Entry(Numbered(i), u"neu"));
    }
    incoming.push_back(Entry(Numbered(1500), u"neu"));
    ASSERT_TRUE(Merge(incoming, DuplicateTreatment::Replace));
    EXPECT_EQ(m_merge->Counts().replaced, 11u);
    EXPECT_EQ(m_merge->Counts().added, 10u);
    ASSERT_EQ(Target().Entries().size(), 3011u);
    EXPECT_EQ(Target().Entries()[1500]->GetUserName().ToStdString(), u"neu");
    EXPECT_EQ(Target().Entries()[3000]->GetUserName().ToStdString(), u"zweites");
    EXPECT_EQ(Target().Entries()[2995]->GetUserName().ToStdString(), u"neu");
    EXPECT_EQ(Target().Entries()[3010]->GetDescription().ToStdString(), Numbered(3009));

    // Merged again: the entries added by the first run are duplicates now.
    ASSERT_TRUE(Merge(incoming, DuplicateTreatment::Skip));
    EXPECT_EQ(m_merge->Counts().skipped, incoming.size());
    EXPECT_EQ(Target().Entries().size(), 3011u);
}

TEST_F(MergeIndex, CopiesAreNumberedAsTheModelNamesThem) {
    auto folder = target.AddFolder(u"Ziel");
    folder->Entries().push_back(Entry(u"X"));
    folder->Entries().push_back(Entry(u"X - Kopie"));
    folder->Entries().push_back(Entry(u"X - Kopie (2)"));
    folder->Entries().push_back(Entry(u""));
    std::vector<std::shared_ptr<PasswordItem>> incoming;
    for (int i = 0; i < 5; ++i) {
        incoming.push_back(Entry(u"X"));
    }
    incoming.push_back(Entry(u""));
    incoming.push_back(Entry(u""));
    // Each copy gets the name the model's own rule gives for the folder as it is then.
    std::vector<std::u16string> expected = Descriptions(*folder);
    {
        Category reference(folder->GetId(), folder->GetParentId(), folder->GetName().View());
        reference.Entries() = folder->Entries();
        for (const auto& entry : incoming) {
            const auto name = CPasswordADTUtil::CopyName(entry->GetDescription().View(), reference);
            expected.push_back(name.ToStdString());
            reference.Entries().push_back(Entry(name.View()));
        }
    }
    ui.answers.assign(incoming.size(), DatabaseImportMerge::kKeepBoth);
    ASSERT_TRUE(Merge(incoming, DuplicateTreatment::Ask));
    EXPECT_EQ(Descriptions(Target()), expected);
    EXPECT_EQ(expected[4], u"X - Kopie (1)");
    EXPECT_EQ(expected[5], u"X - Kopie (3)");
    EXPECT_EQ(expected.back(), u"Unbenannt - Kopie (1)");

    // A name taken in between (by someone else) is seen by the next merge.
    Target().Entries().push_back(Entry(u"X - Kopie (7)"));
    ui.answers.assign(2, DatabaseImportMerge::kKeepBoth);
    ASSERT_TRUE(Merge({Entry(u"X"), Entry(u"X")}, DuplicateTreatment::Ask));
    const auto names = Descriptions(Target());
    EXPECT_EQ(names[names.size() - 2], u"X - Kopie (8)");
    EXPECT_EQ(names.back(), u"X - Kopie (9)");
}

TEST_F(MergeIndex, ManyCopiesOfOneName) {
    auto folder = target.AddFolder(u"Ziel");
    folder->Entries().push_back(Entry(u"Gleich"));
    std::vector<std::shared_ptr<PasswordItem>> incoming;
    for (int i = 0; i < 2000; ++i) {
        incoming.push_back(Entry(u"Gleich"));
    }
    ui.answers.assign(incoming.size(), DatabaseImportMerge::kKeepBoth);
    ASSERT_TRUE(Merge(incoming, DuplicateTreatment::Ask));
    ASSERT_EQ(Target().Entries().size(), 2001u);
    EXPECT_EQ(Target().Entries()[1]->GetDescription().ToStdString(), u"Gleich - Kopie");
    EXPECT_EQ(Target().Entries()[2]->GetDescription().ToStdString(), u"Gleich - Kopie (1)");
    EXPECT_EQ(Target().Entries()[2000]->GetDescription().ToStdString(), u"Gleich - Kopie (1999)");
    EXPECT_EQ(m_merge->Counts().added, 2000u);
}

TEST_F(MergeIndex, FoldersAreFoundByIdAndByName) {
    PasswordData source;
    std::uint32_t parent = Category::kNoParent;
    for (int i = 0; i < 500; ++i) {
        auto folder = parent == Category::kNoParent ? source.AddFolder(u"Ebene") : source.AddSubfolder(parent, u"Ebene");
        folder->Entries().push_back(Entry(Numbered(i)));
        source.AddFolder(Numbered(i))->Entries().push_back(Entry(u"oben"));
        parent = folder->GetId();
    }
    DatabaseImportMerge merge(ui, DuplicateTreatment::Skip);
    ASSERT_TRUE(merge.ImportPasswords(source, Selection::All(source), target));
    EXPECT_EQ(target.FolderCount(), 1000u);
    EXPECT_EQ(merge.Counts().added, 1000u);
    // A second merge reuses every folder.
    DatabaseImportMerge again(ui, DuplicateTreatment::Skip);
    ASSERT_TRUE(again.ImportPasswords(source, Selection::All(source), target));
    EXPECT_EQ(target.FolderCount(), 1000u);
    EXPECT_EQ(again.Counts().newFolders, 0u);
    EXPECT_EQ(again.Counts().skipped, 1000u);
}

} // namespace
