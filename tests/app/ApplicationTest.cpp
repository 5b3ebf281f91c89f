#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWizard>

#include "AppTestSupport.h"
#include "app/Application.h"
#include "app/SingleInstanceApplication.h"
#include "app/Splash.h"
#include "app/login/LoginDialog.h"
#include "app/login/NewDatabaseWizard.h"
#include "core/SystemInformation.h"
#include "options/SettingsStorage.h"
#include "uilib/SecureEdit.h"

using AppTest::Q;
using Tarnwick::CApplication;
using Tarnwick::CLoginDialog;
using Tarnwick::CNewDatabaseWizard;
using Tarnwick::SingleInstanceApplication;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// What the main window factory was given.
struct FactoryCall {
    fs::path database;
    std::u16string userName;
    std::u16string password;
    bool settingsAreTheApplications = false;
};

// A main window that records the update offer.
class OfferWindow final : public QMainWindow, public Tarnwick::IMainWindow {
public:
    bool MinimiseToTray() override { return false; }
    int BringForward() override { return 0; }
    void ShowWelcome() override {}
    void StartUpdateOfferTimer() override { ++offers; }
    std::atomic<int> offers{0};
};

class Application : public AppTest::AppFixture {
protected:
    Application() {
        CApplication::SetMainWindowFactory([this](ApplicationSettings::Settings& settings, const fs::path& database,
                                                  Tarnwick::LoginCredentials credentials) -> std::unique_ptr<QWidget> {
            FactoryCall call;
            call.database = database;
            call.userName = credentials.userName.ToStdString();
            call.password = credentials.password.Reveal().ToStdString();
            call.settingsAreTheApplications =
                CApplication::Instance() != nullptr && &CApplication::Instance()->GetSettings() == &settings;
            calls.push_back(call);
            if (factoryThrows) {
                throw std::runtime_error("main window broken");
            }
            if (offerWindow) {
                auto window = std::make_unique<OfferWindow>();
                offers = window.get();
                return window;
            }
            auto window = std::make_unique<QMainWindow>();
            window->setWindowTitle(QStringLiteral("Tarnwick 2010"));
            return window;
        });
    }
    ~Application() override {
        CApplication::SetMainWindowFactory({});
        Tarnwick::SplashFactory::Current().reset();
    }

    CApplication::Environment Environment() {
        CApplication::Environment environment;
        environment.wait = [this](std::chrono::milliseconds pause) { waits.push_back(pause); };
        environment.selfTest = [this] { return selfTestPasses; };
        environment.instanceFolder = Runtime();
        environment.instanceTimeout = 3s;
        environment.armCrashHandler = false;
        environment.quit = [this] { ++quits; };
        return environment;
    }

    std::unique_ptr<CApplication> Make(std::vector<std::u16string> arguments = {u"tarnwick"}) {
        return std::make_unique<CApplication>(*qApp, std::move(arguments), Environment());
    }

    // Logs in to a database in the log-in dialog.
    static void LogIn(CLoginDialog& dialog, std::u16string_view user, std::u16string_view password) {
        dialog.GetUserNameEdit()->setText(Q(user));
        dialog.GetPasswordEdit()->SetText(password);
        dialog.GetLoginButton()->click();
    }

    std::vector<FactoryCall> calls;
    std::vector<std::chrono::milliseconds> waits;
    bool selfTestPasses = true;
    bool factoryThrows = false;
    bool offerWindow = false;
    OfferWindow* offers = nullptr;
    int quits = 0;
};

// Holds the instance lock and answers on a thread of its own, as a running program would.
class RunningInstance {
public:
    RunningInstance(const fs::path& folder, int answer) {
        m_thread.reset(QThread::create([this, folder, answer] {
            SingleInstanceApplication first(folder);
            m_held = first.CreateInstance();
            first.Listen([this, answer] {
                ++requests;
                return answer;
            });
            m_ready = true;
            QEventLoop loop;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (m_stop) {
                    loop.quit();
                }
            });
            poll.start(10);
            loop.exec();
        }));
        m_thread->start();
        while (!m_ready) {
            std::this_thread::sleep_for(1ms);
        }
    }
    ~RunningInstance() {
        m_stop = true;
        m_thread->wait();
    }
    bool Held() const { return m_held; }
    std::atomic<int> requests{0};

private:
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_ready{false};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_held{false};
};

} // namespace

TEST_F(Application, FirstStartWelcomeWizardThenLogIn) {
    const fs::path created = Databases() / "Meine Passwörter.twdb";
    responder.Then(0); // "Ja, neue Datenbank jetzt anlegen"
    bool wizardRan = false;
    std::optional<qint64> loginShownAfter;
    QElapsedTimer clock;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        if (auto* wizard = qobject_cast<CNewDatabaseWizard*>(&shown)) {
            wizardRan = true;
            wizard->show();
            Tarnwick::CNewDatabasePage& page = wizard->GetPage();
            page.GetPathEdit()->setText(Q(created));
            page.GetUserNameEdit()->setText(QStringLiteral("Anna"));
            page.GetPasswordEdit()->SetText(u"Sesam öffne dich!");
            page.GetRepetitionEdit()->SetText(u"Sesam öffne dich!");
            wizard->button(QWizard::FinishButton)->click();
            return;
        }
        auto* login = qobject_cast<CLoginDialog*>(&shown);
        ASSERT_NE(login, nullptr);
        loginShownAfter = clock.elapsed();
        login->show();
        // The welcome question comes 100 ms after the dialog opened.
        QTRY_VERIFY_WITH_TIMEOUT(wizardRan, 5000);
        EXPECT_EQ(login->GetDatabaseBox()->currentText(), Q(created));
        LogIn(*login, u"Anna", u"Sesam öffne dich!");
    });

    clock.start();
    auto application = Make();
    ASSERT_FALSE(fs::exists(Tarnwick::Core::Path::GetLocalAppPath() / "twsettings.xml"));
    ASSERT_TRUE(application->InitInstance());
    EXPECT_TRUE(application->IsFirstStart());
    ASSERT_TRUE(loginShownAfter.has_value());
    RecordProperty("StartToLoginMs", static_cast<int>(*loginShownAfter));
    EXPECT_LT(*loginShownAfter, 1000);

    // The default settings were written before anything was loaded.
    EXPECT_TRUE(fs::exists(application->GetSettingsPath()));
    EXPECT_EQ(Count(u"Die Datenbank wurde erfolgreich erstellt."), 1);

    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].database, created);
    // Created without case-sensitive names: the name is stored and handed on lower-cased.
    EXPECT_EQ(calls[0].userName, u"anna");
    EXPECT_EQ(calls[0].password, u"Sesam öffne dich!");
    EXPECT_TRUE(calls[0].settingsAreTheApplications);
    ASSERT_NE(application->GetMainWindow(), nullptr);
    EXPECT_TRUE(application->GetMainWindow()->isVisible());
    EXPECT_EQ(Tarnwick::SplashFactory::Current(), nullptr);

    // Closing the main window saves the settings (with the new recent database) and ends.
    application->GetMainWindow()->close();
    QTRY_COMPARE(quits, 1);
    ApplicationSettings::Settings stored;
    OptionsLibrary::SettingsStorage::Load(application->GetSettingsPath(), stored);
    ASSERT_EQ(stored.recentDatabases.items.size(), 1u);
    EXPECT_EQ(stored.recentDatabases.items[0].path, Tarnwick::Text::FromUtf8(created.string()));
    EXPECT_EQ(application->ExitInstance(), 0);
}

TEST_F(Application, CancelledLogInEndsWithoutMainWindow) {
    AppTest::DialogDriverScope driver([](QDialog& shown) {
        ASSERT_NE(qobject_cast<CLoginDialog*>(&shown), nullptr);
        shown.reject();
    });
    auto application = Make();
    EXPECT_TRUE(application->InitInstance());
    EXPECT_EQ(application->GetMainWindow(), nullptr);
    EXPECT_TRUE(calls.empty());
    // The defaults of the first start are on disk all the same.
    EXPECT_TRUE(fs::exists(application->GetSettingsPath()));
    EXPECT_EQ(application->Run(), 0);
}

TEST_F(Application, CommandLineDatabaseIsPresetWhenItExists) {
    const fs::path database = Databases() / "Start.twdb";
    ASSERT_TRUE(AppTest::MakeDatabase(database, u"anna", u"pw"));
    QString shownPath;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto* login = qobject_cast<CLoginDialog*>(&shown);
        ASSERT_NE(login, nullptr);
        shownPath = login->GetDatabaseBox()->currentText();
        if (shownPath.isEmpty()) {
            shown.reject();
            return;
        }
        LogIn(*login, u"anna", u"pw");
    });
    {
        auto application = Make({u"tarnwick", u"-fulldump", Tarnwick::Text::FromUtf8(database.string())});
        ASSERT_TRUE(application->InitInstance());
        EXPECT_EQ(shownPath, Q(database));
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].database, database);
        application->GetMainWindow()->close(); // saves the settings with the recent database
    }
    calls.clear();
    auto missing = Make({u"tarnwick", Tarnwick::Text::FromUtf8((Databases() / "fehlt.twdb").string())});
    ASSERT_TRUE(missing->InitInstance());
    // Only the recent list (from the first run) fills the box; the missing file is not offered.
    EXPECT_EQ(shownPath, Q(database));
}

TEST_F(Application, LaterStartsLookForANewerVersionOnAThreadOfTheirOwn) {
    const fs::path database = Databases() / "Start.twdb";
    ASSERT_TRUE(AppTest::MakeDatabase(database, u"anna", u"pw"));
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto* login = qobject_cast<CLoginDialog*>(&shown);
        ASSERT_NE(login, nullptr);
        LogIn(*login, u"anna", u"pw");
    });
    std::atomic<int> checks{0};
    std::thread::id checkThread;
    Tarnwick::UpdateProvider::UpdateParameter asked;
    auto start = [&](int answer, bool enabled) {
        CApplication::Environment environment = Environment();
        environment.checkForUpdates = [&, answer](const Tarnwick::UpdateProvider::UpdateParameter& parameter) {
            ++checks;
            checkThread = std::this_thread::get_id();
            asked = parameter;
            return answer;
        };
        auto application = std::make_unique<CApplication>(
            *qApp, std::vector<std::u16string>{u"tarnwick", Tarnwick::Text::FromUtf8(database.string())}, environment);
        if (!enabled) {
            const fs::path file = Tarnwick::Core::Path::GetLocalAppPath() / "twsettings.xml";
            ApplicationSettings::Settings settings;
            OptionsLibrary::SettingsStorage::Load(file, settings);
            settings.checkForUpdatesAtStart = false;
            OptionsLibrary::SettingsStorage::Save(file, settings);
        }
        return application;
    };
    offerWindow = true;
    {
        // The first start greets instead of checking.
        auto first = start(4, true);
        ASSERT_TRUE(first->InitInstance());
        EXPECT_TRUE(first->IsFirstStart());
        first->GetMainWindow()->close();
        EXPECT_EQ(first->ExitInstance(), 0);
        EXPECT_EQ(checks, 0);
    }
    {
        auto later = start(4, true);
        ASSERT_TRUE(later->InitInstance());
        QTRY_COMPARE(offers->offers.load(), 1);
        EXPECT_EQ(checks, 1);
        EXPECT_NE(checkThread, std::this_thread::get_id());
        EXPECT_EQ(asked.valueA, Tarnwick::Core::GetVersionNumberOfExecuteable());
        EXPECT_EQ(asked.text, u"Standard");
        EXPECT_EQ(asked.number, 32);
        later->GetMainWindow()->close();
        EXPECT_EQ(later->ExitInstance(), 0);
    }
    {
        // Up to date: no offer.
        auto upToDate = start(3, true);
        ASSERT_TRUE(upToDate->InitInstance());
        QTRY_COMPARE(checks.load(), 2);
        QCoreApplication::processEvents();
        EXPECT_EQ(offers->offers.load(), 0);
        upToDate->GetMainWindow()->close();
        EXPECT_EQ(upToDate->ExitInstance(), 0);
    }
    {
        // Switched off in the options.
        auto off = start(4, false);
        ASSERT_TRUE(off->InitInstance());
        QCoreApplication::processEvents();
        EXPECT_EQ(checks, 2);
        off->GetMainWindow()->close();
        EXPECT_EQ(off->ExitInstance(), 0);
    }
}

TEST_F(Application, SecondInstanceBringsTheFirstForwardAndEnds) {
    RunningInstance first(Runtime(), SingleInstanceApplication::kBroughtForward);
    ASSERT_TRUE(first.Held());
    bool dialogShown = false;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        dialogShown = true;
        shown.reject();
    });
    auto second = Make();
    EXPECT_FALSE(second->InitInstance());
    EXPECT_EQ(second->GetExitCode(), 0);
    EXPECT_EQ(first.requests.load(), 1);
    EXPECT_FALSE(dialogShown);
    EXPECT_TRUE(responder.Seen().empty());
    // It ended before the settings were even read.
    EXPECT_FALSE(fs::exists(Tarnwick::Core::Path::GetLocalAppPath() / "twsettings.xml"));
}

TEST_F(Application, RunningInstanceInTheNotificationAreaIsAnnounced) {
    RunningInstance first(Runtime(), SingleInstanceApplication::kInTray);
    auto second = Make();
    EXPECT_FALSE(second->InitInstance());
    EXPECT_EQ(Texts(), QStringList({Q(CApplication::kAlreadyRunningInTray)}));
    ASSERT_FALSE(responder.Seen().empty());
    EXPECT_EQ(responder.Seen()[0].icon, QMessageBox::Information);
}

TEST_F(Application, FirstInstanceComesForwardWhenAsked) {
    const fs::path database = Databases() / "Vorne.twdb";
    ASSERT_TRUE(AppTest::MakeDatabase(database, u"anna", u"pw"));
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto* login = qobject_cast<CLoginDialog*>(&shown);
        ASSERT_NE(login, nullptr);
        login->GetDatabaseBox()->setEditText(Q(database));
        LogIn(*login, u"anna", u"pw");
    });
    auto application = Make();
    ASSERT_TRUE(application->InitInstance());
    QWidget* window = application->GetMainWindow();
    ASSERT_NE(window, nullptr);
    window->showMinimized();
    QTRY_VERIFY(window->isMinimized());

    SingleInstanceApplication later(Runtime());
    EXPECT_FALSE(later.CreateInstance());
    std::atomic<bool> done{false};
    int answer = -2;
    std::thread asker([&] {
        answer = later.AskRunningInstance(5s);
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 10000);
    asker.join();
    EXPECT_EQ(answer, SingleInstanceApplication::kBroughtForward);
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(Application, FailedSelfTestEndsStartUp) {
    selfTestPasses = false;
    bool dialogShown = false;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        dialogShown = true;
        shown.reject();
    });
    auto application = Make();
    EXPECT_FALSE(application->InitInstance());
    EXPECT_FALSE(dialogShown);
    EXPECT_EQ(Texts(), QStringList({Q(u"Der Selbsttest der kryptografischen Algorithmen ist fehlgeschlagen.\nTarnwick "
                                      u"wird beendet.")}));
    EXPECT_EQ(application->GetExitCode(), 1);
}

TEST_F(Application, BrokenSettingsFileEndsStartUp) {
    const fs::path settings = Tarnwick::Core::Path::GetLocalAppPath() / "twsettings.xml";
    std::ofstream(settings) << "<kein xml";
    auto application = Make();
    EXPECT_FALSE(application->InitInstance());
    EXPECT_FALSE(application->IsFirstStart());
    EXPECT_EQ(Texts(),
              QStringList({Q(u"Es ist ein Fehler beim Laden der Einstellungen aufgetreten.\nTarnwick wird beendet.")}));
}

TEST_F(Application, AfterAnUpdateItsFolderIsDeleted) {
    const fs::path update = Tarnwick::Core::Path::CreateTemporaryFolder();
    std::ofstream(update / "update.xml") << "x";
    const fs::path foreign = xdg.Root() / "1700000000-Fremd1";
    fs::create_directories(foreign);
    AppTest::DialogDriverScope driver([](QDialog& shown) { shown.reject(); });
    {
        auto application = Make({u"tarnwick", u"-update:" + Tarnwick::Text::FromUtf8(update.string())});
        EXPECT_TRUE(application->InitInstance());
    }
    EXPECT_FALSE(fs::exists(update));
    ASSERT_EQ(waits.size(), 1u);
    EXPECT_EQ(waits[0], 2000ms);
    {
        auto application = Make({u"tarnwick", u"-update:" + Tarnwick::Text::FromUtf8(foreign.string())});
        EXPECT_TRUE(application->InitInstance());
    }
    EXPECT_TRUE(fs::exists(foreign));
}

TEST_F(Application, MainWindowFailureIsCaughtAndShown) {
    const fs::path database = Databases() / "Fehler.twdb";
    ASSERT_TRUE(AppTest::MakeDatabase(database, u"anna", u"pw"));
    factoryThrows = true;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto* login = qobject_cast<CLoginDialog*>(&shown);
        ASSERT_NE(login, nullptr);
        login->GetDatabaseBox()->setEditText(Q(database));
        LogIn(*login, u"anna", u"pw");
    });
    auto application = Make();
    EXPECT_FALSE(application->InitInstance());
    EXPECT_EQ(Texts(), QStringList({Q(u"Fehler beim Starten von Tarnwick.")}));
    EXPECT_NE(LogText().find("main window broken"), std::string::npos);
    EXPECT_EQ(Tarnwick::SplashFactory::Current(), nullptr);
}

TEST_F(Application, WindowPlacementLivesInTheSettings) {
    AppTest::DialogDriverScope driver([](QDialog& shown) { shown.reject(); });
    auto application = Make();
    ASSERT_TRUE(application->InitInstance());
    QRect normal;
    int flags = 0;
    int showCmd = 0;
    // Nothing stored on the first start.
    EXPECT_FALSE(application->LoadWindowPlacement(normal, flags, showCmd));
    application->StoreWindowPlacement(QRect(10, 20, 800, 600), 2, 3);
    EXPECT_EQ(application->GetSettings().mainRight, 810);
    EXPECT_EQ(application->GetSettings().mainBottom, 620);
    ASSERT_TRUE(application->SaveSettings());
    application.reset();

    auto later = Make();
    ASSERT_TRUE(later->InitInstance());
    EXPECT_FALSE(later->IsFirstStart());
    ASSERT_TRUE(later->LoadWindowPlacement(normal, flags, showCmd));
    EXPECT_EQ(normal, QRect(10, 20, 800, 600));
    EXPECT_EQ(flags, 2);
    EXPECT_EQ(showCmd, 3);
    later->GetSettings().saveMainWindowPosition = false;
    EXPECT_FALSE(later->LoadWindowPlacement(normal, flags, showCmd));
}
