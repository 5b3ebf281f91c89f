#include "app/mainframe/CMainFrame.h"

#include "editor/PasswordSheet.h"
#include "generator/ui/PasswordGeneratorDlg.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <unordered_set>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/mainframe/AboutDialog.h"
#include "app/mainframe/ApplicationIdleSource.h"
#include "app/mainframe/CaptionBar.h"
#include "app/mainframe/CommandBar.h"
#include "app/mainframe/CommandIcons.h"
#include "app/mainframe/CommandIds.h"
#include "app/mainframe/CommandTable.h"
#include "app/mainframe/FieldClipboard.h"
#include "app/mainframe/FrameDatabaseUserInterface.h"
#include "app/mainframe/MainStatusBar.h"
#include "app/mainframe/NotificationIcon.h"
#include "app/mainframe/VisualStyles.h"
#include "app/views/FolderToTreeVisualizer.h"
#include "app/views/FolderTreeCtrl.h"
#include "app/views/InformationPanel.h"
#include "app/views/PasswordListCtrl.h"
#include "app/views/PasswordListModel.h"
#include "app/views/PasswordToListVisualizer.h"
#include "app/views/PasswordView.h"
#include "app/views/TreeItems.h"
#include "app/views/ViewImages.h"
#include "core/Path.h"
#include "core/SystemInformation.h"
#include "core/text/CaseFolding.h"
#include "core/text/Format.h"
#include "core/text/Utf.h"
#include "log/LogProvider.h"
#include "log/exceptions/DBException.h"
#include "log/exceptions/Exception.h"
#include "model/Clock.h"
#include "model/Sorters.h"
#include "platform/session/SessionWatcher.h"
#include "platform/x11/IdleTime.h"
#include "uilib/MessageBox.h"

namespace Tarnwick {

using namespace Commands;
using MainFrame::ClipboardKind;
using PasswordADT::PasswordItemRef;
using StringServiceProvider::PlainString;
using Utilities::Exceptions::Exception;
using Views::FolderToTreeVisualizer;
using Views::PasswordToListVisualizer;
using WindowsServiceProvider::CMessageBox;

namespace {

constexpr std::u16string_view kReady = u"Bereit";
constexpr std::u16string_view kLocked = u"Gesperrt";
constexpr std::u16string_view kUpdatingData = u"Aktualisiere Daten...";
constexpr std::u16string_view kFolderReadError = u"Es ist ein Fehler beim Auslesen der Ordnerinformationen aufgetreten.";
constexpr std::u16string_view kEntryReadError = u"Es ist ein Fehler beim Auslesen der Passwortinformationen aufgetreten.";
constexpr std::u16string_view kClipboardError = u"Die Daten konnten nicht in die Zwischenablage kopiert werden.";
constexpr std::u16string_view kMoveError = u"Es ist ein Fehler beim Verschieben aufgetreten.";
constexpr std::u16string_view kLockedTitle = u"Arbeitsbereich ist gesperrt";
constexpr std::u16string_view kAutoCompletionLocked =
    u"Um die Auto-Vervollständigung ausführen zu können, geben Sie den Arbeitsbereich wieder frei.";
constexpr std::u16string_view kTrayBalloon = u"Tarnwick wurde in den Infobereich minimiert.";
constexpr std::u16string_view kNewFolderName = u"Neuer Ordner";
constexpr std::u16string_view kUnnamed = u"Unbenannt";
constexpr int kClipboardTimer = 1;
constexpr int kInactivityTimer = 2;
constexpr int kUpdateOfferTimer = 3;
constexpr int kStartDelayTimer = 4;

// The support addresses of the product.
const QString kSupportAddress = QStringLiteral("https://www.tarnwick.example/support/");
const QString kWebsiteAddress = QStringLiteral("https://www.tarnwick.example/");
const QString kFeedbackAddress = QStringLiteral("feedback@tarnwick.example");

// Commands whose dialogs come with later parts of the program; they stay disabled until then.
const std::unordered_set<int>& DeferredCommands() {
    static const std::unordered_set<int> deferred = {
        ID_DATABASE_REORGANIZE, ID_DATABASE_CHANGE_PASSWORD, ID_DATABASE_PROPERTIES, ID_STATUS_DATABASE_PROPERTIES,
        ID_DATABASE_DELETE,     ID_DATABASE_EXPORT,          ID_DATABASE_IMPORT,     ID_DATABASE_BACKUP,
        ID_DATABASE_IMPORT_EXTERNAL, ID_OPTIONS,             ID_UPDATES,             ID_PRINT,
        ID_PRINT_PREVIEW,       ID_SEARCH,                   ID_COMMENT_EDIT,        ID_FIELD_NEW,
        ID_FIELD_EDIT,
    };
    return deferred;
}

constexpr std::u16string_view kReservedNames[] = {u"papierkorb", u"recycle bin", u"corbeille",
                                                  u"Papelera de reciclaje", u"cestino", u"backup"};

QString Q(std::u16string_view text) { return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())); }

std::u16string U(const QString& text) { return text.toStdU16String(); }

QString PathText(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

// Requests the window posts to itself.
class AutoCompletionEvent final : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 2);
    AutoCompletionEvent(std::size_t folder, std::size_t entry) : QEvent(kType), folder(folder), entry(entry) {}
    std::size_t folder;
    std::size_t entry;
};

class AutoCompletionChoiceEvent final : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 3);
    explicit AutoCompletionChoiceEvent(int choice) : QEvent(kType), choice(choice) {}
    int choice;
};

class FolderRenamedEvent final : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 4);
    FolderRenamedEvent(std::size_t position, QString name) : QEvent(kType), position(position), name(std::move(name)) {}
    std::size_t position;
    QString name;
};

bool DefaultOpenTarget(const QString& target) {
    const QString text = target.trimmed();
    if (text.isEmpty()) {
        return false;
    }
    const QFileInfo file(text);
    if (file.isFile()) {
        if (file.isExecutable()) {
            return QProcess::startDetached(file.absoluteFilePath(), {});
        }
        return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath()));
    }
    const QUrl url(text, QUrl::StrictMode);
    if (url.isValid() && url.scheme().size() > 1) {
        return QDesktopServices::openUrl(url);
    }
    // A program with arguments, found on the search path.
    QStringList words = QProcess::splitCommand(text);
    if (!words.isEmpty() && !QStandardPaths::findExecutable(words.front()).isEmpty()) {
        const QString program = words.takeFirst();
        return QProcess::startDetached(program, words);
    }
    return QDesktopServices::openUrl(QUrl::fromUserInput(text));
}

std::uint64_t SteadyMilliseconds() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

const char16_t* MoveResultText(int result) {
    switch (result) {
    case PasswordADT::MoveEntryNoFolders:
        return u"MR_ERROR_NO_CATEGORIES";
    case PasswordADT::MoveEntryNoTarget:
        return u"MR_ERROR_DESTINATION";
    case PasswordADT::MoveEntryNoSource:
        return u"MR_ERROR_SOURCE";
    case PasswordADT::MoveEntryNoEntry:
    case PasswordADT::MoveEntryRemoveFailed:
        return u"MR_ERROR_RELEASE_PASSWORD";
    case PasswordADT::MoveEntrySameFolder:
        return u"MR_ERROR_SAME_CATEGORY";
    default:
        return u"MR_ERROR_UNKNOWN";
    }
}

void ShowLockedInformation(QWidget* parent, std::u16string_view text) {
    WindowsServiceProvider::TaskDialogOptions options;
    options.title = std::u16string(kLockedTitle);
    options.content = std::u16string(text);
    options.icon = WindowsServiceProvider::TaskDialogIcon::Information;
    options.cancelButton = true;
    CMessageBox::ShowTaskDialog(parent, options);
}

Views::FolderSortOrder FolderOrderOf(const ApplicationSettings::Settings& settings) {
    return {settings.folderSortKey, settings.folderSortDirection};
}

Views::ListSortOrder ListOrderOf(const ApplicationSettings::Settings& settings) {
    return {settings.listSortKey, settings.listSortDirection};
}

// Runs on every way out of a scope.
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F f) : m_f(std::move(f)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() { m_f(); }

private:
    F m_f;
};

} // namespace

// ---------------------------------------------------------------------------------------
// Construction

CMainFrame::CMainFrame(ApplicationSettings::Settings& settings, std::filesystem::path database,
                       LoginCredentials credentials, QWidget* parent)
    : CMainFrame(settings, std::move(database), std::move(credentials), MainFrame::MainFrameEnvironment{}, parent) {}

CMainFrame::CMainFrame(ApplicationSettings::Settings& settings, std::filesystem::path database,
                       LoginCredentials credentials, MainFrame::MainFrameEnvironment environment, QWidget* parent)
    : QMainWindow(parent),
      m_settings(settings),
      m_databasePath(std::move(database)),
      m_credentials(std::move(credentials)),
      m_environment(std::move(environment)) {
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(Q(kTitle));
    setWindowIcon(MainFrame::ApplicationIcon());

    if (!m_environment.idleTime) {
        std::shared_ptr<Platform::IIdleTimeSource> x11 = Platform::CreateX11IdleTimeSource();
        m_environment.idleTime = x11 ? x11 : std::make_shared<MainFrame::ApplicationIdleSource>();
    }
    if (!m_environment.sessionWatcher) {
        m_environment.sessionWatcher = Platform::CreateLogindSessionWatcher();
    }
    if (!m_environment.tickCount) {
        m_environment.tickCount = SteadyMilliseconds;
    }
    if (!m_environment.clipboard) {
        m_environment.clipboard = std::make_shared<MainFrame::QtFieldClipboard>();
    }
    if (!m_environment.notificationIcon) {
        m_environment.notificationIcon =
            std::make_shared<MainFrame::SystemTrayNotificationIcon>(MainFrame::ApplicationIcon());
    }
    if (!m_environment.openTarget) {
        m_environment.openTarget = DefaultOpenTarget;
    }
    if (!m_environment.chooseDatabaseFile) {
        m_environment.chooseDatabaseFile = [](QWidget* parent) {
            const QString file = QFileDialog::getOpenFileName(
                parent, QStringLiteral("Datenbank öffnen"), QDir::homePath(),
                QStringLiteral("Tarnwick Datenbank (*.twdb);;Alle Dateien (*)"));
            return std::filesystem::path(file.toStdString());
        };
    }
    m_environment.clipboard->onLost = [this] { OnClipboardLost(); };
    m_environment.notificationIcon->onActivated = [this](MainFrame::INotificationIcon::Activation activation,
                                                         QPoint position) { OnTrayActivated(activation, position); };

    m_databaseUi = std::make_unique<MainFrame::FrameDatabaseUserInterface>(*this);
    m_databaseUi->SetDelegate(m_environment.databaseUi);
    for (int id = 1; id <= 4; ++id) {
        connect(&m_timers[static_cast<std::size_t>(id)], &QTimer::timeout, this, [this, id] { OnTimer(id); });
    }

    CreateInterface();
    Guarded({}, [&] { RestoreWindowPlacement(); });
    ApplyStyle(m_settings.visualStyleType);

    m_loaded = LoadDatabase();
    if (m_loaded) {
        OpenDatabaseIntoViews();
    } else {
        QuitProgram();
    }
    SetStatus(kReady);
    if (m_settings.autoLockWorkspace) {
        RegisterSessionWatch();
    }
    // The watch starts whether or not a stored window placement was restored.
    if (m_settings.workspaceLockSeconds > 0) {
        StartTimer(kStartDelayTimer, 3500);
    }
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    for (QTimer& timer : m_timers) {
        timer.stop();
    }
    if (m_environment.clipboard) {
        m_environment.clipboard->onLost = nullptr;
    }
    if (m_environment.notificationIcon) {
        m_environment.notificationIcon->onActivated = nullptr;
        m_environment.notificationIcon->Hide();
    }
    if (m_environment.sessionWatcher) {
        m_environment.sessionWatcher->Unregister();
    }
}

template <typename Work>
bool CMainFrame::Guarded(std::u16string_view message, Work&& work) noexcept {
    try {
        work();
        return true;
    } catch (const EmberkiteDatabase::DBException& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
    } catch (const Utilities::Exceptions::WindowsException& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
    } catch (const Exception& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
    } catch (const std::exception& e) {
        try {
            LogProvider::GenericLog::LogEvent(0, Text::FromUtf8(e.what()));
        } catch (...) {
            LogProvider::GenericLog::LogEvent(0, u"exception");
        }
    } catch (...) {
        LogProvider::GenericLog::LogEvent(0, u"unknown exception");
    }
    if (!message.empty()) {
        try {
            CMessageBox::ShowError(this, message);
        } catch (...) {
            LogProvider::GenericLog::LogEvent(0, u"message could not be shown");
        }
    }
    return false;
}

void CMainFrame::CreateInterface() {
    m_statusBar = new MainFrame::CMainStatusBar(this);
    setStatusBar(m_statusBar);
    m_databaseUi->SetStatusBar(m_statusBar);
    connect(m_statusBar, &MainFrame::CMainStatusBar::CommandRequested, this, &CMainFrame::ExecuteCommand);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_captionBar = new MainFrame::CCaptionBar(central);
    connect(m_captionBar, &MainFrame::CCaptionBar::CommandRequested, this, &CMainFrame::ExecuteCommand);
    m_view = new Views::CPasswordView(central);
    layout->addWidget(m_captionBar);
    layout->addWidget(m_view, 1);
    setCentralWidget(central);

    m_view->PasswordList()->SetGridLines(m_settings.showHorizontalLines);
    m_view->SetListCaption(QString());
    CreateActions();
    CreateCommandBar();
    ConnectViews();

    m_statusBar->SetClipboardText(Q(MainFrame::ClipboardStatusText(ClipboardKind::Empty)));
    m_statusBar->SetDatabaseName(PathText(m_databasePath.filename()));
    resize(1120, 720);
}

void CMainFrame::CreateActions() {
    for (const Commands::CommandInfo& info : Commands::CommandTable()) {
        auto* action = new QAction(MainFrame::CommandIcon(info.id), Q(info.caption), this);
        action->setData(info.id);
        action->setToolTip(Q(info.description));
        action->setStatusTip(Q(info.description));
        action->setIconVisibleInMenu(true);
        if (info.keys.toCombined() != 0) {
            action->setShortcut(QKeySequence(info.keys));
            switch (info.scope) {
            case Commands::KeyScope::Window:
                action->setShortcutContext(Qt::WindowShortcut);
                addAction(action);
                break;
            case Commands::KeyScope::List:
                action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
                m_view->PasswordList()->addAction(action);
                break;
            case Commands::KeyScope::Tree:
                action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
                m_view->FolderTree()->addAction(action);
                break;
            case Commands::KeyScope::Comment:
                action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
                m_view->CommentWindow()->TextEdit()->addAction(action);
                break;
            }
        }
        const int id = info.id;
        connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
        m_actions.insert(id, action);
    }
    for (int id : {ID_LIST_SORT_NAME, ID_LIST_SORT_INDEX, ID_LIST_SORT_CREATION, ID_LIST_SORT_MODIFICATION,
                   ID_LIST_SORT_EXPIRY, ID_LIST_SORT_DESCENDING, ID_LIST_SORT_ASCENDING, ID_FOLDER_SORT_NAME,
                   ID_FOLDER_SORT_INDEX, ID_FOLDER_SORT_ASCENDING, ID_FOLDER_SORT_DESCENDING, ID_STYLE_BLUE,
                   ID_STYLE_SILVER, ID_STYLE_BLACK, ID_STYLE_AQUA}) {
        Action(id)->setCheckable(true);
    }
    UpdateLockCommand();
    UpdateToggleCommand();
}

QMenu* CMainFrame::MakeMenu(std::initializer_list<int> ids) {
    auto* menu = new QMenu(this);
    for (int id : ids) {
        if (id == 0) {
            menu->addSeparator();
        } else if (QAction* action = Action(id)) {
            menu->addAction(action);
        }
    }
    return menu;
}

void CMainFrame::CreateCommandBar() {
    m_commandBar = new MainFrame::CCommandBar(this);
    setMenuWidget(m_commandBar);

    QMenu* listSortMenu = MakeMenu({ID_LIST_SORT_NAME, ID_LIST_SORT_INDEX, ID_LIST_SORT_CREATION,
                                    ID_LIST_SORT_MODIFICATION, ID_LIST_SORT_EXPIRY, 0, ID_LIST_SORT_DESCENDING,
                                    ID_LIST_SORT_ASCENDING});
    listSortMenu->setObjectName(QStringLiteral("ListSortMenu"));
    QMenu* folderSortMenu =
        MakeMenu({ID_FOLDER_SORT_NAME, ID_FOLDER_SORT_INDEX, 0, ID_FOLDER_SORT_ASCENDING, ID_FOLDER_SORT_DESCENDING});
    folderSortMenu->setObjectName(QStringLiteral("FolderSortMenu"));

    const int start = m_commandBar->AddCategory(QStringLiteral("Start"));
    auto* entries = m_commandBar->AddPanel(start, QStringLiteral("Passwort"));
    entries->AddLarge(Action(ID_PASSWORD_NEW));
    entries->AddLarge(Action(ID_PASSWORD_EDIT));
    entries->AddSmall(Action(ID_PASSWORD_DUPLICATE));
    entries->AddSmall(Action(ID_PASSWORD_DELETE));
    entries->AddSmall(Action(ID_PASSWORD_PROPERTIES));
    auto* clipboard = m_commandBar->AddPanel(start, QStringLiteral("Zwischenablage"));
    clipboard->AddLarge(Action(ID_COPY_PASSWORD));
    clipboard->AddSmall(Action(ID_COPY_USERNAME));
    clipboard->AddSmall(Action(ID_COPY_URL));
    clipboard->AddSmall(Action(ID_COPY_EMAIL));
    clipboard->AddSmall(Action(ID_COPY_DESCRIPTION));
    clipboard->AddSmall(Action(ID_COPY_COMMENT));
    clipboard->AddSmall(Action(ID_CLEAR_CLIPBOARD));
    auto* view = m_commandBar->AddPanel(start, QStringLiteral("Ansicht"));
    view->AddLarge(Action(ID_TOGGLE_PASSWORDS));
    auto* sortAction = new QAction(MainFrame::CommandIcon(ID_FOLDER_SORT), QStringLiteral("Sortieren"), this);
    sortAction->setToolTip(QStringLiteral("Legt die Sortierung der Passwortinformationen fest."));
    view->AddMenu(sortAction, listSortMenu);
    view->AddSmall(Action(ID_SEARCH));
    view->AddSmall(Action(ID_RUN_URL));
    view->AddSmall(Action(ID_SELECT_ALL));

    const int folders = m_commandBar->AddCategory(QStringLiteral("Ordner"));
    auto* folderPanel = m_commandBar->AddPanel(folders, QStringLiteral("Ordner"));
    folderPanel->AddLarge(Action(ID_FOLDER_NEW));
    folderPanel->AddSmall(Action(ID_FOLDER_RENAME));
    folderPanel->AddSmall(Action(ID_FOLDER_DELETE));
    auto* folderSort = m_commandBar->AddPanel(folders, QStringLiteral("Sortierung"));
    folderSort->AddMenu(Action(ID_FOLDER_SORT), folderSortMenu);

    const int database = m_commandBar->AddCategory(QStringLiteral("Datenbank"));
    auto* session = m_commandBar->AddPanel(database, QStringLiteral("Datenbank"));
    session->AddLarge(Action(ID_DATABASE_OPEN));
    session->AddLarge(Action(ID_DATABASE_NEW));
    session->AddLarge(Action(ID_DATABASE_LOGOFF));
    auto* maintenance = m_commandBar->AddPanel(database, QStringLiteral("Wartung"));
    maintenance->AddSmall(Action(ID_DATABASE_REORGANIZE));
    maintenance->AddSmall(Action(ID_DATABASE_CHANGE_PASSWORD));
    maintenance->AddSmall(Action(ID_DATABASE_PROPERTIES));
    maintenance->AddSmall(Action(ID_DATABASE_BACKUP));
    maintenance->AddSmall(Action(ID_DATABASE_DELETE));
    auto* exchange = m_commandBar->AddPanel(database, QStringLiteral("Austausch"));
    exchange->AddSmall(Action(ID_DATABASE_EXPORT));
    exchange->AddSmall(Action(ID_DATABASE_IMPORT));
    exchange->AddSmall(Action(ID_DATABASE_IMPORT_EXTERNAL));
    auto* printing = m_commandBar->AddPanel(database, QStringLiteral("Drucken"));
    printing->AddLarge(Action(ID_PRINT));
    printing->AddSmall(Action(ID_PRINT_PREVIEW));

    const int tools = m_commandBar->AddCategory(QStringLiteral("Extras"));
    auto* security = m_commandBar->AddPanel(tools, QStringLiteral("Sicherheit"));
    security->AddLarge(Action(ID_WORKSPACE_LOCK));
    security->AddLarge(Action(ID_MINIMIZE_TO_TRAY));
    auto* tooling = m_commandBar->AddPanel(tools, QStringLiteral("Werkzeuge"));
    tooling->AddLarge(Action(ID_PASSWORD_GENERATOR));
    tooling->AddLarge(Action(ID_OPTIONS));
    auto* entryTools = m_commandBar->AddPanel(tools, QStringLiteral("Passwortinformation"));
    entryTools->AddSmall(Action(ID_CLEAR_FIELDS));
    entryTools->AddSmall(Action(ID_RESET_HISTORY));
    auto* styles = m_commandBar->AddPanel(tools, QStringLiteral("Darstellung"));
    for (int id : {ID_STYLE_BLUE, ID_STYLE_SILVER, ID_STYLE_BLACK, ID_STYLE_AQUA}) {
        styles->AddSmall(Action(id));
    }

    const int help = m_commandBar->AddCategory(QStringLiteral("Hilfe"));
    auto* helpPanel = m_commandBar->AddPanel(help, QStringLiteral("Hilfe"));
    helpPanel->AddLarge(Action(ID_HELP_MANUAL));
    helpPanel->AddSmall(Action(ID_SUPPORT));
    helpPanel->AddSmall(Action(ID_FEEDBACK));
    helpPanel->AddSmall(Action(ID_WEBSITE));
    helpPanel->AddSmall(Action(ID_UPDATES));
    helpPanel->AddSmall(Action(ID_APP_ABOUT));

    // The application menu with the recent databases.
    auto* fileMenu = new QMenu(this);
    fileMenu->setObjectName(QStringLiteral("ApplicationMenu"));
    fileMenu->addAction(Action(ID_DATABASE_NEW));
    fileMenu->addAction(Action(ID_DATABASE_OPEN));
    fileMenu->addSeparator();
    m_recentMenu = fileMenu->addMenu(QStringLiteral("Zuletzt verwendete Datenbanken"));
    m_recentMenu->setObjectName(QStringLiteral("RecentDatabases"));
    fileMenu->addSeparator();
    fileMenu->addAction(Action(ID_DATABASE_LOGOFF));
    fileMenu->addAction(Action(ID_WORKSPACE_LOCK));
    fileMenu->addSeparator();
    fileMenu->addAction(Action(ID_APP_EXIT));
    connect(fileMenu, &QMenu::aboutToShow, this, [this] { Guarded({}, [&] { RebuildRecentMenu(); }); });
    m_commandBar->SetApplicationMenu(fileMenu);
    RebuildRecentMenu();

    m_trayMenu = MakeMenu({ID_TRAY_RESTORE, 0, ID_TRAY_OPEN_DATABASE, ID_TRAY_LOGOFF, 0, ID_TRAY_EXIT});
    m_trayMenu->setObjectName(QStringLiteral("TrayMenu"));
}

void CMainFrame::RebuildRecentMenu() {
    m_recentMenu->clear();
    const auto& items = m_settings.recentDatabases.items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::u16string& path = items[i].path;
        const std::size_t slash = path.find_last_of(u"/\\");
        const std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
        PlainString text;
        if (i < 9) {
            text = Text::Format(u"&%d %s", static_cast<std::int64_t>(i + 1), name);
        } else if (i == 9) {
            text = Text::Format(u"1&0 %s", name);
        } else {
            text = PlainString(std::u16string_view(name));
        }
        QAction* action = m_recentMenu->addAction(Q(text.View()));
        action->setToolTip(Q(path));
        action->setStatusTip(Q(path));
        const int id = ID_RECENT_DATABASE_FIRST + static_cast<int>(i);
        action->setData(id);
        // Only the first five have a command.
        action->setEnabled(id <= ID_RECENT_DATABASE_LAST && !m_locked && static_cast<bool>(m_logInAgain));
        connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
    }
    m_recentMenu->setEnabled(!items.empty());
}

void CMainFrame::ConnectViews() {
    Views::CFolderTreeCtrl* tree = m_view->FolderTree();
    Views::CPasswordListCtrl* list = m_view->PasswordList();
    Views::CInformationPanel* panel = m_view->InformationPanel();
    connect(tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { OnTreeCurrentChanged(current); });
    connect(tree, &QWidget::customContextMenuRequested, this, &CMainFrame::OnTreeContextMenu);
    tree->SetLabelEditHandler([this](QTreeWidgetItem* item, const QString& name) {
        bool accepted = false;
        Guarded(kFolderReadError, [&] { accepted = OnFolderLabelEdit(item, name); });
        return accepted;
    });
    tree->SetDropHandler([this](QTreeWidgetItem* target, const std::vector<Views::EntryPosition>& entries) {
        Guarded(kMoveError, [&] { MoveEntries(target, entries); });
        UpdateCommandStates();
    });
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { Guarded(kEntryReadError, [&] { OnListSelectionChanged(); }); });
    connect(list, &QWidget::customContextMenuRequested, this, &CMainFrame::OnListContextMenu);
    connect(list, &QAbstractItemView::doubleClicked, this, &CMainFrame::OnListDoubleClicked);
    connect(list, &Views::CPasswordListCtrl::EmptyAreaDoubleClicked, this, &CMainFrame::OnListEmptyDoubleClicked);
    connect(list, &Views::CPasswordListCtrl::EmptyAreaClicked, this, &CMainFrame::OnListEmptyClicked);
    connect(list, &Views::CPasswordListCtrl::DragFailed, this, [this] {
        Guarded({}, [&] { CMessageBox::ShowError(this, u"Fehler bei der \"Drag and Drop\" Initialisierung."); });
    });
    QPlainTextEdit* comment = m_view->CommentWindow()->TextEdit();
    connect(comment, &QWidget::customContextMenuRequested, this, [this, comment](const QPoint& position) {
        Guarded({}, [&] {
            UpdateCommandStates();
            MakeMenu({ID_COMMENT_COPY, ID_COMMENT_SELECT_ALL, 0, ID_COMMENT_EDIT})->popup(comment->mapToGlobal(position));
        });
    });
    connect(comment, &QPlainTextEdit::copyAvailable, this, [this] { UpdateCommandStates(); });
    connect(panel->FieldList(), &QTreeWidget::itemSelectionChanged, this, [this] { UpdateCommandStates(); });
    connect(panel->HistoryList(), &QTreeWidget::itemSelectionChanged, this, [this] { UpdateCommandStates(); });
    connect(panel->FieldList(), &QWidget::customContextMenuRequested, this, [this, panel](const QPoint& position) {
        Guarded({}, [&] {
            UpdateCommandStates();
            MakeMenu({ID_FIELD_NEW, ID_FIELD_EDIT, 0, ID_FIELD_COPY_NAME, ID_FIELD_COPY_VALUE})
                ->popup(panel->FieldList()->viewport()->mapToGlobal(position));
        });
    });
    connect(panel->HistoryList(), &QWidget::customContextMenuRequested, this, [this, panel](const QPoint& position) {
        Guarded({}, [&] {
            UpdateCommandStates();
            MakeMenu({ID_HISTORY_COPY_DATE, ID_HISTORY_COPY_PASSWORD, 0, ID_HISTORY_MASK})
                ->popup(panel->HistoryList()->viewport()->mapToGlobal(position));
        });
    });
}

// ---------------------------------------------------------------------------------------
// Commands

QAction* CMainFrame::Action(int id) const { return m_actions.value(id, nullptr); }

bool CMainFrame::IsCommandEnabled(int id) const {
    const QAction* action = Action(id);
    return action != nullptr && action->isEnabled();
}

std::u16string_view CMainFrame::FailureMessageFor(int id) const {
    switch (id) {
    case ID_COPY_USERNAME:
    case ID_COPY_PASSWORD:
    case ID_COPY_URL:
    case ID_COPY_EMAIL:
    case ID_COPY_DESCRIPTION:
    case ID_COPY_COMMENT:
    case ID_CLEAR_CLIPBOARD:
    case ID_STATUS_CLEAR_CLIPBOARD:
    case ID_COMMENT_COPY:
        return kClipboardError;
    case ID_PASSWORD_DUPLICATE:
        return u"Es ist ein Fehler beim Duplizieren des Passworts aufgetreten.";
    case ID_WORKSPACE_LOCK:
        return u"Die Benutzerauthentifikation ist fehlgeschlagen.";
    case ID_HISTORY_COPY_DATE:
    case ID_HISTORY_COPY_PASSWORD:
        return u"Fehler beim Kopieren eines Eintrags aus der Passworthistorie.";
    case ID_FOLDER_NEW:
    case ID_FOLDER_RENAME:
    case ID_FOLDER_DELETE:
    case ID_FOLDER_SORT:
    case ID_FOLDER_SORT_NAME:
    case ID_FOLDER_SORT_INDEX:
    case ID_FOLDER_SORT_ASCENDING:
    case ID_FOLDER_SORT_DESCENDING:
        return kFolderReadError;
    default:
        return kEntryReadError;
    }
}

void CMainFrame::ExecuteCommand(int id) {
    UpdateCommandStates();
    if (const QAction* action = Action(id); action != nullptr && !action->isEnabled()) {
        return;
    }
    if (id >= ID_RECENT_DATABASE_FIRST && id <= ID_RECENT_DATABASE_LAST &&
        (m_locked || !m_logInAgain ||
         static_cast<std::size_t>(id - ID_RECENT_DATABASE_FIRST) >= m_settings.recentDatabases.items.size())) {
        return;
    }
    Guarded(FailureMessageFor(id), [&] { Dispatch(id); });
    UpdateCommandStates();
}

void CMainFrame::EditEntry(std::optional<std::size_t> entry) {
    if (!m_selectedFolder || m_locked) {
        return;
    }
    CPasswordSheet sheet(m_data, *m_selectedFolder, entry, *m_database, m_credentials, m_index, this);
    if (sheet.exec() != QDialog::Accepted) {
        return;
    }
    // The entry may have moved to another folder: show the folder that holds it now.
    const std::size_t folder = sheet.GetFolderPosition();
    FillTree(folder);
    SelectFolder(folder);
}

void CMainFrame::Dispatch(int id) {
    switch (id) {
    case ID_PASSWORD_NEW:
        EditEntry(std::nullopt);
        break;
    case ID_PASSWORD_EDIT:
        if (m_selectedEntry) {
            EditEntry(m_selectedEntry);
        }
        break;
    case ID_PASSWORD_PROPERTIES:
        if (m_selectedFolder && m_selectedEntry) {
            CTWPropertySheet(m_data, *m_selectedFolder, *m_selectedEntry, this).exec();
        }
        break;
    case ID_PASSWORD_GENERATOR: {
        PasswordGenerator::UI::CPasswordGeneratorDlg generator(this);
        generator.exec();
        break;
    }
    case ID_DATABASE_NEW:
        NewDatabase();
        break;
    case ID_DATABASE_OPEN:
    case ID_TRAY_OPEN_DATABASE:
        OpenOtherDatabase({});
        break;
    case ID_DATABASE_LOGOFF:
    case ID_TRAY_LOGOFF:
        LogOff();
        break;
    case ID_WORKSPACE_LOCK:
        ToggleLock();
        break;
    case ID_HELP_MANUAL:
        OpenHelp();
        break;
    case ID_MINIMIZE_TO_TRAY:
        MinimizeToTray();
        break;
    case ID_SUPPORT:
        OpenAddress(kSupportAddress);
        break;
    case ID_FEEDBACK: {
        const QString subject =
            QStringLiteral("Feedback zu Tarnwick ") + Q(Core::GetVersionNumberOfExecuteable());
        OpenAddress(QStringLiteral("mailto:%1?subject=%2")
                        .arg(kFeedbackAddress, QString::fromLatin1(QUrl::toPercentEncoding(subject))));
        break;
    }
    case ID_WEBSITE:
        OpenAddress(kWebsiteAddress);
        break;
    case ID_PASSWORD_DELETE:
        DeleteEntries();
        break;
    case ID_COPY_USERNAME:
    case ID_COPY_PASSWORD:
    case ID_COPY_URL:
    case ID_COPY_EMAIL:
    case ID_COPY_DESCRIPTION:
    case ID_COPY_COMMENT:
        CopyField(id);
        break;
    case ID_CLEAR_CLIPBOARD:
    case ID_STATUS_CLEAR_CLIPBOARD:
        ClearClipboard();
        break;
    case ID_SHOW_PASSWORDS:
        SetShowPasswords(true);
        break;
    case ID_HIDE_PASSWORDS:
        SetShowPasswords(false);
        break;
    case ID_TOGGLE_PASSWORDS:
        SetShowPasswords(!m_showPasswords);
        break;
    case ID_RUN_URL:
        RunUrl();
        break;
    case ID_PASSWORD_DUPLICATE:
        DuplicateEntry();
        break;
    case ID_CLEAR_FIELDS:
        ClearFields();
        break;
    case ID_RESET_HISTORY:
        ResetHistory();
        break;
    case ID_SELECT_ALL:
        m_view->PasswordList()->selectAll();
        break;
    case ID_FOLDER_NEW:
        NewFolder();
        break;
    case ID_FOLDER_RENAME:
        RenameFolder();
        break;
    case ID_FOLDER_DELETE:
        DeleteFolder();
        break;
    case ID_FOLDER_SORT:
        if (auto* menu = findChild<QMenu*>(QStringLiteral("FolderSortMenu"))) {
            menu->popup(QCursor::pos());
        }
        break;
    case ID_COMMENT_COPY:
        m_view->CommentWindow()->TextEdit()->copy();
        break;
    case ID_COMMENT_SELECT_ALL:
        m_view->CommentWindow()->TextEdit()->selectAll();
        break;
    case ID_LIST_SORT_NAME:
    case ID_LIST_SORT_INDEX:
    case ID_LIST_SORT_CREATION:
    case ID_LIST_SORT_MODIFICATION:
    case ID_LIST_SORT_EXPIRY:
    case ID_LIST_SORT_DESCENDING:
    case ID_LIST_SORT_ASCENDING:
        SortList(id);
        break;
    case ID_FOLDER_SORT_NAME:
    case ID_FOLDER_SORT_INDEX:
    case ID_FOLDER_SORT_ASCENDING:
    case ID_FOLDER_SORT_DESCENDING:
        SortFolders(id);
        break;
    case ID_FIELD_COPY_NAME:
    case ID_FIELD_COPY_VALUE:
        CopyFieldOfList(id);
        break;
    case ID_HISTORY_COPY_DATE:
    case ID_HISTORY_COPY_PASSWORD:
        CopyHistory(id);
        break;
    case ID_HISTORY_MASK: {
        Views::CInformationPanel* panel = m_view->InformationPanel();
        panel->SetHistoryMasked(!panel->IsHistoryMasked());
        Action(ID_HISTORY_MASK)->setText(panel->IsHistoryMasked() ? QStringLiteral("&Passwörter anzeigen")
                                                                  : QStringLiteral("&Passwörter verbergen"));
        break;
    }
    case ID_STYLE_BLUE:
    case ID_STYLE_SILVER:
    case ID_STYLE_BLACK:
    case ID_STYLE_AQUA:
        m_settings.visualStyleType = id;
        ApplyStyle(id);
        break;
    case ID_TRAY_RESTORE:
        RestoreFromTray();
        break;
    case ID_TRAY_EXIT:
    case ID_APP_EXIT:
        QuitProgram();
        break;
    case ID_APP_ABOUT:
        ShowAbout();
        break;
    default:
        if (id >= ID_RECENT_DATABASE_FIRST && id <= ID_RECENT_DATABASE_LAST) {
            const auto& items = m_settings.recentDatabases.items;
            const auto index = static_cast<std::size_t>(id - ID_RECENT_DATABASE_FIRST);
            if (index < items.size()) {
                OpenOtherDatabase(std::filesystem::path(Text::ToUtf8(items[index].path)));
            }
        }
        break;
    }
}

void CMainFrame::UpdateLockCommand() {
    QAction* action = Action(ID_WORKSPACE_LOCK);
    if (action == nullptr) {
        return;
    }
    action->setText(Q(m_locked ? Commands::kUnlockCaption : Commands::kLockCaption));
    const QString description = Q(m_locked ? Commands::kUnlockDescription : Commands::kLockDescription);
    action->setToolTip(description);
    action->setStatusTip(description);
    action->setIcon(MainFrame::LockIcon(m_locked));
}

void CMainFrame::UpdateToggleCommand() {
    if (QAction* action = Action(ID_TOGGLE_PASSWORDS)) {
        action->setText(Q(m_showPasswords ? Commands::kHidePasswordsCaption : Commands::kShowPasswordsCaption));
    }
}

void CMainFrame::UpdateCommandStates() {
    Guarded({}, [&] { RefreshCommandStates(); });
}

void CMainFrame::RefreshCommandStates() {
    if (m_actions.isEmpty() || m_view == nullptr) {
        return;
    }
    const auto& deferred = DeferredCommands();
    for (int id : deferred) {
        if (QAction* action = Action(id)) {
            action->setEnabled(false);
        }
    }
    auto enable = [&](int id, bool on) {
        if (QAction* action = Action(id)) {
            action->setEnabled(on && deferred.count(id) == 0);
        }
    };
    const bool unlocked = !m_locked && m_loaded;
    const bool logIn = static_cast<bool>(m_logInAgain);
    for (int id = ID_DATABASE_NEW; id <= ID_DATABASE_IMPORT_EXTERNAL; ++id) {
        enable(id, unlocked);
    }
    enable(ID_DATABASE_NEW, unlocked && logIn && static_cast<bool>(m_newDatabaseWizard));
    enable(ID_DATABASE_OPEN, unlocked && logIn);
    enable(ID_DATABASE_LOGOFF, unlocked && logIn);
    enable(ID_STATUS_DATABASE_PROPERTIES, unlocked);
    enable(ID_OPTIONS, unlocked);
    enable(ID_PRINT, unlocked && m_data.FolderCount() > 0);
    enable(ID_PRINT_PREVIEW, unlocked && m_data.FolderCount() > 0);
    for (int id : {ID_WORKSPACE_LOCK, ID_HELP_MANUAL, ID_UPDATES, ID_MINIMIZE_TO_TRAY, ID_SUPPORT, ID_FEEDBACK,
                   ID_WEBSITE}) {
        enable(id, true);
    }

    const std::vector<Views::ListRow> rows = SelectedRows();
    const PasswordADT::PasswordItem* one = rows.size() == 1 && rows.front().item ? rows.front().item.get() : nullptr;
    enable(ID_PASSWORD_EDIT, one != nullptr);
    enable(ID_PASSWORD_PROPERTIES, one != nullptr);
    enable(ID_PASSWORD_DUPLICATE, one != nullptr);
    enable(ID_COPY_USERNAME, one != nullptr && !one->GetUserName().IsEmpty());
    enable(ID_COPY_PASSWORD, one != nullptr && !one->GetPassword().IsEmpty());
    enable(ID_COPY_URL, one != nullptr && !one->GetUrl().IsEmpty());
    enable(ID_COPY_EMAIL, one != nullptr && !one->GetEmail().IsEmpty());
    enable(ID_COPY_DESCRIPTION, one != nullptr && !one->GetDescription().IsEmpty());
    enable(ID_COPY_COMMENT, one != nullptr && !one->GetComment().IsEmpty());
    enable(ID_RUN_URL, one != nullptr && !one->GetUrl().IsEmpty());
    enable(ID_CLEAR_FIELDS, one != nullptr && one->GetUserDefinedFields().Count() > 0);
    enable(ID_RESET_HISTORY, one != nullptr && one->GetPasswordHistory().Count() > 0);
    enable(ID_PASSWORD_DELETE, !rows.empty());
    enable(ID_PASSWORD_NEW, unlocked && m_selectedFolder.has_value());
    enable(ID_PASSWORD_GENERATOR, unlocked);
    enable(ID_SHOW_PASSWORDS, !m_showPasswords);
    enable(ID_HIDE_PASSWORDS, m_showPasswords);
    const bool listUsable = unlocked && m_view->PasswordList()->isEnabled();
    bool hasEntries = false;
    try {
        hasEntries = m_data.HasEntries();
    } catch (const Exception&) {
        hasEntries = false;
    }
    enable(ID_TOGGLE_PASSWORDS, hasEntries && listUsable);
    enable(ID_SEARCH, hasEntries && listUsable);
    enable(ID_SELECT_ALL, listUsable && m_view->ListModel()->rowCount() > 0);
    enable(ID_CLEAR_CLIPBOARD, true);
    enable(ID_STATUS_CLEAR_CLIPBOARD, true);

    QTreeWidgetItem* current = m_view->FolderTree()->currentItem();
    enable(ID_FOLDER_NEW, unlocked && current != nullptr);
    enable(ID_FOLDER_RENAME, unlocked && Views::FolderPositionOf(current).has_value());
    enable(ID_FOLDER_DELETE, unlocked && Views::FolderPositionOf(current).has_value());
    enable(ID_FOLDER_SORT, true);

    const QPlainTextEdit* comment = m_view->CommentWindow()->TextEdit();
    enable(ID_COMMENT_COPY, comment->textCursor().hasSelection());
    enable(ID_COMMENT_SELECT_ALL, !comment->document()->isEmpty());
    enable(ID_COMMENT_EDIT, one != nullptr);

    const Views::CInformationPanel* panel = m_view->InformationPanel();
    enable(ID_FIELD_NEW, one != nullptr);
    enable(ID_FIELD_EDIT, one != nullptr && panel->SelectedField().has_value());
    enable(ID_FIELD_COPY_NAME, one != nullptr && panel->SelectedField().has_value());
    enable(ID_FIELD_COPY_VALUE, one != nullptr && panel->SelectedField().has_value());
    enable(ID_HISTORY_COPY_DATE, one != nullptr && panel->SelectedHistoryEntry().has_value());
    enable(ID_HISTORY_COPY_PASSWORD, one != nullptr && panel->SelectedHistoryEntry().has_value());
    enable(ID_HISTORY_MASK, true);

    for (int id = ID_LIST_SORT_NAME; id <= ID_LIST_SORT_ASCENDING; ++id) {
        enable(id, true);
    }
    for (int id = ID_LIST_SORT_NAME; id <= ID_LIST_SORT_EXPIRY; ++id) {
        Action(id)->setChecked(m_settings.listSortKey == id);
    }
    Action(ID_LIST_SORT_DESCENDING)->setChecked(m_settings.listSortDirection != ID_LIST_SORT_ASCENDING);
    Action(ID_LIST_SORT_ASCENDING)->setChecked(m_settings.listSortDirection == ID_LIST_SORT_ASCENDING);
    for (int id = ID_FOLDER_SORT_NAME; id <= ID_FOLDER_SORT_DESCENDING; ++id) {
        enable(id, true);
    }
    Action(ID_FOLDER_SORT_NAME)->setChecked(m_settings.folderSortKey == ID_FOLDER_SORT_NAME);
    Action(ID_FOLDER_SORT_INDEX)->setChecked(m_settings.folderSortKey != ID_FOLDER_SORT_NAME);
    Action(ID_FOLDER_SORT_ASCENDING)->setChecked(m_settings.folderSortDirection == ID_FOLDER_SORT_ASCENDING);
    Action(ID_FOLDER_SORT_DESCENDING)->setChecked(m_settings.folderSortDirection != ID_FOLDER_SORT_ASCENDING);
    for (int id = ID_STYLE_BLUE; id <= ID_STYLE_AQUA; ++id) {
        enable(id, true);
        Action(id)->setChecked(m_settings.visualStyleType == id);
    }
    enable(ID_TRAY_OPEN_DATABASE, unlocked && logIn);
    enable(ID_TRAY_LOGOFF, unlocked && logIn);
    enable(ID_TRAY_EXIT, true);
    enable(ID_TRAY_RESTORE, true);
    enable(ID_APP_ABOUT, true);
    enable(ID_APP_EXIT, true);
}

// ---------------------------------------------------------------------------------------
// Loading and filling

bool CMainFrame::LoadDatabase() {
    m_database = std::make_unique<CDatabase>(*m_databaseUi, m_databasePath);
    PasswordADT::PasswordData loaded;
    if (!m_database->Load(m_credentials, loaded)) {
        return false;
    }
    m_data = std::move(loaded);
    m_statusBar->SetDatabaseName(PathText(m_databasePath.filename()));
    return true;
}

void CMainFrame::RebuildIndex() {
    SetStatus(kUpdatingData);
    m_index.Rebuild(m_data);
    SetStatus(m_locked ? kLocked : kReady);
}

void CMainFrame::OpenDatabaseIntoViews() {
    Guarded(kEntryReadError, [&] { RebuildIndex(); });
    m_view->SetViewsEnabled(true);
    FillTree(std::nullopt);
}

void CMainFrame::FillTree(std::optional<std::size_t> reselect) {
    Views::CFolderTreeCtrl* tree = m_view->FolderTree();
    bool setAside = false;
    m_filling = true;
    const bool filled = Guarded(kFolderReadError, [&] {
        setAside = FolderToTreeVisualizer::Visualize(*tree, m_data, FolderOrderOf(m_settings));
        for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it) {
            (*it)->setIcon(0, Views::IsRootItem(*it) ? Views::RootIcon() : Views::FolderIcon());
        }
    });
    m_filling = false;
    if (!filled) {
        tree->clear();
        OnTreeCurrentChanged(nullptr);
        return;
    }
    if (setAside) {
        CMessageBox::ShowWarning(this, Views::kSetAsideWarning);
    }
    QTreeWidgetItem* item = reselect ? FolderToTreeVisualizer::FindFolderItem(*tree, *reselect) : nullptr;
    if (item == nullptr) {
        item = FolderToTreeVisualizer::FirstFolderItem(*tree);
    }
    if (item == nullptr) {
        item = FolderToTreeVisualizer::RootItem(*tree);
    }
    if (item != nullptr && item->parent() != nullptr) {
        for (QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent()) {
            up->setExpanded(true);
        }
    }
    m_filling = true;
    tree->setCurrentItem(item);
    m_filling = false;
    OnTreeCurrentChanged(item);
}

void CMainFrame::ClearEntryInformation(const QString& description) {
    m_selectedEntry.reset();
    m_view->CommentWindow()->SetContent(description, QString());
    m_view->InformationPanel()->ClearLists();
}

void CMainFrame::ShowEntryInformation(const Views::ListRow& row) {
    const PasswordADT::PasswordItem& item = *row.item;
    const auto description = item.GetDescription().View();
    m_view->CommentWindow()->SetContent(Q(description.empty() ? kUnnamed : description), Q(item.GetComment().View()));
    m_view->InformationPanel()->ShowEntry(row.item);
}

void CMainFrame::ResetSelection() {
    m_selectedFolder.reset();
    m_selectedEntry.reset();
}

void CMainFrame::FillList() {
    Views::CPasswordListCtrl* list = m_view->PasswordList();
    Views::PasswordListModel* model = m_view->ListModel();
    m_filling = true;
    ScopeExit done([&] {
        m_filling = false;
        list->setUpdatesEnabled(true);
    });
    list->setUpdatesEnabled(false);
    model->SetShowPasswords(m_showPasswords);
    ClearEntryInformation(Q(Views::CCommentWnd::kNothingSelected));
    if (m_searchResultMode) {
        std::vector<Views::EntryPosition> positions;
        for (const PasswordItemRef& wanted : m_searchResult) {
            for (std::size_t f = 0; f < m_data.FolderCount(); ++f) {
                const auto& entries = m_data.Folders()[f]->Entries();
                const auto found = std::find(entries.begin(), entries.end(), wanted);
                if (found != entries.end()) {
                    positions.emplace_back(f, static_cast<std::size_t>(found - entries.begin()));
                    break;
                }
            }
        }
        PasswordToListVisualizer::VisualizeSearchResult(*model, m_data, positions);
        list->SetInformationText(QString());
        return;
    }
    PasswordToListVisualizer::Outcome outcome = PasswordToListVisualizer::Outcome::NoFolder;
    try {
        outcome = PasswordToListVisualizer::Visualize(*model, m_data, m_selectedFolder, ListOrderOf(m_settings));
    } catch (const Views::ListSortError& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
        list->SetInformationText(QString());
        CMessageBox::ShowError(this, e.GetMessage().View());
        return;
    }
    switch (outcome) {
    case PasswordToListVisualizer::Outcome::Rows:
        list->SetInformationText(QString());
        break;
    case PasswordToListVisualizer::Outcome::EmptyFolder:
        list->SetInformationText(Q(PasswordToListVisualizer::kEmptyFolderText));
        break;
    case PasswordToListVisualizer::Outcome::NoFolder:
        list->SetInformationText(Q(PasswordToListVisualizer::kNoFolderText));
        break;
    }
}

bool CMainFrame::SelectFolder(std::size_t position) {
    QTreeWidgetItem* item = FolderToTreeVisualizer::FindFolderItem(*m_view->FolderTree(), position);
    if (item == nullptr) {
        return false;
    }
    m_view->FolderTree()->setCurrentItem(item);
    return m_selectedFolder == position;
}

std::vector<Views::ListRow> CMainFrame::SelectedRows() const {
    std::vector<Views::ListRow> rows;
    for (int row : m_view->PasswordList()->SelectedRows()) {
        if (const Views::ListRow* entry = m_view->ListModel()->RowAt(row); entry != nullptr && entry->item) {
            rows.push_back(*entry);
        }
    }
    return rows;
}

const Views::ListRow* CMainFrame::SingleSelectedRow() const {
    const QList<int> rows = m_view->PasswordList()->SelectedRows();
    if (rows.size() != 1) {
        return nullptr;
    }
    const Views::ListRow* row = m_view->ListModel()->RowAt(rows.front());
    return row != nullptr && row->item ? row : nullptr;
}

void CMainFrame::SetStatus(std::u16string_view text) { m_statusBar->SetStatusText(Q(text)); }

QString CMainFrame::StatusText() const { return m_statusBar->StatusText(); }

QString CMainFrame::ClipboardIndicatorText() const { return m_statusBar->ClipboardText(); }

void CMainFrame::ShowSearchResult(const std::vector<Views::EntryPosition>& result) {
    Guarded(kEntryReadError, [&] {
        std::vector<PasswordItemRef> items;
        for (const auto& [folder, entry] : result) {
            if (folder >= m_data.FolderCount() || entry >= m_data.Folders()[folder]->Entries().size()) {
                throw Exception(u"invalid search result", u"PasswordToListVisualizer::VisualizeSearchResult");
            }
            items.push_back(m_data.Folders()[folder]->Entries()[entry]);
        }
        m_searchResult = std::move(items);
        m_searchResultMode = true;
        m_view->SetListCaption(QStringLiteral("Suchergebnis"));
        FillList();
    });
    UpdateCommandStates();
}

// ---------------------------------------------------------------------------------------
// Database requests

bool CMainFrame::SaveEntries() { return m_database && m_database->SaveEntries(m_credentials, m_data); }

bool CMainFrame::SaveFolders() { return m_database && m_database->SaveCategories(m_credentials, m_data); }

bool CMainFrame::SaveEverything() { return m_database && m_database->SaveAll(m_credentials, m_data); }

// ---------------------------------------------------------------------------------------
// Locking and the timers

void CMainFrame::ToggleLock() {
    if (m_locked) {
        UnlockWorkspace();
    } else {
        LockWorkspace();
    }
    UpdateCommandStates();
}

void CMainFrame::LockWorkspace() {
    m_locked = true;
    UpdateLockCommand();
    ResetSelection();
    m_searchResultMode = false;
    m_searchResult.clear();
    m_filling = true;
    m_view->ListModel()->Clear();
    m_view->FolderTree()->clear();
    m_filling = false;
    m_view->InformationPanel()->ClearLists();
    m_view->CommentWindow()->SetContent(QString(), QString());
    m_view->PasswordList()->SetInformationText(QString());
    m_view->SetListCaption(QString());
    m_view->SetViewsEnabled(false);
    SetStatus(kLocked);
    StopTimer(kInactivityTimer);
}

bool CMainFrame::CredentialsMatch(const LoginCredentials& credentials) const {
    return credentials.userName.View() == m_credentials.userName.View() &&
           m_credentials.password.Equals(credentials.password);
}

void CMainFrame::UnlockWorkspace() {
    if (m_unlocking) {
        return;
    }
    m_unlocking = true;
    bool authenticated = false;
    {
        ScopeExit done([this] { m_unlocking = false; });
        LoginCredentials typed;
        // Only the credentials of the open database unlock it, whatever the dialog answered.
        authenticated = m_reAuthenticator && m_reAuthenticator(this, m_databasePath, typed) && CredentialsMatch(typed);
    }
    if (authenticated) {
        m_locked = false;
        UpdateLockCommand();
        m_view->SetViewsEnabled(true);
        FillTree(std::nullopt);
        SetStatus(kReady);
        StartInactivityWatch();
    }
    if (QTreeWidgetItem* root = FolderToTreeVisualizer::RootItem(*m_view->FolderTree())) {
        root->setExpanded(true);
    }
}

void CMainFrame::StartTimer(int id, int milliseconds) { m_timers[static_cast<std::size_t>(id)].start(milliseconds); }

void CMainFrame::StopTimer(int id) { m_timers[static_cast<std::size_t>(id)].stop(); }

bool CMainFrame::IsTimerRunning(int id) const {
    return id >= 1 && id <= 4 && m_timers[static_cast<std::size_t>(id)].isActive();
}

void CMainFrame::StartInactivityWatch() {
    if (m_settings.workspaceLockSeconds <= 0 || m_locked) {
        return;
    }
    m_lastActivityTick = m_environment.tickCount();
    StartTimer(kInactivityTimer, 1000);
}

void CMainFrame::StartUpdateOfferTimer() {
    QMetaObject::invokeMethod(this, [this] { StartTimer(kUpdateOfferTimer, 500); }, Qt::QueuedConnection);
}

void CMainFrame::OnTimer(int id) {
    Guarded({}, [&] { HandleTimer(id); });
}

void CMainFrame::HandleTimer(int id) {
    switch (id) {
    case kClipboardTimer:
        if (m_settings.clipboardClearSeconds >= 1) {
            ClearClipboard();
        }
        StopTimer(kClipboardTimer);
        break;
    case kInactivityTimer:
        CheckInactivity();
        break;
    case kUpdateOfferTimer:
        StopTimer(kUpdateOfferTimer);
        ShowMessageBar(QStringLiteral("Es ist eine neue Version von Tarnwick verfügbar."),
                       QStringLiteral("Jetzt aktualisieren"), ID_UPDATES);
        break;
    case kStartDelayTimer:
        StopTimer(kStartDelayTimer);
        StartInactivityWatch();
        break;
    default:
        break;
    }
}

void CMainFrame::CheckInactivity() {
    const std::int16_t limit = m_settings.workspaceLockSeconds;
    // A modal dialog postpones the lock.
    if (limit < 1 || m_locked || m_unlocking || !isEnabled() || QApplication::activeModalWidget() != nullptr) {
        return;
    }
    const std::uint64_t now = m_environment.tickCount();
    const bool active = m_environment.isActiveWindow ? m_environment.isActiveWindow() : isActiveWindow();
    std::uint64_t idle = 0;
    if (!active) {
        idle = now >= m_lastActivityTick ? now - m_lastActivityTick : 0;
    } else {
        m_lastActivityTick = now;
        const std::optional<std::uint64_t> sinceInput = m_environment.idleTime->IdleMilliseconds();
        if (!sinceInput) {
            return;
        }
        idle = *sinceInput;
    }
    if (idle / 1000 > static_cast<std::uint64_t>(limit)) {
        StopTimer(kInactivityTimer);
        ToggleLock();
    }
}

void CMainFrame::ApplySettings(const ApplicationSettings::Settings& previous) {
    Guarded({}, [&] {
        m_view->PasswordList()->SetGridLines(m_settings.showHorizontalLines);
        ApplyStyle(m_settings.visualStyleType);
        if (m_settings.autoLockWorkspace && !m_environment.sessionWatcher->IsRegistered()) {
            RegisterSessionWatch();
        } else if (!m_settings.autoLockWorkspace && m_environment.sessionWatcher->IsRegistered()) {
            UnregisterSessionWatch();
        }
        if (m_settings.workspaceLockSeconds > 0 && !IsTimerRunning(kInactivityTimer)) {
            StartInactivityWatch();
        } else if (m_settings.workspaceLockSeconds <= 0 && IsTimerRunning(kInactivityTimer)) {
            StopTimer(kInactivityTimer);
        }
        if (previous.listSortKey != m_settings.listSortKey || previous.listSortDirection != m_settings.listSortDirection) {
            if (!m_locked) {
                FillList();
            }
        }
    });
    UpdateCommandStates();
}

void CMainFrame::RegisterSessionWatch() {
    if (m_environment.sessionWatcher->IsRegistered()) {
        return;
    }
    const bool registered = m_environment.sessionWatcher->Register(
        [this](Platform::SessionEvent event) { OnSessionEvent(event); });
    if (!registered) {
        LogProvider::GenericLog::LogEvent(0, u"session notifications are not available");
    }
}

void CMainFrame::UnregisterSessionWatch() { m_environment.sessionWatcher->Unregister(); }

void CMainFrame::OnSessionEvent(Platform::SessionEvent) {
    Guarded({}, [&] {
        // An already locked workspace stays locked; no unlock dialog is shown.
        if (m_settings.autoLockWorkspace && m_loaded && !m_locked && !m_unlocking) {
            LockWorkspace();
            UpdateCommandStates();
        }
    });
}

// ---------------------------------------------------------------------------------------
// Clipboard

void CMainFrame::CopyToClipboard(std::u16string_view text, ClipboardKind kind) {
    Guarded(kClipboardError, [&] {
        m_environment.clipboard->CopyText(text);
        m_statusBar->SetClipboardText(Q(MainFrame::ClipboardStatusText(kind)));
        StopTimer(kClipboardTimer);
        if (m_settings.clipboardClearSeconds > 0) {
            StartTimer(kClipboardTimer, m_settings.clipboardClearSeconds * 1000);
        }
    });
}

void CMainFrame::ClearClipboard() {
    Guarded(kClipboardError, [&] {
        m_environment.clipboard->Clear();
        m_statusBar->SetClipboardText(Q(MainFrame::ClipboardStatusText(ClipboardKind::Empty)));
        StopTimer(kClipboardTimer);
    });
}

void CMainFrame::OnClipboardLost() {
    Guarded({}, [&] { m_statusBar->SetClipboardText(Q(MainFrame::ClipboardStatusText(ClipboardKind::Empty))); });
    StopTimer(kClipboardTimer);
}

void CMainFrame::CopyField(int id) {
    const Views::ListRow* row = SingleSelectedRow();
    if (row == nullptr) {
        return;
    }
    const PasswordADT::PasswordItem& item = *row->item;
    switch (id) {
    case ID_COPY_USERNAME:
        CopyToClipboard(item.GetUserName().View(), ClipboardKind::UserName);
        break;
    case ID_COPY_PASSWORD: {
        // Out of secure memory for the copy only.
        const PlainString password = item.GetPassword().Reveal();
        CopyToClipboard(password.View(), ClipboardKind::Password);
        break;
    }
    case ID_COPY_URL:
        CopyToClipboard(item.GetUrl().View(), ClipboardKind::Url);
        break;
    case ID_COPY_EMAIL:
        CopyToClipboard(item.GetEmail().View(), ClipboardKind::Email);
        break;
    case ID_COPY_DESCRIPTION:
        CopyToClipboard(item.GetDescription().View(), ClipboardKind::Description);
        break;
    case ID_COPY_COMMENT:
        CopyToClipboard(item.GetComment().View(), ClipboardKind::Comment);
        break;
    default:
        break;
    }
}

void CMainFrame::CopyFieldOfList(int id) {
    const Views::ListRow* row = SingleSelectedRow();
    const std::optional<std::size_t> field = m_view->InformationPanel()->SelectedField();
    const bool name = id == ID_FIELD_COPY_NAME;
    if (row == nullptr || !field || *field >= row->item->GetUserDefinedFields().Count()) {
        CMessageBox::ShowError(this, name ? u"Der Name des Eintrags konnte nicht ausgelesen werden."
                                          : u"Der Wert des Eintrags konnte nicht ausgelesen werden.");
        return;
    }
    const auto& fields = row->item->GetUserDefinedFields();
    const auto& pair = *(fields.begin() + static_cast<std::ptrdiff_t>(*field));
    CopyToClipboard(name ? pair.first.View() : pair.second.View(),
                    name ? ClipboardKind::FieldName : ClipboardKind::FieldValue);
}

void CMainFrame::CopyHistory(int id) {
    const Views::ListRow* row = SingleSelectedRow();
    const std::optional<std::size_t> index = m_view->InformationPanel()->SelectedHistoryEntry();
    const bool date = id == ID_HISTORY_COPY_DATE;
    if (row == nullptr || !index || *index >= row->item->GetPasswordHistory().Count()) {
        CMessageBox::ShowError(this, date ? u"Das Datum konnte nicht ausgelesen werden."
                                          : u"Das Passwort konnte nicht ausgelesen werden.");
        return;
    }
    const PasswordADT::PasswordHistoryEntry& entry = row->item->GetPasswordHistory().At(*index);
    if (date) {
        CopyToClipboard(U(Views::CInformationPanel::FormatDate(entry.time)), ClipboardKind::HistoryDate);
    } else {
        const PlainString password = entry.password.Reveal();
        CopyToClipboard(password.View(), ClipboardKind::HistoryPassword);
    }
}

// ---------------------------------------------------------------------------------------
// Entry commands

void CMainFrame::SetShowPasswords(bool show) {
    m_showPasswords = show;
    m_view->ListModel()->SetShowPasswords(show);
    UpdateToggleCommand();
}

void CMainFrame::DeleteEntries() {
    const std::vector<Views::ListRow> rows = SelectedRows();
    if (rows.empty()) {
        return;
    }
    if (!CMessageBox::AskYesNo(this, u"Sind Sie sicher, dass Sie die gewählte(n) Passwortinformation(en) "
                                     u"unwiderruflich löschen möchten?")) {
        return;
    }
    bool someFailed = false;
    std::vector<PasswordItemRef> removed;
    for (const Views::ListRow& row : rows) {
        bool erased = false;
        if (row.folder < m_data.FolderCount() && m_data.Folders()[row.folder]) {
            auto& entries = m_data.Folders()[row.folder]->Entries();
            const auto found = std::find(entries.begin(), entries.end(), row.item);
            if (found != entries.end()) {
                entries.erase(found);
                removed.push_back(row.item);
                erased = true;
            }
        }
        someFailed |= !erased;
    }
    if (!removed.empty() && !SaveEntries()) {
        someFailed = true;
    }
    for (const PasswordItemRef& item : removed) {
        m_index.Remove(item);
        m_searchResult.erase(std::remove(m_searchResult.begin(), m_searchResult.end(), item), m_searchResult.end());
    }
    FillList();
    if (someFailed) {
        CMessageBox::ShowError(this, u"Einige Passwortinformationen konnten nicht gelöscht werden.");
    }
}

void CMainFrame::DuplicateEntry() {
    const Views::ListRow* row = SingleSelectedRow();
    if (row == nullptr) {
        return;
    }
    const PasswordADT::CategoryRef folder = row->folder < m_data.FolderCount() ? m_data.Folders()[row->folder] : nullptr;
    if (!folder) {
        throw Exception(u"invalid folder", u"CMainFrame::OnPasswordDuplicate");
    }
    auto copy = std::make_shared<PasswordADT::PasswordItem>(*row->item);
    copy->SetDescription(PasswordADT::CPasswordADTUtil::CopyName(row->item->GetDescription().View(), *folder).View());
    const std::int64_t now = PasswordADT::CurrentTime();
    copy->SetCreationTime(now);
    copy->SetModificationTime(now);
    if (!m_database || !m_database->AddEntry(m_credentials, *copy, folder->GetId())) {
        CMessageBox::ShowError(this, u"Es ist ein Fehler beim Duplizieren des Passworts aufgetreten.");
        return;
    }
    folder->Entries().push_back(copy);
    m_index.Add(copy);
    FillList();
    Views::PasswordListModel* model = m_view->ListModel();
    for (int r = 0; r < model->rowCount(); ++r) {
        if (model->RowAt(r)->item == copy) {
            m_view->PasswordList()->setCurrentIndex(model->index(r, Views::PasswordListModel::kDescription));
            break;
        }
    }
}

void CMainFrame::ClearFields() {
    const Views::ListRow* row = SingleSelectedRow();
    if (row == nullptr) {
        return;
    }
    const Views::ListRow current = *row;
    const auto text = Text::Format(
        u"Sind Sie sicher, dass Sie alle benutzerdefinierten Felder von \"%s\" löschen möchten?",
        current.item->GetDescription());
    if (!CMessageBox::AskYesNo(this, text.View())) {
        return;
    }
    current.item->GetUserDefinedFields().Clear();
    SaveEntries();
    ShowEntryInformation(current);
}

void CMainFrame::ResetHistory() {
    const Views::ListRow* row = SingleSelectedRow();
    if (row == nullptr) {
        return;
    }
    const Views::ListRow current = *row;
    const auto text = Text::Format(u"Sind Sie sicher, dass Sie die Passworthistorie von \"%s\" zurücksetzen möchten?",
                                   current.item->GetDescription());
    if (!CMessageBox::AskYesNo(this, text.View())) {
        return;
    }
    current.item->GetPasswordHistory().Clear();
    SaveEntries();
    ShowEntryInformation(current);
}

void CMainFrame::RunUrl() {
    const Views::ListRow* row = SingleSelectedRow();
    if (row == nullptr || row->item->GetUrl().IsEmpty()) {
        return;
    }
    errno = 0;
    if (!m_environment.openTarget(Q(row->item->GetUrl().View()))) {
        LogProvider::WindowsErrorLog::LogEvent(static_cast<std::uint32_t>(errno), u"CMainFrame::OnPasswordRunLinkClick",
                                               u"ShellExecuteEx");
    }
    if (!m_settings.bringTargetToFront) {
        raise();
        activateWindow();
    }
}

// ---------------------------------------------------------------------------------------
// Folder commands

void CMainFrame::NewFolder() {
    Views::CFolderTreeCtrl* tree = m_view->FolderTree();
    QTreeWidgetItem* parentItem = tree->currentItem();
    if (parentItem == nullptr) {
        return;
    }
    PasswordADT::CategoryRef parent;
    if (!Views::IsRootItem(parentItem)) {
        const auto position = Views::FolderPositionOf(parentItem);
        if (!position || *position >= m_data.FolderCount() || !m_data.Folders()[*position]) {
            CMessageBox::ShowError(this, u"Ungültiger Ordner. Es kann kein neuer Ornder erstellt werden.");
            return;
        }
        parent = m_data.Folders()[*position];
    }
    auto taken = [&](const QString& name) {
        for (int i = 0; i < parentItem->childCount(); ++i) {
            if (parentItem->child(i)->text(0) == name) {
                return true;
            }
        }
        return false;
    };
    QString name = Q(kNewFolderName);
    for (std::int64_t n = 1; taken(name); ++n) {
        name = Q(Text::Format(u"Neuer Ordner (%d)", n).View());
    }
    const std::u16string name16 = U(name);
    if (parent) {
        m_data.AddSubfolder(parent->GetId(), name16);
    } else {
        m_data.AddFolder(name16);
    }
    const std::size_t position = m_data.FolderCount() - 1;
    // A new folder block moves the entry records: folders and entries are written together.
    if (!SaveEverything()) {
        m_data.Folders().pop_back();
        return;
    }
    m_filling = true;
    auto* item = new QTreeWidgetItem(parentItem, QStringList(name));
    Views::SetFolderData(*item, position);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDropEnabled);
    item->setIcon(0, Views::FolderIcon());
    try {
        FolderToTreeVisualizer::SortChildren(*parentItem, m_data, FolderOrderOf(m_settings), false);
    } catch (...) {
        m_filling = false;
        throw;
    }
    m_filling = false;
    parentItem->setExpanded(true);
    tree->setCurrentItem(item);
    tree->BeginLabelEdit(item);
}

void CMainFrame::RenameFolder() { m_view->FolderTree()->BeginLabelEdit(m_view->FolderTree()->currentItem()); }

bool CMainFrame::OnFolderLabelEdit(QTreeWidgetItem* item, const QString& name) {
    if (item == nullptr || Views::IsRootItem(item)) {
        return false;
    }
    if (name.isEmpty() || name == item->text(0)) {
        return false;
    }
    const QTreeWidgetItem* parent = item->parent();
    if (parent != nullptr) {
        for (int i = 0; i < parent->childCount(); ++i) {
            if (parent->child(i) != item && parent->child(i)->text(0) == name) {
                return false; // a sibling's name: refused without a word
            }
        }
    }
    const std::u16string wanted = U(name);
    for (std::u16string_view reserved : kReservedNames) {
        if (wanted.size() == reserved.size() && Text::CompareNoCase(wanted, reserved, wanted.size()) == 0) {
            CMessageBox::ShowInformation(this, u"Dieser Ordnername ist reserviert. Verwenden Sie einen anderen Namen.");
            return false;
        }
    }
    const auto position = Views::FolderPositionOf(item);
    if (!position || *position >= m_data.FolderCount()) {
        return false;
    }
    QCoreApplication::postEvent(this, new FolderRenamedEvent(*position, name));
    return true;
}

void CMainFrame::OnFolderRenamed(std::size_t position, const QString& name) {
    if (position >= m_data.FolderCount() || !m_data.Folders()[position]) {
        throw Exception(u"invalid folder", u"CMainFrame::OnRenameFolder");
    }
    m_data.Folders()[position]->Rename(U(name));
    SaveFolders();
    Views::CFolderTreeCtrl* tree = m_view->FolderTree();
    QTreeWidgetItem* item = FolderToTreeVisualizer::FindFolderItem(*tree, position);
    if (item != nullptr && item->parent() != nullptr) {
        QTreeWidgetItem* current = tree->currentItem();
        m_filling = true;
        ScopeExit done([this] { m_filling = false; });
        item->setText(0, name);
        FolderToTreeVisualizer::SortChildren(*item->parent(), m_data, FolderOrderOf(m_settings), false);
        tree->setCurrentItem(current);
    }
    if (m_selectedFolder == position && !m_searchResultMode) {
        m_view->SetListCaption(name);
    }
}

void CMainFrame::DeleteFolder() {
    Views::CFolderTreeCtrl* tree = m_view->FolderTree();
    QTreeWidgetItem* item = tree->currentItem();
    const auto position = Views::FolderPositionOf(item);
    if (!position || *position >= m_data.FolderCount()) {
        return;
    }
    const PlainString name = m_data.Folders()[*position]->GetName();
    if (!CMessageBox::AskYesNo(this, Text::Format(u"Sind Sie sicher, dass Sie den Ordner \"%s\" mit sämtlichen "
                                                  u"Passwortinformationen und ggf. allen Unterordnern unwiderruflich "
                                                  u"löschen möchten?",
                                                  name)
                                         .View())) {
        return;
    }
    // The folder shown next: the following sibling, else the one before, else the parent.
    PasswordADT::CategoryRef next;
    if (QTreeWidgetItem* parent = item->parent()) {
        const int index = parent->indexOfChild(item);
        QTreeWidgetItem* neighbour = index + 1 < parent->childCount() ? parent->child(index + 1)
                                     : index > 0                      ? parent->child(index - 1)
                                                                      : parent;
        if (const auto nextPosition = Views::FolderPositionOf(neighbour)) {
            next = m_data.Folders()[*nextPosition];
        }
    }
    try {
        m_data.DeleteFolder(*position);
    } catch (const Exception& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
        CMessageBox::ShowError(this, Text::Format(u"Es ist ein Fehler beim Löschen des Ordnders \"%s\" aufgetreten.", name)
                                         .View());
        return;
    }
    if (!m_database || m_database->Reorganise(m_credentials, m_data) != RequestResult::Succeeded) {
        CMessageBox::ShowError(this, u"Es ist ein Fehler beim Reorganisieren der Datenbank aufgetreten.");
    }
    m_searchResultMode = false;
    m_searchResult.clear();
    std::optional<std::size_t> reselect;
    for (std::size_t f = 0; next && f < m_data.FolderCount(); ++f) {
        if (m_data.Folders()[f] == next) {
            reselect = f;
        }
    }
    FillTree(reselect);
    RebuildIndex();
}

void CMainFrame::SortList(int id) {
    if (id == ID_LIST_SORT_DESCENDING || id == ID_LIST_SORT_ASCENDING) {
        m_settings.listSortDirection = id;
    } else {
        m_settings.listSortKey = id;
    }
    if (!m_locked) {
        FillList();
    }
}

void CMainFrame::SortFolders(int id) {
    if (id == ID_FOLDER_SORT_ASCENDING || id == ID_FOLDER_SORT_DESCENDING) {
        m_settings.folderSortDirection = id;
    } else {
        m_settings.folderSortKey = id;
    }
    if (m_locked) {
        return;
    }
    QTreeWidgetItem* root = FolderToTreeVisualizer::RootItem(*m_view->FolderTree());
    if (root == nullptr) {
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ScopeExit cursor([] { QApplication::restoreOverrideCursor(); });
    {
        m_filling = true;
        ScopeExit done([this] { m_filling = false; });
        FolderToTreeVisualizer::SortChildren(*root, m_data, FolderOrderOf(m_settings), true);
    }
    QTreeWidgetItem* first = FolderToTreeVisualizer::FirstFolderItem(*m_view->FolderTree());
    QTreeWidgetItem* target = first != nullptr ? first : root;
    m_filling = true;
    m_view->FolderTree()->setCurrentItem(target);
    m_filling = false;
    OnTreeCurrentChanged(target);
}

void CMainFrame::ApplyStyle(std::int32_t style) {
    if (!MainFrame::ApplyVisualStyle(*this, style)) {
        CMessageBox::ShowWarning(this, u"Es wurde ein unbekannter Stil ausgewählt.");
    }
    UpdateCommandStates();
}

// ---------------------------------------------------------------------------------------
// Help, about, addresses

void CMainFrame::OpenHelp() {
    const std::filesystem::path manual = Core::Path::GetApplicationPath() / "Benutzerhandbuch.pdf";
    if (!Core::Path::FileExists(manual)) {
        CMessageBox::ShowWarning(this, u"Das Benutzerhandbuch konnte nicht gefunden werden.");
        return;
    }
    OpenAddress(PathText(manual));
}

void CMainFrame::OpenAddress(const QString& address) {
    errno = 0;
    if (!m_environment.openTarget(address)) {
        LogProvider::WindowsErrorLog::LogEvent(static_cast<std::uint32_t>(errno), u"CMainFrame::OpenAddress",
                                               u"ShellExecuteEx");
    }
}

void CMainFrame::ShowAbout() {
    MainFrame::CAboutDialog dialog(this);
    dialog.exec();
}

// ---------------------------------------------------------------------------------------
// Closing, log-in again, notification area

void CMainFrame::CloseDatabase() {
    if (m_settings.clearClipboardOnExit) {
        ClearClipboard();
    }
    m_database.reset();
    m_credentials.userName.Clear();
    m_credentials.password.Clear();
    m_databasePath.clear();
    ResetSelection();
    m_searchResultMode = false;
    m_searchResult.clear();
    SetShowPasswords(false);
    m_view->CommentWindow()->SetContent(QStringLiteral("kein Element gewählt"), QString());
    m_filling = true;
    m_view->FolderTree()->clear();
    m_view->ListModel()->Clear();
    m_filling = false;
    m_view->InformationPanel()->ClearLists();
    m_view->SetListCaption(QString());
    m_index.Clear();
    m_data.Clear();
    m_loaded = false;
}

void CMainFrame::QuitProgram() {
    m_quitting = true;
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void CMainFrame::RunLogInAgain(std::filesystem::path preset) {
    CloseDatabase();
    hide();
    setEnabled(false);
    std::filesystem::path path = std::move(preset);
    LoginCredentials credentials;
    if (!m_logInAgain || !m_logInAgain(this, path, credentials)) {
        QuitProgram();
        return;
    }
    m_databasePath = std::move(path);
    m_credentials = std::move(credentials);
    // A new log-in starts unlocked.
    m_locked = false;
    UpdateLockCommand();
    m_loaded = LoadDatabase();
    if (!m_loaded) {
        QuitProgram();
        return;
    }
    OpenDatabaseIntoViews();
    setEnabled(true);
    show();
    raise();
    activateWindow();
    SetStatus(kReady);
}

void CMainFrame::OpenOtherDatabase(std::filesystem::path path) {
    if (!path.empty() && path == m_databasePath) {
        return;
    }
    m_environment.notificationIcon->Hide();
    if (path.empty()) {
        path = m_environment.chooseDatabaseFile(this);
        if (path.empty()) {
            return;
        }
    }
    RunLogInAgain(std::move(path));
}

void CMainFrame::LogOff() {
    if (!CMessageBox::AskYesNo(this, u"Sind Sie sicher, dass Sie sich jetzt abmelden möchten?")) {
        return;
    }
    m_environment.notificationIcon->Hide();
    RunLogInAgain({});
}

void CMainFrame::NewDatabase() {
    if (!CMessageBox::AskYesNo(
            this, u"Sind Sie sicher, dass Sie sich jetzt abmelden möchten, um eine neue Datenbank zu erstellen?")) {
        return;
    }
    CloseDatabase();
    std::filesystem::path created = m_newDatabaseWizard ? m_newDatabaseWizard(this) : std::filesystem::path();
    RunLogInAgain(std::move(created));
}

void CMainFrame::MinimizeToTray() {
    if (!isVisible()) {
        return;
    }
    Guarded({}, [&] {
        if (!m_environment.notificationIcon->Show(Q(kTitle), Q(kTitle), Q(kTrayBalloon))) {
            // Without a notification area the window would be lost: it stays as it is.
            LogProvider::GenericLog::LogEvent(0, u"notification area not available");
            return;
        }
        showMinimized();
        hide();
    });
}

void CMainFrame::RestoreFromTray() {
    show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
    m_environment.notificationIcon->Hide();
}

void CMainFrame::OnTrayActivated(MainFrame::INotificationIcon::Activation activation, const QPoint& position) {
    Guarded({}, [&] {
        if (activation == MainFrame::INotificationIcon::Activation::DoubleClick) {
            RestoreFromTray();
        } else {
            UpdateCommandStates();
            m_trayMenu->popup(position);
        }
    });
}

std::intptr_t CMainFrame::HandleInstanceRequest(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (message == kTrayMessage && wParam == 0 && static_cast<std::uintptr_t>(lParam) == kLeftButtonDoubleClick) {
        Guarded({}, [&] { RestoreFromTray(); });
        return 0;
    }
    // Typing secrets, or anything else, is never done for another process.
    LogProvider::GenericLog::LogEvent(
        0, Text::Format(u"CMainFrame::HandleInstanceRequest: refused message %u from another process",
                        static_cast<std::uint64_t>(message))
               .View());
    return -1;
}

void CMainFrame::SetReAuthenticator(MainFrame::ReAuthenticator reAuthenticator) {
    m_reAuthenticator = std::move(reAuthenticator);
}

void CMainFrame::SetLogInAgain(MainFrame::LogInAgain logInAgain) {
    m_logInAgain = std::move(logInAgain);
    UpdateCommandStates();
}

void CMainFrame::SetNewDatabaseWizard(MainFrame::NewDatabaseWizard wizard) {
    m_newDatabaseWizard = std::move(wizard);
    UpdateCommandStates();
}

void CMainFrame::SetDatabaseUserInterface(IDatabaseUserInterface* ui) {
    m_environment.databaseUi = ui;
    m_databaseUi->SetDelegate(ui);
}

void CMainFrame::SetAutoCompletionRunner(std::shared_ptr<MainFrame::IAutoCompletionRunner> runner) {
    m_autoCompletion = std::move(runner);
}

void CMainFrame::ShowMessageBar(const QString& text, const QString& buttonText, int command) {
    m_captionBar->ShowMessage(text, buttonText, command);
}

void CMainFrame::RequestAutoCompletion(std::size_t folder, std::size_t entry) {
    QCoreApplication::postEvent(this, new AutoCompletionEvent(folder, entry));
}

void CMainFrame::RequestAutoCompletionChoice(int choice) {
    QCoreApplication::postEvent(this, new AutoCompletionChoiceEvent(choice));
}

void CMainFrame::RunAutoCompletion(std::size_t folder, std::size_t entry) {
    if (folder >= m_data.FolderCount() || !m_data.Folders()[folder]) {
        CMessageBox::ShowError(this, kFolderReadError);
        return;
    }
    const auto& entries = m_data.Folders()[folder]->Entries();
    if (entry >= entries.size() || !entries[entry]) {
        CMessageBox::ShowError(this, kEntryReadError);
        return;
    }
    if (!m_autoCompletion) {
        LogProvider::GenericLog::LogEvent(0, u"CMainFrame::OnAutoCompletion: no executor");
        return;
    }
    if (!m_autoCompletion->Run(this, *entries[entry])) {
        CMessageBox::ShowError(this, u"Die Auto-Vervollständigungs Sequenz ist ungültig.");
    }
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == AutoCompletionEvent::kType) {
        const auto* request = static_cast<AutoCompletionEvent*>(event);
        Guarded(kEntryReadError, [&] { RunAutoCompletion(request->folder, request->entry); });
        return true;
    }
    if (event->type() == AutoCompletionChoiceEvent::kType) {
        const int choice = static_cast<AutoCompletionChoiceEvent*>(event)->choice;
        Guarded(kEntryReadError, [&] {
            if (m_locked) {
                ShowLockedInformation(this, kAutoCompletionLocked);
                return;
            }
            if (choice == kChoiceNewEntry) {
                if (m_data.FolderCount() == 0) {
                    CMessageBox::ShowInformation(
                        this, u"Bevor Sie eine neue Passwortinformation erstellen, müssen Sie einen Ordner anlegen.");
                    return;
                }
                if (!m_selectedFolder) {
                    QTreeWidgetItem* first = FolderToTreeVisualizer::FirstFolderItem(*m_view->FolderTree());
                    if (first != nullptr) {
                        m_view->FolderTree()->setCurrentItem(first);
                    }
                    if (!m_selectedFolder) {
                        CMessageBox::ShowInformation(this, u"Wählen Sie den Ordner aus der Ordnerliste aus, dem die "
                                                           u"neue Passwortinformation zugeordnet werden soll.");
                        return;
                    }
                }
                ExecuteCommand(ID_PASSWORD_NEW);
            } else if (choice == kChoiceAssignEntry) {
                if (!m_data.HasEntries()) {
                    CMessageBox::ShowInformation(this, u"Es sind keine Passwortinformationen vorhanden.");
                    return;
                }
                ExecuteCommand(ID_SEARCH);
            }
        });
        return true;
    }
    if (event->type() == FolderRenamedEvent::kType) {
        const auto* renamed = static_cast<FolderRenamedEvent*>(event);
        Guarded(kFolderReadError, [&] { OnFolderRenamed(renamed->position, renamed->name); });
        UpdateCommandStates();
        return true;
    }
    try {
        return QMainWindow::event(event);
    } catch (...) {
        Guarded({}, [] { throw; });
        return true;
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!m_quitting && event->spontaneous() && m_settings.minimizeToTrayOnClose && m_loaded) {
        event->ignore();
        MinimizeToTray();
        return;
    }
    Guarded({}, [&] { StoreWindowPlacement(); });
    Guarded({}, [&] { emit Closing(); });
    Guarded({}, [&] { CloseDatabase(); });
    for (QTimer& timer : m_timers) {
        timer.stop();
    }
    Guarded({}, [&] {
        m_environment.notificationIcon->Hide();
        UnregisterSessionWatch();
    });
    event->accept();
}

void CMainFrame::RestoreWindowPlacement() {
    if (!m_settings.saveMainWindowPosition || m_settings.mainBottom == -1) {
        return;
    }
    const QRect rect(QPoint(m_settings.mainLeft, m_settings.mainTop),
                     QPoint(m_settings.mainRight - 1, m_settings.mainBottom - 1));
    if (rect.width() < 300 || rect.height() < 200) {
        return;
    }
    // A placement on a screen that is gone would put the window out of reach.
    bool visible = false;
    for (const QScreen* screen : QGuiApplication::screens()) {
        visible |= screen->availableGeometry().intersects(rect);
    }
    if (!visible) {
        return;
    }
    setGeometry(rect);
    if (m_settings.showCmd == 3) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void CMainFrame::StoreWindowPlacement() {
    const QRect rect = normalGeometry().isValid() ? normalGeometry() : geometry();
    m_settings.mainLeft = rect.left();
    m_settings.mainTop = rect.top();
    m_settings.mainRight = rect.left() + rect.width();
    m_settings.mainBottom = rect.top() + rect.height();
    m_settings.showCmd = isMaximized() ? 3 : (isMinimized() ? 2 : 1);
    m_settings.placementFlags = 0;
}

// ---------------------------------------------------------------------------------------
// View notifications

void CMainFrame::OnTreeCurrentChanged(QTreeWidgetItem* current) {
    if (m_filling) {
        return;
    }
    Guarded(kEntryReadError, [&] {
        m_selectedEntry.reset();
        ClearEntryInformation(Q(Views::CCommentWnd::kNothingSelected));
        Views::PasswordListModel* model = m_view->ListModel();
        Views::CPasswordListCtrl* list = m_view->PasswordList();
        if (current == nullptr || Views::IsRootItem(current)) {
            m_selectedFolder.reset();
            m_searchResultMode = false;
            m_view->SetListCaption(current != nullptr ? Q(Views::CPasswordView::kRootCaption) : QString());
            model->Clear();
            list->SetInformationText(current != nullptr ? Q(PasswordToListVisualizer::kNoFolderText) : QString());
            return;
        }
        m_searchResultMode = false;
        const auto position = Views::FolderPositionOf(current);
        if (!position || *position >= m_data.FolderCount() || !m_data.Folders()[*position]) {
            m_selectedFolder.reset();
            m_view->SetListCaption(QStringLiteral("Ordner unbekannt"));
            model->Clear();
            list->SetInformationText(QString());
            return;
        }
        m_selectedFolder = *position;
        m_view->SetListCaption(Q(m_data.Folders()[*position]->GetName().View()));
        FillList();
    });
    UpdateCommandStates();
}

void CMainFrame::OnTreeContextMenu(const QPoint& position) {
    Guarded(kFolderReadError, [&] {
        Views::CFolderTreeCtrl* tree = m_view->FolderTree();
        if (QTreeWidgetItem* item = tree->itemAt(position)) {
            tree->setCurrentItem(item);
        }
        UpdateCommandStates();
        MakeMenu({ID_FOLDER_NEW, ID_FOLDER_RENAME, ID_FOLDER_DELETE})->popup(tree->viewport()->mapToGlobal(position));
    });
}

void CMainFrame::OnListSelectionChanged() {
    if (m_filling) {
        return;
    }
    const std::vector<Views::ListRow> rows = SelectedRows();
    if (rows.empty()) {
        ClearEntryInformation(Q(Views::CCommentWnd::kNothingSelected));
    } else {
        const Views::ListRow* shown = &rows.front();
        const QModelIndex current = m_view->PasswordList()->currentIndex();
        for (const Views::ListRow& row : rows) {
            if (const Views::ListRow* at = m_view->ListModel()->RowAt(current.row()); at != nullptr && at->item == row.item) {
                shown = &row;
            }
        }
        m_selectedEntry = shown->entry;
        ShowEntryInformation(*shown);
        m_commandBar->ShowContextCategory(0);
    }
    UpdateCommandStates();
}

void CMainFrame::OnListContextMenu(const QPoint& position) {
    Guarded(kEntryReadError, [&] { ShowListMenu(position); });
}

void CMainFrame::ShowListMenu(const QPoint& position) {
    UpdateCommandStates();
    MakeMenu({ID_PASSWORD_NEW, ID_PASSWORD_EDIT, ID_PASSWORD_DUPLICATE, ID_PASSWORD_DELETE, 0, ID_SEARCH,
              ID_HIDE_PASSWORDS, ID_SHOW_PASSWORDS, 0, ID_COPY_DESCRIPTION, ID_COPY_USERNAME, ID_COPY_EMAIL,
              ID_COPY_PASSWORD, ID_COPY_URL, ID_CLEAR_CLIPBOARD, 0, ID_RUN_URL, ID_SELECT_ALL, 0,
              ID_PASSWORD_PROPERTIES})
        ->popup(m_view->PasswordList()->viewport()->mapToGlobal(position));
}

void CMainFrame::OnListDoubleClicked(const QModelIndex& index) {
    if (index.isValid()) {
        ExecuteCommand(ID_PASSWORD_EDIT);
    }
}

void CMainFrame::OnListEmptyDoubleClicked() {
    if (m_selectedFolder) {
        ExecuteCommand(ID_PASSWORD_NEW);
    }
}

void CMainFrame::OnListEmptyClicked() {
    Guarded(kEntryReadError, [&] { ClearEntryInformation(Q(Views::CCommentWnd::kNothingSelected)); });
    UpdateCommandStates();
}

void CMainFrame::MoveEntries(QTreeWidgetItem* target, const std::vector<Views::EntryPosition>& entries) {
    if (entries.empty()) {
        return;
    }
    // The entries themselves, before any move shifts the positions.
    std::vector<std::pair<PasswordADT::CategoryRef, PasswordItemRef>> moving;
    for (const auto& [folder, entry] : entries) {
        if (folder >= m_data.FolderCount() || !m_data.Folders()[folder] ||
            entry >= m_data.Folders()[folder]->Entries().size()) {
            CMessageBox::ShowError(this, u"Passwortinformationen können nicht verschoben, da die Quelle unbekannt ist.");
            return;
        }
        moving.emplace_back(m_data.Folders()[folder], m_data.Folders()[folder]->Entries()[entry]);
    }
    if (target == nullptr || Views::IsRootItem(target)) {
        CMessageBox::ShowError(this, target == nullptr ? u"Ungültiger, selektierter Ordner."
                                                       : u"Das Passwort kann nicht hierher verschoben werden.");
        return;
    }
    const auto targetPosition = Views::FolderPositionOf(target);
    if (!targetPosition || *targetPosition >= m_data.FolderCount() || !m_data.Folders()[*targetPosition]) {
        CMessageBox::ShowError(this, u"Ungültiger, selektierter Ordner.");
        return;
    }
    const PasswordADT::CategoryRef targetFolder = m_data.Folders()[*targetPosition];
    if (m_settings.confirmDragDropMove) {
        bool yes = false;
        if (moving.size() > 1) {
            yes = CMessageBox::AskYesNo(this, u"Möchten Sie die gewählten Passwörter jetzt verschieben?");
        } else {
            const auto description = moving.front().second->GetDescription().View();
            yes = CMessageBox::AskYesNo(this, Text::Format(u"Möchten Sie das Passwort \"%s\" in den Ordner \"%s\" "
                                                           u"verschieben?",
                                                           description.empty() ? kUnnamed : description,
                                                           targetFolder->GetName())
                                                  .View());
        }
        if (!yes) {
            return;
        }
    }
    bool moved = false;
    for (const auto& [source, item] : moving) {
        if (source == targetFolder) {
            CMessageBox::ShowInformation(this, u"Das Passwort gehört bereits zu diesem Ordner.");
            continue;
        }
        std::optional<std::size_t> sourcePosition;
        for (std::size_t f = 0; f < m_data.FolderCount(); ++f) {
            if (m_data.Folders()[f] == source) {
                sourcePosition = f;
            }
        }
        const auto& sourceEntries = source->Entries();
        const auto found = std::find(sourceEntries.begin(), sourceEntries.end(), item);
        if (!sourcePosition || found == sourceEntries.end()) {
            throw Exception(u"MR_ERROR_SOURCE", u"CMainFrame::MovePassword");
        }
        const int result = m_data.MoveEntry(*targetPosition, *sourcePosition,
                                            static_cast<std::size_t>(found - sourceEntries.begin()));
        if (result != PasswordADT::MoveEntrySucceeded) {
            throw Exception(MoveResultText(result), u"CMainFrame::MovePassword");
        }
        moved = true;
    }
    if (!moved) {
        return;
    }
    if (!SaveEntries()) {
        CMessageBox::ShowError(this, kMoveError);
    }
    const std::optional<std::size_t> shown = m_selectedFolder;
    const bool searching = m_searchResultMode;
    const bool refreshed = Guarded({}, [&] {
        FillTree(shown);
        if (searching) {
            m_searchResultMode = true;
            FillList();
        }
    });
    if (!refreshed) {
        CMessageBox::ShowWarning(this, u"Nach dem Verschieben konnten nicht alle Daten aktualisiert werden.");
    }
}

} // namespace Tarnwick
