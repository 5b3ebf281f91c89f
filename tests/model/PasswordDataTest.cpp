#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/exceptions/Exception.h"
#include "model/PasswordData.h"
#include "support/ClockOverride.h"

using namespace Tarnwick::PasswordADT;
using TestSupport::ClockOverride;
using Utilities::Exceptions::Exception;

namespace {

std::u16string Error(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.GetTarget().ToStdString() + u"|" + e.GetMessage().ToStdString();
    }
    return u"";
}

PasswordItemRef Entry(std::u16string_view description) {
    ClockOverride clock(1000);
    auto item = std::make_shared<PasswordItem>();
    item->SetDescription(description);
    return item;
}

} // namespace

TEST(PasswordData, IdsAreHandedOutInOrder) {
    PasswordData data;
    EXPECT_EQ(data.AddFolder(u"Allgemein")->GetId(), 0u);
    EXPECT_EQ(data.AddFolder(u"Bank")->GetId(), 1u);
    data.AssignAsNextIdIfHigher(std::make_shared<Category>(41, Category::kNoParent, u"Geladen"));
    EXPECT_EQ(data.AddFolder(u"Neu")->GetId(), 42u);
    data.AssignAsNextIdIfHigher(std::make_shared<Category>(7, Category::kNoParent, u"Niedriger"));
    EXPECT_EQ(data.AddFolder(u"Danach")->GetId(), 43u);
    EXPECT_EQ(Error([&] { data.AssignAsNextIdIfHigher(std::make_shared<Category>(0x7FFFFFFF, 1, u"x")); }),
              u"PasswordData::AssignAsNextIdIfHigher|id limit reached");
    EXPECT_EQ(Error([&] { data.AssignAsNextIdIfHigher(std::make_shared<Category>(0x90000000, 1, u"x")); }),
              u"PasswordData::AssignAsNextIdIfHigher|id limit reached");
    EXPECT_EQ(data.FolderCount(), 6u);
}

TEST(PasswordData, IdLimit) {
    PasswordData data;
    data.AssignAsNextIdIfHigher(std::make_shared<Category>(0x7FFFFFFD, Category::kNoParent, u"Hoch"));
    EXPECT_EQ(data.NextId(), 0x7FFFFFFEu);
    EXPECT_EQ(Error([&] { data.NextId(); }), u"PasswordData::NextId|id limit reached");
    EXPECT_EQ(Error([&] { data.AddFolder(u"zu viel"); }), u"PasswordData::NextId|id limit reached");
    EXPECT_EQ(data.FolderCount(), 1u);
}

TEST(PasswordData, ReassigningIds) {
    PasswordData data;
    data.AssignAsNextIdIfHigher(std::make_shared<Category>(10, Category::kNoParent, u"A"));
    data.AssignAsNextIdIfHigher(std::make_shared<Category>(Category::kUnassignedId, 10, u"B"));
    data.AssignAsNextIdIfHigher(std::make_shared<Category>(3, Category::kNoParent, u"C"));
    data.AssignValidIDsToCategories(false);
    EXPECT_EQ(data.Folders()[1]->GetId(), 11u);
    EXPECT_EQ(data.Folders()[2]->GetId(), 3u);
    data.AssignValidIDsToCategories(true);
    EXPECT_EQ(data.Folders()[0]->GetId(), 0u);
    EXPECT_EQ(data.Folders()[1]->GetId(), 1u);
    EXPECT_EQ(data.Folders()[2]->GetId(), 2u);
}

TEST(PasswordData, SubfoldersNeedAParent) {
    PasswordData data;
    EXPECT_EQ(Error([&] { data.AddSubfolder(0, u"Kind"); }), u"PasswordData::AssureParentIdExists|invalid parent id");
    const auto top = data.AddFolder(u"Eltern");
    const auto child = data.AddSubfolder(top->GetId(), u"Kind");
    EXPECT_EQ(child->GetParentId(), top->GetId());
    EXPECT_FALSE(child->IsTopLevel());
    EXPECT_EQ(Error([&] { data.AddSubfolder(99, u"Kind"); }), u"PasswordData::AssureParentIdExists|invalid parent id");
}

TEST(PasswordData, FolderNames) {
    PasswordData data;
    EXPECT_NO_THROW(data.AddFolder(std::u16string(74, u'n')));
    EXPECT_EQ(Error([&] { data.AddFolder(std::u16string(75, u'n')); }),
              u"Category::Rename()|Der neue Name überschreitet die maximale zulässige Größe.");
    EXPECT_EQ(Error([&] { data.AddFolder(u""); }), u"Category::Rename()|Es wurde keine neuer Name angegeben.");
    const auto folder = data.AddFolder(u"Alt");
    folder->Rename(u"Neu");
    EXPECT_EQ(folder->GetName().View(), u"Neu");
    EXPECT_EQ(Error([&] { folder->Rename(u""); }), u"Category::Rename()|Es wurde keine neuer Name angegeben.");
    EXPECT_EQ(folder->GetName().View(), u"Neu");
}

TEST(PasswordData, FindingFolders) {
    PasswordData data;
    const auto first = data.AddFolder(u"Doppelt");
    const auto second = data.AddFolder(u"Doppelt");
    data.AddFolder(u"doppelt");
    EXPECT_EQ(data.ReverseFindByName(u"Doppelt"), second);
    EXPECT_EQ(data.ReverseFindByName(u"Doppel"), nullptr);
    EXPECT_EQ(data.FindFolderByParentId(first->GetId()), first);
    EXPECT_EQ(data.FindFolderByParentId(77), nullptr);
}

TEST(PasswordData, DeletingAFolderTakesItsSubtree) {
    PasswordData data;
    const auto a = data.AddFolder(u"A");
    const auto b = data.AddSubfolder(a->GetId(), u"B");
    data.AddSubfolder(b->GetId(), u"C");
    const auto keep = data.AddFolder(u"D");
    data.AddSubfolder(keep->GetId(), u"E");
    b->Entries().push_back(Entry(u"weg"));
    keep->Entries().push_back(Entry(u"bleibt"));
    EXPECT_EQ(data.EntryCount(), 2u);
    data.DeleteFolder(0);
    ASSERT_EQ(data.FolderCount(), 2u);
    EXPECT_EQ(data.Folders()[0]->GetName().View(), u"D");
    EXPECT_EQ(data.Folders()[1]->GetName().View(), u"E");
    EXPECT_EQ(data.EntryCount(), 1u);
    EXPECT_EQ(Error([&] { data.DeleteFolder(5); }), u"PasswordData::DeleteFolder|category out of range");
}

TEST(PasswordData, DeletingSurvivesParentLoops) {
    PasswordData data;
    data.AssignAsNextIdIfHigher(std::make_shared<Category>(1, 2, u"X"));
    data.AssignAsNextIdIfHigher(std::make_shared<Category>(2, 1, u"Y"));
    data.AssignAsNextIdIfHigher(std::make_shared<Category>(3, 3, u"Selbst"));
    data.DeleteFolder(0);
    ASSERT_EQ(data.FolderCount(), 1u);
    data.DeleteFolder(0);
    EXPECT_EQ(data.FolderCount(), 0u);
}

TEST(PasswordData, MovingEntries) {
    PasswordData data;
    EXPECT_EQ(data.MoveEntry(0, 0, 0), MoveEntryNoFolders);
    const auto a = data.AddFolder(u"A");
    const auto b = data.AddFolder(u"B");
    a->Entries().push_back(Entry(u"eins"));
    a->Entries().push_back(Entry(u"zwei"));
    EXPECT_EQ(data.MoveEntry(2, 0, 0), MoveEntryNoTarget);
    EXPECT_EQ(data.MoveEntry(1, 2, 0), MoveEntryNoSource);
    EXPECT_EQ(data.MoveEntry(1, 0, 2), MoveEntryNoEntry);
    EXPECT_EQ(data.MoveEntry(0, 0, 0), MoveEntrySameFolder);
    EXPECT_FALSE(data.HasEntries() == false);
    const auto moved = a->Entries()[1];
    EXPECT_EQ(data.MoveEntry(1, 0, 1), MoveEntrySucceeded);
    ASSERT_EQ(b->Entries().size(), 1u);
    EXPECT_EQ(b->Entries()[0], moved);
    EXPECT_EQ(a->Entries().size(), 1u);
    EXPECT_EQ(data.EntryCount(), 2u);
}

TEST(PasswordData, NullSlotsAreReported) {
    PasswordData data;
    EXPECT_FALSE(data.HasEntries());
    data.AddFolder(u"A")->Entries().push_back(nullptr);
    EXPECT_EQ(Error([&] { data.EntryCount(); }), u"PasswordData::EntryCount|password item out of range");
    PasswordData holes;
    holes.Folders().push_back(nullptr);
    EXPECT_EQ(Error([&] { holes.HasEntries(); }), u"PasswordData::HasEntries|category out of range");
}
