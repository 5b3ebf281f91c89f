#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include <QObject>
#include <QTimer>

#include "app/mainframe/FrameServices.h"
#include "options/Settings.h"
#include "platform/session/SessionWatcher.h"

class QWidget;

namespace Tarnwick::MainFrame {

// The workspace lock: locking and unlocking, the inactivity watch (timer 2 every second,
// started after the 3.5 s delay of timer 4) and the session's lock and suspend events. The
// window empties and refills its views through the two callbacks.
class WorkspaceLock final : public QObject {
    Q_OBJECT
public:
    static constexpr int kInactivityTimer = 2;
    static constexpr int kStartDelayTimer = 4;

    struct Hooks {
        // The views are emptied and disabled; the data stays in memory.
        std::function<void()> locked;
        // The views are refilled and enabled.
        std::function<void()> unlocked;
        // Asks the user for the credentials; true when the dialog accepted some.
        std::function<bool(LoginCredentials& typed)> authenticate;
        // Whether the typed credentials are those of the open database.
        std::function<bool(const LoginCredentials& typed)> matches;
        // A database is open (a session event locks only then).
        std::function<bool()> isOpen;
        // The window may be locked now (no dialog in front, window enabled).
        std::function<bool()> mayLockNow;
        // The window is the active one.
        std::function<bool()> isActive;
    };

    WorkspaceLock(ApplicationSettings::Settings& settings, MainFrameEnvironment& environment, Hooks hooks,
                  QObject* parent = nullptr);
    ~WorkspaceLock() override;

    bool IsLocked() const noexcept { return m_locked; }
    bool IsUnlocking() const noexcept { return m_unlocking; }
    void Toggle();
    void Lock();
    // Unlocks when the user gives the credentials of the open database; true when unlocked.
    bool Unlock();
    // A new log-in starts unlocked.
    void Reset() noexcept { m_locked = false; }

    // Timer 4 (the delayed start) when the setting asks for a watch.
    void ArmDelayedStart();
    void StartInactivityWatch();
    void StopInactivityWatch();
    bool IsTimerRunning(int id) const;
    void OnTimer(int id);
    void CheckInactivity();

    // The session watch follows the option "Arbeitsbereich automatisch speren".
    void FollowSessionOption();
    void StopSessionWatch();

private:
    void OnSessionEvent(Platform::SessionEvent event);

    ApplicationSettings::Settings& m_settings;
    MainFrameEnvironment& m_environment;
    Hooks m_hooks;
    bool m_locked = false;
    bool m_unlocking = false;
    std::uint64_t m_lastActivityTick = 0;
    QTimer m_inactivity;
    QTimer m_startDelay;
};

} // namespace Tarnwick::MainFrame
