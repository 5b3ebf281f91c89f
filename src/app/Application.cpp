#include "app/Application.h"

#include <atomic>
#include <ctime>
#include <thread>

#include <QApplication>
#include <QCloseEvent>
#include <QLocale>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include "app/ApplicationIcon.h"
#include "app/CommandBoundary.h"
#include "app/CommandLineParser.h"
#include "app/SingleInstanceApplication.h"
#include "app/Splash.h"
#include "app/SystemTrayIcon.h"
#include "app/UpdateCleanup.h"
#include "app/login/LoginDialog.h"
#include "core/Path.h"
#include "base/text/Utf.h"
#include "crypto/CryptoSelfTest.h"
#include "crypto/SecureString.h"
#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"
#include "options/SettingsStorage.h"
#include "platform/CrashHandler.h"
#include "uilib/MessageBox.h"

namespace Tarnwick {

using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;
using WindowsServiceProvider::CMessageBox;

namespace {

constexpr std::u16string_view kStartFailed = u"Fehler beim Starten von Tarnwick.";

std::atomic<CApplication*> g_application{nullptr};

MainWindowFactory& FactorySlot() {
    static MainWindowFactory factory;
    return factory;
}

std::vector<std::u16string> ToArguments(int argc, const char* const* argv) {
    std::vector<std::u16string> arguments;
    for (int i = 0; argv != nullptr && i < argc; ++i) {
        arguments.push_back(argv[i] != nullptr ? Text::FromUtf8(argv[i]) : std::u16string());
    }
    return arguments;
}

// Protected memory must work before any secret is touched.
bool MemoryProtectionWorks() {
    try {
        const StringServiceProvider::SecureString probe(std::u16string_view(u"Tarnwick"));
        return probe.Equals(std::u16string_view(u"Tarnwick"));
    } catch (...) {
        App::LogCurrentException();
        return false;
    }
}

} // namespace

CApplication::CApplication(QApplication& application, int argc, const char* const* argv)
    : CApplication(application, ToArguments(argc, argv), Environment{}) {
    m_environment.checkForUpdates = [](const UpdateProvider::UpdateParameter& parameter) {
        return static_cast<int>(UpdateProvider::AutoUpdater::CheckForUpdates(parameter));
    };
    m_environment.cancelUpdateCheck = [] { UpdateProvider::AutoUpdater::CancelAll(); };
}

CApplication::CApplication(QApplication& application, std::vector<std::u16string> arguments, Environment environment)
    : m_application(application), m_arguments(std::move(arguments)), m_environment(std::move(environment)) {
    if (!m_environment.wait) {
        m_environment.wait = [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); };
    }
    if (!m_environment.selfTest) {
        m_environment.selfTest = [] { return CryptoServiceProvider::RunStartupSelfTest(); };
    }
    if (!m_environment.quit) {
        m_environment.quit = [] { QCoreApplication::quit(); };
    }
    g_application.store(this);
}

CApplication::~CApplication() {
    ExitInstance();
    CApplication* self = this;
    g_application.compare_exchange_strong(self, nullptr);
}

CApplication* CApplication::Instance() noexcept {
    return g_application.load();
}

void CApplication::SetMainWindowFactory(MainWindowFactory factory) {
    FactorySlot() = std::move(factory);
}

void CApplication::Fail(std::u16string_view message) {
    m_exitCode = 1;
    if (!message.empty()) {
        CMessageBox::ShowError(nullptr, message);
    }
}

bool CApplication::InitInstance() {
    m_exitCode = 0;
    m_firstStart = false;
    m_settingsSaved = false;
    try {
        // 1. The command line.
        TWCommandLineParser parser(m_arguments);
        parser.Parse();

        // 2. The crash report.
        if (m_environment.armCrashHandler) {
            ArmCrashReport(parser);
        }

        // 3. German texts, formats and the standard buttons of Qt.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        WindowsServiceProvider::InstallGermanTranslations(m_application);
        m_application.setWindowIcon(App::ApplicationIcon());
        // The main window may live in the notification area: the program ends when the main
        // window closes, not when the last visible window does.
        m_application.setQuitOnLastWindowClosed(false);

        // 6. After an update, its download folder goes.
        if (parser.IsUpdate()) {
            App::CleanUpAfterUpdate(parser.GetUpdateFolder(), m_environment.wait);
        }

        // 7. One instance per user session.
        if (!CheckSingleInstance()) {
            return false;
        }

        // 8. The cryptography.
        if (!RunSelfTest()) {
            return false;
        }

        // 11. The settings.
        if (!LoadSettings()) {
            m_exitCode = 1;
            return false;
        }

        // 12, 13. The log-in.
        std::filesystem::path database;
        LoginCredentials credentials;
        {
            CLoginDialog login(m_settings, m_firstStart);
            if (!parser.GetDatabasePath().empty()) {
                const std::filesystem::path preset(Text::ToUtf8(parser.GetDatabasePath()));
                bool exists = false;
                try {
                    exists = Core::Path::FileExists(preset);
                } catch (...) {
                    App::LogCurrentException();
                }
                if (exists) {
                    login.SetCommandLinePath(parser.GetDatabasePath());
                }
            }
            if (login.DoModal() != QDialog::Accepted) {
                return true;
            }
            database = login.GetDatabasePath();
            credentials = login.TakeCredentials();
        }

        // 14. The splash, while the main window loads the database.
        std::unique_ptr<SplashFactory>& splash = SplashFactory::Current();
        splash = std::make_unique<SplashFactory>();
        if (!splash->ShowSplash()) {
            splash.reset();
            LogProvider::KelExceptionLog::LogEvent(Exception(u"splash screen error", u"CApplication::InitInstance"));
            Fail(kStartFailed);
            return false;
        }

        // 15 to 17. The main window.
        if (!CreateMainWindow(database, std::move(credentials))) {
            return false;
        }

        // 18. The first start greets the user; later starts look for a newer version.
        if (m_firstStart) {
            if (auto* window = dynamic_cast<IMainWindow*>(m_mainWindow.get())) {
                window->ShowWelcome();
            }
        } else if (m_settings.checkForUpdatesAtStart && m_environment.checkForUpdates) {
            StartUpdateCheck();
        }

        // 19. Straight to the notification area when the user wants it.
        if (m_settings.minimizeToTrayAfterStart) {
            MinimiseMainWindowToTray();
        }
        return true;
    } catch (...) {
        App::LogCurrentException();
    }
    SplashFactory::Current().reset();
    Fail(kStartFailed);
    return false;
}

bool CApplication::ArmCrashReport(const TWCommandLineParser& parser) {
    try {
        const std::filesystem::path report =
            Platform::CrashReportPath(Core::Path::GetLocalAppPath(), static_cast<std::int64_t>(std::time(nullptr)));
        const Platform::SystemResult result = Platform::ArmCrashHandler(report, parser.IsFullDump());
        if (result.Ok()) {
            return true;
        }
        LogProvider::GenericExceptionLog::LogEvent(
            WindowsException(u"", result.error, result.function, u"CApplication::InitInstance"));
    } catch (...) {
        App::LogCurrentException();
    }
    return false;
}

bool CApplication::CheckSingleInstance() {
    try {
        std::filesystem::path folder = m_environment.instanceFolder;
        if (folder.empty()) {
            folder = SingleInstanceApplication::DefaultFolder();
        }
        m_instance = std::make_unique<SingleInstanceApplication>(folder);
        if (m_instance->CreateInstance()) {
            m_instance->Listen([this] { return BringForward(); });
            return true;
        }
        const int answer = m_instance->AskRunningInstance(m_environment.instanceTimeout);
        m_instance.reset();
        if (answer == SingleInstanceApplication::kNoAnswer) {
            LogProvider::KelExceptionLog::LogEvent(
                Exception(u"the running instance did not answer", u"SingleInstanceApplication::ExistsInstance"));
            m_exitCode = 1;
            return false;
        }
        if (answer != SingleInstanceApplication::kBroughtForward) {
            CMessageBox::ShowInformation(nullptr, kAlreadyRunningInTray);
        }
        return false;
    } catch (...) {
        App::LogCurrentException();
    }
    m_instance.reset();
    m_exitCode = 1;
    return false;
}

bool CApplication::RunSelfTest() {
    if (!MemoryProtectionWorks()) {
        Fail(u"Der geschützte Speicher ist nicht verfügbar.\nTarnwick wird beendet.");
        return false;
    }
    bool passed = false;
    try {
        passed = m_environment.selfTest();
    } catch (...) {
        App::LogCurrentException();
    }
    if (!passed) {
        Fail(u"Der Selbsttest der kryptografischen Algorithmen ist fehlgeschlagen.\nTarnwick wird beendet.");
    }
    return passed;
}

bool CApplication::LoadSettings() {
    bool exists = false;
    try {
        m_settingsPath = OptionsLibrary::SettingsStorage::GetSettingsPath();
        exists = Core::Path::FileExists(m_settingsPath);
    } catch (const Core::UnsafeFolderException& e) {
        App::LogCurrentException();
        CMessageBox::ShowError(nullptr, e.GetMessage().ToStdString() + u"\nTarnwick wird beendet.");
        return false;
    } catch (...) {
        App::LogCurrentException();
        CMessageBox::ShowError(nullptr, u"Es ist ein Fehler beim Laden der Einstellungen aufgetreten.\nTarnwick wird beendet.");
        return false;
    }
    m_firstStart = !exists;
    if (m_firstStart && !SaveSettings()) {
        return false;
    }
    try {
        OptionsLibrary::SettingsStorage::Load(m_settingsPath, m_settings);
        return true;
    } catch (...) {
        App::LogCurrentException();
    }
    CMessageBox::ShowError(nullptr, u"Es ist ein Fehler beim Laden der Einstellungen aufgetreten.\nTarnwick wird beendet.");
    return false;
}

bool CApplication::SaveSettings() {
    try {
        if (m_settingsPath.empty()) {
            m_settingsPath = OptionsLibrary::SettingsStorage::GetSettingsPath();
        }
        OptionsLibrary::SettingsStorage::Save(m_settingsPath, m_settings);
        m_settings.recentDatabases.changed = false;
        return true;
    } catch (...) {
        App::LogCurrentException();
    }
    CMessageBox::ShowError(nullptr, u"Es ist ein Fehler beim Speichern der Einstellungen aufgetreten.");
    return false;
}

bool CApplication::LoadWindowPlacement(QRect& normal, int& flags, int& showCmd) const {
    if (m_firstStart || !m_settings.saveMainWindowPosition || m_settings.mainBottom == -1) {
        return false;
    }
    normal = QRect(m_settings.mainLeft, m_settings.mainTop, m_settings.mainRight - m_settings.mainLeft,
                   m_settings.mainBottom - m_settings.mainTop);
    flags = m_settings.placementFlags;
    showCmd = m_settings.showCmd;
    return true;
}

void CApplication::StoreWindowPlacement(const QRect& normal, int flags, int showCmd) {
    m_settings.mainLeft = normal.x();
    m_settings.mainTop = normal.y();
    m_settings.mainRight = normal.x() + normal.width();
    m_settings.mainBottom = normal.y() + normal.height();
    m_settings.placementFlags = flags;
    m_settings.showCmd = showCmd;
}

bool CApplication::CreateMainWindow(const std::filesystem::path& database, LoginCredentials credentials) {
    const MainWindowFactory factory = FactorySlot();
    if (!factory) {
        LogProvider::KelExceptionLog::LogEvent(Exception(u"no main window", u"CApplication::InitInstance"));
        SplashFactory::Current().reset();
        Fail(kStartFailed);
        return false;
    }
    m_mainWindow = factory(m_settings, database, std::move(credentials));
    if (m_mainWindow == nullptr) {
        // The window has shown why.
        SplashFactory::Current().reset();
        m_exitCode = 1;
        return false;
    }
    m_mainWindow->installEventFilter(this);
    // A window that hid itself on purpose (it is closing after a failed load) stays hidden.
    if (!m_mainWindow->isVisible() && !m_mainWindow->testAttribute(Qt::WA_WState_ExplicitShowHide)) {
        m_mainWindow->show();
    }
    if (std::unique_ptr<SplashFactory>& splash = SplashFactory::Current(); splash != nullptr) {
        splash->HideSplash(m_mainWindow->isVisible() ? m_mainWindow.get() : nullptr);
        splash.reset();
    }
    return true;
}

bool CApplication::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_mainWindow.get() && event->type() == QEvent::Close && !m_settingsSaved) {
        // The window decides first (it may go to the notification area instead); only a
        // close it accepts ends the program.
        static_cast<QObject*>(m_mainWindow.get())->event(event);
        if (event->isAccepted()) {
            OnMainWindowClosed();
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void CApplication::OnMainWindowClosed() {
    App::RunCommand(nullptr, {}, [this] {
        m_settingsSaved = true;
        SaveSettings();
        QTimer::singleShot(0, this, [this] { m_environment.quit(); });
    });
}

int CApplication::Run() {
    if (InitInstance() && m_mainWindow != nullptr) {
        m_application.exec();
        if (!m_settingsSaved && m_mainWindow != nullptr) {
            m_settingsSaved = true;
            SaveSettings();
        }
    }
    return ExitInstance();
}

void CApplication::StartUpdateCheck() {
    // The check's thread only posts; the window is looked up again on the main thread.
    m_updateCheck.Start(m_environment.checkForUpdates, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (auto* window = dynamic_cast<IMainWindow*>(m_mainWindow.get())) {
                    window->StartUpdateOfferTimer();
                }
            },
            Qt::QueuedConnection);
    });
}

int CApplication::ExitInstance() {
    m_updateCheck.Stop(m_environment.cancelUpdateCheck);
    m_instance.reset();
    if (std::unique_ptr<SplashFactory>& splash = SplashFactory::Current(); splash != nullptr) {
        splash->HideSplash(nullptr);
        splash.reset();
    }
    if (m_tray != nullptr) {
        m_tray->DeleteIcon();
        m_tray.reset();
    }
    if (m_mainWindow != nullptr) {
        m_mainWindow->removeEventFilter(this);
        m_mainWindow.reset();
    }
    return m_exitCode;
}

bool CApplication::MinimiseMainWindowToTray() {
    if (m_mainWindow == nullptr) {
        return false;
    }
    if (auto* window = dynamic_cast<IMainWindow*>(m_mainWindow.get())) {
        return window->MinimiseToTray();
    }
    if (m_tray == nullptr) {
        m_tray = std::make_unique<SystemTrayIcon>();
        connect(m_tray.get(), &SystemTrayIcon::Activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::DoubleClick && m_mainWindow != nullptr) {
                RestoreFromTray(*m_mainWindow, *m_tray);
            }
        });
    }
    return Tarnwick::MinimiseToTray(*m_mainWindow, *m_tray);
}

int CApplication::BringForward() {
    int answer = SingleInstanceApplication::kBroughtForward;
    App::RunCommand(nullptr, {}, [&] {
        if (m_mainWindow != nullptr) {
            if (auto* window = dynamic_cast<IMainWindow*>(m_mainWindow.get())) {
                answer = window->BringForward();
                return;
            }
            if (m_tray != nullptr && m_tray->IsShown()) {
                RestoreFromTray(*m_mainWindow, *m_tray);
                return;
            }
            if (m_mainWindow->isVisible()) {
                if (m_mainWindow->isMinimized()) {
                    m_mainWindow->showNormal();
                }
                m_mainWindow->raise();
                m_mainWindow->activateWindow();
                return;
            }
        }
        // Still logging in: the dialog in front comes forward.
        QWidget* front = QApplication::activeModalWidget();
        if (front == nullptr) {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (widget->isVisible() && widget->windowTitle() == QStringLiteral("Tarnwick - Anmeldung")) {
                    front = widget;
                    break;
                }
            }
        }
        if (front != nullptr) {
            if (front->isMinimized()) {
                front->showNormal();
            }
            front->raise();
            front->activateWindow();
        }
    });
    emit BroughtForward();
    return answer;
}

} // namespace Tarnwick
