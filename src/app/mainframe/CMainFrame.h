#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <QHash>
#include <QMainWindow>
#include <QTimer>

#include "app/MainWindow.h"
#include "app/mainframe/CommandBarLayout.h"
#include "app/mainframe/FrameServices.h"
#include "app/session/DatabaseSession.h"
#include "app/views/EntryDrag.h"
#include "autocompletion/AutoCompletionIndex.h"
#include "database/CDatabase.h"
#include "model/PasswordData.h"
#include "options/Settings.h"

class QAction;
class QMenu;
class QTreeWidgetItem;

namespace Tarnwick::Views {
class CPasswordView;
}

namespace Tarnwick::MainFrame {
class AutoCompletionController;
class CCommandBar;
class CMainStatusBar;
class CCaptionBar;
class ClipboardController;
class DataCommands;
class FrameDatabaseUserInterface;
class FrameViews;
class KeyboardNavigation;
class WorkspaceLock;
} // namespace Tarnwick::MainFrame

namespace Tarnwick::Dialogs {
class MaintenanceCommands;
class PrintCommands;
class SearchCommands;
} // namespace Tarnwick::Dialogs

namespace Tarnwick {

// The one main window: command bar, message bar, status bar and the password view. It hosts
// the parts that do the work (the open database, the views, the data commands, the workspace
// lock, the clipboard) and routes every command, key and notification to them.
class CMainFrame final : public QMainWindow, public IMainWindow {
    Q_OBJECT
public:
    static constexpr std::u16string_view kTitle = u"Tarnwick 2010";
    // Requests that another process may send (the second instance's restore request).
    static constexpr std::uint32_t kTrayMessage = 1025;      // WM_USER+1
    static constexpr std::uint32_t kAutoCompletion = 1026;   // WM_USER+2, in-process only
    static constexpr std::uintptr_t kLeftButtonDoubleClick = 515;
    // Choices the auto-completion window reports for a program without entry.
    static constexpr int kChoiceNewEntry = 32997;
    static constexpr int kChoiceAssignEntry = 32998;

    // Loads the database with the credentials (progress in the status bar) and fills the
    // views. A failed load leaves IsLoaded() false and closes the window from the event loop.
    CMainFrame(ApplicationSettings::Settings& settings, std::filesystem::path database,
               LoginCredentials credentials, QWidget* parent = nullptr);
    CMainFrame(ApplicationSettings::Settings& settings, std::filesystem::path database,
               LoginCredentials credentials, MainFrame::MainFrameEnvironment environment,
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    bool IsLoaded() const noexcept { return m_loaded; }

    // The flows that the log-in side provides.
    void SetReAuthenticator(MainFrame::ReAuthenticator reAuthenticator);
    void SetLogInAgain(MainFrame::LogInAgain logInAgain);
    void SetNewDatabaseWizard(MainFrame::NewDatabaseWizard wizard);
    // Where database errors and questions go; nullptr for the window's own message boxes.
    void SetDatabaseUserInterface(IDatabaseUserInterface* ui);
    void SetAutoCompletionRunner(std::shared_ptr<MainFrame::IAutoCompletionRunner> runner);

    // Runs a command as the command bar, a menu or a key would; nothing escapes.
    void ExecuteCommand(int id);
    bool IsCommandEnabled(int id) const;
    QAction* Action(int id) const;

    // Locking: the toggle of "Arbeitsbereich sperren".
    void ToggleLock();
    bool IsLocked() const noexcept;

    // After the options dialog: grid lines, visual style, session watch, inactivity watch.
    void ApplySettings(const ApplicationSettings::Settings& previous);

    // Timers: 1 clears the clipboard, 2 watches for inactivity, 3 shows the update offer,
    // 4 delays the start of the inactivity watch.
    void OnTimer(int id);
    bool IsTimerRunning(int id) const;
    // May be called from any thread (the update check).
    void StartUpdateOfferTimer() override;

    // The message bar, e.g. the welcome text with a button that runs a command.
    void ShowMessageBar(const QString& text, const QString& buttonText, int command);
    MainFrame::CCaptionBar* MessageBar() const noexcept { return m_captionBar; }

    void MinimizeToTray();
    void RestoreFromTray();
    // The application object's side (a second start, the tray at start-up).
    bool MinimiseToTray() override;
    int BringForward() override;
    void ShowWelcome() override;

    // The only door for requests from another process (the single-instance side). Only the
    // restore request is taken; anything else, auto-completion above all, is refused.
    // Returns the answer: 0 when restored, -1 when refused.
    std::intptr_t HandleInstanceRequest(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    // Auto-completion of an entry, from the hot key or the smart tag of this process.
    void RequestAutoCompletion(std::size_t folder, std::size_t entry);
    // The auto-completion window's choice for a program without entry.
    void RequestAutoCompletionChoice(int choice);

    // Shows the result of a search across folders in the entry list.
    void ShowSearchResult(const std::vector<Views::EntryPosition>& result);
    bool IsSearchResultMode() const noexcept;

    // Closes the database: clipboard (when set), credentials, selection and views.
    void CloseDatabase();

    // Window placement in the settings record.
    void RestoreWindowPlacement();
    void StoreWindowPlacement();

    // State for the views, the dialogs that arrive later, and tests.
    Session::DatabaseSession& DatabaseSession() noexcept { return m_session; }
    const PasswordADT::PasswordData& Data() const noexcept { return m_session.Data(); }
    const std::filesystem::path& DatabasePath() const noexcept { return m_session.Path(); }
    Views::CPasswordView* View() const noexcept { return m_view; }
    MainFrame::CCommandBar* CommandBar() const noexcept { return m_commandBar; }
    MainFrame::CMainStatusBar* MainStatusBar() const noexcept { return m_statusBar; }
    const MainFrame::FrameMenus& Menus() const noexcept { return m_menus; }
    QString StatusText() const;
    QString ClipboardIndicatorText() const;
    std::optional<std::size_t> SelectedFolder() const noexcept;
    std::optional<std::size_t> SelectedEntry() const noexcept;
    bool GetShowPasswords() const noexcept;
    const AutoCompletion::AutoCompletionIndex& Index() const noexcept { return m_index; }
    // Selects the folder's item in the tree (which fills the list).
    bool SelectFolder(std::size_t position);

signals:
    // The window is about to close for good (not minimised to the tray): save the settings.
    void Closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool Guarded(std::u16string_view message, const std::function<void()>& work) noexcept;

    void CreateInterface();
    void CreateActions();
    void ConnectViews();
    void Dispatch(int id);
    std::u16string_view FailureMessageFor(int id) const;
    void UpdateCommandStates();
    void RefreshCommandStates();
    void UpdateLockCommand();
    void UpdateToggleCommand();
    void RebuildRecentMenu();
    void PopUp(QMenu* menu, const QPoint& global);

    bool OpenSession(std::filesystem::path path, LoginCredentials credentials);
    void OpenDatabaseIntoViews();
    void RebuildIndex();
    void SetStatus(std::u16string_view text);
    void OnLocked();
    void OnUnlocked();
    void OnReloaded();

    // Commands that the window does itself.
    void CopyField(int id);
    void CopyFieldOfList(int id);
    void CopyHistory(int id);
    void ClearClipboard();
    void SetShowPasswords(bool show);
    void RunUrl();
    void SortList(int id);
    void SortFolders(int id);
    void ApplyStyle(std::int32_t style);
    void OpenHelp();
    void OpenAddress(const QString& address);
    void ShowAbout();
    // Checks for, downloads and hands over an update; closes the program when the executor runs.
    void RunUpdate();
    void OpenOtherDatabase(std::filesystem::path path);
    void LogOff();
    void NewDatabase();
    void RunLogInAgain(std::filesystem::path preset);
    void QuitProgram();

    void OnTrayActivated(MainFrame::INotificationIcon::Activation activation, const QPoint& position);
    void RunAutoCompletion(std::size_t folder, std::size_t entry);
    void RunAutoCompletionChoice(int choice);

    ApplicationSettings::Settings& m_settings;
    MainFrame::MainFrameEnvironment m_environment;
    std::unique_ptr<MainFrame::FrameDatabaseUserInterface> m_databaseUi;
    Session::DatabaseSession m_session;
    AutoCompletion::AutoCompletionIndex m_index;
    std::unique_ptr<MainFrame::FrameViews> m_views;
    std::unique_ptr<MainFrame::WorkspaceLock> m_lock;
    std::unique_ptr<MainFrame::ClipboardController> m_clipboard;
    std::unique_ptr<MainFrame::DataCommands> m_commands;
    std::unique_ptr<Dialogs::SearchCommands> m_search;
    std::unique_ptr<Dialogs::MaintenanceCommands> m_maintenance;
    std::unique_ptr<Dialogs::PrintCommands> m_print;

    bool m_loaded = false;
    bool m_quitting = false;
    bool m_focusPlaced = false;
    MainFrame::KeyboardNavigation* m_keyboard = nullptr;
    QTimer m_updateOffer;

    MainFrame::ReAuthenticator m_reAuthenticator;
    MainFrame::LogInAgain m_logInAgain;
    MainFrame::NewDatabaseWizard m_newDatabaseWizard;
    std::shared_ptr<MainFrame::IAutoCompletionRunner> m_autoCompletion;

    Views::CPasswordView* m_view = nullptr;
    MainFrame::CCommandBar* m_commandBar = nullptr;
    MainFrame::CMainStatusBar* m_statusBar = nullptr;
    MainFrame::CCaptionBar* m_captionBar = nullptr;
    MainFrame::FrameMenus m_menus;
    QHash<int, QAction*> m_actions;
    // Last, so that it goes first: the hot key, the smart tag and the runs.
    std::shared_ptr<MainFrame::AutoCompletionController> m_autoCompletionController;
};

} // namespace Tarnwick
