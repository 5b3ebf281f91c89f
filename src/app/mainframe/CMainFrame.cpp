#include "app/mainframe/CMainFrame.h"

#include "app/mainframe/FrameInternals.h"

#include <cerrno>
#include <chrono>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTabBar>
#include <QUrl>
#include <QVBoxLayout>

#include "app/CommandBoundary.h"
#include "app/ModalDialog.h"
#include "app/dialogs/MaintenanceCommands.h"
#include "app/dialogs/PrintCommands.h"
#include "app/dialogs/SearchCommands.h"
#include "app/mainframe/AboutDialog.h"
#include "app/mainframe/ApplicationIdleSource.h"
#include "app/mainframe/CaptionBar.h"
#include "app/mainframe/AutoCompletionController.h"
#include "app/mainframe/ClipboardController.h"
#include "app/mainframe/CommandBar.h"
#include "app/mainframe/CommandIcons.h"
#include "app/mainframe/CommandIds.h"
#include "app/mainframe/CommandTable.h"
#include "app/mainframe/DataCommands.h"
#include "app/mainframe/FieldClipboard.h"
#include "app/mainframe/FrameDatabaseUserInterface.h"
#include "app/mainframe/FramePlacement.h"
#include "app/mainframe/FrameViews.h"
#include "app/mainframe/KeyboardNavigation.h"
#include "app/mainframe/MainStatusBar.h"
#include "app/mainframe/NotificationIcon.h"
#include "app/mainframe/TargetLauncher.h"
#include "app/mainframe/VisualStyles.h"
#include "app/mainframe/WorkspaceLock.h"
#include "app/views/FolderToTreeVisualizer.h"
#include "app/views/FolderTreeCtrl.h"
#include "app/views/InformationPanel.h"
#include "app/views/PasswordListCtrl.h"
#include "app/views/PasswordListModel.h"
#include "app/views/PasswordView.h"
#include "app/views/TreeItems.h"
#include "app/wizards/DatabaseImportWizard.h"
#include "app/wizards/ExportWizard.h"
#include "app/wizards/ImportWizard.h"
#include "core/Path.h"
#include "core/SystemInformation.h"
#include "base/text/Format.h"
#include "base/text/Utf.h"
#include "generator/ui/PasswordGeneratorDlg.h"
#include "log/LogProvider.h"
#include "options/ui/OptionsDialog.h"
#include "base/exceptions/Exception.h"
#include "platform/session/SessionWatcher.h"
#include "platform/x11/IdleTime.h"
#include "uilib/MessageBox.h"

namespace Tarnwick {

using namespace Commands;
using MainFrame::ClipboardKind;
using PasswordADT::PasswordItemRef;
using StringServiceProvider::PlainString;
using Utilities::Exceptions::Exception;
using WindowsServiceProvider::CMessageBox;

using namespace MainFrame::Internal;

// ---------------------------------------------------------------------------------------
// Construction

CMainFrame::CMainFrame(ApplicationSettings::Settings& settings, std::filesystem::path database,
                       LoginCredentials credentials, QWidget* parent)
    : CMainFrame(settings, std::move(database), std::move(credentials), MainFrame::MainFrameEnvironment{}, parent) {}

CMainFrame::CMainFrame(ApplicationSettings::Settings& settings, std::filesystem::path database,
                       LoginCredentials credentials, MainFrame::MainFrameEnvironment environment, QWidget* parent)
    : QMainWindow(parent), m_settings(settings), m_environment(std::move(environment)),
      m_databaseUi(std::make_unique<MainFrame::FrameDatabaseUserInterface>(*this)), m_session(*m_databaseUi) {
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
        m_environment.openTarget = [](const QString& address) { return QDesktopServices::openUrl(QUrl(address)); };
    }
    if (!m_environment.chooseDatabaseFile) {
        m_environment.chooseDatabaseFile = [](QWidget* owner) {
            const QString file = QFileDialog::getOpenFileName(
                owner, QStringLiteral("Datenbank öffnen"), QDir::homePath(),
                QStringLiteral("Tarnwick Datenbank (*.twdb);;Alle Dateien (*)"));
            return std::filesystem::path(file.toStdString());
        };
    }
    m_environment.notificationIcon->onActivated = [this](MainFrame::INotificationIcon::Activation activation,
                                                         QPoint position) { OnTrayActivated(activation, position); };
    m_databaseUi->SetDelegate(m_environment.databaseUi);
    m_session.onReloaded = [this] { OnReloaded(); };
    // Entries without their folder: a notice on the message bar, not a box in the way.
    m_session.onLoadNotice = [this](std::u16string_view text) {
        Guarded({}, [&] { ShowMessageBar(Q(text), QString(), 0); });
    };
    m_updateOffer.setSingleShot(true);
    connect(&m_updateOffer, &QTimer::timeout, this, [this] { OnTimer(kUpdateOfferTimer); });

    CreateInterface();
    Guarded({}, [&] { RestoreWindowPlacement(); });
    ApplyStyle(m_settings.visualStyleType);

    m_loaded = OpenSession(std::move(database), std::move(credentials));
    if (m_loaded) {
        OpenDatabaseIntoViews();
    } else {
        QuitProgram();
    }
    // Auto-completion: the hot key (started now when the option is on), the smart tag, the runs.
    MainFrame::AutoCompletionController::Host autoCompletion;
    autoCompletion.window = this;
    autoCompletion.isLocked = [this] { return IsLocked(); };
    autoCompletion.findMatches = [this](std::u16string_view title) { return m_index.FindMatches(Data(), title); };
    autoCompletion.requestEntry = [this](std::size_t folder, std::size_t entry) { RequestAutoCompletion(folder, entry); };
    autoCompletion.requestChoice = [this](int choice) { RequestAutoCompletionChoice(choice); };
    m_autoCompletionController = std::make_shared<MainFrame::AutoCompletionController>(std::move(autoCompletion), m_settings);
    m_autoCompletionController->AttachClipboard(*m_clipboard);
    m_autoCompletion = m_autoCompletionController;
    if (m_loaded) {
        Guarded({}, [&] { m_autoCompletionController->Start(); });
    }
    SetStatus(kReady);
    m_lock->FollowSessionOption();
    // The watch starts whether or not a stored window placement was restored.
    m_lock->ArmDelayedStart();
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    m_updateOffer.stop();
    if (m_environment.notificationIcon) {
        m_environment.notificationIcon->onActivated = nullptr;
        m_environment.notificationIcon->Hide();
    }
    m_session.onReloaded = nullptr;
    m_session.onLoadNotice = nullptr;
}

bool CMainFrame::Guarded(std::u16string_view message, const std::function<void()>& work) noexcept {
    return App::RunCommand(this, message, work);
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

    m_views = std::make_unique<MainFrame::FrameViews>(*m_view, m_settings, *this);
    m_views->onChanged = [this] { UpdateCommandStates(); };
    m_views->onEntryChosen = [this] { m_commandBar->ShowContextCategory(0); };
    m_clipboard = std::make_unique<MainFrame::ClipboardController>(
        m_settings, m_environment.clipboard,
        [this](ClipboardKind kind) { m_statusBar->SetClipboardText(Q(MainFrame::ClipboardStatusText(kind))); }, this);
    MainFrame::WorkspaceLock::Hooks hooks;
    hooks.locked = [this] { OnLocked(); };
    hooks.unlocked = [this] { OnUnlocked(); };
    hooks.authenticate = [this](LoginCredentials& typed) {
        return m_reAuthenticator && m_reAuthenticator(this, m_session.Path(), typed);
    };
    hooks.matches = [this](const LoginCredentials& typed) {
        const LoginCredentials& held = m_session.Credentials();
        return typed.userName.View() == held.userName.View() && held.password.Equals(typed.password);
    };
    hooks.isOpen = [this] { return m_loaded; };
    hooks.mayLockNow = [this] { return isEnabled() && QApplication::activeModalWidget() == nullptr; };
    hooks.isActive = [this] { return isActiveWindow(); };
    m_lock = std::make_unique<MainFrame::WorkspaceLock>(m_settings, m_environment, std::move(hooks), this);
    m_commands = std::make_unique<MainFrame::DataCommands>(*this, m_session, *m_views, m_index, m_settings);
    m_commands->postRename = [this](std::size_t position, const QString& name) {
        QCoreApplication::postEvent(this, new FolderRenamedEvent(position, name));
    };
    m_search = std::make_unique<Dialogs::SearchCommands>(*this);
    Dialogs::MaintenanceHost host{m_session, m_settings};
    host.isLocked = [this] { return IsLocked(); };
    host.dataReloaded = [this] {
        m_index.Rebuild(Data());
        m_views->Refresh();
    };
    host.reAuthenticate = [this](QWidget* parent, const std::filesystem::path& path, LoginCredentials& typed) {
        return m_reAuthenticator && m_reAuthenticator(parent, path, typed);
    };
    host.quit = [this] { QuitProgram(); };
    host.logInAgain = [this] { RunLogInAgain({}); };
    m_maintenance = std::make_unique<Dialogs::MaintenanceCommands>(*this, std::move(host));
    m_print = std::make_unique<Dialogs::PrintCommands>(*this, m_session, m_settings);

    m_view->PasswordList()->SetGridLines(m_settings.showHorizontalLines);
    m_view->SetListCaption(QString());
    CreateActions();
    m_commandBar = MainFrame::BuildCommandBar(*this, [this](int id) { return Action(id); }, m_menus);
    connect(m_menus.application, &QMenu::aboutToShow, this, [this] { Guarded({}, [&] { RebuildRecentMenu(); }); });
    RebuildRecentMenu();
    ConnectViews();
    m_keyboard = new MainFrame::KeyboardNavigation(*this, *m_commandBar, *m_view);

    m_statusBar->SetClipboardText(Q(MainFrame::ClipboardStatusText(ClipboardKind::Empty)));
    resize(1120, 720);
}

void CMainFrame::CreateActions() {
    for (const CommandInfo& info : CommandTable()) {
        auto* action = new QAction(MainFrame::CommandIcon(info.id), Q(info.caption), this);
        action->setData(info.id);
        action->setToolTip(Q(info.description));
        action->setStatusTip(Q(info.description));
        action->setIconVisibleInMenu(true);
        if (info.keys.toCombined() != 0) {
            action->setShortcut(QKeySequence(info.keys));
            switch (info.scope) {
            case KeyScope::Window:
                action->setShortcutContext(Qt::WindowShortcut);
                addAction(action);
                break;
            case KeyScope::List:
                action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
                m_view->PasswordList()->addAction(action);
                break;
            case KeyScope::Tree:
                action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
                m_view->FolderTree()->addAction(action);
                break;
            case KeyScope::Comment:
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

void CMainFrame::RebuildRecentMenu() {
    QMenu* recent = m_menus.recent;
    recent->clear();
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
        QAction* action = recent->addAction(Q(text.View()));
        action->setToolTip(Q(path));
        action->setStatusTip(Q(path));
        const int id = ID_RECENT_DATABASE_FIRST + static_cast<int>(i);
        action->setData(id);
        // Only the first five have a command.
        action->setEnabled(id <= ID_RECENT_DATABASE_LAST && !IsLocked() && static_cast<bool>(m_logInAgain));
        connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
    }
    recent->setEnabled(!items.empty());
}

void CMainFrame::PopUp(QMenu* menu, const QPoint& global) {
    UpdateCommandStates();
    menu->popup(global);
}

void CMainFrame::ConnectViews() {
    Views::CFolderTreeCtrl* tree = m_view->FolderTree();
    Views::CPasswordListCtrl* list = m_view->PasswordList();
    Views::CInformationPanel* panel = m_view->InformationPanel();
    connect(tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { Guarded(kEntryReadError, [&] { m_views->OnTreeCurrentChanged(current); }); });
    connect(tree, &QWidget::customContextMenuRequested, this, [this, tree](const QPoint& position) {
        Guarded(kFolderReadError, [&] {
            if (QTreeWidgetItem* item = tree->itemAt(position)) {
                tree->setCurrentItem(item);
            }
            PopUp(m_menus.tree, tree->viewport()->mapToGlobal(position));
        });
    });
    tree->SetLabelEditHandler([this](QTreeWidgetItem* item, const QString& name) {
        bool accepted = false;
        Guarded(kFolderReadError, [&] { accepted = m_commands->AcceptFolderName(item, name); });
        return accepted;
    });
    tree->SetDropHandler([this](QTreeWidgetItem* target, const std::vector<Views::EntryPosition>& entries) {
        Guarded(kMoveError, [&] { m_commands->MoveEntries(target, entries); });
        UpdateCommandStates();
    });
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { Guarded(kEntryReadError, [&] { m_views->OnListSelectionChanged(); }); });
    connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& position) {
        Guarded(kEntryReadError, [&] { PopUp(m_menus.list, list->viewport()->mapToGlobal(position)); });
    });
    connect(list, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) {
            ExecuteCommand(ID_PASSWORD_EDIT);
        }
    });
    connect(list, &Views::CPasswordListCtrl::EmptyAreaDoubleClicked, this, [this] {
        if (m_views->SelectedFolder()) {
            ExecuteCommand(ID_PASSWORD_NEW);
        }
    });
    connect(list, &Views::CPasswordListCtrl::EmptyAreaClicked, this, [this] {
        Guarded(kEntryReadError, [&] { m_views->ClearEntryInformation(); });
        UpdateCommandStates();
    });
    connect(list, &Views::CPasswordListCtrl::DragFailed, this, [this] {
        Guarded({}, [&] { CMessageBox::ShowError(this, u"Fehler bei der \"Drag and Drop\" Initialisierung."); });
    });
    QHeaderView* header = list->header();
    header->setSectionsClickable(true);
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
        const std::optional<int> key = SortKeyOfColumn(column);
        if (!key) {
            return;
        }
        if (m_settings.listSortKey == *key) {
            ExecuteCommand(m_settings.listSortDirection == ID_LIST_SORT_ASCENDING ? ID_LIST_SORT_DESCENDING
                                                                                 : ID_LIST_SORT_ASCENDING);
        } else {
            ExecuteCommand(*key);
        }
    });
    QPlainTextEdit* comment = m_view->CommentWindow()->TextEdit();
    connect(comment, &QWidget::customContextMenuRequested, this, [this, comment](const QPoint& position) {
        Guarded({}, [&] { PopUp(m_menus.comment, comment->mapToGlobal(position)); });
    });
    connect(comment, &QPlainTextEdit::copyAvailable, this, [this] { UpdateCommandStates(); });
    connect(panel->FieldList(), &QTreeWidget::itemSelectionChanged, this, [this] { UpdateCommandStates(); });
    connect(panel->HistoryList(), &QTreeWidget::itemSelectionChanged, this, [this] { UpdateCommandStates(); });
    connect(panel->FieldList(), &QWidget::customContextMenuRequested, this, [this, panel](const QPoint& position) {
        Guarded({}, [&] { PopUp(m_menus.fields, panel->FieldList()->viewport()->mapToGlobal(position)); });
    });
    connect(panel->HistoryList(), &QWidget::customContextMenuRequested, this, [this, panel](const QPoint& position) {
        Guarded({}, [&] { PopUp(m_menus.history, panel->HistoryList()->viewport()->mapToGlobal(position)); });
    });
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_focusPlaced) {
        m_focusPlaced = true;
        m_keyboard->FocusViews();
    }
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
    case ID_FIELD_COPY_NAME:
    case ID_FIELD_COPY_VALUE:
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
        (IsLocked() || !m_logInAgain ||
         static_cast<std::size_t>(id - ID_RECENT_DATABASE_FIRST) >= m_settings.recentDatabases.items.size())) {
        return;
    }
    Guarded(FailureMessageFor(id), [&] { Dispatch(id); });
    UpdateCommandStates();
}

void CMainFrame::Dispatch(int id) {
    switch (id) {
    case ID_PASSWORD_NEW:
    case ID_PASSWORD_EDIT:
        if (!IsLocked()) {
            m_commands->EditEntry(id == ID_PASSWORD_NEW);
        }
        break;
    case ID_PASSWORD_PROPERTIES:
        m_commands->ShowProperties();
        break;
    case ID_PASSWORD_GENERATOR: {
        PasswordGenerator::UI::CPasswordGeneratorDlg generator(this);
        generator.exec();
        break;
    }
    case ID_DATABASE_NEW:
        NewDatabase();
        break;
    case ID_SEARCH:
        m_search->Search();
        break;
    case ID_OPTIONS: {
        // The dialog edits a copy; the window follows only what an OK committed.
        const ApplicationSettings::Settings previous = m_settings;
        ::OptionsLibrary::OptionsDialog::Environment options;
        options.hotKeyGrabber = m_autoCompletionController->HotKeyGrabber();
        options.runModal = [](QDialog& dialog) { return App::RunModal(dialog); };
        if (::OptionsLibrary::OptionsDialog::Show(this, m_settings, options) == ::OptionsLibrary::OptionsDialog::IDOK) {
            ApplySettings(previous);
        }
        break;
    }
    case ID_DATABASE_REORGANIZE:
        m_maintenance->Reorganise();
        break;
    case ID_DATABASE_CHANGE_PASSWORD:
        m_maintenance->ChangePassword();
        break;
    case ID_DATABASE_PROPERTIES:
    case ID_STATUS_DATABASE_PROPERTIES:
        m_maintenance->ShowProperties();
        break;
    case ID_DATABASE_BACKUP:
        m_maintenance->Backup();
        break;
    case ID_DATABASE_EXPORT:
        ExportImport::ShowExportWizard(m_maintenance->Host(), this);
        break;
    case ID_DATABASE_IMPORT:
        // The wizard reloads the session and the views after the file changed.
        ExportImport::ShowDatabaseImportWizard(m_maintenance->Host(), this);
        break;
    case ID_DATABASE_IMPORT_EXTERNAL:
        // The wizard reloads the session and the views after a successful import.
        Wizards::RunExternalImport(m_maintenance->Host(), this);
        break;
    case ID_DATABASE_DELETE:
        m_maintenance->DeleteDatabase();
        break;
    case ID_PRINT:
    case ID_PRINT_PREVIEW:
        m_print->Print(id == ID_PRINT_PREVIEW);
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
        const QString subject = QStringLiteral("Feedback zu Tarnwick ") + Q(Core::GetVersionNumberOfExecuteable());
        OpenAddress(QStringLiteral("mailto:%1?subject=%2")
                        .arg(kFeedbackAddress, QString::fromLatin1(QUrl::toPercentEncoding(subject))));
        break;
    }
    case ID_WEBSITE:
        OpenAddress(kWebsiteAddress);
        break;
    case ID_PASSWORD_DELETE:
        m_commands->DeleteEntries();
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
        SetShowPasswords(!m_views->ShowsPasswords());
        break;
    case ID_RUN_URL:
        RunUrl();
        break;
    case ID_PASSWORD_DUPLICATE:
        m_commands->DuplicateEntry();
        break;
    case ID_CLEAR_FIELDS:
        m_commands->ClearFields();
        break;
    case ID_RESET_HISTORY:
        m_commands->ResetHistory();
        break;
    case ID_SELECT_ALL:
        m_view->PasswordList()->selectAll();
        break;
    case ID_FOLDER_NEW:
        m_commands->NewFolder();
        break;
    case ID_FOLDER_RENAME:
        m_commands->StartRenamingFolder();
        break;
    case ID_FOLDER_DELETE:
        m_commands->DeleteFolder();
        break;
    case ID_FOLDER_SORT:
        m_menus.folderSort->popup(QCursor::pos());
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
    case ID_UPDATES:
        RunUpdate();
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
    const bool locked = IsLocked();
    action->setText(Q(locked ? kUnlockCaption : kLockCaption));
    const QString description = Q(locked ? kUnlockDescription : kLockDescription);
    action->setToolTip(description);
    action->setStatusTip(description);
    action->setIcon(MainFrame::LockIcon(locked));
}

void CMainFrame::UpdateToggleCommand() {
    if (QAction* action = Action(ID_TOGGLE_PASSWORDS)) {
        action->setText(Q(GetShowPasswords() ? kHidePasswordsCaption : kShowPasswordsCaption));
    }
}

void CMainFrame::UpdateCommandStates() {
    Guarded({}, [&] { RefreshCommandStates(); });
}

void CMainFrame::RefreshCommandStates() {
    if (m_actions.isEmpty() || m_view == nullptr || !m_views) {
        return;
    }
    const std::vector<Views::ListRow> rows = m_views->SelectedRows();
    const PasswordADT::PasswordItem* one = rows.size() == 1 && rows.front().item ? rows.front().item.get() : nullptr;
    const Views::CInformationPanel* panel = m_view->InformationPanel();
    const QPlainTextEdit* comment = m_view->CommentWindow()->TextEdit();
    QTreeWidgetItem* current = m_view->FolderTree()->currentItem();
    const bool unlocked = !IsLocked() && m_loaded;
    bool hasEntries = false;
    try {
        hasEntries = Data().HasEntries();
    } catch (const Exception&) {
        hasEntries = false;
    }
    const std::pair<bool, unsigned> holds[] = {
        {unlocked, Unlocked},
        {static_cast<bool>(m_logInAgain), LogIn},
        {static_cast<bool>(m_newDatabaseWizard), Wizard},
        {Data().FolderCount() > 0, Folders},
        {hasEntries, Entries},
        {m_view->PasswordList()->isEnabled(), ListUsable},
        {m_view->ListModel()->rowCount() > 0, ListRows},
        {one != nullptr, OneEntry},
        {!rows.empty(), AnyEntry},
        {m_views->SelectedFolder().has_value(), FolderChosen},
        {current != nullptr, TreeItem},
        {Views::FolderPositionOf(current).has_value(), TreeFolder},
        {comment->textCursor().hasSelection(), CommentSelection},
        {!comment->document()->isEmpty(), CommentText},
        {panel->SelectedField().has_value(), FieldChosen},
        {panel->SelectedHistoryEntry().has_value(), HistoryChosen},
        {GetShowPasswords(), PasswordsShown},
        {!GetShowPasswords(), PasswordsHidden},
    };
    CommandContext context;
    context.entry = one;
    for (const auto& [held, need] : holds) {
        if (held) {
            context.met |= need;
        }
    }
    for (const CommandInfo& info : CommandTable()) {
        if (QAction* action = Action(info.id)) {
            action->setEnabled(IsEnabled(info, context));
        }
    }
    for (int id = ID_LIST_SORT_NAME; id <= ID_LIST_SORT_EXPIRY; ++id) {
        Action(id)->setChecked(m_settings.listSortKey == id);
    }
    Action(ID_LIST_SORT_DESCENDING)->setChecked(m_settings.listSortDirection != ID_LIST_SORT_ASCENDING);
    Action(ID_LIST_SORT_ASCENDING)->setChecked(m_settings.listSortDirection == ID_LIST_SORT_ASCENDING);
    Action(ID_FOLDER_SORT_NAME)->setChecked(m_settings.folderSortKey == ID_FOLDER_SORT_NAME);
    Action(ID_FOLDER_SORT_INDEX)->setChecked(m_settings.folderSortKey != ID_FOLDER_SORT_NAME);
    Action(ID_FOLDER_SORT_ASCENDING)->setChecked(m_settings.folderSortDirection == ID_FOLDER_SORT_ASCENDING);
    Action(ID_FOLDER_SORT_DESCENDING)->setChecked(m_settings.folderSortDirection != ID_FOLDER_SORT_ASCENDING);
    for (int id = ID_STYLE_BLUE; id <= ID_STYLE_AQUA; ++id) {
        Action(id)->setChecked(m_settings.visualStyleType == id);
    }
    // The header shows the list's order where a column stands for the key.
    QHeaderView* header = m_view->PasswordList()->header();
    const Qt::SortOrder order =
        m_settings.listSortDirection == ID_LIST_SORT_ASCENDING ? Qt::AscendingOrder : Qt::DescendingOrder;
    int shown = -1;
    for (int column = 0; column < Views::PasswordListModel::kColumnCount; ++column) {
        if (SortKeyOfColumn(column) == m_settings.listSortKey) {
            shown = column;
        }
    }
    header->setSortIndicatorShown(shown >= 0);
    if (shown >= 0) {
        header->setSortIndicator(shown, order);
    }
}

// ---------------------------------------------------------------------------------------
// Clipboard

void CMainFrame::CopyField(int id) {
    if (const Views::ListRow* row = m_views->SingleSelectedRow()) {
        m_clipboard->CopyField(*row->item, id);
    }
}

void CMainFrame::CopyFieldOfList(int id) {
    const Views::ListRow* row = m_views->SingleSelectedRow();
    m_clipboard->CopyUserField(row != nullptr ? row->item.get() : nullptr, m_view->InformationPanel()->SelectedField(),
                               id == ID_FIELD_COPY_NAME, this);
}

void CMainFrame::CopyHistory(int id) {
    const Views::ListRow* row = m_views->SingleSelectedRow();
    m_clipboard->CopyHistory(row != nullptr ? row->item.get() : nullptr,
                             m_view->InformationPanel()->SelectedHistoryEntry(), id == ID_HISTORY_COPY_DATE, this);
}

void CMainFrame::ClearClipboard() { m_clipboard->Clear(); }

// ---------------------------------------------------------------------------------------
// Views, addresses, help

void CMainFrame::SetShowPasswords(bool show) {
    m_views->SetShowPasswords(show);
    UpdateToggleCommand();
}

void CMainFrame::RunUrl() {
    const Views::ListRow* row = m_views->SingleSelectedRow();
    if (row == nullptr || row->item->GetUrl().IsEmpty()) {
        return;
    }
    MainFrame::LaunchEffects effects;
    effects.openUrl = [this](const QUrl& address) { return m_environment.openTarget(address.toString()); };
    effects.confirmProgram = m_environment.confirmProgram;
    effects.startProcess = m_environment.startProcess;
    const QString target = Q(row->item->GetUrl().View());
    const MainFrame::LaunchResult result = MainFrame::TargetLauncher(std::move(effects)).Launch(this, target);
    if (const QString message = MainFrame::LaunchMessage(result, target); !message.isEmpty()) {
        CMessageBox::ShowError(this, message.toStdU16String());
    }
    if (!m_settings.bringTargetToFront) {
        raise();
        activateWindow();
    }
}

void CMainFrame::SortList(int id) {
    if (id == ID_LIST_SORT_DESCENDING || id == ID_LIST_SORT_ASCENDING) {
        m_settings.listSortDirection = id;
    } else {
        m_settings.listSortKey = id;
    }
    if (!IsLocked()) {
        const std::vector<Views::ListRow> chosen = m_views->SelectedRows();
        m_views->FillList();
        std::vector<PasswordItemRef> items;
        for (const Views::ListRow& row : chosen) {
            items.push_back(row.item);
        }
        m_views->ChooseEntries(items);
    }
}

void CMainFrame::SortFolders(int id) {
    if (id == ID_FOLDER_SORT_ASCENDING || id == ID_FOLDER_SORT_DESCENDING) {
        m_settings.folderSortDirection = id;
    } else {
        m_settings.folderSortKey = id;
    }
    if (!IsLocked()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool sorted = Guarded({}, [&] { m_views->SortFolders(); });
        QApplication::restoreOverrideCursor();
        if (!sorted) {
            throw Exception(u"sort failed", u"CMainFrame::OnSortFolders");
        }
    }
}

void CMainFrame::ApplyStyle(std::int32_t style) {
    if (!MainFrame::ApplyVisualStyle(*this, style)) {
        CMessageBox::ShowWarning(this, u"Es wurde ein unbekannter Stil ausgewählt.");
    }
    UpdateCommandStates();
}

void CMainFrame::OpenHelp() {
    const std::filesystem::path manual = Core::Path::GetApplicationPath() / "Benutzerhandbuch.pdf";
    if (!Core::Path::FileExists(manual)) {
        CMessageBox::ShowWarning(this, u"Das Benutzerhandbuch konnte nicht gefunden werden.");
        return;
    }
    OpenAddress(QUrl::fromLocalFile(PathText(manual)).toString());
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

} // namespace Tarnwick
