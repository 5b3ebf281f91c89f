#include "app/mainframe/CommandBarLayout.h"

#include <initializer_list>

#include <QAction>
#include <QMainWindow>
#include <QMenu>

#include "app/mainframe/CommandBar.h"
#include "app/mainframe/CommandIcons.h"
#include "app/mainframe/CommandIds.h"

namespace Tarnwick::MainFrame {

using namespace Commands;

namespace {

QMenu* MakeMenu(QWidget& owner, const std::function<QAction*(int)>& action, std::initializer_list<int> ids,
                const char* name) {
    auto* menu = new QMenu(&owner);
    menu->setObjectName(QString::fromLatin1(name));
    for (int id : ids) {
        if (id == 0) {
            menu->addSeparator();
        } else if (QAction* found = action(id)) {
            menu->addAction(found);
        }
    }
    return menu;
}

} // namespace

CCommandBar* BuildCommandBar(QMainWindow& window, const std::function<QAction*(int id)>& action, FrameMenus& menus) {
    auto* bar = new CCommandBar(&window);
    window.setMenuWidget(bar);

    menus.listSort = MakeMenu(window, action,
                              {ID_LIST_SORT_NAME, ID_LIST_SORT_INDEX, ID_LIST_SORT_CREATION, ID_LIST_SORT_MODIFICATION,
                               ID_LIST_SORT_EXPIRY, 0, ID_LIST_SORT_DESCENDING, ID_LIST_SORT_ASCENDING},
                              "ListSortMenu");
    menus.folderSort = MakeMenu(window, action,
                                {ID_FOLDER_SORT_NAME, ID_FOLDER_SORT_INDEX, 0, ID_FOLDER_SORT_ASCENDING,
                                 ID_FOLDER_SORT_DESCENDING},
                                "FolderSortMenu");

    const int start = bar->AddCategory(QStringLiteral("Start"));
    auto* entries = bar->AddPanel(start, QStringLiteral("Passwort"));
    entries->AddLarge(action(ID_PASSWORD_NEW));
    entries->AddLarge(action(ID_PASSWORD_EDIT));
    entries->AddSmall(action(ID_PASSWORD_DUPLICATE));
    entries->AddSmall(action(ID_PASSWORD_DELETE));
    entries->AddSmall(action(ID_PASSWORD_PROPERTIES));
    auto* clipboard = bar->AddPanel(start, QStringLiteral("Zwischenablage"));
    clipboard->AddLarge(action(ID_COPY_PASSWORD));
    for (int id : {ID_COPY_USERNAME, ID_COPY_URL, ID_COPY_EMAIL, ID_COPY_DESCRIPTION, ID_COPY_COMMENT, ID_CLEAR_CLIPBOARD}) {
        clipboard->AddSmall(action(id));
    }
    auto* view = bar->AddPanel(start, QStringLiteral("Ansicht"));
    view->AddLarge(action(ID_TOGGLE_PASSWORDS));
    auto* sortAction = new QAction(CommandIcon(ID_FOLDER_SORT), QStringLiteral("Sortieren"), &window);
    sortAction->setToolTip(QStringLiteral("Legt die Sortierung der Passwortinformationen fest."));
    view->AddMenu(sortAction, menus.listSort);
    view->AddSmall(action(ID_SEARCH));
    view->AddSmall(action(ID_RUN_URL));
    view->AddSmall(action(ID_SELECT_ALL));

    const int folders = bar->AddCategory(QStringLiteral("Ordner"));
    auto* folderPanel = bar->AddPanel(folders, QStringLiteral("Ordner"));
    folderPanel->AddLarge(action(ID_FOLDER_NEW));
    folderPanel->AddSmall(action(ID_FOLDER_RENAME));
    folderPanel->AddSmall(action(ID_FOLDER_DELETE));
    bar->AddPanel(folders, QStringLiteral("Sortierung"))->AddMenu(action(ID_FOLDER_SORT), menus.folderSort);

    const int database = bar->AddCategory(QStringLiteral("Datenbank"));
    auto* session = bar->AddPanel(database, QStringLiteral("Datenbank"));
    for (int id : {ID_DATABASE_OPEN, ID_DATABASE_NEW, ID_DATABASE_LOGOFF}) {
        session->AddLarge(action(id));
    }
    auto* maintenance = bar->AddPanel(database, QStringLiteral("Wartung"));
    for (int id : {ID_DATABASE_REORGANIZE, ID_DATABASE_CHANGE_PASSWORD, ID_DATABASE_PROPERTIES, ID_DATABASE_BACKUP,
                   ID_DATABASE_DELETE}) {
        maintenance->AddSmall(action(id));
    }
    auto* exchange = bar->AddPanel(database, QStringLiteral("Austausch"));
    for (int id : {ID_DATABASE_EXPORT, ID_DATABASE_IMPORT, ID_DATABASE_IMPORT_EXTERNAL}) {
        exchange->AddSmall(action(id));
    }
    auto* printing = bar->AddPanel(database, QStringLiteral("Drucken"));
    printing->AddLarge(action(ID_PRINT));
    printing->AddSmall(action(ID_PRINT_PREVIEW));

    const int tools = bar->AddCategory(QStringLiteral("Extras"));
    auto* security = bar->AddPanel(tools, QStringLiteral("Sicherheit"));
    security->AddLarge(action(ID_WORKSPACE_LOCK));
    security->AddLarge(action(ID_MINIMIZE_TO_TRAY));
    auto* tooling = bar->AddPanel(tools, QStringLiteral("Werkzeuge"));
    tooling->AddLarge(action(ID_PASSWORD_GENERATOR));
    tooling->AddLarge(action(ID_OPTIONS));
    auto* entryTools = bar->AddPanel(tools, QStringLiteral("Passwortinformation"));
    entryTools->AddSmall(action(ID_CLEAR_FIELDS));
    entryTools->AddSmall(action(ID_RESET_HISTORY));
    auto* styles = bar->AddPanel(tools, QStringLiteral("Darstellung"));
    for (int id : {ID_STYLE_BLUE, ID_STYLE_SILVER, ID_STYLE_BLACK, ID_STYLE_AQUA}) {
        styles->AddSmall(action(id));
    }

    const int help = bar->AddCategory(QStringLiteral("Hilfe"));
    auto* helpPanel = bar->AddPanel(help, QStringLiteral("Hilfe"));
    helpPanel->AddLarge(action(ID_HELP_MANUAL));
    for (int id : {ID_SUPPORT, ID_FEEDBACK, ID_WEBSITE, ID_UPDATES, ID_APP_ABOUT}) {
        helpPanel->AddSmall(action(id));
    }

    // The application menu with the recent databases.
    menus.application = MakeMenu(window, action, {ID_DATABASE_NEW, ID_DATABASE_OPEN, 0}, "ApplicationMenu");
    menus.recent = menus.application->addMenu(QStringLiteral("Zuletzt verwendete Datenbanken"));
    menus.recent->setObjectName(QStringLiteral("RecentDatabases"));
    menus.application->addSeparator();
    menus.application->addAction(action(ID_DATABASE_LOGOFF));
    menus.application->addAction(action(ID_WORKSPACE_LOCK));
    menus.application->addSeparator();
    menus.application->addAction(action(ID_APP_EXIT));
    bar->SetApplicationMenu(menus.application);

    menus.list = MakeMenu(window, action,
                          {ID_PASSWORD_NEW, ID_PASSWORD_EDIT, ID_PASSWORD_DUPLICATE, ID_PASSWORD_DELETE, 0, ID_SEARCH,
                           ID_HIDE_PASSWORDS, ID_SHOW_PASSWORDS, 0, ID_COPY_DESCRIPTION, ID_COPY_USERNAME, ID_COPY_EMAIL,
                           ID_COPY_PASSWORD, ID_COPY_URL, ID_CLEAR_CLIPBOARD, 0, ID_RUN_URL, ID_SELECT_ALL, 0,
                           ID_PASSWORD_PROPERTIES},
                          "ListMenu");
    menus.tree = MakeMenu(window, action, {ID_FOLDER_NEW, ID_FOLDER_RENAME, ID_FOLDER_DELETE}, "TreeMenu");
    menus.comment = MakeMenu(window, action, {ID_COMMENT_COPY, ID_COMMENT_SELECT_ALL, 0, ID_COMMENT_EDIT}, "CommentMenu");
    menus.fields = MakeMenu(window, action, {ID_FIELD_NEW, ID_FIELD_EDIT, 0, ID_FIELD_COPY_NAME, ID_FIELD_COPY_VALUE},
                            "FieldMenu");
    menus.history = MakeMenu(window, action, {ID_HISTORY_COPY_DATE, ID_HISTORY_COPY_PASSWORD, 0, ID_HISTORY_MASK},
                             "HistoryMenu");
    menus.tray = MakeMenu(window, action,
                          {ID_TRAY_RESTORE, 0, ID_TRAY_OPEN_DATABASE, ID_TRAY_LOGOFF, 0, ID_TRAY_EXIT}, "TrayMenu");
    return bar;
}

} // namespace Tarnwick::MainFrame
