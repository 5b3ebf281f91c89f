#include <gtest/gtest.h>

#include <QMainWindow>
#include <QTest>

#include "AppTestSupport.h"
#include "app/Splash.h"
#include "app/SystemTrayIcon.h"

using AppTest::Q;
using Tarnwick::SplashFactory;
using Tarnwick::SystemTrayIcon;

namespace {

class Tray : public AppTest::AppFixture {
protected:
    ~Tray() override { SystemTrayIcon::SetAvailabilityForTesting(-1); }
};

} // namespace

TEST_F(Tray, WithoutANotificationAreaTheWindowStays) {
    SystemTrayIcon::SetAvailabilityForTesting(0);
    QMainWindow window;
    window.show();
    SystemTrayIcon tray;
    EXPECT_FALSE(Tarnwick::MinimiseToTray(window, tray));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(tray.IsShown());
    const std::string log = LogText();
    EXPECT_NE(log.find("Shell_NotifyIcon"), std::string::npos);
    EXPECT_NE(log.find("SystemTrayIcon::AddIcon"), std::string::npos);
}

TEST_F(Tray, MinimiseAndRestore) {
    SystemTrayIcon::SetAvailabilityForTesting(1);
    QMainWindow window;
    SystemTrayIcon tray;
    // A hidden window stays where it is.
    EXPECT_FALSE(Tarnwick::MinimiseToTray(window, tray));
    EXPECT_FALSE(tray.IsShown());

    window.show();
    EXPECT_TRUE(Tarnwick::MinimiseToTray(window, tray));
    EXPECT_FALSE(window.isVisible());
    ASSERT_TRUE(tray.IsShown());
    EXPECT_EQ(tray.GetIcon()->toolTip(), Q(u"Tarnwick 2010"));
    EXPECT_EQ(tray.GetWindow(), &window);

    Tarnwick::RestoreFromTray(window, tray);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    EXPECT_FALSE(tray.IsShown());
    tray.DeleteIcon(); // nothing left to delete
}

TEST_F(Tray, TipIsCutToItsField) {
    SystemTrayIcon::SetAvailabilityForTesting(1);
    SystemTrayIcon tray;
    const std::u16string longTip(300, u'ä');
    tray.AddIcon(nullptr, QIcon(), u"Titel", longTip);
    EXPECT_EQ(tray.GetIcon()->toolTip().size(), SystemTrayIcon::kTipLength);
    // A second icon replaces the first.
    QSystemTrayIcon* first = tray.GetIcon();
    tray.AddIcon(nullptr, QIcon(), u"", u"kurz");
    EXPECT_NE(tray.GetIcon(), nullptr);
    EXPECT_EQ(tray.GetIcon()->toolTip(), QStringLiteral("kurz"));
    (void)first;
    EXPECT_EQ(SystemTrayIcon::kMinimisedText, std::u16string_view(u"Tarnwick wurde in den Infobereich minimiert."));
}

TEST(Splash, ShowsAndHides) {
    SplashFactory splash;
    EXPECT_FALSE(splash.HideSplash(nullptr));
    ASSERT_TRUE(splash.ShowSplash());
    ASSERT_NE(splash.GetWindow(), nullptr);
    EXPECT_TRUE(splash.IsShown());
    EXPECT_EQ(splash.GetWindow()->windowTitle(), QStringLiteral("tw:splash"));
    EXPECT_EQ(splash.GetWindow()->size(), QSize(250, 150));
    QPointer<Tarnwick::SplashWnd> window = splash.GetWindow();

    QMainWindow main;
    main.show();
    EXPECT_TRUE(splash.HideSplash(&main));
    EXPECT_FALSE(splash.IsShown());
    EXPECT_FALSE(splash.HideSplash(nullptr));
    QTRY_VERIFY(window.isNull()); // deleted once closed
}
