#include "platform/x11/X11Connection.h"

#include <poll.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>

#include "base/exceptions/Exception.h"
#include "platform/x11/WindowList.h"

namespace Tarnwick::Platform::X11 {

namespace {

// Xlib has one error handler per process; it hands each error to the connection it came from
// and everything else to the handler that was there before (Qt's, or Xlib's own).
std::mutex g_lock;
std::vector<Connection*> g_connections;
XErrorHandler g_previous = nullptr;

int OnXError(Display* display, XErrorEvent* error) {
    {
        std::lock_guard<std::mutex> lock(g_lock);
        for (Connection* connection : g_connections) {
            if (connection->Display() == display) {
                connection->RecordError(error->error_code);
                return 0;
            }
        }
    }
    return g_previous != nullptr ? g_previous(display, error) : 0;
}

void InstallErrorHandler() {
    std::lock_guard<std::mutex> lock(g_lock);
    const XErrorHandler before = XSetErrorHandler(OnXError);
    if (before != OnXError) {
        g_previous = before;
    }
}

} // namespace

Connection::Connection(const char* displayName) {
    m_display = XOpenDisplay(displayName);
    if (m_display == nullptr) {
        throw Utilities::Exceptions::Exception(u"cannot open the X display", u"X11Desktop::Open");
    }
    {
        std::lock_guard<std::mutex> lock(g_lock);
        g_connections.push_back(this);
    }
    InstallErrorHandler();
    m_root = DefaultRootWindow(m_display);
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    m_helper = XCreateWindow(m_display, m_root, -10, -10, 1, 1, 0, CopyFromParent, InputOutput, CopyFromParent,
                             CWEventMask, &attributes);
    XSync(m_display, False);
}

Connection::~Connection() {
    if (m_helper != 0) {
        XDestroyWindow(m_display, m_helper);
    }
    XSync(m_display, False);
    {
        std::lock_guard<std::mutex> lock(g_lock);
        g_connections.erase(std::remove(g_connections.begin(), g_connections.end(), this), g_connections.end());
    }
    XCloseDisplay(m_display);
}

int Connection::FileDescriptor() const noexcept { return ConnectionNumber(m_display); }

XId Connection::Intern(const char* name) {
    const auto found = m_atoms.find(name);
    if (found != m_atoms.end()) {
        return found->second;
    }
    const ::Atom atom = XInternAtom(m_display, name, False);
    m_atoms.emplace(name, atom);
    return atom;
}

std::string Connection::AtomName(XId atom) {
    if (atom == 0) {
        return {};
    }
    ErrorTrap trap(*this);
    char* name = XGetAtomName(m_display, atom);
    std::string text;
    if (name != nullptr) {
        text = name;
        XFree(name);
    }
    return trap.Check() == 0 ? text : std::string();
}

int Connection::AddHandler(Handler handler) {
    const int id = m_nextHandler++;
    m_handlers.emplace_back(id, std::move(handler));
    return id;
}

void Connection::RemoveHandler(int id) noexcept {
    m_handlers.erase(std::remove_if(m_handlers.begin(), m_handlers.end(), [id](const auto& entry) { return entry.first == id; }),
                     m_handlers.end());
}

void Connection::Dispatch() {
    while (XPending(m_display) > 0) {
        XEvent event{};
        XNextEvent(m_display, &event);
        // A handler may add or remove handlers: walk a copy, skipping those gone meanwhile.
        std::vector<int> ids;
        ids.reserve(m_handlers.size());
        for (const auto& entry : m_handlers) {
            ids.push_back(entry.first);
        }
        for (int id : ids) {
            const auto handler = std::find_if(m_handlers.begin(), m_handlers.end(),
                                              [id](const auto& entry) { return entry.first == id; });
            if (handler == m_handlers.end()) {
                continue;
            }
            const Handler copy = handler->second;
            if (copy(event)) {
                break;
            }
        }
    }
}

void Connection::NoteQueuedEvents() {
    if (onEventsQueued && XEventsQueued(m_display, QueuedAlready) > 0) {
        onEventsQueued();
    }
}

bool Connection::WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        Dispatch();
        if (done()) {
            return true;
        }
        if (pumpOthers) {
            pumpOthers();
            Dispatch();
            if (done()) {
                return true;
            }
        }
        const auto now = Clock::now();
        if (now >= deadline) {
            return false;
        }
        auto slice = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        // The other toolkit's events arrive on another socket: look at them often.
        const auto most = std::chrono::milliseconds(pumpOthers ? 5 : 50);
        slice = std::min(slice, most);
        pollfd descriptor{FileDescriptor(), POLLIN, 0};
        XFlush(m_display);
        if (XEventsQueued(m_display, QueuedAfterFlush) == 0) {
            ::poll(&descriptor, 1, static_cast<int>(std::max<long long>(1, slice.count())));
        }
    }
}

std::uint32_t Connection::CurrentServerTime() {
    const XId property = Intern("_TW_TIMESTAMP");
    XChangeProperty(m_display, m_helper, property, XA_STRING, 8, PropModeAppend, nullptr, 0);
    std::uint32_t time = 0;
    bool seen = false;
    const int handler = AddHandler([&](XEvent& event) {
        if (event.type == PropertyNotify && event.xproperty.window == m_helper && event.xproperty.atom == property) {
            time = static_cast<std::uint32_t>(event.xproperty.time);
            seen = true;
            return true;
        }
        return false;
    });
    const auto saved = pumpOthers;
    pumpOthers = nullptr; // the answer comes from the server alone
    WaitFor([&] { return seen; }, std::chrono::milliseconds(2000));
    pumpOthers = saved;
    RemoveHandler(handler);
    return seen ? time : static_cast<std::uint32_t>(CurrentTime);
}

void Connection::RecordError(int code) noexcept {
    if (m_trapDepth > 0 && m_error == 0) {
        m_error = code;
    }
}

Connection::ErrorTrap::ErrorTrap(Connection& connection) : m_connection(connection), m_saved(0) {
    InstallErrorHandler();
    // Errors of requests made before the trap belong to the enclosing one (or to nobody).
    XSync(m_connection.m_display, False);
    m_saved = m_connection.m_error;
    m_connection.m_error = 0;
    ++m_connection.m_trapDepth;
}

Connection::ErrorTrap::~ErrorTrap() {
    XSync(m_connection.m_display, False);
    --m_connection.m_trapDepth;
    m_connection.m_error = m_connection.m_trapDepth > 0 ? m_saved : 0;
}

int Connection::ErrorTrap::Check() {
    XSync(m_connection.m_display, False);
    return m_connection.m_error;
}

std::string WindowTitle(Connection& connection, XId window) {
    Connection::ErrorTrap trap(connection);
    return ReadWindowTitle(connection.Display(), window);
}

bool ReadLongs(Connection& connection, XId window, XId property, XId type, std::vector<unsigned long>& out) {
    Connection::ErrorTrap trap(connection);
    ::Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(connection.Display(), window, property, 0, 65536, False, type, &actualType, &format, &count,
                           &after, &data) != Success ||
        data == nullptr) {
        return false;
    }
    const bool ok = actualType == type && format == 32;
    if (ok) {
        const auto* items = reinterpret_cast<const unsigned long*>(data);
        out.assign(items, items + count);
    }
    XFree(data);
    return ok && trap.Check() == 0;
}

bool QueryClient(Connection& connection, XId window, ClientId& client) {
    Display* display = connection.Display();
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (window == 0 || XResQueryExtension(display, &eventBase, &errorBase) == 0 ||
        XResQueryVersion(display, &major, &minor) == 0 || (major < 1 || (major == 1 && minor < 2))) {
        return false;
    }
    Connection::ErrorTrap trap(connection);
    XResClientIdSpec spec{};
    spec.client = window;
    spec.mask = XRES_CLIENT_ID_PID_MASK | XRES_CLIENT_ID_XID_MASK;
    long count = 0;
    XResClientIdValue* values = nullptr;
    bool found = false;
    client = ClientId{};
    if (XResQueryClientIds(display, 1, &spec, &count, &values) == Success && values != nullptr) {
        for (long i = 0; i < count; ++i) {
            if (XResGetClientIdType(&values[i]) == XRES_CLIENT_ID_PID) {
                const pid_t value = XResGetClientPid(&values[i]);
                if (value > 0) {
                    client.pid = value;
                }
            } else if (XResGetClientIdType(&values[i]) == XRES_CLIENT_ID_XID) {
                client.base = values[i].spec.client;
                found = true;
            }
        }
        XResClientIdsDestroy(count, values);
    }
    return trap.Check() == 0 && found;
}

bool ClientProcess(Connection& connection, XId window, std::int64_t& pid, bool trustedOnly) {
    ClientId client;
    if (QueryClient(connection, window, client) && client.pid > 0) {
        pid = client.pid;
        return true;
    }
    if (trustedOnly) {
        return false;
    }
    // Without the extension (or for a remote client) the window's own word, which it may forge.
    std::vector<unsigned long> value;
    if (ReadLongs(connection, window, connection.Intern("_NET_WM_PID"), XA_CARDINAL, value) && !value.empty() &&
        value[0] > 0) {
        pid = static_cast<std::int64_t>(value[0]);
        return true;
    }
    return false;
}

} // namespace Tarnwick::Platform::X11
