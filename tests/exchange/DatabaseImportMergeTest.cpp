#include <gtest/gtest.h>

#include "exchange/DatabaseImportMerge.h"
#include "exchange/ExportImportFakeUI.h"
#include "exchange/ExportImportTestData.h"
#include "exchange/FolderMap.h"
#include "base/exceptions/Exception.h"

using namespace Tarnwick;
using namespace Tarnwick::ExportImport;
using namespace TestSupport;
using PasswordADT::Category;
using PasswordADT::CategoryRef;
using PasswordADT::PasswordData;
using PasswordADT::PasswordItem;
using Utilities::Exceptions::Exception;

namespace {

// The message and context of the exception an action raises.
template <typename Action>
std::pair<std::u16string, std::u16string> Raised(Action&& action) {
    try {
        action();
    } catch (const Exception& e) {
        return {e.GetMessage().ToStdString(), e.GetTarget().ToStdString()};
    }
    return {};
}

std::vector<std::u16string> Names(const PasswordData& data) {
    std::vector<std::u16string> names;
    for (const auto& folder : data.Folders()) {
        names.push_back(folder->GetName().ToStdString());
    }
    return names;
}

std::shared_ptr<PasswordItem> Entry(std::u16string_view description, int number) {
    auto item = RichEntry(number);
    item->SetDescription(description);
    return item;
}

} // namespace

TEST(FolderMap, MissingKeysAreErrors) {
    FolderMap map;
    EXPECT_TRUE(map.Insert(3, 7));
    EXPECT_FALSE(map.Insert(3, 8));
    EXPECT_EQ(map[3], 7u);
    EXPECT_TRUE(map.Contains(3));
    EXPECT_EQ(Raised([&] { (void)map[4]; }), std::make_pair(std::u16string(u"element no found"),
                                                            std::u16string(u"SimpleMap::[]")));
}

class Merge : public ::testing::Test {
protected:
    void SetUp() override {
        source = RichVault();
        auto privat = target.AddFolder(u"Privat");
        target.AddSubfolder(privat->GetId(), u"Bank");
        target.AddFolder(u"Allgemein");
        target.Folders()[1]->Entries().push_back(Entry(u"Girokonto", 100));
    }

    PasswordData source;
    PasswordData target;
    FakeImportUI ui;
};

TEST_F(Merge, FolderChainReusesFoldersOfTheSameNameAndAddsOnlyTheMissingOnes) {
    DatabaseImportMerge merge(ui, DuplicateTreatment::Ask);
    Selection selection;
    selection.folders = {2}; // Privat > Bank > Konten
    ASSERT_TRUE(merge.ImportPasswords(source, selection, target));
    EXPECT_EQ(Names(target), (std::vector<std::u16string>{u"Privat", u"Bank", u"Allgemein", u"Konten"}));
    EXPECT_EQ(target.Folders()[3]->GetParentId(), target.Folders()[1]->GetId());
    EXPECT_EQ(merge.Counts().newFolders, 1u);
    EXPECT_EQ(merge.Counts().Imported(), 0u);
    EXPECT_EQ(merge.Map()[source.Folders()[0]->GetId()], target.Folders()[0]->GetId());
    EXPECT_EQ(merge.Map()[source.Folders()[1]->GetId()], target.Folders()[1]->GetId());
    EXPECT_EQ(merge.Map()[source.Folders()[2]->GetId()], target.Folders()[3]->GetId());
    EXPECT_EQ(merge.Map().Size(), 3u);

    // The same name below another parent or in another case is another folder.
    PasswordData other;
    other.AddFolder(u"privat");
    auto arbeit = other.AddFolder(u"Arbeit");
    other.AddSubfolder(arbeit->GetId(), u"Privat");
    DatabaseImportMerge second(ui, DuplicateTreatment::Ask);
    ASSERT_TRUE(second.ImportPasswords(other, Selection{{0, 2}, {}}, target));
    EXPECT_EQ(Names(target), (std::vector<std::u16string>{u"Privat", u"Bank", u"Allgemein", u"Konten", u"privat",
                                                          u"Arbeit", u"Privat"}));
    EXPECT_EQ(second.Counts().newFolders, 3u);
}

TEST_F(Merge, TickedEntryWithoutItsFolderBringsTheFolderChain) {
    DatabaseImportMerge merge(ui, DuplicateTreatment::Ask);
    Selection selection;
    selection.entries = {{2, 0}, {3, 1}, {2, 2}};
    ASSERT_TRUE(merge.ImportPasswords(source, selection, target));
    EXPECT_EQ(Names(target), (std::vector<std::u16string>{u"Privat", u"Bank", u"Allgemein", u"Konten", u"Einkauf"}));
    EXPECT_EQ(target.Folders()[4]->GetParentId(), target.Folders()[0]->GetId());
    EXPECT_EQ(FolderEntryBytes(*target.Folders()[3]),
              (std::vector<std::vector<std::uint8_t>>{EntryBytes(*source.Folders()[2]->Entries()[0]),
                                                      EntryBytes(*source.Folders()[2]->Entries()[2])}));
    EXPECT_EQ(FolderEntryBytes(*target.Folders()[4]),
              (std::vector<std::vector<std::uint8_t>>{EntryBytes(*source.Folders()[3]->Entries()[1])}));
    // The folders on the way got none of their own entries.
    EXPECT_TRUE(target.Folders()[0]->Entries().empty());
    EXPECT_EQ(target.Folders()[1]->Entries().size(), 1u);
    EXPECT_EQ(merge.Counts().added, 3u);
    EXPECT_EQ(merge.Counts().newFolders, 2u);
    // The page's bar: one unit per entry.
    EXPECT_EQ(ui.progressUnits, 3);
    EXPECT_EQ(ui.progressSteps, 3);
    EXPECT_EQ(ui.progressEnds, 1);
    // The copies are the target's own: changing one leaves the source alone.
    target.Folders()[3]->Entries()[0]->SetComment(u"geändert");
    EXPECT_NE(EntryBytes(*target.Folders()[3]->Entries()[0]), EntryBytes(*source.Folders()[2]->Entries()[0]));
}

class Duplicates : public Merge {
protected:
    // A source "Privat" > "Bank" holding "Girokonto" (newer than the target's) and "Neu".
    void SetUp() override {
        Merge::SetUp();
        dupSource.AddFolder(u"Privat");
        dupSource.AddSubfolder(0, u"Bank");
        incoming = Entry(u"Girokonto", 200);
        incoming->SetCreationTime(1262349000);     // 01.01.2010 12:30
        incoming->SetModificationTime(1600000000); // 13.09.2020 12:26
        dupSource.Folders()[1]->Entries().push_back(incoming);
        dupSource.Folders()[1]->Entries().push_back(Entry(u"Neu", 201));
        existing = target.Folders()[1]->Entries()[0];
        existing->SetCreationTime(946684800);      // 01.01.2000 00:00
        existing->SetModificationTime(1500000000); // 14.07.2017 02:40
        existingBytes = EntryBytes(*existing);
    }
    bool Run(DuplicateTreatment treatment, DatabaseImportMerge** out = nullptr) {
        m_merge = std::make_unique<DatabaseImportMerge>(ui, treatment);
        if (out != nullptr) {
            *out = m_merge.get();
        }
        return m_merge->ImportPasswords(dupSource, Selection{{}, {{1, 0}, {1, 1}}}, target);
    }
    const Category& Bank() const { return *target.Folders()[1]; }

    PasswordData dupSource;
    std::shared_ptr<PasswordItem> incoming;
    std::shared_ptr<PasswordItem> existing;
    std::vector<std::uint8_t> existingBytes;
    std::unique_ptr<DatabaseImportMerge> m_merge;
};

TEST_F(Duplicates, ReplaceOverwritesTheExistingEntryInItsPlace) {
    DatabaseImportMerge* merge = nullptr;
    ASSERT_TRUE(Run(DuplicateTreatment::Replace, &merge));
    ASSERT_EQ(Bank().Entries().size(), 2u);
    EXPECT_EQ(EntryBytes(*Bank().Entries()[0]), EntryBytes(*incoming));
    EXPECT_EQ(Bank().Entries()[1]->GetDescription().View(), u"Neu");
    EXPECT_EQ(merge->Counts().replaced, 1u);
    EXPECT_EQ(merge->Counts().added, 1u);
    EXPECT_EQ(merge->Counts().Imported(), 2u);
    EXPECT_TRUE(ui.headings.empty());
    // Whoever still holds the old entry (the open database's views) keeps it unchanged.
    EXPECT_EQ(EntryBytes(*existing), existingBytes);
}

TEST_F(Duplicates, SkipLeavesTheExistingEntryAndCountsNothingForIt) {
    DatabaseImportMerge* merge = nullptr;
    ASSERT_TRUE(Run(DuplicateTreatment::Skip, &merge));
    ASSERT_EQ(Bank().Entries().size(), 2u);
    EXPECT_EQ(Bank().Entries()[0], existing);
    EXPECT_EQ(EntryBytes(*Bank().Entries()[0]), existingBytes);
    EXPECT_EQ(merge->Counts().skipped, 1u);
    EXPECT_EQ(merge->Counts().Imported(), 1u);
    EXPECT_TRUE(ui.headings.empty());
}

TEST_F(Duplicates, AskShowsBothEntries) {
    ui.answers = {DatabaseImportMerge::kDoNotReplace};
    ASSERT_TRUE(Run(DuplicateTreatment::Ask));
    ASSERT_EQ(ui.headings.size(), 1u);
    EXPECT_EQ(ui.headings[0],
              u"Es befindet sich bereits eine Passwortinformation derselben Beschreibung in dem Ordner \"Bank\".");
    EXPECT_EQ(ui.texts[0], u"Klicken Sie auf die Passwortinformation, die Sie beibehalten möchten.");
    EXPECT_EQ(ui.captions, (std::vector<std::u16string>{u"Kopieren und ersetzen", u"Nicht ersetzen",
                                                        u"Kopieren, aber beide beibehalten"}));
    EXPECT_EQ(ui.explanations,
              (std::vector<std::u16string>{u"Alte Passwortinformation durch die Neue ersetzen.\n"
                                           u"Beschreibung: Girokonto\n"
                                           u"Erstelldatum: 01.01.2010 12:30\n"
                                           u"Änderungsdatum: 13.09.2020 12:26 (neuer)",
                                           u"Es wird keine neue Passwortinformation hinzugefügt. Die Alte bleibt "
                                           u"unverändert.\n"
                                           u"Beschreibung: Girokonto\n"
                                           u"Erstelldatum: 01.01.2000 00:00\n"
                                           u"Änderungsdatum: 14.07.2017 02:40 (älter)",
                                           u"Fügt die neue Passwortinformation hinzu. Die Alte bleibt unverändert."}));
    EXPECT_EQ(EntryBytes(*Bank().Entries()[0]), existingBytes);

    // The other way round, and of equal age neither is newer.
    existing->SetModificationTime(1700000000);
    auto question = DatabaseImportMerge::MakeDuplicateQuestion(Bank(), *incoming, *existing);
    EXPECT_TRUE(question.explanations[0].View().ends_with(u"13.09.2020 12:26 (älter)"));
    EXPECT_TRUE(question.explanations[1].View().ends_with(u"14.11.2023 22:13 (neuer)"));
    existing->SetModificationTime(1600000000);
    question = DatabaseImportMerge::MakeDuplicateQuestion(Bank(), *incoming, *existing);
    EXPECT_TRUE(question.explanations[0].View().ends_with(u"Änderungsdatum: 13.09.2020 12:26"));
    EXPECT_TRUE(question.explanations[1].View().ends_with(u"Änderungsdatum: 13.09.2020 12:26"));
}

TEST_F(Duplicates, AskAnswers) {
    ui.answers = {DatabaseImportMerge::kCopyAndReplace};
    ASSERT_TRUE(Run(DuplicateTreatment::Ask));
    EXPECT_EQ(EntryBytes(*Bank().Entries()[0]), EntryBytes(*incoming));
    EXPECT_EQ(m_merge->Counts().replaced, 1u);

    // Keep both, twice: the copies are numbered until the name is free.
    ui.answers = {DatabaseImportMerge::kKeepBoth, DatabaseImportMerge::kKeepBoth, DatabaseImportMerge::kKeepBoth,
                  DatabaseImportMerge::kKeepBoth};
    ASSERT_TRUE(Run(DuplicateTreatment::Ask));
    ASSERT_TRUE(Run(DuplicateTreatment::Ask));
    std::vector<std::u16string> descriptions;
    for (const auto& item : Bank().Entries()) {
        descriptions.push_back(item->GetDescription().ToStdString());
    }
    // "Neu" itself is a duplicate in the later runs and kept as a copy as well.
    EXPECT_EQ(descriptions, (std::vector<std::u16string>{u"Girokonto", u"Neu", u"Girokonto - Kopie", u"Neu - Kopie",
                                                         u"Girokonto - Kopie (1)", u"Neu - Kopie (1)"}));
    // The copy is the incoming entry but for its name.
    auto renamed = std::make_shared<PasswordItem>(*incoming);
    renamed->SetDescription(u"Girokonto - Kopie");
    EXPECT_EQ(EntryBytes(*Bank().Entries()[2]), EntryBytes(*renamed));
}

TEST_F(Duplicates, CancelAndUnknownAnswers) {
    DatabaseImportMerge* merge = nullptr;
    ui.answers = {DatabaseImportMerge::kCancelled};
    EXPECT_FALSE(Run(DuplicateTreatment::Ask, &merge));
    // Nothing after the cancelled entry was added.
    EXPECT_EQ(Bank().Entries().size(), 1u);
    EXPECT_EQ(ui.progressEnds, 1);

    ui.answers = {3};
    EXPECT_EQ(Raised([&] { Run(DuplicateTreatment::Ask); }),
              std::make_pair(std::u16string(u"invalid case"), std::u16string(u"CImportPasswordPage3::AddPasswordItem")));
    ui.answers = {-2};
    EXPECT_EQ(Raised([&] { Run(DuplicateTreatment::Ask); }), std::make_pair(std::u16string(u"abort or error"),
                                                                           std::u16string(u"CImportPasswordPage3::AddPasswordItem")));
    EXPECT_EQ(Raised([&] { Run(static_cast<DuplicateTreatment>(7)); }).first, u"invalid case");
    EXPECT_EQ(EntryBytes(*Bank().Entries()[0]), existingBytes);
}

TEST_F(Duplicates, CopyOfALongDescriptionStillFitsTheFile) {
    const std::u16string longName(PasswordItem::kMaxDescription - 1, u'x');
    std::u16string withPair(PasswordItem::kMaxDescription - 30, u'y');
    withPair += u"𝄞𝄞𝄞𝄞𝄞𝄞𝄞𝄞𝄞𝄞𝄞𝄞𝄞𝄞𝄞"; // 30 code units
    for (const std::u16string& name : {longName, withPair}) {
        Category folder(1, Category::kNoParent, u"Lang");
        folder.Entries().push_back(Entry(name, 1));
        DatabaseImportMerge merge(ui, DuplicateTreatment::Ask);
        ui.answers = {DatabaseImportMerge::kKeepBoth, DatabaseImportMerge::kKeepBoth};
        ASSERT_TRUE(merge.AddPasswordItem(folder, *Entry(name, 2)));
        ASSERT_TRUE(merge.AddPasswordItem(folder, *Entry(name, 3)));
        ASSERT_EQ(folder.Entries().size(), 3u);
        const auto first = folder.Entries()[1]->GetDescription().ToStdString();
        const auto second = folder.Entries()[2]->GetDescription().ToStdString();
        EXPECT_LE(first.size(), PasswordItem::kMaxDescription);
        EXPECT_TRUE(first.ends_with(u" - Kopie"));
        EXPECT_TRUE(second.ends_with(u" - Kopie (1)"));
        EXPECT_NE(first.substr(0, first.size() - 8).back(), u'\xD834') << "half a surrogate pair";
        EXPECT_NO_THROW(EntryBytes(*folder.Entries()[1]));
        EXPECT_NO_THROW(EntryBytes(*folder.Entries()[2]));
    }
}

TEST_F(Merge, HostileSourceFoldersNeitherHangNorFail) {
    PasswordData hostile;
    hostile.AssignAsNextIdIfHigher(std::make_shared<Category>(1, 2, u"Kreis A"));
    hostile.AssignAsNextIdIfHigher(std::make_shared<Category>(2, 1, u"Kreis B"));
    hostile.AssignAsNextIdIfHigher(std::make_shared<Category>(3, 77, u"Waise"));
    hostile.AssignAsNextIdIfHigher(std::make_shared<Category>(4, 1, u"Unter A"));
    hostile.AssignAsNextIdIfHigher(std::make_shared<Category>(4, Category::kNoParent, u"Doppelte Id"));
    hostile.Folders()[3]->Entries().push_back(Entry(u"Tief", 1));
    hostile.Folders()[4]->Entries().push_back(Entry(u"Doppelt", 2));
    DatabaseImportMerge merge(ui, DuplicateTreatment::Ask);
    ASSERT_TRUE(merge.ImportPasswords(hostile, Selection::All(hostile), target));
    EXPECT_EQ(Names(target), (std::vector<std::u16string>{u"Privat", u"Bank", u"Allgemein", u"Kreis A", u"Kreis B",
                                                          u"Waise", u"Unter A"}));
    for (std::size_t i = 3; i < 6; ++i) {
        EXPECT_TRUE(target.Folders()[i]->IsTopLevel()) << i;
    }
    EXPECT_EQ(target.Folders()[6]->GetParentId(), target.Folders()[3]->GetId());
    // Both entries of the id 4 land in the folder first merged under it.
    EXPECT_EQ(target.Folders()[6]->Entries().size(), 2u);
}

TEST_F(Merge, SelectionOutsideTheSourceIsRefused) {
    DatabaseImportMerge merge(ui, DuplicateTreatment::Ask);
    const std::u16string context = u"CImportPasswordPage3::ImportPasswords";
    EXPECT_EQ(Raised([&] { merge.ImportPasswords(source, Selection{{9}, {}}, target); }),
              std::make_pair(std::u16string(u"null"), context));
    EXPECT_EQ(Raised([&] { merge.ImportPasswords(source, Selection{{}, {{9, 0}}}, target); }),
              std::make_pair(std::u16string(u"src folder"), context));
    EXPECT_EQ(Raised([&] { merge.ImportPasswords(source, Selection{{}, {{0, 3}}}, target); }),
              std::make_pair(std::u16string(u"passworditem"), context));
    source.Folders()[1]->Entries()[0] = nullptr;
    EXPECT_EQ(Raised([&] { merge.ImportPasswords(source, Selection{{}, {{1, 0}}}, target); }).first, u"passworditem");
    source.Folders().push_back(nullptr);
    EXPECT_EQ(Raised([&] { merge.ImportPasswords(source, Selection{{0}, {}}, target); }).first, u"null");
    target.Folders().push_back(nullptr);
    EXPECT_EQ(Raised([&] { (void)DatabaseImportMerge::FolderExists(target, Category::kNoParent, u"X"); }),
              std::make_pair(std::u16string(u"null imp"), std::u16string(u"CImportPasswordPage3::FolderExists")));
}

TEST_F(Merge, FolderStepsReportTheirFaults) {
    DatabaseImportMerge merge(ui, DuplicateTreatment::Ask);
    const std::u16string context = u"CImportPasswordPage3::AddNewFolderIfNotExists";
    // A child whose parent has not been merged.
    EXPECT_EQ(Raised([&] { merge.AddNewFolderIfNotExists(*source.Folders()[1], source.Folders()[0].get(), target); }),
              std::make_pair(std::u16string(u"parent not found"), context));
    // A parent mapped to a folder the target no longer has.
    merge.AddNewFolderIfNotExists(*source.Folders()[0], nullptr, target);
    target.Folders().erase(target.Folders().begin());
    EXPECT_EQ(Raised([&] { merge.AddNewFolderIfNotExists(*source.Folders()[1], source.Folders()[0].get(), target); }),
              std::make_pair(std::u16string(u"invalid parent"), context));
}
