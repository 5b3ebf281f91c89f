// The main window's life: opening and closing the database, locking, the timers, log-in
// again, the notification area and the requests the window posts to itself.
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
#include "app/dialogs/SearchCommands.h"
#include "app/mainframe/AboutDialog.h"
#include "app/mainframe/ApplicationIdleSource.h"
#include "app/mainframe/AutoCompletionController.h"
#include "app/mainframe/CaptionBar.h"
#include "app/mainframe/ClipboardController.h"
#include "app/mainframe/CommandBar.h"
#include "app/mainframe/CommandIcons.h"
#include "app/mainframe/CommandIds.h"
#include "app/mainframe/CommandTable.h"
#include "app/mainframe/DataCommands.h"
#include "app/mainframe/FieldClipboard.h"
#include "app/mainframe/FrameDatabaseUserInterface.h"
#include "app/mainframe/FrameInternals.h"
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
#include "core/Path.h"
#include "core/SystemInformation.h"
#include "base/text/Format.h"
#include "base/text/Utf.h"
#include "generator/ui/PasswordGeneratorDlg.h"
#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"
#include "platform/session/SessionWatcher.h"
#include "platform/x11/IdleTime.h"
#include "uilib/MessageBox.h"
#include "app/StartupUpdateCheck.h"
#include "update/AutoUpdater.h"

namespace Tarnwick {

using namespace MainFrame::Internal;
using MainFrame::ClipboardKind;
using PasswordADT::PasswordItemRef;
using Utilities::Exceptions::Exception;

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
        items.reserve(result.size());
        for (const auto& [folder, entry] : result) {
            if (folder >= Data().FolderCount() || entry >= Data().Folders()[folder]->Entries().size()) {
                throw Exception(u"invalid search result", u"PasswordToListVisualizer::VisualizeSearchResult");
            }
            items.push_back(Data().Folders()[folder]->Entries()[entry]);
        }
        m_views->ShowSearchResult(std::move(items), result);
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

void CMainFrame::RunUpdate() {
    SetStatus(u"Püfe auf Updates...");
    const int result = m_environment.runUpdate
                           ? m_environment.runUpdate()
                           : UpdateProvider::AutoUpdater::StartAutoUpdate(App::MakeUpdateParameter());
    if (result == UpdateProvider::AutoUpdateResult::AUR_EXECUTOR_STARTED) {
        // The executor waits for this program to end before it installs.
        QuitProgram();
    }
    SetStatus(kReady);
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
        m_autoCompletionController->ApplySettings(previous);
        if ((previous.listSortKey != m_settings.listSortKey || previous.listSortDirection != m_settings.listSortDirection) &&
            !IsLocked()) {
            m_views->FillList();
        }
    });
    UpdateCommandStates();
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
    m_keyboard->FocusViews();
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
        m_search->AssignEntryToApplication();
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

void CMainFrame::RestoreWindowPlacement() { MainFrame::RestorePlacement(*this, m_settings); }

void CMainFrame::StoreWindowPlacement() { MainFrame::StorePlacement(*this, m_settings); }

} // namespace Tarnwick
