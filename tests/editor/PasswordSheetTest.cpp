#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>

#include "autocompletion/AutoCompletionIndex.h"
#include "database/CDatabase.h"
#include "editor/FakeEntryStore.h"
#include "editor/PasswordSheet.h"
#include "editor/PropertySheet.h"
#include "editor/Symbols.h"
#include "model/ByteBuffer.h"
#include "model/Clock.h"
#include "platform/x11/WindowList.h"
#include "support/DatabaseFixture.h"
#include "support/DialogResponder.h"
#include "support/TemporaryXdgFolders.h"
#include "uilib/SecureEdit.h"
#include "generator/ui/QualityBar.h"
#include "base/exceptions/Exception.h"
#include <QLabel>
#include "support/Screenshots.h"

namespace {

using namespace Tarnwick;
using PasswordADT::PasswordData;
using PasswordADT::PasswordItem;
using StringServiceProvider::SecureString;
using TestSupport::ScriptedResponder;

class FakeWindowList : public Platform::IWindowList {
public:
    std::vector<std::u16string> TopLevelWindowTitles() override {
        if (fail) {
            throw Utilities::Exceptions::Exception(u"x", u"FakeWindowList");
        }
        return {u"Anmelden - Mozilla Firefox", u"Terminal"};
    }
    bool fail = false;
};

QString Repeat(int n) { return QString(n, QLatin1Char('x')); }

// The byte form of one entry: equal bytes mean an unchanged entry.
std::vector<std::uint8_t> ItemBytes(const PasswordItem& item) {
    PasswordADT::ByteBuffer buffer;
    item.Serialize(buffer);
    return std::vector<std::uint8_t>(buffer.Data(), buffer.Data() + buffer.Size());
}

class PasswordSheetTest : public TestSupport::DatabaseFixture {
protected:
    void SetUp() override {
        CPasswordSheet::SetWindowList(&windows);
        PasswordData initial;
        initial.AddFolder(u"Allgemein");
        initial.AddFolder(u"Banken");
        auto item = std::make_shared<PasswordItem>();
        item->SetDescription(u"Sparkasse");
        item->SetUserName(u"kunde");
        item->SetKeepHistory(true);
        item->SetForbidRepetition(true);
        item->SetDistinctPasswordCount(0);
        item->SetHistorySize(10);
        item->SetPassword(1600000000, SecureString(std::u16string_view(u"aktuell-1")));
        item->GetPasswordHistory().Add(1500000000, SecureString(std::u16string_view(u"alt-1")));
        initial.Folders()[1]->Entries().push_back(item);
        ASSERT_TRUE(CreateDatabase(Path(), CDatabase::kAes, initial, alice));
        bool ok = false;
        data = LoadDatabase(Path(), alice, &ok);
        ASSERT_TRUE(ok);
        database = std::make_unique<CDatabase>(ui, Path());
        store = std::make_unique<TestSupport::FakeEntryStore>(data, *database, alice);
    }
    void TearDown() override {
        CPasswordSheet::SetWindowList(nullptr);
        CPasswordSheet::SetGeneratorRunner({});
        CPasswordSheet::SetFileChooser({});
    }

    std::unique_ptr<CPasswordSheet> NewSheet(std::size_t folder = 0) {
        auto sheet = std::make_unique<CPasswordSheet>(*store, folder, std::nullopt, index);
        EXPECT_TRUE(sheet->Initialise());
        return sheet;
    }
    std::unique_ptr<CPasswordSheet> EditSheet() {
        auto sheet = std::make_unique<CPasswordSheet>(*store, 1, std::size_t{0}, index);
        EXPECT_TRUE(sheet->Initialise());
        return sheet;
    }
    PasswordData Reload() {
        bool ok = false;
        PasswordData fresh = LoadDatabase(Path(), alice, &ok);
        EXPECT_TRUE(ok);
        return fresh;
    }

    TestSupport::TemporaryXdgFolders xdg;
    FakeWindowList windows;
    PasswordData data;
    std::unique_ptr<CDatabase> database;
    std::unique_ptr<TestSupport::FakeEntryStore> store;
    AutoCompletion::AutoCompletionIndex index;
};

TEST_F(PasswordSheetTest, NewEntryFromEveryPageIsStoredAndReadBack) {
    ScriptedResponder responder;
    auto sheet = NewSheet(0);
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Neues Passwort erstellen"));
    ASSERT_EQ(sheet->GetTabs()->count(), 8);
    const QStringList titles = {"Allgemein", "Kommentar", "Gültigkeit", "Url/Programm", "Benutzerdefinierte Felder",
                                "Passworthistorie", "Auto-Vervollständigung", "Symbol"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(sheet->GetTabs()->tabText(i), titles[i]);
    }
    EXPECT_TRUE(sheet->m_history->m_keepHistory->isChecked());
    EXPECT_TRUE(sheet->m_history->m_forbidRepetition->isChecked());

    sheet->m_general->m_folder->setCurrentIndex(1);
    sheet->m_general->m_description->setText(QStringLiteral("Girokonto Ö"));
    sheet->m_general->m_userName->setText(QStringLiteral("müller"));
    sheet->m_general->m_email->setText(QStringLiteral("m@example.org"));
    sheet->m_general->m_password->SetText(u"Gęheim-123!");
    EXPECT_GT(sheet->m_general->m_quality->GetPosition(), 0);
    sheet->m_commentPage->m_comment->setPlainText(QStringLiteral("Zeile 1\nZeile 2"));
    sheet->m_validity->m_mode->setCurrentIndex(CPasswordValidityPage::ModeDays);
    EXPECT_EQ(sheet->m_validity->m_explanation->text(), QStringLiteral("Das Passwort ist die Anzahl der Tage gültig."));
    sheet->m_validity->m_days->setValue(30);
    sheet->m_internet->m_url->setText(QStringLiteral("https://bank.example"));
    sheet->m_udf->m_name->setText(QStringLiteral("PIN"));
    sheet->m_udf->m_value->setText(QStringLiteral("1234"));
    EXPECT_TRUE(sheet->m_udf->OnAdd());
    EXPECT_TRUE(sheet->m_udf->m_name->text().isEmpty());
    EXPECT_EQ(sheet->m_udf->m_list->topLevelItemCount(), 1);
    EXPECT_EQ(sheet->m_autoCompletion->m_windows->count(), 2);
    sheet->m_autoCompletion->m_browsers->setChecked(true);
    sheet->m_autoCompletion->m_windows->setCurrentIndex(0);
    EXPECT_TRUE(sheet->m_autoCompletion->TakeWindow());
    sheet->m_autoCompletion->m_sequenceType->setCurrentIndex(2);
    sheet->m_autoCompletion->m_sequence->setText(QStringLiteral("{USERNAME}"));
    sheet->m_autoCompletion->InsertTab();
    sheet->m_autoCompletion->m_sequence->insert(QStringLiteral("{PASSWORD}{ENTER}"));
    EXPECT_TRUE(sheet->m_symbol->ChooseFromLibrary(3));

    for (int i = 0; i < 8; ++i) {
        sheet->GetTabs()->setCurrentIndex(i);
        TestSupport::Screenshot(*sheet, QStringLiteral("editor-page-%1").arg(i + 1));
    }
    ASSERT_TRUE(sheet->OnOk()) << (responder.Seen().empty() ? "" : responder.Seen().back().text.toStdString());
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(data.Folders()[1]->Entries().size(), 2u);
    EXPECT_EQ(sheet->GetStoredItem(), data.Folders()[1]->Entries()[1]);
    EXPECT_EQ(sheet->GetFolderId(), data.Folders()[1]->GetId());
    EXPECT_EQ(store->adds, 1);
    EXPECT_EQ(index.Count(), 1u);

    const PasswordData fresh = Reload();
    ASSERT_EQ(fresh.Folders()[1]->Entries().size(), 2u);
    const PasswordItem& stored = *fresh.Folders()[1]->Entries()[1];
    EXPECT_EQ(stored.GetDescription().View(), u"Girokonto Ö");
    EXPECT_EQ(stored.GetUserName().View(), u"müller");
    EXPECT_EQ(stored.GetEmail().View(), u"m@example.org");
    EXPECT_TRUE(stored.GetPassword().Equals(std::u16string_view(u"Gęheim-123!")));
    EXPECT_EQ(stored.GetComment().View(), u"Zeile 1\nZeile 2");
    EXPECT_EQ(stored.GetValidityMode(), static_cast<std::uint32_t>(PasswordADT::ValidityMode::Days));
    EXPECT_EQ(stored.GetExpiry(), 30);
    EXPECT_EQ(stored.GetUrl().View(), u"https://bank.example");
    EXPECT_EQ(stored.GetUserDefinedFields().Get(u"PIN").View(), u"1234");
    EXPECT_EQ(stored.GetTargetWindow().View(), u"Anmelden - {USERAGENT}");
    EXPECT_EQ(stored.GetSequence().View(), u"{USERNAME}{TAB}{PASSWORD}{ENTER}");
    EXPECT_TRUE(stored.GetKeepHistory());
    EXPECT_TRUE(Editor::ParseLibraryReference(stored.GetSymbol().View()) == 3);
    EXPECT_EQ(TestSupport::Snapshot(fresh), TestSupport::Snapshot(data));
}

TEST_F(PasswordSheetTest, EveryLimitIsRefusedWithItsMessage) {
    ScriptedResponder responder;
    auto sheet = NewSheet(0);
    sheet->m_general->m_description->setText(QStringLiteral("ok"));
    auto expectRefused = [&](const char16_t* text) {
        const std::size_t before = responder.Seen().size();
        EXPECT_FALSE(sheet->OnOk());
        ASSERT_EQ(responder.Seen().size(), before + 1) << QString::fromUtf16(text).toStdString();
        EXPECT_EQ(responder.Seen().back().text, QString::fromUtf16(text));
    };
    struct LineLimit {
        QLineEdit* edit;
        int limit;
        const char16_t* message;
    };
    const LineLimit lines[] = {
        {sheet->m_general->m_userName, 512, u"Der Benutzername ist zu lang."},
        {sheet->m_general->m_email, 320, u"Die E-Mail Adresse ist zu lang."},
        {sheet->m_internet->m_url, 3072, u"Der Programmpfad oder die Url sind zu lang."},
    };
    for (const auto& line : lines) {
        line.edit->setText(Repeat(line.limit + 1));
        expectRefused(line.message);
        line.edit->setText(Repeat(line.limit));
    }
    sheet->m_general->m_description->setText(Repeat(513));
    expectRefused(u"Die Beschreibung ist zu lang.");
    sheet->m_general->m_description->setText(Repeat(512));
    sheet->m_general->m_password->SetText(Repeat(1025).toStdU16String());
    expectRefused(u"Das Passwort ist zu lang.");
    sheet->m_general->m_password->SetText(Repeat(1024).toStdU16String());
    sheet->m_commentPage->m_comment->setPlainText(Repeat(16385));
    expectRefused(u"Das Kommentar ist zu lang.");
    sheet->m_commentPage->m_comment->setPlainText(Repeat(16384));
    sheet->m_autoCompletion->m_sequenceType->setCurrentIndex(2);
    sheet->m_autoCompletion->m_sequence->setText(Repeat(256));
    expectRefused(u"Die Auto-Vervollständigungssequenz ist zu lang.");
    sheet->m_autoCompletion->m_sequence->setText(QStringLiteral("{USERNAME}{NIX"));
    expectRefused(u"Die Auto-Vervollständigungs Sequenz ist ungültig.");
    sheet->m_autoCompletion->m_sequence->setText(QStringLiteral("{USERNAME}"));
    sheet->m_autoCompletion->m_windows->setEditText(Repeat(511));
    sheet->m_autoCompletion->TakeWindow();
    expectRefused(u"Der Name des Zielfenster ist zu lang.");
    sheet->m_autoCompletion->m_windows->setEditText(QString());
    sheet->m_autoCompletion->Reset();
    const std::size_t before = responder.Seen().size();
    EXPECT_FALSE(sheet->m_autoCompletion->TakeWindow());
    EXPECT_EQ(responder.Seen().at(before).text, QStringLiteral("Wählen Sie ein Anwendungsfenster aus der Liste aus."));
    sheet->m_history->m_historySize->setValue(40000);
    expectRefused(u"Geben Sie einen gültigen Wert für Anzahl der Einträge in der Passworthistorie an (0 - 32767).");
    sheet->m_history->m_historySize->setValue(5);
    sheet->m_history->m_distinct->setValue(40000);
    expectRefused(u"Geben Sie einen gültigen Wert für Passwortwiederholungen ein (0 - 32767).");
    sheet->m_history->m_distinct->setValue(3);

    // The symbol file name and unreadable symbols.
    EXPECT_FALSE(sheet->m_symbol->ChooseFromFile(QStringLiteral("/") + Repeat(530)));
    EXPECT_EQ(responder.Seen().back().text, QStringLiteral("Der Dateiname für das Symbol ist zu lang."));
    EXPECT_FALSE(sheet->m_symbol->ChooseFromFile(QStringLiteral("/nirgends/gibt/es.ico")));
    EXPECT_EQ(responder.Seen().back().text, QStringLiteral("Das Symbol konnte nich geladen werden."));
    sheet->m_internet->m_url->setText(QStringLiteral("ftp://example.org"));
    EXPECT_FALSE(sheet->m_symbol->ChooseFromWeb());
    EXPECT_EQ(responder.Seen().back().caption, QStringLiteral("Symbol kann nicht von URL geladen werden"));
    sheet->m_internet->m_url->setText(Repeat(3072));

    // User-defined fields.
    auto add = [&](const QString& name, const QString& value, const char16_t* message) {
        sheet->m_udf->m_name->setText(name);
        sheet->m_udf->m_value->setText(value);
        EXPECT_FALSE(sheet->m_udf->OnAdd());
        EXPECT_EQ(responder.Seen().back().text, QString::fromUtf16(message));
    };
    add(QString(), QStringLiteral("w"), u"Geben Sie einen Namen ein.");
    add(QStringLiteral("n"), QString(), u"Geben Sie einen Wert ein.");
    add(Repeat(256), QStringLiteral("w"), u"Der Name des Feldes ist zu lang.");
    add(QStringLiteral("n"), Repeat(256), u"Der Wert des ist zu lang.");
    for (int i = 0; i < 100; ++i) {
        sheet->m_udf->m_name->setText(QStringLiteral("Feld%1").arg(i));
        sheet->m_udf->m_value->setText(Repeat(255));
        ASSERT_TRUE(sheet->m_udf->OnAdd());
    }
    add(QStringLiteral("noch eins"), QStringLiteral("w"),
        u"Es wird bereits die maximale Anzahl an benutzerdefinierten Feldern verwendet.");
    sheet->m_udf->m_name->setText(QStringLiteral("Feld7"));
    sheet->m_udf->m_value->setText(QStringLiteral("neu"));
    EXPECT_TRUE(sheet->m_udf->OnEdit());
    sheet->m_udf->m_name->setText(QStringLiteral("Fehlt"));
    EXPECT_FALSE(sheet->m_udf->OnEdit());
    EXPECT_EQ(responder.Seen().back().text, QStringLiteral("Es existiert kein Eintrag mit dem Namen \"Fehlt\"."));
    sheet->m_udf->m_list->topLevelItem(7)->setSelected(true);
    EXPECT_EQ(sheet->m_udf->m_value->text(), QStringLiteral("neu"));
    sheet->m_udf->m_list->clearSelection();
    sheet->m_udf->m_list->topLevelItem(8)->setSelected(true);
    sheet->m_udf->m_list->topLevelItem(9)->setSelected(true);
    responder.Then(QMessageBox::Yes);
    EXPECT_TRUE(sheet->m_udf->OnDelete());
    EXPECT_EQ(responder.Seen().back().text, QStringLiteral("Sind Sie sicher, dass Sie die Einträge löschen möchten"));
    EXPECT_EQ(sheet->m_udf->m_list->topLevelItemCount(), 98);
    sheet->m_udf->m_name->setText(QStringLiteral("Feld0"));
    sheet->m_udf->m_value->setText(QStringLiteral("w"));
    add(QStringLiteral("Feld0"), QStringLiteral("w"), u"Es existiert bereits ein Eintrag mit diesem Namen.");

    // Everything exactly at its limit is stored and read back unchanged.
    ASSERT_TRUE(sheet->OnOk()) << responder.Seen().back().text.toStdString();
    const PasswordData fresh = Reload();
    const PasswordItem& stored = *fresh.Folders()[0]->Entries().back();
    EXPECT_EQ(stored.GetDescription().Length(), 512u);
    EXPECT_EQ(stored.GetComment().Length(), 16384u);
    EXPECT_EQ(stored.GetPassword().Length(), 1024u);
    EXPECT_EQ(stored.GetUserDefinedFields().Count(), 98u);
    EXPECT_EQ(stored.GetUserDefinedFields().Get(u"Feld7").View(), u"neu");
}

TEST_F(PasswordSheetTest, AnEntryWithOnlyAnEmailOrNoFolderIsRefused) {
    ScriptedResponder responder;
    auto sheet = NewSheet(0);
    sheet->m_general->m_email->setText(QStringLiteral("nur@mail.de"));
    EXPECT_FALSE(sheet->OnOk());
    EXPECT_EQ(responder.Seen().back().text,
              QStringLiteral("Es muss mindestens eine Beschreibung, ein Benutzername oder ein Passwort eingegeben werden."));
    sheet->m_general->m_description->setText(QStringLiteral("x"));
    sheet->m_general->m_folder->setCurrentIndex(-1);
    EXPECT_FALSE(sheet->OnOk());
    EXPECT_EQ(responder.Seen().back().text, QStringLiteral("Der gewählte Ordner ist ungültig."));
    EXPECT_EQ(data.Folders()[0]->Entries().size(), 0u);
}

TEST_F(PasswordSheetTest, RefusedRepetitionCancelAndFailedStoreChangeNothing) {
    ScriptedResponder responder;
    const auto memoryBefore = TestSupport::Snapshot(data);
    const auto fileBefore = TestSupport::ReadBytes(Path());
    {
        auto sheet = EditSheet();
        EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Sparkasse - Passwort bearbeiten"));
        EXPECT_EQ(sheet->m_history->m_list->topLevelItemCount(), 1);
        // The old password is painted from the secure string, never put into the item.
        EXPECT_TRUE(sheet->m_history->m_list->topLevelItem(0)->text(1).isEmpty());
        StringServiceProvider::PlainString old;
        ASSERT_TRUE(sheet->m_history->RevealHistoryPassword(sheet->m_history->m_list->model()->index(0, 1), old));
        EXPECT_EQ(old.View(), std::u16string_view(u"alt-1"));
        EXPECT_FALSE(sheet->m_history->RevealHistoryPassword(sheet->m_history->m_list->model()->index(0, 0), old));
        sheet->m_general->m_description->setText(QStringLiteral("geändert"));
        sheet->m_general->m_password->SetText(u"alt-1");
        EXPECT_FALSE(sheet->OnOk());
        EXPECT_EQ(responder.Seen().back().text,
                  QStringLiteral("Das Passwort ist bereits in der Passworthistorie. Wählen Sie ein neues Passwort."));
        EXPECT_EQ(TestSupport::Snapshot(data), memoryBefore);
        // A second refused attempt leaves no trace either.
        EXPECT_FALSE(sheet->OnOk());
        EXPECT_EQ(TestSupport::Snapshot(data), memoryBefore);
        sheet->reject();
    }
    {
        auto sheet = EditSheet();
        sheet->m_general->m_description->setText(QStringLiteral("abgebrochen"));
        sheet->m_udf->m_name->setText(QStringLiteral("x"));
        sheet->m_udf->m_value->setText(QStringLiteral("y"));
        sheet->m_udf->OnAdd();
        sheet->reject();
    }
    EXPECT_EQ(TestSupport::Snapshot(data), memoryBefore);
    {
        // The store fails (wrong credentials): the entry stays as the file has it.
        LoginCredentials wrong = TestSupport::Login(u"Alice", u"falsch");
        TestSupport::FakeEntryStore wrongStore(data, *database, wrong);
        CPasswordSheet sheet(wrongStore, 1, std::size_t{0}, index);
        ASSERT_TRUE(sheet.Initialise());
        sheet.m_general->m_description->setText(QStringLiteral("nicht gespeichert"));
        sheet.m_general->m_folder->setCurrentIndex(0);
        sheet.m_general->m_password->SetText(u"ganz-neu");
        EXPECT_FALSE(sheet.OnOk());
        EXPECT_EQ(wrongStore.replaces, 1);
        EXPECT_EQ(sheet.result(), QDialog::Rejected);
        EXPECT_EQ(sheet.GetStoredItem(), nullptr);
    }
    EXPECT_EQ(TestSupport::Snapshot(data), memoryBefore);
    EXPECT_EQ(TestSupport::ReadBytes(Path()), fileBefore);
}

TEST_F(PasswordSheetTest, FailingStoreLeavesDataAndTheOriginalItemUntouched) {
    ScriptedResponder responder;
    const PasswordADT::PasswordItemRef original = data.Folders()[1]->Entries()[0];
    const auto itemBefore = ItemBytes(*original);
    const auto memoryBefore = TestSupport::Snapshot(data);
    const auto fileBefore = TestSupport::ReadBytes(Path());
    store->failWrites = true;
    {
        auto sheet = EditSheet();
        sheet->m_general->m_description->setText(QStringLiteral("nicht gespeichert"));
        sheet->m_general->m_password->SetText(u"ganz-neu");
        sheet->m_general->m_folder->setCurrentIndex(0);
        sheet->m_udf->m_name->setText(QStringLiteral("PIN"));
        sheet->m_udf->m_value->setText(QStringLiteral("1234"));
        ASSERT_TRUE(sheet->m_udf->OnAdd());
        sheet->m_history->m_historySize->setValue(3);
        EXPECT_FALSE(sheet->OnOk());
        EXPECT_EQ(store->replaces, 1);
        EXPECT_EQ(sheet->result(), QDialog::Rejected);
        EXPECT_EQ(sheet->GetStoredItem(), nullptr);
        EXPECT_EQ(sheet->GetFolderId(), PasswordADT::Category::kUnassignedId);
    }
    {
        auto sheet = NewSheet(1);
        sheet->m_general->m_description->setText(QStringLiteral("Neu"));
        EXPECT_FALSE(sheet->OnOk());
        EXPECT_EQ(store->adds, 1);
        EXPECT_EQ(sheet->result(), QDialog::Rejected);
        EXPECT_EQ(sheet->GetStoredItem(), nullptr);
    }
    EXPECT_EQ(data.Folders()[1]->Entries()[0], original);
    EXPECT_EQ(ItemBytes(*original), itemBefore);
    EXPECT_TRUE(original->GetPassword().Equals(std::u16string_view(u"aktuell-1")));
    EXPECT_EQ(TestSupport::Snapshot(data), memoryBefore);
    EXPECT_EQ(TestSupport::ReadBytes(Path()), fileBefore);
    EXPECT_EQ(index.Count(), 0u);
}

TEST_F(PasswordSheetTest, EditedEntryIsANewItemInTheOriginalsPlace) {
    ScriptedResponder responder;
    auto second = std::make_shared<PasswordItem>();
    second->SetDescription(u"Volksbank");
    ASSERT_TRUE(store->AddEntry(data.Folders()[1]->GetId(), second));
    const PasswordADT::PasswordItemRef original = data.Folders()[1]->Entries()[0];
    const auto itemBefore = ItemBytes(*original);
    auto sheet = EditSheet();
    sheet->m_general->m_userName->setText(QStringLiteral("neuer-kunde"));
    ASSERT_TRUE(sheet->OnOk());
    EXPECT_EQ(store->replaces, 1);
    const auto& entries = data.Folders()[1]->Entries();
    ASSERT_EQ(entries.size(), 2u);
    // Same place, new item; whoever still holds the original sees it unchanged.
    EXPECT_EQ(entries[0], sheet->GetStoredItem());
    EXPECT_NE(entries[0], original);
    EXPECT_EQ(entries[1], second);
    EXPECT_EQ(entries[0]->GetUserName().View(), u"neuer-kunde");
    EXPECT_EQ(ItemBytes(*original), itemBefore);
    EXPECT_EQ(sheet->GetFolderId(), data.Folders()[1]->GetId());
    EXPECT_EQ(TestSupport::Snapshot(Reload()), TestSupport::Snapshot(data));
}

TEST_F(PasswordSheetTest, AutoCompletionIndexFollowsTheStoredItem) {
    ScriptedResponder responder;
    {
        // Make the entry one that the index offers.
        auto sheet = EditSheet();
        sheet->m_autoCompletion->m_windows->setEditText(QStringLiteral("Terminal"));
        ASSERT_TRUE(sheet->m_autoCompletion->TakeWindow());
        ASSERT_TRUE(sheet->OnOk());
    }
    const PasswordADT::PasswordItemRef first = data.Folders()[1]->Entries()[0];
    ASSERT_EQ(index.Count(), 1u);
    auto matches = index.FindMatches(data, u"Terminal");
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].item, first);
    {
        auto sheet = EditSheet();
        sheet->m_general->m_description->setText(QStringLiteral("Sparkasse neu"));
        ASSERT_TRUE(sheet->OnOk());
    }
    // first is still held here, so only its removal keeps it out of the index.
    EXPECT_EQ(index.Count(), 1u);
    matches = index.FindMatches(data, u"Terminal");
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].item, data.Folders()[1]->Entries()[0]);
    EXPECT_EQ(matches[0].item->GetDescription().View(), u"Sparkasse neu");
    // Without a target window the stored item no longer qualifies.
    const PasswordADT::PasswordItemRef second = data.Folders()[1]->Entries()[0];
    {
        auto sheet = EditSheet();
        sheet->m_autoCompletion->Reset();
        ASSERT_TRUE(sheet->OnOk());
    }
    EXPECT_NE(data.Folders()[1]->Entries()[0], second);
    EXPECT_EQ(index.Count(), 0u);
}

TEST_F(PasswordSheetTest, PasswordChangeKeepsHistoryAndMovesFolder) {
    ScriptedResponder responder;
    const PasswordADT::PasswordItemRef original = data.Folders()[1]->Entries()[0];
    const auto itemBefore = ItemBytes(*original);
    auto sheet = EditSheet();
    sheet->m_general->m_password->SetText(u"ganz-neu");
    sheet->m_general->m_folder->setCurrentIndex(0);
    ASSERT_TRUE(sheet->OnOk());
    EXPECT_EQ(sheet->GetFolderId(), data.Folders()[0]->GetId());
    EXPECT_EQ(sheet->GetStoredItem(), data.Folders()[0]->Entries()[0]);
    const PasswordData fresh = Reload();
    ASSERT_EQ(fresh.Folders()[0]->Entries().size(), 1u);
    EXPECT_EQ(fresh.Folders()[1]->Entries().size(), 0u);
    const PasswordItem& stored = *fresh.Folders()[0]->Entries()[0];
    EXPECT_TRUE(stored.GetPassword().Equals(std::u16string_view(u"ganz-neu")));
    EXPECT_EQ(stored.GetPasswordHistory().Count(), 2u);
    EXPECT_EQ(TestSupport::Snapshot(fresh), TestSupport::Snapshot(data));
    EXPECT_NE(sheet->GetStoredItem(), original);
    EXPECT_EQ(ItemBytes(*original), itemBefore);
}

TEST_F(PasswordSheetTest, HistoryPageAsksBeforeDroppingTheHistory) {
    ScriptedResponder responder;
    auto sheet = EditSheet();
    responder.Then(QMessageBox::No);
    sheet->m_history->m_keepHistory->setChecked(false);
    EXPECT_TRUE(sheet->m_history->m_keepHistory->isChecked());
    EXPECT_EQ(responder.Seen().back().text, QStringLiteral("Sollen die Einträge in der Passworthistorie gelöscht werden?"));
    responder.Then(QMessageBox::Yes);
    sheet->m_history->m_keepHistory->setChecked(false);
    EXPECT_FALSE(sheet->m_history->m_keepHistory->isChecked());
    EXPECT_EQ(sheet->m_history->m_list->topLevelItemCount(), 0);
    EXPECT_FALSE(sheet->m_history->m_historySize->isEnabled());
    ASSERT_TRUE(sheet->OnOk());
    EXPECT_EQ(Reload().Folders()[1]->Entries()[0]->GetPasswordHistory().Count(), 0u);
}

TEST_F(PasswordSheetTest, DuplicateDescriptionAsksOnce) {
    ScriptedResponder responder;
    auto sheet = NewSheet(1);
    sheet->m_general->m_description->setText(QStringLiteral("Sparkasse"));
    responder.Then(1); // No: choose another name
    EXPECT_FALSE(sheet->OnOk());
    EXPECT_EQ(responder.Seen().back().caption, QStringLiteral("Passwortinformationen bereits vorhanden"));
    EXPECT_EQ(data.Folders()[1]->Entries().size(), 1u);
    responder.Then(0);
    EXPECT_TRUE(sheet->OnOk());
    EXPECT_EQ(Reload().Folders()[1]->Entries().size(), 2u);
}

TEST_F(PasswordSheetTest, GeneratorFillsEmptyFieldAndAsksBeforeReplacing) {
    ScriptedResponder responder;
    CPasswordSheet::SetGeneratorRunner([](QWidget*, SecureString& out) {
        out.Assign(u"Generiert-1");
        return true;
    });
    auto sheet = NewSheet(0);
    sheet->m_general->OnGenerator();
    EXPECT_TRUE(responder.Seen().empty());
    SecureString value;
    sheet->m_general->m_password->GetSecureText(value);
    EXPECT_TRUE(value.Equals(std::u16string_view(u"Generiert-1")));
    sheet->m_general->m_password->SetText(u"eigenes");
    responder.Then(QMessageBox::No);
    sheet->m_general->OnGenerator();
    EXPECT_EQ(responder.Seen().back().text,
              QStringLiteral("Möchten Sie das akuelle Passwort durch das generierte Passwort ersetzen?"));
    sheet->m_general->m_password->GetSecureText(value);
    EXPECT_TRUE(value.Equals(std::u16string_view(u"eigenes")));
    responder.Then(QMessageBox::Yes);
    sheet->m_general->OnGenerator();
    sheet->m_general->m_password->GetSecureText(value);
    EXPECT_TRUE(value.Equals(std::u16string_view(u"Generiert-1")));
}

TEST_F(PasswordSheetTest, WindowListFailureAndBrowseButton) {
    ScriptedResponder responder;
    windows.fail = true;
    auto sheet = NewSheet(0);
    EXPECT_EQ(responder.Seen().back().text,
              QStringLiteral("Es ist ein anwendungsspezifischer bei der Initialisierung der Anwendungsliste aufgetreten."));
    QString seenTitle;
    CPasswordSheet::SetFileChooser([&](QWidget*, const QString& title, const QString&) {
        seenTitle = title;
        return QStringLiteral("/usr/bin/programm");
    });
    sheet->m_internet->OnBrowse();
    EXPECT_EQ(seenTitle, QStringLiteral("Programm öffnen"));
    EXPECT_EQ(sheet->m_internet->m_url->text(), QStringLiteral("/usr/bin/programm"));
}

TEST_F(PasswordSheetTest, PropertiesListTheEntryFacts) {
    PasswordItem& item = *data.Folders()[1]->Entries()[0];
    item.SetValidityMode(static_cast<std::uint32_t>(PasswordADT::ValidityMode::Days));
    item.SetExpiry(10);
    const auto rows = CTWPropertySheet::BuildRows(*data.Folders()[1], item, 1600000000 + 3 * 86400);
    QStringList names;
    for (const auto& row : rows) {
        names << row.first;
    }
    EXPECT_EQ(names, (QStringList{"Ordner", "Erstelldatum", "Änderungsdatum", "Letzte Passwörtänderung", "Gültigkeit",
                                  "", "", "Passworthistorie", "Benutzerdefinierte Felder", "Auto-Vervollständigung"}));
    EXPECT_EQ(rows[0].second, QStringLiteral("Banken"));
    EXPECT_EQ(rows[4].second, QStringLiteral("aktiv"));
    EXPECT_EQ(rows[6].second, QStringLiteral("Es verbleiben noch 7 Tag(e)."));
    EXPECT_EQ(rows[7].second, QStringLiteral("1"));
    EXPECT_EQ(rows[8].second, QStringLiteral("nicht verwendet"));
    const auto expired = CTWPropertySheet::BuildRows(*data.Folders()[1], item, 1600000000 + 30 * 86400);
    EXPECT_TRUE(expired[5].second.endsWith(QStringLiteral(" - abgelaufen")));
    EXPECT_EQ(expired[6].second, QStringLiteral("Dass Passwort ist abgelaufen!"));
    CTWPropertySheet sheet(data, 1, 0);
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Passworteigenschaften"));
    EXPECT_EQ(sheet.GetList()->topLevelItemCount(), 10);
    TestSupport::Screenshot(sheet, QStringLiteral("editor-properties"));
}

// Runs only on a real X server (see tests/CMakeLists.txt).
TEST(WindowListX11, ListsAMappedTopLevelWindow) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        GTEST_SKIP() << "needs the xcb platform";
    }
    QWidget window;
    window.setWindowTitle(QStringLiteral("Tarnwick Testfenster Äö"));
    window.resize(200, 100);
    window.show();
    bool found = false;
    auto list = Platform::CreateX11WindowList();
    for (int attempt = 0; attempt < 50 && !found; ++attempt) {
        QApplication::processEvents();
        QApplication::sync();
        for (const auto& title : list->TopLevelWindowTitles()) {
            found = found || title == u"Tarnwick Testfenster Äö";
        }
    }
    EXPECT_TRUE(found);
}

} // namespace
