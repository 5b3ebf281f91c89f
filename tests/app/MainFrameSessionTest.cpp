// The platform sides of the inactivity and session watch: the logind watcher on a private
// bus, the X screen-saver idle counter and the Qt clipboard. The bus and X11 cases run in
// their own test entry (a private D-Bus daemon, Xvfb).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "app/mainframe/FieldClipboard.h"
#include "platform/session/LogindSessionWatcher.h"
#include "platform/x11/IdleTime.h"

namespace {

using Tarnwick::Platform::LogindSessionWatcher;
using Tarnwick::Platform::SessionEvent;

const QString kSession = QStringLiteral("/org/freedesktop/login1/session/_31");

class DBusSessionWatch : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("TW_SESSION_BUS_TESTS")) {
            GTEST_SKIP() << "runs in the bus test entry only";
        }
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) {
            GTEST_SKIP() << "no dbus-daemon";
        }
        m_daemon.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        ASSERT_TRUE(m_daemon.waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_daemon.canReadLine(); }, 5000));
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        ASSERT_FALSE(m_address.isEmpty());
    }
    void TearDown() override {
        for (const QString& name : m_names) {
            QDBusConnection::disconnectFromBus(name);
        }
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            m_daemon.waitForFinished(5000);
        }
    }

    QDBusConnection Connect(const QString& name) {
        m_names << name;
        return QDBusConnection::connectToBus(m_address, name);
    }

    bool Arrives(std::size_t count) {
        return QTest::qWaitFor([&] { return events.size() >= count; }, 5000);
    }

    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
    std::vector<SessionEvent> events;
};

TEST_F(DBusSessionWatch, LockSuspendScreenSaverAndLogOffArriveFromTheirServicesOnly) {
    QDBusConnection logind = Connect(QStringLiteral("tw-logind"));
    QDBusConnection stranger = Connect(QStringLiteral("tw-stranger"));
    QDBusConnection client = Connect(QStringLiteral("tw-client"));
    ASSERT_TRUE(logind.isConnected());
    ASSERT_TRUE(logind.registerService(QStringLiteral("org.freedesktop.login1")));
    ASSERT_TRUE(logind.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));

    LogindSessionWatcher watcher(client, client, kSession);
    ASSERT_TRUE(watcher.Register([&](SessionEvent event) { events.push_back(event); }));
    EXPECT_TRUE(watcher.IsRegistered());
    EXPECT_FALSE(watcher.HoldsSleepDelay()); // nobody answers Inhibit here

    // The same signal from a connection that does not own the service name is not believed.
    stranger.send(QDBusMessage::createSignal(kSession, QStringLiteral("org.freedesktop.login1.Session"),
                                            QStringLiteral("Lock")));
    logind.send(QDBusMessage::createSignal(kSession, QStringLiteral("org.freedesktop.login1.Session"),
                                          QStringLiteral("Lock")));
    ASSERT_TRUE(Arrives(1));
    EXPECT_EQ(events, std::vector<SessionEvent>{SessionEvent::Locked});

    QDBusMessage sleep = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                    QStringLiteral("org.freedesktop.login1.Manager"),
                                                    QStringLiteral("PrepareForSleep"));
    sleep << false;
    logind.send(sleep);
    sleep.setArguments({true});
    logind.send(sleep);
    ASSERT_TRUE(Arrives(2));
    EXPECT_EQ(events.back(), SessionEvent::Suspending);

    QDBusMessage saver = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/ScreenSaver"),
                                                    QStringLiteral("org.freedesktop.ScreenSaver"),
                                                    QStringLiteral("ActiveChanged"));
    saver << false;
    logind.send(saver);
    saver.setArguments({true});
    logind.send(saver);
    ASSERT_TRUE(Arrives(3));
    EXPECT_EQ(events.back(), SessionEvent::Locked);

    QDBusMessage removed = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                      QStringLiteral("org.freedesktop.login1.Manager"),
                                                      QStringLiteral("SessionRemoved"));
    removed << QStringLiteral("7") << QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/freedesktop/login1/session/_37")));
    logind.send(removed);
    removed.setArguments({QStringLiteral("31"), QVariant::fromValue(QDBusObjectPath(kSession))});
    logind.send(removed);
    ASSERT_TRUE(Arrives(4));
    EXPECT_EQ(events, (std::vector<SessionEvent>{SessionEvent::Locked, SessionEvent::Suspending, SessionEvent::Locked,
                                                 SessionEvent::LoggedOff}));

    watcher.Unregister();
    EXPECT_FALSE(watcher.IsRegistered());
    logind.send(QDBusMessage::createSignal(kSession, QStringLiteral("org.freedesktop.login1.Session"),
                                          QStringLiteral("Lock")));
    QTest::qWait(200);
    EXPECT_EQ(events.size(), 4u);
}

TEST_F(DBusSessionWatch, WithoutAnyBusNothingIsRegistered) {
    LogindSessionWatcher watcher(QDBusConnection(QStringLiteral("tw-none")), QDBusConnection(QStringLiteral("tw-none")));
    EXPECT_FALSE(watcher.Register([](SessionEvent) {}));
    EXPECT_FALSE(watcher.IsRegistered());
}

TEST(MainFrameX11Idle, TheScreenSaverCounterGrowsWhileNobodyTypes) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        GTEST_SKIP() << "no X display";
    }
    const auto source = Tarnwick::Platform::CreateX11IdleTimeSource();
    ASSERT_NE(source, nullptr);
    const auto first = source->IdleMilliseconds();
    ASSERT_TRUE(first.has_value());
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const auto second = source->IdleMilliseconds();
    ASSERT_TRUE(second.has_value());
    EXPECT_GE(*second, *first + 300);
}

TEST(MainFrameClipboard, SecretsAreMarkedAndALossIsReported) {
    Tarnwick::MainFrame::QtFieldClipboard clipboard;
    int lost = 0;
    clipboard.onLost = [&] { ++lost; };
    clipboard.CopyText(u"P@ß wörd");
    QClipboard* system = QGuiApplication::clipboard();
    QTest::qWait(50);
    const QMimeData* data = system->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QStringLiteral("P@ß wörd"));
    EXPECT_EQ(data->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
    EXPECT_EQ(lost, 0);

    // In-process the clipboard stays ours on X11; there another client takes it.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        const QString xclip = QStandardPaths::findExecutable(QStringLiteral("xclip"));
        if (xclip.isEmpty()) {
            GTEST_SKIP() << "xclip is needed to take the clipboard from another client";
        }
        QProcess other;
        other.start(xclip, {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-i")});
        other.write("von einem anderen Programm");
        other.closeWriteChannel();
        other.waitForFinished(5000);
    } else {
        system->setText(QStringLiteral("von einem anderen Programm"));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return lost == 1; }, 2000));

    clipboard.CopyText(u"zweites");
    clipboard.Clear();
    QTest::qWait(50);
    EXPECT_TRUE(system->text().isEmpty());
    EXPECT_EQ(lost, 1);
}

} // namespace
