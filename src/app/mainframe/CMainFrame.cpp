#include "app/mainframe/CMainFrame.h"

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
#include "app/mainframe/AboutDialog.h"
#include "app/mainframe/ApplicationIdleSource.h"
#include "app/mainframe/CaptionBar.h"
#include "app/mainframe/ClipboardController.h"
#include "app/mainframe/CommandBar.h"
#include "app/mainframe/CommandIcons.h"
#include "app/mainframe/CommandIds.h"
#include "app/mainframe/CommandTable.h"
#include "app/mainframe/DataCommands.h"
#include "app/mainframe/FieldClipboard.h"
#include "app/mainframe/FrameDatabaseUserInterface.h"
#include "app/mainframe/FrameViews.h"
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
#include "core/Path.h"
#include "core/SystemInformation.h"
#include "core/text/Format.h"
#include "core/text/Utf.h"
#include "generator/ui/PasswordGeneratorDlg.h"
#include "log/LogProvider.h"
#include "log/exceptions/Exception.h"
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
constexpr std::u16string_view kReloaded =
    u"Die Datenbank wurde von einem anderen Programm geändert und neu geladen. Ihr Befehl wurde auf den neuen "
    u"Stand angewendet.";
constexpr std::u16string_view kWelcome = u"Willkommen bei Tarnwick. Zum Anlegen eines neuen Passworts klicken Sie auf "
                                         u"die nebenstehende Schaltfläche.";
constexpr int kUpdateOfferTimer = 3;

// The support addresses of the product.
const QString kSupportAddress = QStringLiteral("https://www.tarnwick.example/support/");
const QString kWebsiteAddress = QStringLiteral("https://www.tarnwick.example/");
const QString kFeedbackAddress = QStringLiteral("feedback@tarnwick.example");

QString Q(std::u16string_view text) { return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())); }

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

std::uint64_t SteadyMilliseconds() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

void ShowLockedInformation(QWidget* parent, std::u16string_view text) {
    WindowsServiceProvider::TaskDialogOptions options;
    options.title = std::u16string(kLockedTitle);
    options.content = std::u16string(text);
    options.icon = WindowsServiceProvider::TaskDialogIcon::Information;
    options.cancelButton = true;
    CMessageBox::ShowTaskDialog(parent, options);
}

// The list's column headers sort by the key they show; a second click turns the direction.
std::optional<int> SortKeyOfColumn(int column) {
    switch (column) {
    case Views::PasswordListModel::kSymbol:
        return ID_LIST_SORT_INDEX;
    case Views::PasswordListModel::kValidity:
        return ID_LIST_SORT_EXPIRY;
    case Views::PasswordListModel::kDescription:
        return ID_LIST_SORT_NAME;
    default:
        return std::nullopt;
    }
}

} // namespace

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

    m_view->PasswordList()->SetGridLines(m_settings.showHorizontalLines);
    m_view->SetListCaption(QString());
    CreateActions();
    m_commandBar = MainFrame::BuildCommandBar(*this, [this](int id) { return Action(id); }, m_menus);
    connect(m_menus.application, &QMenu::aboutToShow, this, [this] { Guarded({}, [&] { RebuildRecentMenu(); }); });
    RebuildRecentMenu();
    ConnectViews();
    QApplication::instance()->installEventFilter(this);

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

// ---------------------------------------------------------------------------------------
// Keyboard: F10 and a lone Alt reach the command bar; the views take the focus after a log-in.

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    static bool altAlone = false;
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || widget->window() != this || QApplication::activeModalWidget() != nullptr) {
            return QMainWindow::eventFilter(watched, event);
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        if (event->type() == QEvent::KeyPress) {
            altAlone = key->key() == Qt::Key_Alt && key->modifiers() == Qt::AltModifier;
            if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier) {
                FocusCommandBar();
                return true;
            }
        } else if (key->key() == Qt::Key_Alt && altAlone && !key->isAutoRepeat()) {
            altAlone = false;
            FocusCommandBar();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::FocusCommandBar() {
    if (m_commandBar->tabBar()->hasFocus()) {
        FocusViews();
        return;
    }
    m_commandBar->tabBar()->setFocus(Qt::ShortcutFocusReason);
}

void CMainFrame::FocusViews() {
    if (m_view->ListModel()->rowCount() > 0 && m_view->PasswordList()->isEnabled()) {
        Views::CPasswordListCtrl* list = m_view->PasswordList();
        if (!list->currentIndex().isValid()) {
            list->setCurrentIndex(m_view->ListModel()->index(0, Views::PasswordListModel::kDescription));
        }
        list->setFocus(Qt::OtherFocusReason);
    } else {
        m_view->FolderTree()->setFocus(Qt::OtherFocusReason);
    }
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_focusPlaced) {
        m_focusPlaced = true;
        FocusViews();
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
// Opening and filling

bool CMainFrame::OpenSession(std::filesystem::path path, LoginCredentials credentials) {
    if (!m_session.Open(std::move(path), std::move(credentials))) {
        m_views->SetData(nullptr);
        return false;
    }
    m_views->SetData(&m_session.Data());
    m_statusBar->SetDatabaseName(PathText(m_session.Path().filename()));
    return true;
}

void CMainFrame::RebuildIndex() {
    SetStatus(kUpdatingData);
    m_index.Rebuild(Data());
    SetStatus(IsLocked() ? kLocked : kReady);
}

void CMainFrame::OpenDatabaseIntoViews() {
    Guarded(kEntryReadError, [&] { RebuildIndex(); });
    m_views->SetEnabled(true);
    Guarded(kFolderReadError, [&] { m_views->Fill(std::nullopt); });
}

void CMainFrame::ShowWelcome() {
    Guarded({}, [&] { ShowMessageBar(Q(kWelcome), QStringLiteral("Neues Passwort erstellen"), ID_PASSWORD_NEW); });
}

void CMainFrame::OnReloaded() {
    Guarded({}, [&] { ShowMessageBar(Q(kReloaded), QString(), 0); });
}

bool CMainFrame::SelectFolder(std::size_t position) { return m_views->SelectFolder(position); }

std::optional<std::size_t> CMainFrame::SelectedFolder() const noexcept { return m_views->SelectedFolder(); }

std::optional<std::size_t> CMainFrame::SelectedEntry() const noexcept { return m_views->SelectedEntry(); }

bool CMainFrame::GetShowPasswords() const noexcept { return m_views && m_views->ShowsPasswords(); }

bool CMainFrame::IsSearchResultMode() const noexcept { return m_views->IsSearchResultMode(); }

bool CMainFrame::IsLocked() const noexcept { return m_lock && m_lock->IsLocked(); }

void CMainFrame::SetStatus(std::u16string_view text) { m_statusBar->SetStatusText(Q(text)); }

QString CMainFrame::StatusText() const { return m_statusBar->StatusText(); }

QString CMainFrame::ClipboardIndicatorText() const { return m_statusBar->ClipboardText(); }

void CMainFrame::ShowSearchResult(const std::vector<Views::EntryPosition>& result) {
    Guarded(kEntryReadError, [&] {
        std::vector<PasswordItemRef> items;
        for (const auto& [folder, entry] : result) {
            if (folder >= Data().FolderCount() || entry >= Data().Folders()[folder]->Entries().size()) {
                throw Exception(u"invalid search result", u"PasswordToListVisualizer::VisualizeSearchResult");
            }
            items.push_back(Data().Folders()[folder]->Entries()[entry]);
        }
        m_views->ShowSearchResult(std::move(items));
    });
    UpdateCommandStates();
}

// ---------------------------------------------------------------------------------------
// Locking and the timers

void CMainFrame::ToggleLock() {
    m_lock->Toggle();
    UpdateCommandStates();
}

void CMainFrame::OnLocked() {
    UpdateLockCommand();
    m_views->Clear(true);
    SetStatus(kLocked);
}

void CMainFrame::OnUnlocked() {
    UpdateLockCommand();
    m_views->SetEnabled(true);
    // Another program may have changed the file while the workspace was locked.
    if (m_session.ReloadIfChanged()) {
        m_index.Rebuild(Data());
    }
    m_views->Fill(std::nullopt);
    SetStatus(kReady);
    if (QTreeWidgetItem* root = Views::FolderToTreeVisualizer::RootItem(*m_view->FolderTree())) {
        root->setExpanded(true);
    }
}

bool CMainFrame::IsTimerRunning(int id) const {
    switch (id) {
    case MainFrame::ClipboardController::kClearTimer:
        return m_clipboard->IsTimerRunning();
    case MainFrame::WorkspaceLock::kInactivityTimer:
    case MainFrame::WorkspaceLock::kStartDelayTimer:
        return m_lock->IsTimerRunning(id);
    case kUpdateOfferTimer:
        return m_updateOffer.isActive();
    default:
        return false;
    }
}

void CMainFrame::StartUpdateOfferTimer() {
    QMetaObject::invokeMethod(this, [this] { m_updateOffer.start(500); }, Qt::QueuedConnection);
}

void CMainFrame::OnTimer(int id) {
    Guarded({}, [&] {
        switch (id) {
        case MainFrame::ClipboardController::kClearTimer:
            m_clipboard->OnTimer();
            break;
        case MainFrame::WorkspaceLock::kInactivityTimer:
        case MainFrame::WorkspaceLock::kStartDelayTimer:
            m_lock->OnTimer(id);
            UpdateCommandStates();
            break;
        case kUpdateOfferTimer:
            m_updateOffer.stop();
            ShowMessageBar(QStringLiteral("Es ist eine neue Version von Tarnwick verfügbar."),
                           QStringLiteral("Jetzt aktualisieren"), ID_UPDATES);
            break;
        default:
            break;
        }
    });
}

void CMainFrame::ApplySettings(const ApplicationSettings::Settings& previous) {
    Guarded({}, [&] {
        m_view->PasswordList()->SetGridLines(m_settings.showHorizontalLines);
        ApplyStyle(m_settings.visualStyleType);
        m_lock->FollowSessionOption();
        if (m_settings.workspaceLockSeconds > 0 && !m_lock->IsTimerRunning(MainFrame::WorkspaceLock::kInactivityTimer)) {
            m_lock->StartInactivityWatch();
        } else if (m_settings.workspaceLockSeconds <= 0) {
            m_lock->StopInactivityWatch();
        }
        if ((previous.listSortKey != m_settings.listSortKey || previous.listSortDirection != m_settings.listSortDirection) &&
            !IsLocked()) {
            m_views->FillList();
        }
    });
    UpdateCommandStates();
}

// ---------------------------------------------------------------------------------------
// Clipboard

void CMainFrame::CopyField(int id) {
    const Views::ListRow* row = m_views->SingleSelectedRow();
    if (row == nullptr) {
        return;
    }
    const PasswordADT::PasswordItem& item = *row->item;
    switch (id) {
    case ID_COPY_USERNAME:
        m_clipboard->Copy(item.GetUserName().View(), ClipboardKind::UserName);
        break;
    case ID_COPY_PASSWORD: {
        // Out of secure memory for the copy only.
        const PlainString password = item.GetPassword().Reveal();
        m_clipboard->Copy(password.View(), ClipboardKind::Password);
        break;
    }
    case ID_COPY_URL:
        m_clipboard->Copy(item.GetUrl().View(), ClipboardKind::Url);
        break;
    case ID_COPY_EMAIL:
        m_clipboard->Copy(item.GetEmail().View(), ClipboardKind::Email);
        break;
    case ID_COPY_DESCRIPTION:
        m_clipboard->Copy(item.GetDescription().View(), ClipboardKind::Description);
        break;
    case ID_COPY_COMMENT:
        m_clipboard->Copy(item.GetComment().View(), ClipboardKind::Comment);
        break;
    default:
        break;
    }
}

void CMainFrame::CopyFieldOfList(int id) {
    const Views::ListRow* row = m_views->SingleSelectedRow();
    const std::optional<std::size_t> field = m_view->InformationPanel()->SelectedField();
    const bool name = id == ID_FIELD_COPY_NAME;
    if (row == nullptr || !field || *field >= row->item->GetUserDefinedFields().Count()) {
        CMessageBox::ShowError(this, name ? u"Der Name des Eintrags konnte nicht ausgelesen werden."
                                          : u"Der Wert des Eintrags konnte nicht ausgelesen werden.");
        return;
    }
    const auto& pair = *(row->item->GetUserDefinedFields().begin() + static_cast<std::ptrdiff_t>(*field));
    m_clipboard->Copy(name ? pair.first.View() : pair.second.View(),
                      name ? ClipboardKind::FieldName : ClipboardKind::FieldValue);
}

void CMainFrame::CopyHistory(int id) {
    const Views::ListRow* row = m_views->SingleSelectedRow();
    const std::optional<std::size_t> index = m_view->InformationPanel()->SelectedHistoryEntry();
    const bool date = id == ID_HISTORY_COPY_DATE;
    if (row == nullptr || !index || *index >= row->item->GetPasswordHistory().Count()) {
        CMessageBox::ShowError(this, date ? u"Das Datum konnte nicht ausgelesen werden."
                                          : u"Das Passwort konnte nicht ausgelesen werden.");
        return;
    }
    const PasswordADT::PasswordHistoryEntry& entry = row->item->GetPasswordHistory().At(*index);
    if (date) {
        m_clipboard->Copy(Views::CInformationPanel::FormatDate(entry.time).toStdU16String(), ClipboardKind::HistoryDate);
    } else {
        const PlainString password = entry.password.Reveal();
        m_clipboard->Copy(password.View(), ClipboardKind::HistoryPassword);
    }
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

// ---------------------------------------------------------------------------------------
// Closing, log-in again, notification area

void CMainFrame::CloseDatabase() {
    if (m_settings.clearClipboardOnExit) {
        Guarded(kClipboardError, [&] { ClearClipboard(); });
    }
    m_views->SetData(nullptr);
    m_session.Close();
    SetShowPasswords(false);
    m_views->Clear(false);
    m_index.Clear();
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
    // A new log-in starts unlocked.
    m_lock->Reset();
    UpdateLockCommand();
    m_loaded = OpenSession(std::move(path), std::move(credentials));
    if (!m_loaded) {
        QuitProgram();
        return;
    }
    OpenDatabaseIntoViews();
    setEnabled(true);
    show();
    raise();
    activateWindow();
    FocusViews();
    SetStatus(kReady);
}

void CMainFrame::OpenOtherDatabase(std::filesystem::path path) {
    if (!path.empty() && path == m_session.Path()) {
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

bool CMainFrame::MinimiseToTray() {
    MinimizeToTray();
    return !isVisible();
}

int CMainFrame::BringForward() {
    Guarded({}, [&] { RestoreFromTray(); });
    return 0;
}

void CMainFrame::OnTrayActivated(MainFrame::INotificationIcon::Activation activation, const QPoint& position) {
    Guarded({}, [&] {
        if (activation == MainFrame::INotificationIcon::Activation::DoubleClick) {
            RestoreFromTray();
        } else {
            PopUp(m_menus.tray, position);
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
    if (folder >= Data().FolderCount() || !Data().Folders()[folder]) {
        CMessageBox::ShowError(this, kFolderReadError);
        return;
    }
    const auto& entries = Data().Folders()[folder]->Entries();
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

void CMainFrame::RunAutoCompletionChoice(int choice) {
    if (IsLocked()) {
        ShowLockedInformation(this, kAutoCompletionLocked);
        return;
    }
    if (choice == kChoiceNewEntry) {
        if (Data().FolderCount() == 0) {
            CMessageBox::ShowInformation(this,
                                         u"Bevor Sie eine neue Passwortinformation erstellen, müssen Sie einen Ordner anlegen.");
            return;
        }
        if (!m_views->SelectedFolder()) {
            if (QTreeWidgetItem* first = Views::FolderToTreeVisualizer::FirstFolderItem(*m_view->FolderTree())) {
                m_view->FolderTree()->setCurrentItem(first);
            }
            if (!m_views->SelectedFolder()) {
                CMessageBox::ShowInformation(this, u"Wählen Sie den Ordner aus der Ordnerliste aus, dem die "
                                                   u"neue Passwortinformation zugeordnet werden soll.");
                return;
            }
        }
        ExecuteCommand(ID_PASSWORD_NEW);
    } else if (choice == kChoiceAssignEntry) {
        if (!Data().HasEntries()) {
            CMessageBox::ShowInformation(this, u"Es sind keine Passwortinformationen vorhanden.");
            return;
        }
        ExecuteCommand(ID_SEARCH);
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
        Guarded(kEntryReadError, [&] { RunAutoCompletionChoice(choice); });
        return true;
    }
    if (event->type() == FolderRenamedEvent::kType) {
        const auto* renamed = static_cast<FolderRenamedEvent*>(event);
        Guarded(kFolderReadError, [&] { m_commands->RenameFolder(renamed->position, renamed->name); });
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
    m_updateOffer.stop();
    m_lock->StopInactivityWatch();
    Guarded({}, [&] {
        m_environment.notificationIcon->Hide();
        m_lock->StopSessionWatch();
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

} // namespace Tarnwick
