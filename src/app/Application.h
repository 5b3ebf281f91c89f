#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QPointer>

#include "app/MainWindow.h"
#include "app/StartupUpdateCheck.h"
#include "options/Settings.h"

class QApplication;
class QRect;
class QWidget;

namespace Tarnwick {

class SingleInstanceApplication;
class SystemTrayIcon;
class TWCommandLineParser;

// The application object: parses the command line, arms the crash report, keeps one instance
// per user session, checks the cryptography, loads the settings, asks for the log-in, shows
// the splash and the main window, and saves the settings when the main window closes. It
// works over the process's QApplication, which must exist first.
class CApplication : public QObject {
    Q_OBJECT
public:
    // The parts of start-up that tests replace.
    struct Environment {
        // The pause after an update before its folder is deleted.
        std::function<void(std::chrono::milliseconds)> wait;
        // The cryptographic self-test.
        std::function<bool()> selfTest;
        // Where the instance lock and socket live; empty for the session's runtime folder.
        std::filesystem::path instanceFolder;
        // How long a later instance tries to reach the running one.
        std::chrono::milliseconds instanceTimeout{5000};
        bool armCrashHandler = true;
        // Ends the event loop once the main window has closed.
        std::function<void()> quit;
        // The silent update check at start; empty: none.
        std::function<int(const UpdateProvider::UpdateParameter&)> checkForUpdates;
        // Ends a running update check (the program is closing).
        std::function<void()> cancelUpdateCheck;
    };

    static constexpr std::u16string_view kAlreadyRunningInTray =
        u"Tarnwick wird bereits ausgeführt und befindet sich im Infobereich.";

    // argv[0] is the program; the other arguments are its command line.
    CApplication(QApplication& application, int argc, const char* const* argv);
    CApplication(QApplication& application, std::vector<std::u16string> arguments, Environment environment);
    ~CApplication() override;

    // The one application object, or nullptr.
    static CApplication* Instance() noexcept;
    // Installs the main window's maker (main.cpp does, before Run).
    static void SetMainWindowFactory(MainWindowFactory factory);

    // The start-up sequence; false ends the process at once. True without a main window when
    // the log-in was cancelled (the process then ends too).
    bool InitInstance();
    // Releases the instance lock, the splash and the main window; returns the exit code.
    int ExitInstance();
    // InitInstance, the event loop while a main window exists, ExitInstance.
    int Run();

    ApplicationSettings::Settings& GetSettings() noexcept { return m_settings; }
    // Set when the settings file did not exist at start-up.
    bool IsFirstStart() const noexcept { return m_firstStart; }
    const std::filesystem::path& GetSettingsPath() const noexcept { return m_settingsPath; }
    QWidget* GetMainWindow() const noexcept { return m_mainWindow.get(); }
    int GetExitCode() const noexcept { return m_exitCode; }

    // The main window's stored placement (normal rectangle, flags, show command): false on the
    // first start or when the option to keep it is off; the window then takes its default place.
    bool LoadWindowPlacement(QRect& normal, int& flags, int& showCmd) const;
    // Keeps the placement in the settings record; it is written with the settings.
    void StoreWindowPlacement(const QRect& normal, int flags, int showCmd);

    // Writes the settings record; a failure is logged and shown, and the result is false.
    bool SaveSettings();
    // Another instance asked this one to come forward; the answer it gets.
    int BringForward();
    // Minimises the main window to the notification area (start-up option, or on request).
    bool MinimiseMainWindowToTray();

signals:
    void BroughtForward();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ArmCrashReport(const TWCommandLineParser& parser);
    bool CheckSingleInstance();
    void StartUpdateCheck();
    bool RunSelfTest();
    bool LoadSettings();
    bool CreateMainWindow(const std::filesystem::path& database, LoginCredentials credentials);
    void OnMainWindowClosed();
    void Fail(std::u16string_view message);

    QApplication& m_application;
    std::vector<std::u16string> m_arguments;
    Environment m_environment;
    ApplicationSettings::Settings m_settings;
    std::filesystem::path m_settingsPath;
    bool m_firstStart = false;
    bool m_settingsSaved = false;
    int m_exitCode = 0;
    std::unique_ptr<SingleInstanceApplication> m_instance;
    std::unique_ptr<SystemTrayIcon> m_tray;
    std::unique_ptr<QWidget> m_mainWindow;
    App::StartupUpdateCheck m_updateCheck;
};

} // namespace Tarnwick
