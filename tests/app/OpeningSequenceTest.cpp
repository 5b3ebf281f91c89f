#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "AppTestSupport.h"
#include "app/Splash.h"
#include "app/login/LoginDialog.h"
#include "app/login/OpeningSequence.h"
#include "model/PasswordData.h"
#include "uilib/SecureEdit.h"

using AppTest::Q;
using Tarnwick::OpeningMode;
namespace fs = std::filesystem;

namespace {

// A main window that records what the sequence asked of it.
class FakeMainWindow : public Tarnwick::IOpeningTarget {
public:
    QWidget& GetWindow() override { return window; }
    Tarnwick::PasswordADT::PasswordData& GetPasswordData() override { return data; }
    bool CreateInterface() override {
        ++interfaces;
        return interfaceWorks;
    }
    bool FillViews() override {
        ++fills;
        visibleWhileFilling = window.isVisible();
        return viewsWork;
    }

    QMainWindow window;
    Tarnwick::PasswordADT::PasswordData data;
    int interfaces = 0;
    int fills = 0;
    bool interfaceWorks = true;
    bool viewsWork = true;
    bool visibleWhileFilling = true;
};

class Opening : public AppTest::AppFixture {
protected:
    Opening() { EXPECT_TRUE(AppTest::MakeDatabase(database, u"anna", u"pw")); }
    ~Opening() override { Tarnwick::SplashFactory::Current().reset(); }

    const fs::path database = Databases() / "Konten.twdb";
    FakeMainWindow target;
};

// Notes close events.
class CloseWatcher : public QObject {
public:
    explicit CloseWatcher(QWidget& widget) { widget.installEventFilter(this); }
    int closes = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            ++closes;
        }
        return false;
    }
};

} // namespace

TEST_F(Opening, StartUpLoadsBuildsFillsAndShows) {
    Tarnwick::SplashFactory::Current() = std::make_unique<Tarnwick::SplashFactory>();
    ASSERT_TRUE(Tarnwick::SplashFactory::Current()->ShowSplash());
    CloseWatcher watcher(target.window);
    EXPECT_TRUE(Tarnwick::OpenDatabase(target, OpeningMode::StartUp, database, AppTest::Credentials(u"anna", u"pw")));
    EXPECT_EQ(target.interfaces, 1);
    EXPECT_EQ(target.fills, 1);
    // The views are filled before the window shows.
    EXPECT_FALSE(target.visibleWhileFilling);
    ASSERT_EQ(target.data.Folders().size(), 1u);
    EXPECT_EQ(target.data.Folders()[0]->GetName(), u"Allgemein");
    EXPECT_TRUE(target.window.isVisible());
    EXPECT_EQ(Tarnwick::SplashFactory::Current(), nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(watcher.closes, 0);
    EXPECT_TRUE(responder.Seen().empty());
}

TEST_F(Opening, FailedLoadAsksTheWindowToClose) {
    CloseWatcher watcher(target.window);
    EXPECT_TRUE(Tarnwick::OpenDatabase(target, OpeningMode::StartUp, database, AppTest::Credentials(u"anna", u"x")));
    EXPECT_FALSE(target.window.isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(watcher.closes, 1);
    EXPECT_EQ(Count(u"Fehler beim Laden der Passwortinformationen aus der Datenbank."), 1);
}

TEST_F(Opening, FailingInterfaceOrViewsFailTheSequence) {
    target.interfaceWorks = false;
    EXPECT_FALSE(Tarnwick::OpenDatabase(target, OpeningMode::StartUp, database, AppTest::Credentials(u"anna", u"pw")));
    EXPECT_EQ(target.fills, 0);
    EXPECT_FALSE(target.window.isVisible());

    target.interfaceWorks = true;
    target.viewsWork = false;
    EXPECT_FALSE(Tarnwick::OpenDatabase(target, OpeningMode::LoginAgain, database, AppTest::Credentials(u"anna", u"pw")));
    // Logging in again never builds the interface a second time.
    EXPECT_EQ(target.interfaces, 1);
    EXPECT_EQ(Tarnwick::SplashFactory::Current(), nullptr);
}

TEST_F(Opening, LoginAgainOpensTheChosenDatabase) {
    ApplicationSettings::Settings settings;
    target.window.show();
    fs::path currentPath = "/alt.twdb";
    Tarnwick::LoginCredentials current = AppTest::Credentials(u"alt", u"alt");
    bool windowWasHidden = false;
    AppTest::DialogDriverScope driver([&](QDialog& shown) {
        auto* dialog = qobject_cast<Tarnwick::CLoginDialog*>(&shown);
        ASSERT_NE(dialog, nullptr);
        windowWasHidden = !target.window.isVisible() && !target.window.isEnabled();
        EXPECT_EQ(dialog->GetDatabaseBox()->currentText(), Q(database));
        dialog->GetUserNameEdit()->setText(QStringLiteral("anna"));
        dialog->GetPasswordEdit()->SetText(u"pw");
        dialog->GetLoginButton()->click();
    });
    CloseWatcher watcher(target.window);
    EXPECT_TRUE(Tarnwick::LoginAgain(target, settings, Tarnwick::Text::FromUtf8(database.string()), currentPath, current));
    EXPECT_TRUE(windowWasHidden);
    EXPECT_EQ(currentPath, database);
    EXPECT_EQ(current.userName, u"anna");
    EXPECT_TRUE(target.window.isVisible());
    EXPECT_TRUE(target.window.isEnabled());
    EXPECT_EQ(target.interfaces, 0);
    EXPECT_EQ(target.fills, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(watcher.closes, 0);
}

TEST_F(Opening, CancelledLoginAgainClosesTheWindow) {
    ApplicationSettings::Settings settings;
    target.window.show();
    fs::path currentPath;
    Tarnwick::LoginCredentials current;
    AppTest::DialogDriverScope driver([](QDialog& shown) { shown.reject(); });
    CloseWatcher watcher(target.window);
    EXPECT_FALSE(Tarnwick::LoginAgain(target, settings, u"", currentPath, current));
    EXPECT_TRUE(currentPath.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(watcher.closes, 1);
}
