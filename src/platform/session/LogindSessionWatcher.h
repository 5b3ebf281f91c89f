#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>

#include "platform/session/SessionWatcher.h"

namespace Tarnwick::Platform {

// The session watcher over D-Bus. The buses are handed in so that tests can use a private
// bus; the session path is asked from logind when it is not given.
class LogindSessionWatcher final : public QObject, public ISessionWatcher {
    Q_OBJECT
public:
    static constexpr const char* kLogindService = "org.freedesktop.login1";
    static constexpr const char* kManagerPath = "/org/freedesktop/login1";
    static constexpr const char* kManagerInterface = "org.freedesktop.login1.Manager";
    static constexpr const char* kSessionInterface = "org.freedesktop.login1.Session";
    static constexpr const char* kScreenSaverService = "org.freedesktop.ScreenSaver";
    static constexpr const char* kScreenSaverPath = "/org/freedesktop/ScreenSaver";

    LogindSessionWatcher(QDBusConnection systemBus, QDBusConnection sessionBus, QString sessionPath = {});
    ~LogindSessionWatcher() override;

    bool Register(Handler handler) override;
    void Unregister() override;
    bool IsRegistered() const override { return m_registered; }

    const QString& SessionPath() const noexcept { return m_sessionPath; }
    // Whether a sleep delay is held right now.
    bool HoldsSleepDelay() const { return m_inhibitor.isValid(); }

private slots:
    void OnLock();
    void OnSessionRemoved(const QDBusMessage& message);
    void OnPrepareForSleep(bool starting);
    void OnScreenSaverActiveChanged(bool active);

private:
    void ResolveSessionPath();
    void TakeSleepDelay();
    void Report(SessionEvent event);

    QDBusConnection m_system;
    QDBusConnection m_session;
    QString m_sessionPath;
    Handler m_handler;
    bool m_registered = false;
    QDBusUnixFileDescriptor m_inhibitor;
};

} // namespace Tarnwick::Platform
