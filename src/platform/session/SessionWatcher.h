#pragma once

#include <functional>
#include <memory>

namespace Tarnwick::Platform {

// What happened to the user's desktop session.
enum class SessionEvent {
    Locked,     // the session or its screen saver was locked
    LoggedOff,  // the session is ending
    Suspending, // the machine is about to sleep
};

// Reports session locks, log-offs and suspends. Events arrive on the thread that runs the
// Qt event loop.
class ISessionWatcher {
public:
    using Handler = std::function<void(SessionEvent)>;

    virtual ~ISessionWatcher() = default;
    // Starts reporting to handler; false when no session service could be reached.
    virtual bool Register(Handler handler) = 0;
    virtual void Unregister() = 0;
    virtual bool IsRegistered() const = 0;
};

// logind on the system bus (session Lock, SessionRemoved, PrepareForSleep with a delay
// inhibitor) and the desktop's screen saver on the session bus (ActiveChanged).
std::unique_ptr<ISessionWatcher> CreateLogindSessionWatcher();

// Delivers what a test emits, while registered.
class FakeSessionWatcher final : public ISessionWatcher {
public:
    bool Register(Handler handler) override {
        ++registrations;
        if (!available) {
            return false;
        }
        m_handler = std::move(handler);
        return true;
    }
    void Unregister() override { m_handler = nullptr; }
    bool IsRegistered() const override { return static_cast<bool>(m_handler); }

    void Emit(SessionEvent event) {
        if (m_handler) {
            m_handler(event);
        }
    }

    bool available = true;
    int registrations = 0;

private:
    Handler m_handler;
};

} // namespace Tarnwick::Platform
