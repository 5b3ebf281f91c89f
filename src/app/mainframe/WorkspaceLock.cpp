#include "app/mainframe/WorkspaceLock.h"

#include "log/LogProvider.h"
#include "platform/x11/IdleTime.h"

namespace Tarnwick::MainFrame {

WorkspaceLock::WorkspaceLock(ApplicationSettings::Settings& settings, MainFrameEnvironment& environment, Hooks hooks,
                             QObject* parent)
    : QObject(parent), m_settings(settings), m_environment(environment), m_hooks(std::move(hooks)) {
    m_startDelay.setSingleShot(true);
    connect(&m_inactivity, &QTimer::timeout, this, [this] { OnTimer(kInactivityTimer); });
    connect(&m_startDelay, &QTimer::timeout, this, [this] { OnTimer(kStartDelayTimer); });
}

WorkspaceLock::~WorkspaceLock() {
    m_inactivity.stop();
    m_startDelay.stop();
    StopSessionWatch();
}

void WorkspaceLock::Toggle() {
    if (m_locked) {
        Unlock();
    } else {
        Lock();
    }
}

void WorkspaceLock::Lock() {
    m_locked = true;
    StopInactivityWatch();
    if (m_hooks.locked) {
        m_hooks.locked();
    }
}

bool WorkspaceLock::Unlock() {
    if (m_unlocking) {
        return false;
    }
    m_unlocking = true;
    bool authenticated = false;
    try {
        LoginCredentials typed;
        // Only the credentials of the open database unlock it, whatever the dialog answered.
        authenticated = m_hooks.authenticate && m_hooks.authenticate(typed) && m_hooks.matches && m_hooks.matches(typed);
    } catch (...) {
        m_unlocking = false;
        throw;
    }
    m_unlocking = false;
    if (!authenticated) {
        return false;
    }
    m_locked = false;
    if (m_hooks.unlocked) {
        m_hooks.unlocked();
    }
    StartInactivityWatch();
    return true;
}

void WorkspaceLock::ArmDelayedStart() {
    if (m_settings.workspaceLockSeconds > 0) {
        m_startDelay.start(3500);
    }
}

void WorkspaceLock::StartInactivityWatch() {
    if (m_settings.workspaceLockSeconds <= 0 || m_locked) {
        return;
    }
    m_lastActivityTick = m_environment.tickCount();
    m_inactivity.start(1000);
}

void WorkspaceLock::StopInactivityWatch() { m_inactivity.stop(); }

bool WorkspaceLock::IsTimerRunning(int id) const {
    if (id == kInactivityTimer) {
        return m_inactivity.isActive();
    }
    if (id == kStartDelayTimer) {
        return m_startDelay.isActive();
    }
    return false;
}

void WorkspaceLock::OnTimer(int id) {
    try {
        if (id == kStartDelayTimer) {
            m_startDelay.stop();
            StartInactivityWatch();
        } else if (id == kInactivityTimer) {
            CheckInactivity();
        }
    } catch (...) {
        LogProvider::GenericLog::LogEvent(0, u"WorkspaceLock::OnTimer failed");
    }
}

void WorkspaceLock::CheckInactivity() {
    const std::int16_t limit = m_settings.workspaceLockSeconds;
    // A modal dialog postpones the lock.
    if (limit < 1 || m_locked || m_unlocking || (m_hooks.mayLockNow && !m_hooks.mayLockNow())) {
        return;
    }
    const std::uint64_t now = m_environment.tickCount();
    const bool active = m_environment.isActiveWindow ? m_environment.isActiveWindow()
                                                     : (m_hooks.isActive && m_hooks.isActive());
    std::uint64_t idle = 0;
    if (!active) {
        idle = now >= m_lastActivityTick ? now - m_lastActivityTick : 0;
    } else {
        m_lastActivityTick = now;
        const std::optional<std::uint64_t> sinceInput = m_environment.idleTime->IdleMilliseconds();
        if (!sinceInput) {
            return;
        }
        idle = *sinceInput;
    }
    if (idle / 1000 > static_cast<std::uint64_t>(limit)) {
        StopInactivityWatch();
        Toggle();
    }
}

void WorkspaceLock::FollowSessionOption() {
    Platform::ISessionWatcher& watcher = *m_environment.sessionWatcher;
    if (m_settings.autoLockWorkspace && !watcher.IsRegistered()) {
        if (!watcher.Register([this](Platform::SessionEvent event) { OnSessionEvent(event); })) {
            LogProvider::GenericLog::LogEvent(0, u"session notifications are not available");
        }
    } else if (!m_settings.autoLockWorkspace && watcher.IsRegistered()) {
        watcher.Unregister();
    }
}

void WorkspaceLock::StopSessionWatch() {
    if (m_environment.sessionWatcher) {
        m_environment.sessionWatcher->Unregister();
    }
}

void WorkspaceLock::OnSessionEvent(Platform::SessionEvent) {
    try {
        // An already locked workspace stays locked; no unlock dialog is shown.
        if (m_settings.autoLockWorkspace && m_hooks.isOpen && m_hooks.isOpen() && !m_locked && !m_unlocking) {
            Lock();
        }
    } catch (...) {
        LogProvider::GenericLog::LogEvent(0, u"WorkspaceLock::OnSessionEvent failed");
    }
}

} // namespace Tarnwick::MainFrame
