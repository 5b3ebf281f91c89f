#include <gtest/gtest.h>

#include <unistd.h>

#include "base/text/Utf.h"
#include "exchange/DatabaseExport.h"
#include "exchange/ExportImportFakeUI.h"
#include "exchange/ExportImportTestData.h"
#include "base/exceptions/Exception.h"
#include "support/DatabaseFixture.h"

using namespace Tarnwick;
using namespace Tarnwick::ExportImport;
using namespace TestSupport;
using PasswordADT::Category;
using PasswordADT::PasswordData;

namespace {

ExportInput Input(std::u16string path, std::u16string_view user = u"Bob", std::u16string_view password = u"geheim ß",
                  std::u16string_view repetition = u"geheim ß") {
    ExportInput input;
    input.path = std::move(path);
    input.userName.Assign(user);
    input.password.Assign(password);
    input.repetition.Assign(repetition);
    input.caseSensitiveUserName = true;
    return input;
}

std::u16string Text16(const std::filesystem::path& path) { return Text::FromUtf8(path.string()); }

} // namespace

class Export : public DatabaseFixture {
protected:
    void SetUp() override {
        vault = RichVault();
        ASSERT_TRUE(CreateDatabase(Path(), CDatabase::kAes, vault, alice));
        openBytes = ReadBytes(Path());
        openSnapshot = Snapshot(vault);
    }
    // The open database, in memory and on disk, is as it was.
    void ExpectOpenDatabaseUnchanged() {
        EXPECT_EQ(ReadBytes(Path()), openBytes);
        EXPECT_EQ(Snapshot(vault), openSnapshot);
    }
    std::size_t FileCount() const {
        std::size_t count = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(m_dir.Path())) {
            ++count;
        }
        return count;
    }

    PasswordData vault;
    std::vector<std::uint8_t> openBytes;
    std::vector<std::string> openSnapshot;
    FakeExportUI exportUi;
    LoginCredentials bob = Login(u"Bob", u"geheim ß");
};

TEST_F(Export, WritesTheTickedPartWithTheFolderChainsOfTickedEntries) {
    // "Arbeit" ticked with none of its entries; the second entry of "Konten" ticked without
    // "Konten", "Bank" or "Privat"; the last entry of "Einkauf" twice.
    Selection selection;
    selection.folders = {4};
    selection.entries = {{2, 1}, {3, 2}, {3, 2}};
    DatabaseExport exporter(exportUi, Path(), vault);
    ASSERT_EQ(exporter.Finish(Input(Text16(Path("Teil.twdb"))), selection), ExportResult::Exported);
    EXPECT_EQ(exportUi.information, std::vector<std::u16string>{std::u16string(DatabaseExport::kExported)});
    EXPECT_TRUE(exportUi.errors.empty());
    EXPECT_TRUE(exportUi.extensionQuestions.empty());

    bool ok = false;
    const PasswordData exported = LoadDatabase(Path("Teil.twdb"), bob, &ok);
    ASSERT_TRUE(ok);
    // Privat, Bank, Konten, Einkauf and Arbeit keep their ids and parents; only the ticked
    // entries came along.
    ASSERT_EQ(exported.FolderCount(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(exported.Folders()[i]->GetId(), vault.Folders()[i]->GetId());
        EXPECT_EQ(exported.Folders()[i]->GetParentId(), vault.Folders()[i]->GetParentId());
        EXPECT_EQ(exported.Folders()[i]->GetName().View(), vault.Folders()[i]->GetName().View());
    }
    EXPECT_TRUE(exported.Folders()[0]->Entries().empty());
    EXPECT_TRUE(exported.Folders()[1]->Entries().empty());
    ASSERT_EQ(exported.Folders()[2]->Entries().size(), 1u);
    EXPECT_EQ(EntryBytes(*exported.Folders()[2]->Entries()[0]), EntryBytes(*vault.Folders()[2]->Entries()[1]));
    ASSERT_EQ(exported.Folders()[3]->Entries().size(), 1u);
    EXPECT_EQ(EntryBytes(*exported.Folders()[3]->Entries()[0]), EntryBytes(*vault.Folders()[3]->Entries()[2]));
    EXPECT_TRUE(exported.Folders()[4]->Entries().empty());
    ExpectOpenDatabaseUnchanged();
}

TEST_F(Export, PageChecksComeInTheirOrder) {
    struct Case {
        ExportInput input;
        std::u16string_view message;
    };
    std::vector<Case> cases;
    cases.push_back({Input(u"", u"", u"", u""), u"Geben Sie einen Benutzernamen ein."});
    cases.push_back({Input(u"", u"Bob", u"", u""), u"Geben Sie ein Passswort ein."});
    cases.push_back({Input(u"", u"Bob", u"eins", u""), u"Geben Sie eine Passswortwiederholung ein."});
    cases.push_back({Input(u"", u"Bob", u"eins", u"Eins"), u"Die Passwörter stimmen nicht überein."});
    cases.push_back({Input(u"", u"Bob", u"eins", u"eins "), u"Die Passwörter stimmen nicht überein."});
    cases.push_back({Input(u"", u"Bob", u"eins", u"eins"), u"Geben Sie einen Pfad für dei Exportdatenbank an."});
    for (const Case& c : cases) {
        EXPECT_EQ(DatabaseExport::CheckInput(c.input), c.message);
        FakeExportUI ui;
        DatabaseExport exporter(ui, Path(), vault);
        EXPECT_EQ(exporter.Finish(c.input, Selection::All(vault)), ExportResult::StayOnPage);
        EXPECT_EQ(ui.errors, std::vector<std::u16string>{std::u16string(c.message)});
        EXPECT_TRUE(ui.extensionQuestions.empty());
    }
    EXPECT_TRUE(DatabaseExport::CheckInput(Input(u"x.twdb")).empty());

    DatabaseExport exporter(exportUi, Path(), vault);
    EXPECT_EQ(exporter.Finish(Input(Text16(Path("Leer.twdb"))), Selection{}), ExportResult::StayOnPage);
    EXPECT_EQ(exportUi.errors, std::vector<std::u16string>{std::u16string(DatabaseExport::kNothingSelected)});
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(Export, MissingExtensionIsOffered) {
    const std::u16string bare = Text16(Path("Export"));
    {
        DatabaseExport exporter(exportUi, Path(), vault);
        exportUi.extensionAnswer = ExtensionAnswer::Cancel;
        EXPECT_EQ(exporter.Finish(Input(bare), Selection::All(vault)), ExportResult::StayOnPage);
        EXPECT_EQ(FileCount(), 1u);
        EXPECT_TRUE(exportUi.errors.empty());

        exportUi.extensionAnswer = ExtensionAnswer::Yes;
        ASSERT_EQ(exporter.Finish(Input(bare), Selection::All(vault)), ExportResult::Exported);
        EXPECT_EQ(exporter.GetTargetPath(), Path("Export.twdb"));
        EXPECT_TRUE(std::filesystem::exists(Path("Export.twdb")));
        EXPECT_FALSE(std::filesystem::exists(Path("Export")));

        exportUi.extensionAnswer = ExtensionAnswer::No;
        ASSERT_EQ(exporter.Finish(Input(bare), Selection::All(vault)), ExportResult::Exported);
        EXPECT_TRUE(std::filesystem::exists(Path("Export")));
    }
    ASSERT_EQ(exportUi.extensionQuestions.size(), 3u);
    EXPECT_EQ(exportUi.extensionQuestions[0],
              u"Der Name der Datenbank besitzt nicht die Dateiendung für Tarnwick Datenbanken (*.twdb). Möchten Sie "
              u"diese Dateiendung nun hinzufügen?");
    // Only the exact lower-case extension counts as present.
    DatabaseExport exporter(exportUi, Path(), vault);
    exportUi.extensionAnswer = ExtensionAnswer::Yes;
    ASSERT_EQ(exporter.Finish(Input(Text16(Path("Gross.TWDB"))), Selection::All(vault)), ExportResult::Exported);
    EXPECT_EQ(exportUi.extensionQuestions.size(), 4u);
    EXPECT_TRUE(std::filesystem::exists(Path("Gross.TWDB.twdb")));

    bool ok = false;
    EXPECT_EQ(Snapshot(LoadDatabase(Path("Export"), bob, &ok)), openSnapshot);
    EXPECT_TRUE(ok);
    ExpectOpenDatabaseUnchanged();
}

TEST_F(Export, UserNameIsLowerCasedUnlessCaseCounts) {
    ExportInput input = Input(Text16(Path("Klein.twdb")), u"ÄRGER Müller");
    input.caseSensitiveUserName = false;
    DatabaseExport exporter(exportUi, Path(), vault);
    ASSERT_EQ(exporter.Finish(input, Selection::All(vault)), ExportResult::Exported);
    {
        CDatabase database(ui, Path("Klein.twdb"));
        EXPECT_EQ(database.Login(Login(u"ärger müller", u"geheim ß")), RequestResult::Succeeded);
        EXPECT_EQ(database.Login(Login(u"ÄRGER Müller", u"geheim ß")), RequestResult::AuthenticationFailed);
    }
    // The typed name itself is left as it was.
    EXPECT_EQ(input.userName.View(), u"ÄRGER Müller");

    input.path = Text16(Path("Gross.twdb"));
    input.caseSensitiveUserName = true;
    ASSERT_EQ(exporter.Finish(input, Selection::All(vault)), ExportResult::Exported);
    CDatabase database(ui, Path("Gross.twdb"));
    EXPECT_EQ(database.Login(Login(u"ÄRGER Müller", u"geheim ß")), RequestResult::Succeeded);
    EXPECT_EQ(database.Login(Login(u"ärger müller", u"geheim ß")), RequestResult::AuthenticationFailed);
}

TEST_F(Export, RefusesTheOpenDatabaseUnderAnyName) {
    std::filesystem::create_directory(Path("sub"));
    std::filesystem::create_symlink(Path(), Path("Verweis.twdb"));
    std::filesystem::create_hard_link(Path(), Path("Zweitname.twdb"));
    const std::vector<std::filesystem::path> names = {
        Path(), Path("Verweis.twdb"), Path("Zweitname.twdb"), m_dir.Path() / "sub" / ".." / "Konten.twdb",
        m_dir.Path() / "." / "Konten.twdb"};
    for (const auto& name : names) {
        FakeExportUI refusing;
        refusing.answers = {0, 0}; // would replace, if it were asked
        DatabaseExport exporter(refusing, Path(), vault);
        EXPECT_EQ(exporter.Finish(Input(Text16(name)), Selection{{0}, {}}), ExportResult::StayOnPage) << name;
        EXPECT_EQ(refusing.errors, std::vector<std::u16string>{std::u16string(DatabaseExport::kTargetIsOpenDatabase)});
        EXPECT_TRUE(refusing.headings.empty()) << "the replace question must not come up";
        ExpectOpenDatabaseUnchanged();
    }
    // From another folder, through a relative path.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(Path("sub"));
    {
        DatabaseExport exporter(exportUi, Path(), vault);
        EXPECT_EQ(exporter.Finish(Input(u"../Konten.twdb"), Selection{{0}, {}}), ExportResult::StayOnPage);
    }
    std::filesystem::current_path(previous);
    EXPECT_TRUE(exportUi.HasError(DatabaseExport::kTargetIsOpenDatabase));
    ExpectOpenDatabaseUnchanged();
}

TEST_F(Export, AnotherExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
    const PasswordData other = MakeVault(1, 2);
    ASSERT_TRUE(CreateDatabase(Path("Alt.twdb"), CDatabase::kBlowfish, other, bob));
    const auto oldBytes = ReadBytes(Path("Alt.twdb"));
    DatabaseExport exporter(exportUi, Path(), vault);
    exportUi.answers = {1};
    EXPECT_EQ(exporter.Finish(Input(Text16(Path("Alt.twdb"))), Selection::All(vault)), ExportResult::StayOnPage);
    EXPECT_EQ(exportUi.headings, std::vector<std::u16string>{u"Es existiert bereits eine Datenbank mit diesem Namen"});
    EXPECT_EQ(ReadBytes(Path("Alt.twdb")), oldBytes);
    EXPECT_TRUE(exportUi.information.empty());

    exportUi.answers = {0};
    ASSERT_EQ(exporter.Finish(Input(Text16(Path("Alt.twdb"))), Selection::All(vault)), ExportResult::Exported);
    bool ok = false;
    EXPECT_EQ(Snapshot(LoadDatabase(Path("Alt.twdb"), bob, &ok)), openSnapshot);
    EXPECT_TRUE(ok);
}

TEST_F(Export, CreationFailureIsReportedAndStaysOnThePage) {
    DatabaseExport exporter(exportUi, Path(), vault);
    EXPECT_EQ(exporter.Finish(Input(Text16(Path("fehlt") / "Export.twdb")), Selection::All(vault)),
              ExportResult::StayOnPage);
    EXPECT_EQ(exportUi.errors, std::vector<std::u16string>{u"Fehler beim Erstellen der Datenbank."});
    EXPECT_TRUE(exportUi.information.empty());

    Selection outOfRange;
    outOfRange.entries = {{0, 99}};
    EXPECT_EQ(exporter.Finish(Input(Text16(Path("X.twdb"))), outOfRange), ExportResult::StayOnPage);
    EXPECT_FALSE(std::filesystem::exists(Path("X.twdb")));
    ExpectOpenDatabaseUnchanged();
}

TEST(ExportSelection, ParentsOrphansAndCycles) {
    PasswordData data;
    auto add = [&](std::uint32_t id, std::uint32_t parent, std::u16string_view name) {
        data.AssignAsNextIdIfHigher(std::make_shared<Category>(id, parent, name));
    };
    add(5, Category::kNoParent, u"Oben");  // 0
    add(7, 9, u"Kind vor Eltern");          // 1: parent stored behind it
    add(9, 5, u"Mitte");                    // 2
    add(11, 40, u"Waise");                  // 3: parent missing
    add(12, 13, u"Kreis A");                // 4
    add(13, 12, u"Kreis B");                // 5
    add(14, 12, u"Am Kreis");               // 6
    add(15, 15, u"Eigener Elternteil");     // 7
    const auto parents = ParentPositions(data);
    const std::vector<std::size_t> expected = {kNoParentPosition, 2, 0, kNoParentPosition, kNoParentPosition,
                                               kNoParentPosition, 4, kNoParentPosition};
    EXPECT_EQ(parents, expected);
    EXPECT_EQ(FolderChain(parents, 1), (std::vector<std::size_t>{0, 2, 1}));
    EXPECT_EQ(FolderChain(parents, 6), (std::vector<std::size_t>{4, 6}));

    Selection selection;
    selection.folders = {1, 3, 6};
    EXPECT_EQ(SelectedFolders(data, selection, parents), (std::vector<std::size_t>{0, 1, 2, 3, 4, 6}));
    const PasswordData subset = SelectedData(data, selection);
    ASSERT_EQ(subset.FolderCount(), 6u);
    // The orphan and the folder of the cycle stand at the top of the new database.
    EXPECT_EQ(subset.Folders()[3]->GetId(), 11u);
    EXPECT_TRUE(subset.Folders()[3]->IsTopLevel());
    EXPECT_EQ(subset.Folders()[4]->GetId(), 12u);
    EXPECT_TRUE(subset.Folders()[4]->IsTopLevel());
    EXPECT_EQ(subset.Folders()[5]->GetParentId(), 12u);
    EXPECT_EQ(subset.Folders()[1]->GetParentId(), 9u);

    Selection bad;
    bad.folders = {8};
    EXPECT_THROW(SelectedData(data, bad), Utilities::Exceptions::Exception);
    data.Folders().push_back(nullptr);
    EXPECT_THROW(ParentPositions(data), Utilities::Exceptions::Exception);
}
