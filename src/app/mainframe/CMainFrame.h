#pragma once

#include <array>
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

#include "app/mainframe/FrameServices.h"
#include "app/views/EntryDrag.h"
#include "app/views/PasswordListModel.h"
#include "autocompletion/AutoCompletionIndex.h"
#include "database/CDatabase.h"
#include "model/PasswordData.h"
#include "options/Settings.h"
#include "platform/session/SessionWatcher.h"

class QAction;
class QMenu;
class QTreeWidgetItem;

namespace Tarnwick::Views {
class CPasswordView;
}

namespace Tarnwick::MainFrame {
class CCommandBar;
class CMainStatusBar;
class CCaptionBar;
class FrameDatabaseUserInterface;
} // namespace Tarnwick::MainFrame

namespace Tarnwick {

// The one main window: command bar, message bar, status bar and the password view. It owns
// the open database, its data and the credentials, routes every command, locks and unlocks
// the workspace, watches for inactivity, session locks and suspend, and minimises to the
// notification area.
class CMainFrame final : public QMainWindow {
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
    bool IsLocked() const noexcept { return m_locked; }

    // After the options dialog: grid lines, visual style, session watch, inactivity watch.
    void ApplySettings(const ApplicationSettings::Settings& previous);

    // Timers: 1 clears the clipboard, 2 watches for inactivity, 3 shows the update offer,
    // 4 delays the start of the inactivity watch.
    void OnTimer(int id);
    bool IsTimerRunning(int id) const;
    // May be called from any thread (the update check).
    void StartUpdateOfferTimer();

    // The message bar, e.g. the welcome text with a button that runs a command.
    void ShowMessageBar(const QString& text, const QString& buttonText, int command);
    MainFrame::CCaptionBar* MessageBar() const noexcept { return m_captionBar; }

    void MinimizeToTray();
    void RestoreFromTray();

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
    bool IsSearchResultMode() const noexcept { return m_searchResultMode; }

    // Closes the database: clipboard (when set), credentials, selection and views.
    void CloseDatabase();

    // Window placement in the settings record.
    void RestoreWindowPlacement();
    void StoreWindowPlacement();

    // State for the views and for tests.
    const PasswordADT::PasswordData& Data() const noexcept { return m_data; }
    const std::filesystem::path& DatabasePath() const noexcept { return m_databasePath; }
    Views::CPasswordView* View() const noexcept { return m_view; }
    MainFrame::CCommandBar* CommandBar() const noexcept { return m_commandBar; }
    MainFrame::CMainStatusBar* MainStatusBar() const noexcept { return m_statusBar; }
    QString StatusText() const;
    QString ClipboardIndicatorText() const;
    std::optional<std::size_t> SelectedFolder() const noexcept { return m_selectedFolder; }
    std::optional<std::size_t> SelectedEntry() const noexcept { return m_selectedEntry; }
    bool GetShowPasswords() const noexcept { return m_showPasswords; }
    const AutoCompletion::AutoCompletionIndex& Index() const noexcept { return m_index; }
    // Selects the folder's item in the tree (which fills the list).
    bool SelectFolder(std::size_t position);

signals:
    // The window is about to close for good (not minimised to the tray): save the settings.
    void Closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    // The command boundary: runs work, logs and shows any failure; true when it succeeded.
    template <typename Work>
    bool Guarded(std::u16string_view message, Work&& work) noexcept;

    void CreateInterface();
    void CreateActions();
    void CreateCommandBar();
    QMenu* MakeMenu(std::initializer_list<int> ids);
    void ConnectViews();
    void Dispatch(int id);
    // The entry sheet for a new entry (none) or the entry at this position of the folder.
    void EditEntry(std::optional<std::size_t> entry);
    std::u16string_view FailureMessageFor(int id) const;
    void UpdateCommandStates();
    void RefreshCommandStates();
    void HandleTimer(int id);
    void ShowListMenu(const QPoint& position);
    void UpdateLockCommand();
    void UpdateToggleCommand();
    void RebuildRecentMenu();

    bool LoadDatabase();
    void OpenDatabaseIntoViews();
    void RebuildIndex();
    void FillTree(std::optional<std::size_t> reselect);
    void FillList();
    void ResetSelection();
    void ClearEntryInformation(const QString& description);
    void ShowEntryInformation(const Views::ListRow& row);
    std::vector<Views::ListRow> SelectedRows() const;
    const Views::ListRow* SingleSelectedRow() const;
    void SetStatus(std::u16string_view text);

    // Database requests with the current credentials.
    bool SaveEntries();
    bool SaveFolders();
    bool SaveEverything();

    // Commands.
    void LockWorkspace();
    void UnlockWorkspace();
    bool CredentialsMatch(const LoginCredentials& credentials) const;
    void CheckInactivity();
    void StartInactivityWatch();
    void StopTimer(int id);
    void StartTimer(int id, int milliseconds);
    void CopyField(int id);
    void CopyToClipboard(std::u16string_view text, MainFrame::ClipboardKind kind);
    void ClearClipboard();
    void SetShowPasswords(bool show);
    void DeleteEntries();
    void DuplicateEntry();
    void ClearFields();
    void ResetHistory();
    void RunUrl();
    void NewFolder();
    void RenameFolder();
    void DeleteFolder();
    void SortList(int id);
    void SortFolders(int id);
    void CopyFieldOfList(int id);
    void CopyHistory(int id);
    void ApplyStyle(std::int32_t style);
    void OpenHelp();
    void OpenAddress(const QString& address);
    void ShowAbout();
    void OpenOtherDatabase(std::filesystem::path path);
    void LogOff();
    void NewDatabase();
    void RunLogInAgain(std::filesystem::path preset);
    void QuitProgram();

    // View notifications.
    void OnTreeCurrentChanged(QTreeWidgetItem* current);
    void OnTreeContextMenu(const QPoint& position);
    void OnListSelectionChanged();
    void OnListContextMenu(const QPoint& position);
    void OnListDoubleClicked(const QModelIndex& index);
    void OnListEmptyDoubleClicked();
    void OnListEmptyClicked();
    bool OnFolderLabelEdit(QTreeWidgetItem* item, const QString& name);
    void OnFolderRenamed(std::size_t position, const QString& name);
    void MoveEntries(QTreeWidgetItem* target, const std::vector<Views::EntryPosition>& entries);
    void OnSessionEvent(Platform::SessionEvent event);
    void OnClipboardLost();
    void OnTrayActivated(MainFrame::INotificationIcon::Activation activation, const QPoint& position);
    void RegisterSessionWatch();
    void UnregisterSessionWatch();
    void RunAutoCompletion(std::size_t folder, std::size_t entry);

    ApplicationSettings::Settings& m_settings;
    std::filesystem::path m_databasePath;
    LoginCredentials m_credentials;
    MainFrame::MainFrameEnvironment m_environment;
    std::unique_ptr<MainFrame::FrameDatabaseUserInterface> m_databaseUi;
    std::unique_ptr<CDatabase> m_database;
    PasswordADT::PasswordData m_data;
    AutoCompletion::AutoCompletionIndex m_index;

    bool m_loaded = false;
    bool m_locked = false;
    bool m_unlocking = false;
    bool m_showPasswords = false;
    bool m_quitting = false;
    bool m_filling = false;
    std::optional<std::size_t> m_selectedFolder;
    std::optional<std::size_t> m_selectedEntry;
    bool m_searchResultMode = false;
    std::vector<PasswordADT::PasswordItemRef> m_searchResult;
    std::array<QTimer, 5> m_timers;
    std::uint64_t m_lastActivityTick = 0;

    MainFrame::ReAuthenticator m_reAuthenticator;
    MainFrame::LogInAgain m_logInAgain;
    MainFrame::NewDatabaseWizard m_newDatabaseWizard;
    std::shared_ptr<MainFrame::IAutoCompletionRunner> m_autoCompletion;

    Views::CPasswordView* m_view = nullptr;
    MainFrame::CCommandBar* m_commandBar = nullptr;
    MainFrame::CMainStatusBar* m_statusBar = nullptr;
    MainFrame::CCaptionBar* m_captionBar = nullptr;
    QMenu* m_recentMenu = nullptr;
    QMenu* m_trayMenu = nullptr;
    QHash<int, QAction*> m_actions;
};

} // namespace Tarnwick
