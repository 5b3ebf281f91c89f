#pragma once

// One Xlib connection shared by the parts of X11Desktop: atoms, event handlers, waiting with
// events handled, and trapping of protocol errors. Xlib's own types stay in the .cpp files.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct _XDisplay;
union _XEvent;

namespace Tarnwick::Platform::X11 {

using XId = unsigned long;

class Connection {
public:
    // Throws when the display cannot be opened.
    explicit Connection(const char* displayName);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    _XDisplay* Display() const noexcept { return m_display; }
    XId Root() const noexcept { return m_root; }
    int FileDescriptor() const noexcept;
    XId Intern(const char* name);
    std::string AtomName(XId atom);

    // A handler returns true when the event was its own.
    using Handler = std::function<bool(_XEvent& event)>;
    int AddHandler(Handler handler);
    void RemoveHandler(int id) noexcept;
    // Handles every event that has arrived.
    void Dispatch();
    // Handles events until done() or the time-out; also lets the other toolkit of the process
    // run (it may own the selection being read). True when done() became true.
    bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    std::function<void()> pumpOthers;
    // Called when events wait in Xlib's queue, which the socket does not show any more.
    std::function<void()> onEventsQueued;
    void NoteQueuedEvents();

    // A server time stamp from a property change on a window of our own.
    std::uint32_t CurrentServerTime();
    // A hidden input-only window of our own.
    XId HelperWindow() const noexcept { return m_helper; }

    // Collects the protocol errors of this connection while it lives (calls XSync first and
    // last); a nested trap sees only its own errors.
    class ErrorTrap {
    public:
        explicit ErrorTrap(Connection& connection);
        ~ErrorTrap();
        ErrorTrap(const ErrorTrap&) = delete;
        ErrorTrap& operator=(const ErrorTrap&) = delete;
        // Syncs and returns the first error code since the trap began (0: none).
        int Check();

    private:
        Connection& m_connection;
        int m_saved;
    };

    // Called from the process-wide error handler.
    void RecordError(int code) noexcept;

private:
    _XDisplay* m_display = nullptr;
    XId m_root = 0;
    XId m_helper = 0;
    int m_nextHandler = 1;
    std::vector<std::pair<int, Handler>> m_handlers;
    std::map<std::string, XId> m_atoms;
    int m_error = 0;
    int m_trapDepth = 0;
    bool m_dispatching = false;
};

// Text of a window property as UTF-8 (_NET_WM_NAME, else WM_NAME converted by Xlib).
std::string WindowTitle(Connection& connection, XId window);
// Reads a 32-bit property (windows, atoms, cardinals) of the given type.
bool ReadLongs(Connection& connection, XId window, XId property, XId type, std::vector<unsigned long>& out);
// The process of the window's client through the X-Resource extension, else (unless
// trustedOnly) the window's _NET_WM_PID, which any program can set.
bool ClientProcess(Connection& connection, XId window, std::int64_t& pid, bool trustedOnly = false);

// Who the server says made a window: the client's resource base and its process (local
// clients only). False without the X-Resource extension 1.2.
struct ClientId {
    XId base = 0;
    std::int64_t pid = 0; // 0 when unknown
};
bool QueryClient(Connection& connection, XId window, ClientId& client);

} // namespace Tarnwick::Platform::X11
