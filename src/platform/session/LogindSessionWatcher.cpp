#include "platform/session/LogindSessionWatcher.h"

#include <unistd.h>

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QVariant>

namespace Tarnwick::Platform {

namespace {
constexpr int kCallTimeoutMs = 2000;
}

LogindSessionWatcher::LogindSessionWatcher(QDBusConnection systemBus, QDBusConnection sessionBus, QString sessionPath)
    : m_system(std::move(systemBus)), m_session(std::move(sessionBus)), m_sessionPath(std::move(sessionPath)) {}

LogindSessionWatcher::~LogindSessionWatcher() { Unregister(); }

void LogindSessionWatcher::ResolveSessionPath() {
    if (!m_sessionPath.isEmpty() || !m_system.isConnected()) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kLogindService, kManagerPath, kManagerInterface,
                                                       QStringLiteral("GetSessionByPID"));
    call << static_cast<quint32>(::getpid());
    QDBusReply<QDBusObjectPath> reply = m_system.call(call, QDBus::Block, kCallTimeoutMs);
    if (!reply.isValid()) {
        // A process started outside the session's scope (a terminal multiplexer, a service)
        // still knows its session from the environment.
        const QString id = qEnvironmentVariable("XDG_SESSION_ID");
        if (id.isEmpty()) {
            return;
        }
        call = QDBusMessage::createMethodCall(kLogindService, kManagerPath, kManagerInterface,
                                              QStringLiteral("GetSession"));
        call << id;
        reply = m_system.call(call, QDBus::Block, kCallTimeoutMs);
        if (!reply.isValid()) {
            return;
        }
    }
    m_sessionPath = reply.value().path();
}

bool LogindSessionWatcher::Register(Handler handler) {
    if (m_registered) {
        m_handler = std::move(handler);
        return true;
    }
    m_handler = std::move(handler);
    bool any = false;
    if (m_system.isConnected()) {
        ResolveSessionPath();
        if (!m_sessionPath.isEmpty()) {
            any |= m_system.connect(kLogindService, m_sessionPath, kSessionInterface, QStringLiteral("Lock"), this,
                                    SLOT(OnLock()));
        }
        any |= m_system.connect(kLogindService, kManagerPath, kManagerInterface, QStringLiteral("SessionRemoved"), this,
                                SLOT(OnSessionRemoved(QDBusMessage)));
        if (m_system.connect(kLogindService, kManagerPath, kManagerInterface, QStringLiteral("PrepareForSleep"), this,
                             SLOT(OnPrepareForSleep(bool)))) {
            any = true;
            TakeSleepDelay();
        }
    }
    if (m_session.isConnected()) {
        any |= m_session.connect(kScreenSaverService, kScreenSaverPath, kScreenSaverService,
                                 QStringLiteral("ActiveChanged"), this, SLOT(OnScreenSaverActiveChanged(bool)));
    }
    m_registered = any;
    if (!any) {
        m_handler = nullptr;
    }
    return any;
}

void LogindSessionWatcher::Unregister() {
    if (!m_registered) {
        return;
    }
    if (m_system.isConnected()) {
        if (!m_sessionPath.isEmpty()) {
            m_system.disconnect(kLogindService, m_sessionPath, kSessionInterface, QStringLiteral("Lock"), this,
                                SLOT(OnLock()));
        }
        m_system.disconnect(kLogindService, kManagerPath, kManagerInterface, QStringLiteral("SessionRemoved"), this,
                            SLOT(OnSessionRemoved(QDBusMessage)));
        m_system.disconnect(kLogindService, kManagerPath, kManagerInterface, QStringLiteral("PrepareForSleep"), this,
                            SLOT(OnPrepareForSleep(bool)));
    }
    if (m_session.isConnected()) {
        m_session.disconnect(kScreenSaverService, kScreenSaverPath, kScreenSaverService,
                             QStringLiteral("ActiveChanged"), this, SLOT(OnScreenSaverActiveChanged(bool)));
    }
    m_inhibitor = QDBusUnixFileDescriptor();
    m_handler = nullptr;
    m_registered = false;
}

// A delay inhibitor gives the workspace time to lock before the machine sleeps; without one
// (no permission, no logind) the lock still happens, but may race the suspend.
void LogindSessionWatcher::TakeSleepDelay() {
    if (m_inhibitor.isValid()) {
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kLogindService, kManagerPath, kManagerInterface, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Tarnwick") << QStringLiteral("Arbeitsbereich sperren")
         << QStringLiteral("delay");
    const QDBusReply<QDBusUnixFileDescriptor> reply = m_system.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.isValid()) {
        m_inhibitor = reply.value();
    }
}

void LogindSessionWatcher::Report(SessionEvent event) {
    if (m_handler) {
        m_handler(event);
    }
}

void LogindSessionWatcher::OnLock() { Report(SessionEvent::Locked); }

// The arguments are (session id, object path); the message is taken whole so that the
// object path needs no registered slot type.
void LogindSessionWatcher::OnSessionRemoved(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2) {
        return;
    }
    const QString path = arguments.at(1).value<QDBusObjectPath>().path();
    if (!m_sessionPath.isEmpty() && path == m_sessionPath) {
        Report(SessionEvent::LoggedOff);
    }
}

void LogindSessionWatcher::OnPrepareForSleep(bool starting) {
    if (starting) {
        Report(SessionEvent::Suspending);
        // Locked: the machine may sleep now.
        m_inhibitor = QDBusUnixFileDescriptor();
    } else {
        TakeSleepDelay();
    }
}

void LogindSessionWatcher::OnScreenSaverActiveChanged(bool active) {
    if (active) {
        Report(SessionEvent::Locked);
    }
}

std::unique_ptr<ISessionWatcher> CreateLogindSessionWatcher() {
    return std::make_unique<LogindSessionWatcher>(QDBusConnection::systemBus(), QDBusConnection::sessionBus());
}

} // namespace Tarnwick::Platform
