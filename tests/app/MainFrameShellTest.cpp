// The main window as a shell: another program's changes survive every command, a store that
// fails leaves window and file alike, entry addresses and programs are started only safely,
// and everything is reachable from the keyboard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>

#include <set>

#include "MainFrameTestSupport.h"
#include "app/mainframe/AboutDialog.h"
#include "app/mainframe/CaptionBar.h"
#include "app/mainframe/CommandBar.h"
#include "app/mainframe/CommandIds.h"
#include "database/EmberkiteEngine.h"
#include "support/DatabaseFixture.h"
#include "support/FaultyFileSystem.h"
#include "support/Process.h"

namespace MainFrameTest {
namespace {

using namespace Tarnwick::Commands;
using Tarnwick::PasswordADT::PasswordData;
using Tarnwick::Views::FolderToTreeVisualizer;
using Tarnwick::Views::PasswordListModel;
using QMB = QMessageBox;

PasswordData FourFolders() { return TestSupport::MakeVault(4, 12); }

QTreeWidgetItem* ItemOf(Tarnwick::Views::CFolderTreeCtrl* tree, std::size_t position) {
    return FolderToTreeVisualizer::FindFolderItem(*tree, position);
}

std::multiset<std::u16string> Descriptions(const PasswordData& data) {
    std::multiset<std::u16string> names;
    for (const auto& folder : data.Folders()) {
        for (const auto& item : folder->Entries()) {
            names.insert(item->GetDescription().ToStdString());
        }
    }
    return names;
}

class Shell : public MainFrameFixture {
protected:
    // twcli, as another program, adds an entry to folder "Ordner C".
    void OtherProgramAdds(const std::string& description) {
        const auto r = TestSupport::RunProcess(TW_CLI_PATH,
                                               {"add", DatabasePath().string(), "Ordner C/" + description, "--no-password"},
                                               "Alice\nSesam öffne dich!\n");
        ASSERT_EQ(r.status, 0) << r.err;
    }
    // The window and the file hold the same folders and entries.
    void ExpectWindowAndFileAlike(const char* step) {
        EXPECT_TRUE(TestSupport::Snapshot(frame->Data()) == TestSupport::Snapshot(Reload())) << step;
    }
};

} // namespace

TEST_F(Shell, AnotherProgramsEntriesSurviveTheWindowsCommands) {
    settings.confirmDragDropMove = false;
    Open(FourFolders());
    frame->show();
    std::multiset<std::u16string> expected = Descriptions(frame->Data());
    const auto check = [&](const char* step) {
        EXPECT_EQ(Descriptions(frame->Data()), expected) << step;
        EXPECT_EQ(Descriptions(Reload()), expected) << step;
        EXPECT_NE(frame->MessageBar()->Text().indexOf(QStringLiteral("von einem anderen Programm geändert")), -1) << step;
    };

    OtherProgramAdds("Fremd 1");
    expected.insert(u"Fremd 1");
    SelectRow(0);
    expected.insert(ListedDescriptions().front() + u" - Kopie");
    frame->ExecuteCommand(ID_PASSWORD_DUPLICATE);
    check("duplicate");

    OtherProgramAdds("Fremd 2");
    expected.insert(u"Fremd 2");
    SelectRow(0);
    const std::u16string doomed = ListedDescriptions().front();
    responder->Then(QMB::Yes);
    frame->ExecuteCommand(ID_PASSWORD_DELETE);
    ASSERT_NE(expected.find(doomed), expected.end());
    expected.erase(expected.find(doomed));
    check("delete");

    OtherProgramAdds("Fremd 3");
    expected.insert(u"Fremd 3");
    std::unique_ptr<QMimeData> mime(Model()->mimeData({Model()->index(0, PasswordListModel::kDescription)}));
    Tree()->expandAll();
    // Onto a folder other than the one the entry is in.
    const std::size_t target = frame->SelectedFolder() == std::optional<std::size_t>(2) ? 0 : 2;
    const QPointF at(Tree()->visualItemRect(ItemOf(Tree(), target)).center());
    QDropEvent drop(at, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QDragEnterEvent enter(at.toPoint(), Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Tree()->viewport(), &enter);
    QApplication::sendEvent(Tree()->viewport(), &drop);
    QCoreApplication::processEvents();
    check("move");

    OtherProgramAdds("Fremd 4");
    expected.insert(u"Fremd 4");
    EXPECT_TRUE(Tree()->EndLabelEdit(Tree()->IndexOf(ItemOf(Tree(), 3)), QStringLiteral("Umbenannt")));
    QCoreApplication::processEvents();
    check("rename");
    EXPECT_EQ(Reload().Folders()[3]->GetName().View(), u"Umbenannt");
}

TEST_F(Shell, AFailedStoreLeavesWindowAndFileAlike) {
    settings.confirmDragDropMove = false;
    Open(FourFolders());
    frame->show();
    struct Command {
        const char* name;
        std::function<void()> run;
    };
    const std::vector<Command> commands = {
        {"duplicate", [&] { SelectRow(0); frame->ExecuteCommand(ID_PASSWORD_DUPLICATE); }},
        {"delete", [&] { SelectRow(0); responder->Then(QMB::Yes); frame->ExecuteCommand(ID_PASSWORD_DELETE); }},
        {"fields", [&] { SelectRow(0); responder->Then(QMB::Yes); frame->ExecuteCommand(ID_CLEAR_FIELDS); }},
        {"history", [&] { SelectRow(0); responder->Then(QMB::Yes); frame->ExecuteCommand(ID_RESET_HISTORY); }},
        {"new folder", [&] { Tree()->setCurrentItem(ItemOf(Tree(), 1)); frame->ExecuteCommand(ID_FOLDER_NEW); }},
        {"rename",
         [&] {
             Tree()->EndLabelEdit(Tree()->IndexOf(ItemOf(Tree(), 1)), QStringLiteral("Anders"));
             QCoreApplication::processEvents();
         }},
        {"delete folder",
         [&] { Tree()->setCurrentItem(ItemOf(Tree(), 3)); responder->Then(QMB::Yes); frame->ExecuteCommand(ID_FOLDER_DELETE); }},
    };
    for (const Command& command : commands) {
        const auto before = TestSupport::Snapshot(frame->Data());
        {
            TestSupport::FaultyFileSystem faults(1);
            command.run();
            QCoreApplication::processEvents();
        }
        EXPECT_TRUE(TestSupport::Snapshot(frame->Data()) == before) << command.name;
        ExpectWindowAndFileAlike(command.name);
        EXPECT_FALSE(ShownTexts().isEmpty()) << command.name; // the failure was shown
        responder.reset();
        responder = std::make_unique<TestSupport::ScriptedResponder>();
        // And without the fault the same command goes through.
        command.run();
        QCoreApplication::processEvents();
        EXPECT_FALSE(TestSupport::Snapshot(frame->Data()) == before) << command.name;
        ExpectWindowAndFileAlike(command.name);
        responder.reset();
        responder = std::make_unique<TestSupport::ScriptedResponder>();
    }
}

TEST_F(Shell, EntryAddressesOpenAndProgramsStartOnlyAfterTheQuestion) {
    PasswordData data = FourFolders();
    data.Folders()[0]->Entries()[0]->SetUrl(u"https://bank.example/login");
    data.Folders()[0]->Entries()[1]->SetUrl(u"/usr/bin/xterm -e \"rm -rf ~\"");
    data.Folders()[0]->Entries()[2]->SetUrl(u"javascript:alert(1)");
    settings.listSortDirection = ID_LIST_SORT_ASCENDING;
    std::vector<QString> asked;
    std::vector<QStringList> started;
    bool agree = false;
    CreateDatabase(data);
    auto environment = Environment();
    environment.confirmProgram = [&](QWidget*, const QString& command) {
        asked.push_back(command);
        return agree;
    };
    environment.startProcess = [&](const QString& program, const QStringList& arguments) {
        started.push_back(QStringList{program} + arguments);
        return true;
    };
    settings.listSortKey = ID_LIST_SORT_INDEX;
    frame = std::make_unique<Tarnwick::CMainFrame>(settings, DatabasePath(), Login(kUser, kPassword), environment);
    ASSERT_TRUE(frame->SelectFolder(0));

    SelectRow(0);
    frame->ExecuteCommand(ID_RUN_URL);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened.front(), QStringLiteral("https://bank.example/login"));

    SelectRow(1);
    frame->ExecuteCommand(ID_RUN_URL);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(started.empty());
    agree = true;
    frame->ExecuteCommand(ID_RUN_URL);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started.front(), (QStringList{QStringLiteral("/usr/bin/xterm"), QStringLiteral("-e"), QStringLiteral("rm -rf ~")}));

    SelectRow(2);
    frame->ExecuteCommand(ID_RUN_URL);
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(started.size(), 1u);
    EXPECT_FALSE(ShownTexts().isEmpty());
}

TEST_F(Shell, EverythingIsReachableFromTheKeyboard) {
    settings.listSortDirection = ID_LIST_SORT_ASCENDING;
    Open(FourFolders());
    frame->show();
    QApplication::setActiveWindow(frame.get());
    QCoreApplication::processEvents();
    // After the log-in the focus waits in the entry list, on its first row.
    EXPECT_EQ(QApplication::focusWidget(), List());
    EXPECT_TRUE(List()->currentIndex().isValid());

    // F10 goes to the command bar and back.
    QTest::keyClick(List(), Qt::Key_F10);
    EXPECT_EQ(QApplication::focusWidget(), frame->CommandBar()->tabBar());
    QTest::keyClick(frame->CommandBar()->tabBar(), Qt::Key_F10);
    EXPECT_EQ(QApplication::focusWidget(), List());

    // Shift+F10 opens the list's context menu, the same menu every time.
    QTest::keyClick(List(), Qt::Key_F10, Qt::ShiftModifier);
    QMenu* menu = frame->Menus().list;
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    const int menus = frame->findChildren<QMenu*>().size();
    QTest::keyClick(List(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    EXPECT_EQ(frame->findChildren<QMenu*>().size(), menus);

    // Ctrl+Num+ and Ctrl+Num- as X11 delivers them: a key press that no shortcut took.
    const auto keypad = [this](Qt::Key key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier | Qt::KeypadModifier);
        QApplication::sendEvent(List(), &press);
    };
    keypad(Qt::Key_Plus);
    EXPECT_EQ(frame->Action(ID_TOGGLE_PASSWORDS)->text(), QStringLiteral("Passwörter verbergen"));
    keypad(Qt::Key_Plus);
    EXPECT_EQ(frame->Action(ID_TOGGLE_PASSWORDS)->text(), QStringLiteral("Passwörter verbergen"));
    keypad(Qt::Key_Minus);
    EXPECT_EQ(frame->Action(ID_TOGGLE_PASSWORDS)->text(), QStringLiteral("Passwörter anzeigen"));
    // The keypad's plain digits stay with the list.
    QKeyEvent digit(QEvent::KeyPress, Qt::Key_1, Qt::KeypadModifier, QStringLiteral("1"));
    QApplication::sendEvent(List(), &digit);
    EXPECT_EQ(QApplication::focusWidget(), List());

    // Enter on an entry opens the editor.
    QString seen;
    QTimer::singleShot(0, [&seen] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            seen = modal->windowTitle();
            modal->close();
        }
    });
    SelectRow(0);
    List()->setFocus();
    QTest::keyClick(List(), Qt::Key_Return);
    EXPECT_TRUE(seen.endsWith(QStringLiteral(" - Passwort bearbeiten"))) << seen.toStdString();
}

TEST_F(Shell, TheTreeKeepsItsShapeAndTheHeadersSort) {
    settings.listSortKey = ID_LIST_SORT_INDEX;
    Open(FourFolders());
    frame->show();
    // "Ordner A" holds B and D; it is open, and B is current with its first entry chosen.
    ItemOf(Tree(), 0)->setExpanded(true);
    Tree()->setCurrentItem(ItemOf(Tree(), 1));
    SelectRow(1);
    const std::u16string chosen = ListedDescriptions()[1];
    responder->Then(QMB::Yes);
    frame->ExecuteCommand(ID_RESET_HISTORY);
    EXPECT_TRUE(ItemOf(Tree(), 0)->isExpanded());
    EXPECT_EQ(frame->SelectedFolder(), std::optional<std::size_t>(1));
    const QModelIndexList rows = List()->selectionModel()->selectedRows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(Model()->RowAt(rows.front().row())->item->GetDescription().View(), chosen);

    // A click on the description header sorts by name; a second one turns the order.
    QHeaderView* header = List()->header();
    emit header->sectionClicked(PasswordListModel::kDescription);
    EXPECT_EQ(settings.listSortKey, ID_LIST_SORT_NAME);
    EXPECT_TRUE(header->isSortIndicatorShown());
    const int direction = settings.listSortDirection;
    emit header->sectionClicked(PasswordListModel::kDescription);
    EXPECT_NE(settings.listSortDirection, direction);
    emit header->sectionClicked(PasswordListModel::kUserName); // no key for it: nothing changes
    EXPECT_EQ(settings.listSortKey, ID_LIST_SORT_NAME);
}

TEST_F(Shell, ASecondStartBringsTheWindowBackFromTheTray) {
    Open(FourFolders());
    frame->show();
    frame->MinimizeToTray();
    ASSERT_FALSE(frame->isVisible());
    ASSERT_TRUE(tray->shown);
    Tarnwick::IMainWindow& window = *frame;
    EXPECT_EQ(window.BringForward(), 0);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_FALSE(tray->shown);
    window.ShowWelcome();
    EXPECT_EQ(frame->MessageBar()->Text(),
              QStringLiteral("Willkommen bei Tarnwick. Zum Anlegen eines neuen Passworts klicken Sie auf die "
                             "nebenstehende Schaltfläche."));
}

} // namespace MainFrameTest

namespace MainFrameTest {

TEST_F(Shell, AnEntryWithoutItsFolderIsToldOnTheMessageBar) {
    CreateDatabase(FourFolders());
    {
        // A record that names a folder id without a folder, as a damaged file holds it.
        auto item = TestSupport::MakeEntry(77);
        item->SetDescription(u"Verwaist");
        EmberkiteDatabase::EmberkiteEngine engine;
        engine.Connect(DatabasePath(), false);
        engine.SetCredentials({kUser, kPassword});
        engine.AddPasswordItem(*item, 42);
        engine.Close();
    }
    OpenExisting();
    frame->show();
    EXPECT_EQ(frame->MessageBar()->Text(),
              QStringLiteral("Ein Eintrag gehört zu keinem vorhandenen Ordner und wird im Ordner \"Ordner A\" angezeigt."));
    EXPECT_TRUE(responder->Seen().empty());
    EXPECT_TRUE(databaseUi.warnings.empty());
    EXPECT_EQ(Descriptions(frame->Data()).count(u"Verwaist"), 1u);
}

TEST(MainFrameAboutComponents, LoadedLibrariesShowTheirVersion) {
    Tarnwick::MainFrame::CAboutDialog dialog;
    QTreeWidget* list = dialog.ComponentList();
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        const QString file = list->topLevelItem(row)->text(0);
        const QString version = list->topLevelItem(row)->text(1);
        // Every library this program links is loaded here; only what is not built yet is missing.
        if (file == QStringLiteral("libtwupd.so") || file == QStringLiteral("twexec") ||
            file == QStringLiteral("tarnwick")) {
            continue;
        }
        EXPECT_NE(version, QStringLiteral("nicht vorhanden")) << file.toStdString();
    }
}

} // namespace MainFrameTest
