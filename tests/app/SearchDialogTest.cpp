// Search in the main window: the search dialog with its kept terms, the hits in the list,
// the filter field above the list, and the choice of an entry for a program.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "AppTestSupport.h"
#include "MainFrameTestSupport.h"
#include "app/dialogs/SearchCommands.h"
#include "app/dialogs/SearchDialog.h"
#include "app/dialogs/SelectPasswordItemDialog.h"
#include "app/mainframe/CommandIds.h"
#include "app/views/PasswordDataTreeCtrl.h"
#include "editor/PasswordSheet.h"

namespace MainFrameTest {
namespace {

using namespace Tarnwick::Commands;
using Tarnwick::PasswordADT::PasswordData;
using Tarnwick::PasswordADT::PasswordItem;
using QMB = QMessageBox;

std::shared_ptr<PasswordItem> Entry(std::u16string_view description, std::u16string_view user,
                                    std::u16string_view comment, std::u16string_view url) {
    auto item = std::make_shared<PasswordItem>();
    item->SetDescription(description);
    item->SetUserName(user);
    item->SetComment(comment);
    item->SetUrl(url);
    return item;
}

// "Banken" (0) and "Privat" (1); "bank" is a word in one field of each entry but the last.
PasswordData BankVault() {
    PasswordData data;
    auto banks = data.AddFolder(u"Banken");
    auto home = data.AddFolder(u"Privat");
    banks->Entries().push_back(Entry(u"Bank Login", u"anna", u"", u"https://login.example/"));
    banks->Entries().push_back(Entry(u"Bankkonto", u"bank", u"", u""));
    home->Entries().push_back(Entry(u"meine bank", u"bert", u"Notiz zur bank", u""));
    home->Entries().push_back(Entry(u"Post", u"post", u"Bankkonto online_bank", u"bank.exe"));
    home->Entries().push_back(Entry(u"Zeitung", u"leser", u"Abo", u"https://zeitung.example/"));
    return data;
}

class SearchFixture : public MainFrameFixture {
protected:
    void SetUp() override {
        MainFrameFixture::SetUp();
        Tarnwick::Search::CachedSearchTerms().Clear();
    }
    void TearDown() override {
        Tarnwick::Search::CachedSearchTerms().Clear();
        MainFrameFixture::TearDown();
    }

    // "Suchen" with the text and scope typed into the dialog; false when no dialog came.
    bool SearchFor(const QString& text, int scope, bool keep = false) {
        bool shown = false;
        AppTest::DialogDriverScope driver([&](QDialog& dialog) {
            auto* search = qobject_cast<Tarnwick::CSearchDialog*>(&dialog);
            if (search == nullptr) {
                return;
            }
            shown = true;
            search->GetTextBox()->setEditText(text);
            search->GetScopeBox()->setCurrentIndex(scope);
            search->GetKeepTermBox()->setChecked(keep);
            search->GetSearchButton()->click();
        });
        frame->ExecuteCommand(ID_SEARCH);
        return shown;
    }

    QLineEdit* Filter() const { return frame->View()->FilterEdit(); }
    // Types into the filter field and waits until the list followed.
    void Type(const QString& text) {
        QTest::keyClicks(Filter(), text);
        QTest::qWait(Tarnwick::Dialogs::QuickSearch::kTypingPauseMs * 2);
    }
    bool RootIsCurrent() const { return Tarnwick::Views::IsRootItem(Tree()->currentItem()); }
};

TEST_F(SearchFixture, EachScopeFindsItsField) {
    Open(BankVault());
    ASSERT_TRUE(frame->IsCommandEnabled(ID_SEARCH));
    ASSERT_TRUE(frame->SelectFolder(1));
    SelectRow(0);

    ASSERT_TRUE(SearchFor(QStringLiteral("bank"), 0));
    EXPECT_TRUE(frame->IsSearchResultMode());
    EXPECT_TRUE(RootIsCurrent());
    EXPECT_FALSE(frame->SelectedFolder().has_value());
    EXPECT_FALSE(frame->SelectedEntry().has_value());
    EXPECT_EQ(ListedDescriptions(), (std::vector<std::u16string>{u"Bank Login", u"meine bank"}));
    EXPECT_EQ(frame->View()->ListCaption(), QStringLiteral("Suchergebniss: 2 Passwortinformationen gefunden"));

    ASSERT_TRUE(SearchFor(QStringLiteral("BANK"), 1));
    EXPECT_EQ(ListedDescriptions(), (std::vector<std::u16string>{u"Bankkonto"}));
    EXPECT_EQ(frame->View()->ListCaption(), QStringLiteral("Suchergebniss: 1 Passwortinformationen gefunden"));

    // In the comment of "Post" the word stands only inside other words.
    ASSERT_TRUE(SearchFor(QStringLiteral("Bank"), 2));
    EXPECT_EQ(ListedDescriptions(), (std::vector<std::u16string>{u"meine bank"}));

    ASSERT_TRUE(SearchFor(QStringLiteral("bank"), 3));
    EXPECT_EQ(ListedDescriptions(), (std::vector<std::u16string>{u"Post"}));

    // A hit can be chosen and copied like any row.
    SelectRow(0);
    EXPECT_TRUE(frame->IsCommandEnabled(ID_COPY_URL));
    // Choosing a folder ends the search result.
    ASSERT_TRUE(frame->SelectFolder(0));
    EXPECT_FALSE(frame->IsSearchResultMode());
    EXPECT_EQ(ListedDescriptions().size(), 2u);
}

TEST_F(SearchFixture, TheCaptionCountsTheHitsThatAreLeft) {
    Open(BankVault());
    ASSERT_TRUE(SearchFor(QStringLiteral("bank"), 0));
    SelectRow(0);
    responder->Then(QMB::Yes);
    frame->ExecuteCommand(ID_PASSWORD_DELETE);
    EXPECT_TRUE(frame->IsSearchResultMode());
    EXPECT_EQ(ListedDescriptions(), (std::vector<std::u16string>{u"meine bank"}));
    EXPECT_EQ(frame->View()->ListCaption(), QStringLiteral("Suchergebniss: 1 Passwortinformationen gefunden"));
}

TEST_F(SearchFixture, ASearchWithoutHitsSaysSo) {
    Open(BankVault());
    ASSERT_TRUE(SearchFor(QStringLiteral("ban"), 0));
    EXPECT_TRUE(frame->IsSearchResultMode());
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_EQ(frame->View()->ListCaption(), QStringLiteral("Suchergebniss: 0 Passwortinformationen gefunden"));
    EXPECT_EQ(List()->InformationText(), QStringLiteral("Die Suche ergab keine Ergebnisse."));
}

TEST_F(SearchFixture, AnEmptyTextOrCancelChangesNothing) {
    Open(BankVault());
    ASSERT_TRUE(frame->SelectFolder(1));
    SelectRow(1);
    const QString caption = frame->View()->ListCaption();
    const auto rows = ListedDescriptions();

    ASSERT_TRUE(SearchFor(QString(), 0));
    {
        AppTest::DialogDriverScope driver([](QDialog& dialog) {
            static_cast<Tarnwick::CSearchDialog&>(dialog).GetTextBox()->setEditText(QStringLiteral("bank"));
            dialog.reject();
        });
        frame->ExecuteCommand(ID_SEARCH);
    }
    EXPECT_FALSE(frame->IsSearchResultMode());
    EXPECT_EQ(frame->SelectedFolder(), std::optional<std::size_t>(1));
    EXPECT_EQ(frame->SelectedEntry(), std::optional<std::size_t>(1));
    EXPECT_EQ(frame->View()->ListCaption(), caption);
    EXPECT_EQ(ListedDescriptions(), rows);
    EXPECT_TRUE(responder->Seen().empty());
}

TEST_F(SearchFixture, ADatabaseWithoutEntriesIsNotSearched) {
    PasswordData empty;
    empty.AddFolder(u"Allgemein");
    Open(empty);
    EXPECT_FALSE(frame->IsCommandEnabled(ID_SEARCH));
    bool shown = false;
    AppTest::DialogDriverScope driver([&](QDialog&) { shown = true; });
    Tarnwick::Dialogs::SearchCommands(*frame).Search();
    EXPECT_FALSE(shown);
    EXPECT_EQ(ShownTexts(), QStringList{QStringLiteral("Es sind keine Passwortinformationen vorhanden.")});
}

TEST_F(SearchFixture, TheDialogKeepsTermsOnceAndForgetsThemOnRequest) {
    Open(BankVault());
    Tarnwick::Search::SearchTermCache& cache = Tarnwick::Search::CachedSearchTerms();
    {
        Tarnwick::CSearchDialog dialog(cache);
        // Nothing kept yet: one empty item, chosen; the scope starts at the description.
        ASSERT_EQ(dialog.GetTextBox()->count(), 1);
        EXPECT_TRUE(dialog.GetTextBox()->currentText().isEmpty());
        EXPECT_EQ(dialog.GetScopeBox()->count(), 4);
        EXPECT_EQ(dialog.GetScopeBox()->currentText(), QStringLiteral("Beschreibung"));
        EXPECT_EQ(dialog.GetScopeBox()->itemText(1), QStringLiteral("Benutzername"));
        EXPECT_EQ(dialog.GetScopeBox()->itemText(2), QStringLiteral("Kommentar"));
        EXPECT_EQ(dialog.GetScopeBox()->itemText(3), QStringLiteral("Url"));
    }
    ASSERT_TRUE(SearchFor(QStringLiteral("Bank"), 0, true));
    ASSERT_TRUE(SearchFor(QStringLiteral("BANK"), 0, true));
    ASSERT_TRUE(SearchFor(QStringLiteral("Post"), 0, false));
    ASSERT_TRUE(SearchFor(QStringLiteral("Zeitung"), 0, true));
    ASSERT_EQ(cache.Terms().size(), 2u);
    EXPECT_EQ(cache.Terms()[0].View(), u"Bank");
    EXPECT_EQ(cache.Terms()[1].View(), u"Zeitung");

    Tarnwick::CSearchDialog dialog(cache);
    ASSERT_EQ(dialog.GetTextBox()->count(), 2);
    EXPECT_EQ(dialog.GetTextBox()->itemText(0), QStringLiteral("Zeitung"));
    EXPECT_EQ(dialog.GetTextBox()->itemText(1), QStringLiteral("Bank"));
    EXPECT_EQ(dialog.GetTextBox()->currentText(), QStringLiteral("Zeitung"));
    emit dialog.GetClearCacheLink()->linkActivated(QStringLiteral("clear"));
    EXPECT_EQ(dialog.GetTextBox()->count(), 0);
    EXPECT_TRUE(cache.Terms().empty());
}

TEST_F(SearchFixture, TheFilterFieldSearchesAllFieldsAsTheUserTypes) {
    Open(BankVault());
    ASSERT_TRUE(frame->SelectFolder(1));
    Filter()->setFocus();
    // Keys only start the pause; the search follows when the typing stops.
    QTest::keyClicks(Filter(), QStringLiteral("ba"));
    EXPECT_FALSE(frame->IsSearchResultMode());
    EXPECT_EQ(ListedDescriptions().size(), 3u);
    Type(QStringLiteral("n"));
    // A part of a word finds nothing, as in the dialog.
    EXPECT_TRUE(frame->IsSearchResultMode());
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_EQ(List()->InformationText(), QStringLiteral("Die Suche ergab keine Ergebnisse."));
    Type(QStringLiteral("k"));
    EXPECT_EQ(ListedDescriptions(),
              (std::vector<std::u16string>{u"Bank Login", u"Bankkonto", u"meine bank", u"Post"}));
    EXPECT_EQ(frame->View()->ListCaption(), QStringLiteral("Suchergebniss: 4 Passwortinformationen gefunden"));
    EXPECT_FALSE(frame->SelectedFolder().has_value());

    // Escape empties the field and brings the folder back.
    QTest::keyClick(Filter(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_TRUE(Filter()->text().isEmpty());
    EXPECT_FALSE(frame->IsSearchResultMode());
    EXPECT_EQ(frame->SelectedFolder(), std::optional<std::size_t>(1));
    EXPECT_EQ(ListedDescriptions().size(), 3u);

    // Choosing a folder in the tree ends the filter and keeps that folder.
    Type(QStringLiteral("abo"));
    EXPECT_EQ(ListedDescriptions(), (std::vector<std::u16string>{u"Zeitung"}));
    Tree()->setCurrentItem(Tarnwick::Views::FolderToTreeVisualizer::FindFolderItem(*Tree(), 0));
    QCoreApplication::processEvents();
    EXPECT_TRUE(Filter()->text().isEmpty());
    EXPECT_FALSE(frame->IsSearchResultMode());
    EXPECT_EQ(frame->SelectedFolder(), std::optional<std::size_t>(0));

    // Locking empties and disables the field.
    Type(QStringLiteral("post"));
    frame->ToggleLock();
    QCoreApplication::processEvents();
    EXPECT_FALSE(Filter()->isEnabled());
    EXPECT_TRUE(Filter()->text().isEmpty());
    EXPECT_EQ(Model()->rowCount(), 0);
}

TEST_F(SearchFixture, TheDialogTakesOverFromTheFilter) {
    Open(BankVault());
    Type(QStringLiteral("post"));
    ASSERT_TRUE(SearchFor(QStringLiteral("zeitung"), 0));
    EXPECT_TRUE(Filter()->text().isEmpty());
    EXPECT_EQ(ListedDescriptions(), (std::vector<std::u16string>{u"Zeitung"}));
    QCoreApplication::processEvents();
    EXPECT_TRUE(frame->IsSearchResultMode());
}

TEST_F(SearchFixture, TheSelectionDialogAcceptsEntriesOnly) {
    Open(BankVault());
    Tarnwick::CSelectPasswordItemDialog dialog(DatabasePath(), frame->Data());
    ASSERT_TRUE(dialog.Fill());
    Tarnwick::TreeProvider::PasswordDataTreeCtrl* tree = dialog.GetTree();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Passwortinformation auswählen"));
    EXPECT_EQ(tree->RootItem()->text(0), QStringLiteral("Passwortdatenbank: Konten.twdb"));
    EXPECT_FALSE(dialog.GetOkButton()->isEnabled());
    tree->setCurrentItem(tree->findItems(QStringLiteral("Privat"), Qt::MatchRecursive).front());
    EXPECT_FALSE(dialog.GetOkButton()->isEnabled());
    tree->setCurrentItem(tree->findItems(QStringLiteral("Post"), Qt::MatchRecursive).front());
    EXPECT_TRUE(dialog.GetOkButton()->isEnabled());
    tree->setCurrentItem(tree->RootItem());
    EXPECT_FALSE(dialog.GetOkButton()->isEnabled());
    // A double click on an entry chooses it.
    QTreeWidgetItem* post = tree->findItems(QStringLiteral("Post"), Qt::MatchRecursive).front();
    emit tree->itemDoubleClicked(post, 0);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetChosenEntry(), std::optional<Tarnwick::Views::EntryPosition>(Tarnwick::Views::EntryPosition(1, 1)));
}

TEST_F(SearchFixture, AssigningAProgramOpensTheChosenEntry) {
    Open(BankVault());
    Type(QStringLiteral("bank"));
    AppTest::DialogDriverScope driver([](QDialog& dialog) {
        auto* select = qobject_cast<Tarnwick::CSelectPasswordItemDialog*>(&dialog);
        ASSERT_NE(select, nullptr);
        auto* tree = select->GetTree();
        tree->setCurrentItem(tree->findItems(QStringLiteral("meine bank"), Qt::MatchRecursive).front());
        select->GetOkButton()->click();
    });
    QString opened;
    std::optional<std::size_t> folder;
    std::optional<std::size_t> entry;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* sheet = qobject_cast<Tarnwick::CPasswordSheet*>(QApplication::activeModalWidget())) {
            opened = sheet->windowTitle();
            folder = frame->SelectedFolder();
            entry = frame->SelectedEntry();
            sheet->reject();
        }
    });
    closer.start(0);
    frame->RequestAutoCompletionChoice(Tarnwick::CMainFrame::kChoiceAssignEntry);
    QCoreApplication::processEvents();
    closer.stop();
    EXPECT_EQ(opened, QStringLiteral("meine bank - Passwort bearbeiten"));
    EXPECT_EQ(folder, std::optional<std::size_t>(1));
    EXPECT_EQ(entry, std::optional<std::size_t>(0));
    EXPECT_TRUE(Filter()->text().isEmpty());
}

} // namespace
} // namespace MainFrameTest
