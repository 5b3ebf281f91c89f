// The main window over a real database file: opening, locking, inactivity, session locks,
// clipboard, folder and entry commands, and the requests it takes from elsewhere.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QApplication>
#include <QTimer>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>
#include <QMimeData>
#include <QSignalSpy>

#include "MainFrameTestSupport.h"
#include "app/mainframe/CommandIds.h"
#include "app/mainframe/AboutDialog.h"
#include "app/mainframe/CaptionBar.h"
#include "app/views/EntryDrag.h"
#include "app/views/InformationPanel.h"
#include "app/views/PasswordView.h"
#include "model/Sorters.h"
#include "support/DatabaseFixture.h"

namespace MainFrameTest {
namespace {

using namespace Tarnwick::Commands;
using Tarnwick::PasswordADT::PasswordData;
using Tarnwick::Views::FolderToTreeVisualizer;
using Tarnwick::Views::PasswordListModel;
using QMB = QMessageBox;

// Folders A (0), B (1, in A), C (2), D (3, in A); entry n lies in folder n % 4.
PasswordData FourFolders() { return TestSupport::MakeVault(4, 12); }

QTreeWidgetItem* ItemOf(Tarnwick::Views::CFolderTreeCtrl* tree, std::size_t position) {
    return FolderToTreeVisualizer::FindFolderItem(*tree, position);
}

// What the window system delivers for a drop: the drag enters the tree, then is released
// over the item. Whether the drop was taken.
bool DropOn(Tarnwick::Views::CFolderTreeCtrl* tree, QTreeWidgetItem* target, const QMimeData* mime) {
    tree->expandAll();
    const QPointF position(tree->visualItemRect(target).center());
    QDragEnterEvent enter(position.toPoint(), Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &enter);
    QDropEvent drop(position, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &drop);
    QCoreApplication::processEvents();
    return enter.isAccepted() && drop.isAccepted();
}

TEST_F(MainFrameFixture, OpensTheDatabaseAndListsTheFirstFolder) {
    Open(FourFolders());
    ASSERT_TRUE(frame->IsLoaded());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Tarnwick 2010"));
    QTreeWidgetItem* root = FolderToTreeVisualizer::RootItem(*Tree());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), QStringLiteral("Passwortordner"));
    // By index, descending: the last stored folders first.
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(0)->text(0), QStringLiteral("Ordner C"));
    EXPECT_EQ(root->child(1)->text(0), QStringLiteral("Ordner A"));
    ASSERT_EQ(root->child(1)->childCount(), 2);
    EXPECT_EQ(root->child(1)->child(0)->text(0), QStringLiteral("Ordner D"));

    EXPECT_EQ(Tree()->currentItem(), root->child(0));
    EXPECT_EQ(frame->SelectedFolder(), std::optional<std::size_t>(2));
    EXPECT_EQ(frame->View()->ListCaption(), QStringLiteral("Ordner C"));
    EXPECT_EQ(ListedDescriptions(), (std::vector<std::u16string>{u"Eintrag 10", u"Eintrag 6", u"Eintrag 2"}));
    EXPECT_EQ(frame->StatusText(), QStringLiteral("Bereit"));
    EXPECT_EQ(frame->ClipboardIndicatorText(), QStringLiteral("Zwischenablage: Leer"));
    EXPECT_EQ(frame->Index().Count(), 12u);
    EXPECT_TRUE(responder->Seen().empty());

    Tree()->setCurrentItem(root);
    EXPECT_FALSE(frame->SelectedFolder().has_value());
    EXPECT_EQ(frame->View()->ListCaption(), QStringLiteral("Passwortordner"));
    EXPECT_EQ(List()->InformationText(), QStringLiteral("Kein Ordner gewählt."));
    EXPECT_EQ(Model()->rowCount(), 0);
}

TEST_F(MainFrameFixture, AnEmptyFolderSaysSo) {
    PasswordData data;
    data.AddFolder(u"Leer");
    Open(data);
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_EQ(List()->InformationText(), QStringLiteral("Dieser Ordner ist leer."));
}

TEST_F(MainFrameFixture, AFailedLoadLeavesTheWindowUnloaded) {
    CreateDatabase(FourFolders());
    typedPassword = u"falsch";
    frame = std::make_unique<Tarnwick::CMainFrame>(settings, dir.Path() / "fehlt.twdb", Login(kUser, kPassword),
                                                   Environment());
    EXPECT_FALSE(frame->IsLoaded());
    EXPECT_TRUE(ShownTexts().join('|').contains(QStringLiteral("nicht vorhanden")));
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
}

TEST_F(MainFrameFixture, LockingEmptiesTheViewsAndTheRightCredentialsRefillThem) {
    Open(FourFolders());
    frame->ExecuteCommand(ID_WORKSPACE_LOCK);
    ASSERT_TRUE(frame->IsLocked());
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_FALSE(Tree()->isEnabled());
    EXPECT_FALSE(List()->isEnabled());
    EXPECT_EQ(frame->StatusText(), QStringLiteral("Gesperrt"));
    EXPECT_EQ(frame->Action(ID_WORKSPACE_LOCK)->text(), QStringLiteral("Arbeitsbereich freigeben"));
    EXPECT_EQ(frame->Action(ID_WORKSPACE_LOCK)->toolTip(), QStringLiteral("Gibt den Arbeitsbereich wieder frei."));
    EXPECT_FALSE(frame->IsCommandEnabled(ID_FOLDER_NEW));
    EXPECT_FALSE(frame->IsCommandEnabled(ID_TOGGLE_PASSWORDS));
    // The data stays in memory; only the views are empty.
    EXPECT_EQ(frame->Data().EntryCount(), 12u);

    frame->ExecuteCommand(ID_WORKSPACE_LOCK);
    EXPECT_FALSE(frame->IsLocked());
    EXPECT_EQ(reAuthentications, 1);
    EXPECT_EQ(reAuthenticatedPath, DatabasePath());
    EXPECT_EQ(frame->StatusText(), QStringLiteral("Bereit"));
    EXPECT_TRUE(Tree()->isEnabled());
    EXPECT_EQ(ListedDescriptions().size(), 3u);
    EXPECT_EQ(frame->Action(ID_WORKSPACE_LOCK)->text(), QStringLiteral("Arbeitsbereich sperren"));
    EXPECT_EQ(frame->Action(ID_WORKSPACE_LOCK)->toolTip(), QStringLiteral("Sperrt den gesamten Arbeitsbereich."));
}

TEST_F(MainFrameFixture, WrongCredentialsKeepTheWorkspaceLocked) {
    Open(FourFolders());
    frame->ToggleLock();
    ASSERT_TRUE(frame->IsLocked());

    reAuthenticationAnswer = false; // cancelled or refused by the dialog
    frame->ToggleLock();
    EXPECT_TRUE(frame->IsLocked());

    // A dialog that says yes to other credentials does not unlock either.
    reAuthenticationAnswer = true;
    typedPassword = u"Sesam öffne dich?";
    frame->ToggleLock();
    EXPECT_TRUE(frame->IsLocked());
    typedPassword = kPassword;
    typedUser = u"alice";
    frame->ToggleLock();
    EXPECT_TRUE(frame->IsLocked());
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
    EXPECT_EQ(frame->StatusText(), QStringLiteral("Gesperrt"));
    EXPECT_EQ(reAuthentications, 3);

    typedUser = kUser;
    frame->ToggleLock();
    EXPECT_FALSE(frame->IsLocked());
}

TEST_F(MainFrameFixture, AFailingUnlockDialogIsCaughtLoggedAndStaysLocked) {
    Open(FourFolders());
    frame->ExecuteCommand(ID_WORKSPACE_LOCK);
    const std::size_t before = LogLines();
    reAuthenticationThrows = true;
    frame->ExecuteCommand(ID_WORKSPACE_LOCK);
    EXPECT_TRUE(frame->IsLocked());
    EXPECT_GT(LogLines(), before);
    ASSERT_EQ(responder->Seen().size(), 1u);
    EXPECT_EQ(responder->Seen().front().icon, QMessageBox::Critical);
    // The guard is released: the next attempt asks again.
    reAuthenticationThrows = false;
    frame->ExecuteCommand(ID_WORKSPACE_LOCK);
    EXPECT_FALSE(frame->IsLocked());
}

TEST_F(MainFrameFixture, InactivityLocksAfterTheSetTimeWhileActive) {
    settings.workspaceLockSeconds = 60;
    settings.saveMainWindowPosition = false; // no stored placement: the watch starts all the same
    Open(FourFolders());
    EXPECT_TRUE(frame->IsTimerRunning(4));
    EXPECT_FALSE(frame->IsTimerRunning(2));
    frame->OnTimer(4);
    EXPECT_FALSE(frame->IsTimerRunning(4));
    EXPECT_TRUE(frame->IsTimerRunning(2));

    active = true;
    idle->idle = 59'000;
    frame->OnTimer(2);
    EXPECT_FALSE(frame->IsLocked());
    idle->idle = 60'999; // 60 whole seconds are not more than 60
    frame->OnTimer(2);
    EXPECT_FALSE(frame->IsLocked());
    idle->idle = std::nullopt; // the idle time cannot be told: nothing happens
    frame->OnTimer(2);
    EXPECT_FALSE(frame->IsLocked());

    // A disabled window (a dialog in front) postpones the lock.
    idle->idle = 61'000;
    frame->setEnabled(false);
    frame->OnTimer(2);
    EXPECT_FALSE(frame->IsLocked());
    frame->setEnabled(true);
    frame->OnTimer(2);
    EXPECT_TRUE(frame->IsLocked());
    EXPECT_FALSE(frame->IsTimerRunning(2));
    EXPECT_EQ(frame->StatusText(), QStringLiteral("Gesperrt"));
}

TEST_F(MainFrameFixture, InactivityCountsFromTheLastActiveMomentWhileInactive) {
    settings.workspaceLockSeconds = 60;
    Open(FourFolders());
    frame->OnTimer(4);
    idle->idle = 0;
    frame->OnTimer(2); // active: the last-activity tick is now
    active = false;
    idle->idle = 10'000'000; // the display's idle time does not count for an inactive window
    tick += 60'900;
    frame->OnTimer(2);
    EXPECT_FALSE(frame->IsLocked());
    tick += 200;
    frame->OnTimer(2);
    EXPECT_TRUE(frame->IsLocked());

    // Unlocking starts the watch again.
    frame->ToggleLock();
    EXPECT_FALSE(frame->IsLocked());
    EXPECT_TRUE(frame->IsTimerRunning(2));
}

TEST_F(MainFrameFixture, NoInactivityWatchWhenTheSettingIsOff) {
    Open(FourFolders());
    EXPECT_FALSE(frame->IsTimerRunning(4));
    EXPECT_FALSE(frame->IsTimerRunning(2));
    ApplicationSettings::Settings previous = settings;
    settings.workspaceLockSeconds = 5;
    frame->ApplySettings(previous);
    EXPECT_TRUE(frame->IsTimerRunning(2));
    previous = settings;
    settings.workspaceLockSeconds = 0;
    frame->ApplySettings(previous);
    EXPECT_FALSE(frame->IsTimerRunning(2));
}

TEST_F(MainFrameFixture, SessionLockAndSuspendLockTheWorkspace) {
    settings.autoLockWorkspace = true;
    Open(FourFolders());
    ASSERT_TRUE(session->IsRegistered());
    session->Emit(Tarnwick::Platform::SessionEvent::Locked);
    EXPECT_TRUE(frame->IsLocked());
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
    // Already locked: stays locked and no unlock dialog appears.
    session->Emit(Tarnwick::Platform::SessionEvent::Suspending);
    EXPECT_TRUE(frame->IsLocked());
    EXPECT_EQ(reAuthentications, 0);

    frame->ToggleLock();
    session->Emit(Tarnwick::Platform::SessionEvent::Suspending);
    EXPECT_TRUE(frame->IsLocked());
    frame->ToggleLock();
    session->Emit(Tarnwick::Platform::SessionEvent::LoggedOff);
    EXPECT_TRUE(frame->IsLocked());
}

TEST_F(MainFrameFixture, SessionEventsAreIgnoredWhileTheOptionIsOff) {
    Open(FourFolders());
    EXPECT_FALSE(session->IsRegistered());
    session->Emit(Tarnwick::Platform::SessionEvent::Locked);
    EXPECT_FALSE(frame->IsLocked());

    ApplicationSettings::Settings previous = settings;
    settings.autoLockWorkspace = true;
    frame->ApplySettings(previous);
    EXPECT_TRUE(session->IsRegistered());
    EXPECT_EQ(session->registrations, 1);
    frame->ApplySettings(settings);
    EXPECT_EQ(session->registrations, 1);
    previous = settings;
    settings.autoLockWorkspace = false;
    frame->ApplySettings(previous);
    EXPECT_FALSE(session->IsRegistered());
}

TEST_F(MainFrameFixture, CopiedFieldsAreClearedByTheTimer) {
    settings.clipboardClearSeconds = 30;
    Open(FourFolders());
    EXPECT_FALSE(frame->IsCommandEnabled(ID_COPY_PASSWORD)); // nothing selected
    SelectRow(0);
    ASSERT_TRUE(frame->IsCommandEnabled(ID_COPY_PASSWORD));
    frame->ExecuteCommand(ID_COPY_PASSWORD);
    EXPECT_EQ(clipboard->text, u"P@ß wörd 10");
    EXPECT_EQ(frame->ClipboardIndicatorText(), QStringLiteral("Zwischenablage: Passwort"));
    EXPECT_TRUE(frame->IsTimerRunning(1));
    frame->ExecuteCommand(ID_COPY_USERNAME);
    EXPECT_EQ(clipboard->text, u"benutzer10@example.org");
    EXPECT_EQ(frame->ClipboardIndicatorText(), QStringLiteral("Zwischenablage: Benutzername"));
    frame->ExecuteCommand(ID_COPY_URL);
    EXPECT_EQ(frame->ClipboardIndicatorText(), QStringLiteral("Zwischenablage: Url/Programm"));
    frame->ExecuteCommand(ID_COPY_EMAIL);
    EXPECT_EQ(clipboard->text, u"mail10@example.org");
    frame->ExecuteCommand(ID_COPY_DESCRIPTION);
    EXPECT_EQ(clipboard->text, u"Eintrag 10");
    EXPECT_EQ(clipboard->copies, 5);

    frame->OnTimer(1);
    EXPECT_EQ(clipboard->clears, 1);
    EXPECT_TRUE(clipboard->text.empty());
    EXPECT_FALSE(frame->IsTimerRunning(1));
    EXPECT_EQ(frame->ClipboardIndicatorText(), QStringLiteral("Zwischenablage: Leer"));

    // Another program takes the clipboard: the indicator empties and the timer stops.
    frame->ExecuteCommand(ID_COPY_PASSWORD);
    clipboard->TakenByAnotherProgram();
    EXPECT_FALSE(frame->IsTimerRunning(1));
    EXPECT_EQ(frame->ClipboardIndicatorText(), QStringLiteral("Zwischenablage: Leer"));

    frame->ExecuteCommand(ID_COPY_PASSWORD);
    frame->ExecuteCommand(ID_CLEAR_CLIPBOARD);
    EXPECT_FALSE(frame->IsTimerRunning(1));
    EXPECT_EQ(clipboard->clears, 2);
}

TEST_F(MainFrameFixture, AClearingDelayOfZeroNeverStartsTheTimer) {
    settings.clipboardClearSeconds = 0;
    Open(FourFolders());
    SelectRow(1);
    frame->ExecuteCommand(ID_COPY_PASSWORD);
    EXPECT_EQ(clipboard->text, u"P@ß wörd 6");
    EXPECT_FALSE(frame->IsTimerRunning(1));
}

TEST_F(MainFrameFixture, AFailingClipboardIsReportedAndLogged) {
    Open(FourFolders());
    SelectRow(0);
    clipboard->failCopy = true;
    const std::size_t before = LogLines();
    frame->ExecuteCommand(ID_COPY_PASSWORD);
    EXPECT_GT(LogLines(), before);
    ASSERT_EQ(ShownTexts().size(), 1);
    EXPECT_EQ(ShownTexts().front(), QStringLiteral("Die Daten konnten nicht in die Zwischenablage kopiert werden."));
    EXPECT_FALSE(frame->IsTimerRunning(1));
    EXPECT_EQ(frame->ClipboardIndicatorText(), QStringLiteral("Zwischenablage: Leer"));
}

TEST_F(MainFrameFixture, PasswordsAreMaskedUntilShown) {
    Open(FourFolders());
    const QString mask = QString(8, QChar(0x25CF));
    EXPECT_EQ(Model()->index(0, PasswordListModel::kUserName).data().toString(), mask);
    EXPECT_EQ(Model()->index(0, PasswordListModel::kPassword).data().toString(), mask);
    EXPECT_EQ(frame->Action(ID_TOGGLE_PASSWORDS)->text(), QStringLiteral("Passwörter anzeigen"));
    EXPECT_TRUE(frame->IsCommandEnabled(ID_SHOW_PASSWORDS));
    EXPECT_FALSE(frame->IsCommandEnabled(ID_HIDE_PASSWORDS));

    frame->ExecuteCommand(ID_TOGGLE_PASSWORDS);
    EXPECT_EQ(Model()->index(0, PasswordListModel::kUserName).data().toString(), QStringLiteral("benutzer10@example.org"));
    // The shown password is no text of the model: the cell's delegate paints it from the
    // entry's secure string.
    const QModelIndex cell = Model()->index(0, PasswordListModel::kPassword);
    EXPECT_TRUE(cell.data().toString().isEmpty());
    EXPECT_TRUE(Model()->ShowsPasswordAt(cell));
    StringServiceProvider::PlainString revealed;
    ASSERT_TRUE(Model()->RevealPasswordAt(cell, revealed));
    EXPECT_EQ(revealed.View(), std::u16string_view(u"P@ß wörd 10"));
    EXPECT_FALSE(Model()->ShowsPasswordAt(Model()->index(0, PasswordListModel::kUserName)));
    EXPECT_EQ(frame->Action(ID_TOGGLE_PASSWORDS)->text(), QStringLiteral("Passwörter verbergen"));
    EXPECT_TRUE(frame->IsCommandEnabled(ID_HIDE_PASSWORDS));

    frame->ExecuteCommand(ID_HIDE_PASSWORDS);
    EXPECT_EQ(Model()->index(0, PasswordListModel::kPassword).data().toString(), mask);
    EXPECT_FALSE(Model()->ShowsPasswordAt(cell));
    EXPECT_FALSE(Model()->RevealPasswordAt(cell, revealed));
    EXPECT_TRUE(revealed.View().empty());
}

TEST_F(MainFrameFixture, EveryBuiltCommandIsEnabled) {
    Open(FourFolders());
    SelectRow(0);
    for (int id : {ID_UPDATES, ID_WORKSPACE_LOCK, ID_MINIMIZE_TO_TRAY, ID_HELP_MANUAL, ID_COPY_PASSWORD, ID_PASSWORD_DELETE,
                   ID_PASSWORD_DUPLICATE, ID_FOLDER_NEW, ID_FOLDER_RENAME, ID_FOLDER_DELETE, ID_APP_ABOUT,
                   ID_PASSWORD_NEW, ID_PASSWORD_EDIT, ID_PASSWORD_PROPERTIES, ID_PASSWORD_GENERATOR,
                   ID_DATABASE_REORGANIZE, ID_DATABASE_CHANGE_PASSWORD, ID_DATABASE_PROPERTIES, ID_DATABASE_DELETE,
                   ID_DATABASE_BACKUP, ID_PRINT, ID_PRINT_PREVIEW, ID_SEARCH, ID_DATABASE_EXPORT, ID_DATABASE_IMPORT,
                   ID_DATABASE_IMPORT_EXTERNAL, ID_OPTIONS}) {
        EXPECT_TRUE(frame->IsCommandEnabled(id)) << id;
    }
    // Without the log-in side the database session commands cannot run.
    EXPECT_FALSE(frame->IsCommandEnabled(ID_DATABASE_OPEN));
    frame->SetLogInAgain([](QWidget*, std::filesystem::path&, Tarnwick::LoginCredentials&) { return false; });
    EXPECT_TRUE(frame->IsCommandEnabled(ID_DATABASE_OPEN));
    EXPECT_TRUE(frame->IsCommandEnabled(ID_DATABASE_LOGOFF));
}

TEST_F(MainFrameFixture, EntryCommandsOpenTheEntrySheet) {
    Open(FourFolders());
    SelectRow(0);
    const auto before = TestSupport::Snapshot(frame->Data());
    for (int id : {ID_PASSWORD_NEW, ID_PASSWORD_EDIT, ID_PASSWORD_PROPERTIES, ID_PASSWORD_GENERATOR}) {
        QString seen;
        QTimer::singleShot(0, [&seen] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                seen = QString::fromLatin1(modal->metaObject()->className());
                modal->close();
            }
        });
        frame->ExecuteCommand(id);
        EXPECT_FALSE(seen.isEmpty()) << id;
    }
    // Closing the sheets changed nothing.
    EXPECT_EQ(TestSupport::Snapshot(frame->Data()), before);
}

TEST_F(MainFrameFixture, ListSortingByEveryKeyAndDirection) {
    PasswordData data;
    auto folder = data.AddFolder(u"Sortiert");
    struct Row {
        const char16_t* description;
        std::int64_t created, modified, expiry;
    };
    for (const Row& row : {Row{u"delta", 300, 100, 5000}, Row{u"Alpha", 100, 400, 2000}, Row{u"charlie", 400, 200, 9000},
                           Row{u"Bravo", 200, 300, 1000}}) {
        auto item = std::make_shared<Tarnwick::PasswordADT::PasswordItem>();
        item->SetDescription(row.description);
        item->SetCreationTime(row.created);
        item->SetModificationTime(row.modified);
        item->SetValidityMode(1);
        item->SetExpiry(row.expiry);
        folder->Entries().push_back(item);
    }
    Open(data);
    using V = std::vector<std::u16string>;
    auto sorted = [&](int key, int direction) {
        frame->ExecuteCommand(key);
        frame->ExecuteCommand(direction);
        EXPECT_EQ(settings.listSortKey, key);
        EXPECT_EQ(settings.listSortDirection, direction);
        EXPECT_TRUE(frame->Action(key)->isChecked());
        return ListedDescriptions();
    };
    auto reversed = [](V v) {
        std::reverse(v.begin(), v.end());
        return v;
    };
    const V index{u"delta", u"Alpha", u"charlie", u"Bravo"};
    const V name{u"Alpha", u"Bravo", u"charlie", u"delta"};
    const V created{u"Alpha", u"Bravo", u"delta", u"charlie"};
    const V modified{u"delta", u"charlie", u"Bravo", u"Alpha"};
    const V expiry{u"Bravo", u"Alpha", u"delta", u"charlie"};
    // The default: by index, descending.
    EXPECT_EQ(ListedDescriptions(), reversed(index));
    EXPECT_EQ(sorted(ID_LIST_SORT_INDEX, ID_LIST_SORT_ASCENDING), index);
    EXPECT_EQ(sorted(ID_LIST_SORT_NAME, ID_LIST_SORT_ASCENDING), name);
    EXPECT_EQ(sorted(ID_LIST_SORT_NAME, ID_LIST_SORT_DESCENDING), reversed(name));
    EXPECT_EQ(sorted(ID_LIST_SORT_CREATION, ID_LIST_SORT_ASCENDING), created);
    EXPECT_EQ(sorted(ID_LIST_SORT_CREATION, ID_LIST_SORT_DESCENDING), reversed(created));
    EXPECT_EQ(sorted(ID_LIST_SORT_MODIFICATION, ID_LIST_SORT_ASCENDING), modified);
    EXPECT_EQ(sorted(ID_LIST_SORT_MODIFICATION, ID_LIST_SORT_DESCENDING), reversed(modified));
    EXPECT_EQ(sorted(ID_LIST_SORT_EXPIRY, ID_LIST_SORT_ASCENDING), expiry);
    EXPECT_EQ(sorted(ID_LIST_SORT_EXPIRY, ID_LIST_SORT_DESCENDING), reversed(expiry));
    EXPECT_EQ(sorted(ID_LIST_SORT_INDEX, ID_LIST_SORT_DESCENDING), reversed(index));

    // A stored key that names no sort empties the list with the message.
    settings.listSortKey = 4711;
    frame->ApplySettings(ApplicationSettings::Settings());
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_TRUE(ShownTexts().contains(QStringLiteral("Ungültige Sortierung der Passwörter.")));
}

TEST_F(MainFrameFixture, FolderSortingReordersTheTree) {
    Open(FourFolders());
    frame->ExecuteCommand(ID_FOLDER_SORT_NAME);
    frame->ExecuteCommand(ID_FOLDER_SORT_ASCENDING);
    QTreeWidgetItem* root = FolderToTreeVisualizer::RootItem(*Tree());
    EXPECT_EQ(root->child(0)->text(0), QStringLiteral("Ordner A"));
    EXPECT_EQ(root->child(0)->child(0)->text(0), QStringLiteral("Ordner B"));
    EXPECT_EQ(Tree()->currentItem(), root->child(0));
    EXPECT_EQ(frame->SelectedFolder(), std::optional<std::size_t>(0));
    EXPECT_EQ(settings.folderSortKey, ID_FOLDER_SORT_NAME);
    EXPECT_EQ(settings.folderSortDirection, ID_FOLDER_SORT_ASCENDING);
}

TEST_F(MainFrameFixture, RenamingInPlaceIsSaved) {
    Open(FourFolders());
    frame->show();
    QTreeWidgetItem* item = ItemOf(Tree(), 2);
    Tree()->setCurrentItem(item);
    frame->ExecuteCommand(ID_FOLDER_RENAME);
    auto* editor = Tree()->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->maxLength(), 74);
    editor->setText(QStringLiteral("Banken & Börse"));
    QTest::keyClick(editor, Qt::Key_Return);
    // The edit is committed from the event loop, and the rename is posted from there.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->Data().Folders()[2]->GetName().View(), u"Banken & Börse");
    EXPECT_EQ(ItemOf(Tree(), 2)->text(0), QStringLiteral("Banken & Börse"));
    EXPECT_EQ(frame->View()->ListCaption(), QStringLiteral("Banken & Börse"));
    const PasswordData reloaded = Reload();
    EXPECT_EQ(reloaded.Folders()[2]->GetName().View(), u"Banken & Börse");
    EXPECT_EQ(reloaded.EntryCount(), 12u);
}

TEST_F(MainFrameFixture, ReservedAndSiblingNamesAreRefused) {
    Open(FourFolders());
    QTreeWidgetItem* d = ItemOf(Tree(), 3);
    const QModelIndex index = Tree()->IndexOf(d);
    for (const char* name : {"BACKUP", "Recycle Bin", "papelera DE RECICLAJE", "Cestino"}) {
        EXPECT_FALSE(Tree()->EndLabelEdit(index, QString::fromUtf8(name))) << name;
    }
    EXPECT_EQ(ShownTexts().count(QStringLiteral("Dieser Ordnername ist reserviert. Verwenden Sie einen anderen Namen.")), 4);
    const auto shown = responder->Seen().size();
    EXPECT_FALSE(Tree()->EndLabelEdit(index, QStringLiteral("Ordner B"))); // a sibling's name
    EXPECT_FALSE(Tree()->EndLabelEdit(index, QStringLiteral("Ordner D"))); // unchanged
    EXPECT_FALSE(Tree()->EndLabelEdit(index, QString()));
    EXPECT_EQ(responder->Seen().size(), shown);
    // The name of a folder elsewhere in the tree is fine.
    EXPECT_TRUE(Tree()->EndLabelEdit(index, QStringLiteral("Ordner C")));
    QCoreApplication::processEvents();
    EXPECT_EQ(Reload().Folders()[3]->GetName().View(), u"Ordner C");
}

TEST_F(MainFrameFixture, DroppingAnEntryOnAFolderMovesAndSavesIt) {
    Open(FourFolders());
    frame->show();
    QTreeWidgetItem* target = ItemOf(Tree(), 0);
    std::unique_ptr<QMimeData> mime(Model()->mimeData({Model()->index(0, PasswordListModel::kDescription)}));
    ASSERT_NE(mime, nullptr);
    responder->Then(QMB::Yes);
    EXPECT_TRUE(DropOn(Tree(), target, mime.get()));

    ASSERT_EQ(ShownTexts().size(), 1);
    EXPECT_EQ(ShownTexts().front(),
              QStringLiteral("Möchten Sie das Passwort \"Eintrag 10\" in den Ordner \"Ordner A\" verschieben?"));
    EXPECT_EQ(frame->Data().Folders()[0]->Entries().back()->GetDescription().View(), u"Eintrag 10");
    EXPECT_EQ(frame->Data().Folders()[2]->Entries().size(), 2u);
    EXPECT_EQ(ListedDescriptions(), (std::vector<std::u16string>{u"Eintrag 6", u"Eintrag 2"}));
    EXPECT_EQ(frame->SelectedFolder(), std::optional<std::size_t>(2));
    const PasswordData reloaded = Reload();
    EXPECT_EQ(TestSupport::Snapshot(reloaded), TestSupport::Snapshot(frame->Data()));
    EXPECT_EQ(reloaded.Folders()[0]->Entries().back()->GetDescription().View(), u"Eintrag 10");
}

TEST_F(MainFrameFixture, MovingSeveralEntriesMovesExactlyThoseEntries) {
    settings.listSortDirection = ID_LIST_SORT_ASCENDING; // rows in storage order
    settings.confirmDragDropMove = false;
    Open(FourFolders());
    frame->show();
    // The first and the last entry of the folder: moving the first must not shift the second.
    List()->selectionModel()->select(Model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    List()->selectionModel()->select(Model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    std::unique_ptr<QMimeData> mime(Model()->mimeData(List()->selectionModel()->selectedIndexes()));
    EXPECT_TRUE(DropOn(Tree(), ItemOf(Tree(), 3), mime.get()));
    EXPECT_TRUE(responder->Seen().empty()) << ShownTexts().join('|').toStdString();
    const PasswordData reloaded = Reload();
    ASSERT_EQ(reloaded.Folders()[3]->Entries().size(), 5u);
    EXPECT_EQ(reloaded.Folders()[3]->Entries()[3]->GetDescription().View(), u"Eintrag 2");
    EXPECT_EQ(reloaded.Folders()[3]->Entries()[4]->GetDescription().View(), u"Eintrag 10");
    ASSERT_EQ(reloaded.Folders()[2]->Entries().size(), 1u);
    EXPECT_EQ(reloaded.Folders()[2]->Entries()[0]->GetDescription().View(), u"Eintrag 6");
}

TEST_F(MainFrameFixture, DropsOntoTheRootOrTheSameFolderOrFromOutsideMoveNothing) {
    settings.confirmDragDropMove = false;
    Open(FourFolders());
    frame->show();
    auto dropOn = [&](QTreeWidgetItem* target, QMimeData* mime) { return DropOn(Tree(), target, mime); };
    const auto before = TestSupport::Snapshot(frame->Data());
    std::unique_ptr<QMimeData> own(Model()->mimeData({Model()->index(0, 0)}));
    EXPECT_TRUE(dropOn(FolderToTreeVisualizer::RootItem(*Tree()), own.get()));
    EXPECT_TRUE(dropOn(ItemOf(Tree(), 2), own.get()));
    EXPECT_EQ(ShownTexts(), (QStringList{QStringLiteral("Das Passwort kann nicht hierher verschoben werden."),
                                        QStringLiteral("Das Passwort gehört bereits zu diesem Ordner.")}));
    // Another program's drop with the same type carries no valid token.
    QMimeData forged;
    QByteArray payload(16, 'x');
    payload.append(QByteArray::fromHex("00000001") + QByteArray(16, '\0'));
    forged.setData(QString::fromLatin1(Tarnwick::Views::kEntryMimeType), payload);
    EXPECT_FALSE(dropOn(ItemOf(Tree(), 0), &forged));
    EXPECT_EQ(ShownTexts().size(), 2);
    EXPECT_EQ(TestSupport::Snapshot(frame->Data()), before);
    EXPECT_EQ(TestSupport::Snapshot(Reload()), before);
}

TEST_F(MainFrameFixture, NewFoldersKeepTheEntriesOfTheFile) {
    Open(FourFolders());
    Tree()->setCurrentItem(ItemOf(Tree(), 0));
    frame->ExecuteCommand(ID_FOLDER_NEW);
    Tree()->setCurrentItem(ItemOf(Tree(), 0));
    frame->ExecuteCommand(ID_FOLDER_NEW);
    ASSERT_EQ(frame->Data().FolderCount(), 6u);
    EXPECT_EQ(frame->Data().Folders()[4]->GetName().View(), u"Neuer Ordner");
    EXPECT_EQ(frame->Data().Folders()[5]->GetName().View(), u"Neuer Ordner (1)");
    EXPECT_EQ(frame->Data().Folders()[4]->GetParentId(), frame->Data().Folders()[0]->GetId());
    EXPECT_EQ(frame->Data().Folders()[5]->GetParentId(), frame->Data().Folders()[0]->GetId());
    EXPECT_EQ(frame->SelectedFolder(), std::optional<std::size_t>(5));
    // The new folder block moves the entry records: all entries must still be there.
    const PasswordData reloaded = Reload();
    EXPECT_EQ(TestSupport::Snapshot(reloaded), TestSupport::Snapshot(frame->Data()));
    EXPECT_EQ(reloaded.EntryCount(), 12u);

    // Below the root: a top-level folder.
    Tree()->setCurrentItem(FolderToTreeVisualizer::RootItem(*Tree()));
    frame->ExecuteCommand(ID_FOLDER_NEW);
    EXPECT_TRUE(frame->Data().Folders().back()->IsTopLevel());
    EXPECT_EQ(frame->Data().Folders().back()->GetName().View(), u"Neuer Ordner");
}

TEST_F(MainFrameFixture, DeletingAFolderRemovesItsSubtreeFromTheFile) {
    Open(FourFolders());
    Tree()->setCurrentItem(ItemOf(Tree(), 0));
    responder->Then(QMB::Yes);
    frame->ExecuteCommand(ID_FOLDER_DELETE);
    EXPECT_EQ(ShownTexts().front(), QStringLiteral("Sind Sie sicher, dass Sie den Ordner \"Ordner A\" mit sämtlichen "
                                                   "Passwortinformationen und ggf. allen Unterordnern unwiderruflich "
                                                   "löschen möchten?"));
    ASSERT_EQ(frame->Data().FolderCount(), 1u);
    const PasswordData reloaded = Reload();
    ASSERT_EQ(reloaded.FolderCount(), 1u);
    EXPECT_EQ(reloaded.Folders()[0]->GetName().View(), u"Ordner C");
    EXPECT_EQ(reloaded.EntryCount(), 3u);
    EXPECT_EQ(frame->SelectedFolder(), std::optional<std::size_t>(0));
    EXPECT_EQ(frame->Index().Count(), 3u);
}

TEST_F(MainFrameFixture, DeletingAndDuplicatingEntriesIsSaved) {
    Open(FourFolders());
    SelectRow(1); // "Eintrag 6"
    responder->Then(QMB::No);
    frame->ExecuteCommand(ID_PASSWORD_DELETE);
    EXPECT_EQ(frame->Data().EntryCount(), 12u);
    responder->Then(QMB::Yes);
    frame->ExecuteCommand(ID_PASSWORD_DELETE);
    EXPECT_EQ(ShownTexts().back(), QStringLiteral("Sind Sie sicher, dass Sie die gewählte(n) Passwortinformation(en) "
                                                  "unwiderruflich löschen möchten?"));
    EXPECT_EQ(ListedDescriptions(), (std::vector<std::u16string>{u"Eintrag 10", u"Eintrag 2"}));
    EXPECT_EQ(Reload().EntryCount(), 11u);
    EXPECT_EQ(frame->Index().Count(), 11u);

    SelectRow(0); // "Eintrag 10"
    frame->ExecuteCommand(ID_PASSWORD_DUPLICATE);
    const PasswordData reloaded = Reload();
    ASSERT_EQ(reloaded.Folders()[2]->Entries().size(), 3u);
    EXPECT_EQ(reloaded.Folders()[2]->Entries().back()->GetDescription().View(), u"Eintrag 10 - Kopie");
    EXPECT_EQ(TestSupport::Snapshot(reloaded), TestSupport::Snapshot(frame->Data()));
}

TEST_F(MainFrameFixture, FieldsAndHistoryCanBeEmptied) {
    Open(FourFolders());
    SelectRow(0);
    auto* panel = frame->View()->InformationPanel();
    EXPECT_EQ(panel->FieldList()->topLevelItemCount(), 1);
    EXPECT_EQ(panel->HistoryList()->topLevelItemCount(), 1);
    EXPECT_EQ(panel->HistoryList()->topLevelItem(0)->text(1), QString(8, QChar(0x25CF)));
    EXPECT_EQ(frame->View()->CommentWindow()->Description(), QStringLiteral("Eintrag 10"));
    responder->Then(QMB::Yes);
    frame->ExecuteCommand(ID_CLEAR_FIELDS);
    EXPECT_EQ(ShownTexts().back(), QStringLiteral("Sind Sie sicher, dass Sie alle benutzerdefinierten Felder von "
                                                  "\"Eintrag 10\" löschen möchten?"));
    responder->Then(QMB::Yes);
    frame->ExecuteCommand(ID_RESET_HISTORY);
    EXPECT_EQ(panel->FieldList()->topLevelItemCount(), 0);
    EXPECT_EQ(panel->HistoryList()->topLevelItemCount(), 0);
    const PasswordData reloaded = Reload();
    const auto& entry = *reloaded.Folders()[2]->Entries()[2];
    EXPECT_EQ(entry.GetUserDefinedFields().Count(), 0u);
    EXPECT_EQ(entry.GetPasswordHistory().Count(), 0u);
}

TEST_F(MainFrameFixture, AutoCompletionIsTypedOnlyForRequestsFromInside) {
    Open(FourFolders());
    auto runner = std::make_shared<FakeRunner>();
    frame->SetAutoCompletionRunner(runner);
    // Another process asking to type an entry is refused and logged.
    const std::size_t before = LogLines();
    EXPECT_EQ(frame->HandleInstanceRequest(Tarnwick::CMainFrame::kAutoCompletion, 0, (1 << 16) | 2), -1);
    EXPECT_EQ(frame->HandleInstanceRequest(Tarnwick::CMainFrame::kAutoCompletion, 1, 32997), -1);
    QCoreApplication::processEvents();
    EXPECT_EQ(runner->runs, 0);
    EXPECT_GT(LogLines(), before);
    EXPECT_TRUE(responder->Seen().empty());

    frame->RequestAutoCompletion(2, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(runner->runs, 1);
    EXPECT_EQ(runner->last, u"Eintrag 6");

    frame->RequestAutoCompletion(9, 0);
    frame->RequestAutoCompletion(2, 7);
    runner->valid = false;
    frame->RequestAutoCompletion(2, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(ShownTexts(), (QStringList{QStringLiteral("Es ist ein Fehler beim Auslesen der Ordnerinformationen aufgetreten."),
                                        QStringLiteral("Es ist ein Fehler beim Auslesen der Passwortinformationen aufgetreten."),
                                        QStringLiteral("Die Auto-Vervollständigungs Sequenz ist ungültig.")}));

    // A failing executor is caught where the request is handled, logged and reported.
    runner->fails = true;
    const std::size_t logged = LogLines();
    frame->RequestAutoCompletion(2, 0);
    QCoreApplication::processEvents();
    EXPECT_GT(LogLines(), logged);
    EXPECT_EQ(ShownTexts().size(), 4);
    EXPECT_EQ(ShownTexts().back(), QStringLiteral("Es ist ein Fehler beim Auslesen der Passwortinformationen aufgetreten."));

    frame->ToggleLock();
    frame->RequestAutoCompletionChoice(Tarnwick::CMainFrame::kChoiceNewEntry);
    QCoreApplication::processEvents();
    ASSERT_EQ(responder->Seen().size(), 5u);
    EXPECT_EQ(responder->Seen().back().caption, QStringLiteral("Arbeitsbereich ist gesperrt"));
    EXPECT_EQ(responder->Seen().back().text, QStringLiteral("Um die Auto-Vervollständigung ausführen zu können, "
                                                            "geben Sie den Arbeitsbereich wieder frei."));
}

TEST_F(MainFrameFixture, TheTrayHoldsTheWindowUntilRestored) {
    Open(FourFolders());
    frame->show();
    frame->ExecuteCommand(ID_MINIMIZE_TO_TRAY);
    EXPECT_TRUE(tray->shown);
    EXPECT_EQ(tray->tip, QStringLiteral("Tarnwick 2010"));
    EXPECT_EQ(tray->balloonText, QStringLiteral("Tarnwick wurde in den Infobereich minimiert."));
    EXPECT_FALSE(frame->isVisible());
    tray->Activate(Tarnwick::MainFrame::INotificationIcon::Activation::DoubleClick);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_FALSE(tray->shown);

    // A second instance's restore request.
    frame->ExecuteCommand(ID_MINIMIZE_TO_TRAY);
    EXPECT_EQ(frame->HandleInstanceRequest(Tarnwick::CMainFrame::kTrayMessage, 0,
                                           static_cast<std::intptr_t>(Tarnwick::CMainFrame::kLeftButtonDoubleClick)),
              0);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_FALSE(tray->shown);

    // Without a notification area the window stays where it is.
    tray->available = false;
    frame->ExecuteCommand(ID_MINIMIZE_TO_TRAY);
    EXPECT_TRUE(frame->isVisible());
}

TEST_F(MainFrameFixture, ClosingWipesTheSessionAndReportsIt) {
    settings.clearClipboardOnExit = true;
    Open(FourFolders());
    frame->show();
    QSignalSpy closing(frame.get(), &Tarnwick::CMainFrame::Closing);
    frame->ExecuteCommand(ID_APP_EXIT);
    QCoreApplication::processEvents();
    EXPECT_EQ(closing.count(), 1);
    EXPECT_FALSE(frame->isVisible());
    EXPECT_TRUE(frame->DatabasePath().empty());
    EXPECT_EQ(frame->Data().FolderCount(), 0u);
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
    EXPECT_EQ(clipboard->clears, 1);
    EXPECT_EQ(frame->View()->CommentWindow()->Description(), QStringLiteral("kein Element gewählt"));
    EXPECT_NE(settings.mainBottom, -1); // the placement went into the settings
}

TEST_F(MainFrameFixture, LoggingOffOpensTheNextDatabase) {
    Open(FourFolders());
    PasswordData other;
    other.AddFolder(u"Zweite");
    const auto second = dir.Path() / "Zweite.twdb";
    {
        Tarnwick::CDatabase database(databaseUi, second);
        ASSERT_TRUE(database.CreateWithContent(Login(u"Bob", u"geheim"), Tarnwick::CDatabase::kAes, other));
    }
    std::filesystem::path preset{"unset"};
    frame->SetLogInAgain([&](QWidget*, std::filesystem::path& path, Tarnwick::LoginCredentials& credentials) {
        preset = path;
        path = second;
        credentials = Login(u"Bob", u"geheim");
        return true;
    });
    frame->ToggleLock();
    frame->ToggleLock();
    responder->Then(QMB::Yes);
    frame->ExecuteCommand(ID_DATABASE_LOGOFF);
    EXPECT_EQ(ShownTexts().back(), QStringLiteral("Sind Sie sicher, dass Sie sich jetzt abmelden möchten?"));
    EXPECT_TRUE(preset.empty());
    EXPECT_EQ(frame->DatabasePath(), second);
    EXPECT_EQ(frame->Data().FolderCount(), 1u);
    EXPECT_EQ(frame->View()->ListCaption(), QStringLiteral("Zweite"));
    EXPECT_TRUE(frame->isEnabled());

    // Opening the same database again does nothing; another one is chosen in the file dialog.
    chosenFile = DatabasePath();
    frame->SetLogInAgain([&](QWidget*, std::filesystem::path& path, Tarnwick::LoginCredentials& credentials) {
        preset = path;
        credentials = Login(kUser, kPassword);
        return true;
    });
    frame->ExecuteCommand(ID_DATABASE_OPEN);
    EXPECT_EQ(preset, DatabasePath());
    EXPECT_EQ(frame->Data().FolderCount(), 4u);
    EXPECT_FALSE(frame->IsLocked());
}

TEST_F(MainFrameFixture, TheUpdateOfferAppearsInTheMessageBar) {
    Open(FourFolders());
    frame->StartUpdateOfferTimer();
    QCoreApplication::processEvents();
    EXPECT_TRUE(frame->IsTimerRunning(3));
    frame->OnTimer(3);
    EXPECT_FALSE(frame->IsTimerRunning(3));
    EXPECT_EQ(frame->MessageBar()->Text(), QStringLiteral("Es ist eine neue Version von Tarnwick verfügbar."));
    EXPECT_EQ(frame->MessageBar()->ButtonText(), QStringLiteral("Jetzt aktualisieren"));
    EXPECT_EQ(frame->MessageBar()->Command(), ID_UPDATES);
}

TEST_F(MainFrameFixture, TheUpdateCommandClosesTheProgramOnlyForTheExecutor) {
    Open(FourFolders());
    frame->show();
    ASSERT_TRUE(frame->IsCommandEnabled(ID_UPDATES));
    updateResult = 6; // declined
    frame->ExecuteCommand(ID_UPDATES);
    EXPECT_EQ(statusDuringUpdate, QStringLiteral("Püfe auf Updates..."));
    EXPECT_EQ(frame->StatusText(), QStringLiteral("Bereit"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(frame->isVisible());

    // The offer's button runs the same command; the executor waits for the program to end.
    settings.minimizeToTrayOnClose = true;
    frame->StartUpdateOfferTimer();
    QCoreApplication::processEvents();
    frame->OnTimer(3);
    updateResult = 0;
    frame->MessageBar()->findChild<QPushButton*>()->click();
    EXPECT_EQ(frame->StatusText(), QStringLiteral("Bereit"));
    QTRY_VERIFY(!frame->isVisible());
    EXPECT_FALSE(tray->IsShown());
}

TEST_F(MainFrameFixture, HelpAndAddressesGoToTheDesktop) {
    Open(FourFolders());
    frame->ExecuteCommand(ID_HELP_MANUAL);
    EXPECT_EQ(ShownTexts(), QStringList{QStringLiteral("Das Benutzerhandbuch konnte nicht gefunden werden.")});
    frame->ExecuteCommand(ID_SUPPORT);
    frame->ExecuteCommand(ID_FEEDBACK);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_TRUE(opened[0].startsWith(QStringLiteral("https://")));
    EXPECT_TRUE(opened[1].startsWith(QStringLiteral("mailto:")));
    EXPECT_TRUE(QUrl::fromPercentEncoding(opened[1].toUtf8()).contains(QStringLiteral("subject=Feedback zu Tarnwick 1.")));

    SelectRow(0);
    settings.bringTargetToFront = false;
    frame->ExecuteCommand(ID_RUN_URL);
    EXPECT_EQ(opened.back(), QStringLiteral("https://login.example.org/10"));
}

TEST_F(MainFrameFixture, VisualStylesAreAppliedAndUnknownOnesReported) {
    Open(FourFolders());
    frame->ExecuteCommand(ID_STYLE_BLACK);
    EXPECT_EQ(settings.visualStyleType, ID_STYLE_BLACK);
    EXPECT_EQ(frame->property("visualStyle").toInt(), ID_STYLE_BLACK);
    EXPECT_TRUE(frame->Action(ID_STYLE_BLACK)->isChecked());
    settings.visualStyleType = 42017;
    frame->ApplySettings(settings);
    EXPECT_EQ(ShownTexts(), QStringList{QStringLiteral("Es wurde ein unbekannter Stil ausgewählt.")});
    EXPECT_EQ(frame->property("visualStyle").toInt(), ID_STYLE_BLACK);
}

TEST_F(MainFrameFixture, RecentDatabasesAreNumberedAndTheFirstFiveOpen) {
    for (int i = 11; i >= 1; --i) {
        settings.recentDatabases.items.push_back({u"/home/alice/db" + std::u16string(1, static_cast<char16_t>(u'a' + i)) +
                                                      u".twdb",
                                                  0});
    }
    std::reverse(settings.recentDatabases.items.begin(), settings.recentDatabases.items.end());
    Open(FourFolders());
    frame->SetLogInAgain([](QWidget*, std::filesystem::path&, Tarnwick::LoginCredentials&) { return false; });
    auto* menu = frame->findChild<QMenu*>(QStringLiteral("ApplicationMenu"));
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    auto* recent = frame->findChild<QMenu*>(QStringLiteral("RecentDatabases"));
    ASSERT_NE(recent, nullptr);
    const QList<QAction*> actions = recent->actions();
    ASSERT_EQ(actions.size(), 11);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("&1 dbb.twdb"));
    EXPECT_EQ(actions[8]->text(), QStringLiteral("&9 dbj.twdb"));
    EXPECT_EQ(actions[9]->text(), QStringLiteral("1&0 dbk.twdb"));
    EXPECT_EQ(actions[10]->text(), QStringLiteral("dbl.twdb"));
    EXPECT_EQ(actions[0]->toolTip(), QStringLiteral("/home/alice/dbb.twdb"));
    EXPECT_EQ(actions[0]->data().toInt(), ID_RECENT_DATABASE_FIRST);
    EXPECT_TRUE(actions[4]->isEnabled());
    EXPECT_FALSE(actions[5]->isEnabled());
}

TEST(MainFrameAbout, VersionLineAndComponents) {
    Tarnwick::MainFrame::CAboutDialog dialog;
    EXPECT_TRUE(dialog.VersionLine().startsWith(QStringLiteral("Version 2010 (Build 1.")));
    EXPECT_TRUE(dialog.VersionLine().endsWith(QStringLiteral(") %1-Bit").arg(sizeof(void*) * 8)));
    EXPECT_EQ(dialog.ComponentList()->headerItem()->text(0), QStringLiteral("Komponente"));
    EXPECT_EQ(dialog.ComponentList()->headerItem()->text(1), QStringLiteral("Version"));
    EXPECT_EQ(dialog.ComponentList()->topLevelItemCount(), 8);
    EXPECT_TRUE(Tarnwick::MainFrame::CAboutDialog::SystemInformation().contains(QStringLiteral("Kernel")));
}

} // namespace
} // namespace MainFrameTest
