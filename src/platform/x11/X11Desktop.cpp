#include "platform/x11/X11Desktop.h"

#include <cstdlib>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "base/text/Utf.h"
#include "base/exceptions/Exception.h"
#include "platform/x11/X11DesktopParts.h"

namespace Tarnwick::Platform {

using X11::Connection;
using Utilities::Exceptions::Exception;

namespace {

constexpr long kSourcePager = 2; // _NET_ACTIVE_WINDOW from a tool acting for the user

bool HasWmState(Connection& connection, Window window) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(connection.Display(), window, connection.Intern("WM_STATE"), 0, 0, False,
                                          AnyPropertyType, &actualType, &format, &count, &after, &data);
    if (data != nullptr) {
        XFree(data);
    }
    return status == Success && actualType != 0;
}

// The client window inside a top-level window (a window manager's frame holds it).
Window FindClient(Connection& connection, Window window, int depth) {
    if (HasWmState(connection, window)) {
        return window;
    }
    if (depth > 3) {
        return 0;
    }
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(connection.Display(), window, &root, &parent, &children, &count) == 0) {
        return 0;
    }
    Window found = 0;
    for (unsigned int i = count; i > 0 && found == 0; --i) {
        found = FindClient(connection, children[i - 1], depth + 1);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

// The window's ancestor that is a child of the root, or 0.
Window TopLevelOf(Connection& connection, Window window) {
    Window current = window;
    for (int guard = 0; guard < 64 && current != 0; ++guard) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(connection.Display(), current, &root, &parent, &children, &count) == 0) {
            return 0;
        }
        if (children != nullptr) {
            XFree(children);
        }
        if (parent == root || parent == 0) {
            return current == root ? 0 : current;
        }
        current = parent;
    }
    return 0;
}

} // namespace

std::shared_ptr<X11Desktop> X11Desktop::Open(const char* displayName) {
    std::unique_ptr<Connection> connection;
    try {
        connection = std::make_unique<Connection>(displayName);
    } catch (const Exception&) {
        return nullptr;
    }
    return std::shared_ptr<X11Desktop>(new X11Desktop(std::move(connection)));
}

X11Desktop::X11Desktop(std::unique_ptr<Connection> connection)
    : m_connection(std::move(connection)), m_keyboard(std::make_unique<Keyboard>(*m_connection)),
      m_selections(std::make_unique<Selections>(*m_connection)) {
    m_keyHandler = m_connection->AddHandler([this](XEvent& event) {
        if (event.type == KeyPress && event.xkey.window == m_connection->Root()) {
            OnKeyPress(&event);
            return true;
        }
        return false;
    });
}

X11Desktop::~X11Desktop() {
    for (const GrabbedKey& grab : m_grabs) {
        const unsigned numLock = m_keyboard->NumLockMask();
        for (unsigned extra : {0u, static_cast<unsigned>(LockMask), numLock, LockMask | numLock}) {
            XUngrabKey(m_connection->Display(), static_cast<int>(grab.keyCode), grab.mask | extra, m_connection->Root());
        }
    }
    m_grabs.clear();
    m_connection->RemoveHandler(m_keyHandler);
    m_selections.reset();
    m_keyboard.reset();
}

int X11Desktop::FileDescriptor() const { return m_connection->FileDescriptor(); }

void X11Desktop::ProcessEvents() { m_connection->Dispatch(); }

void X11Desktop::SetPumpOthers(std::function<void()> pump) { m_connection->pumpOthers = std::move(pump); }

void X11Desktop::SetOnEventsQueued(std::function<void()> notify) { m_connection->onEventsQueued = std::move(notify); }

bool X11Desktop::HasWindowManager() {
    std::vector<unsigned long> check;
    const Atom supporting = m_connection->Intern("_NET_SUPPORTING_WM_CHECK");
    if (!X11::ReadLongs(*m_connection, m_connection->Root(), supporting, XA_WINDOW, check) || check.empty() ||
        check[0] == 0) {
        return false;
    }
    std::vector<unsigned long> self;
    return X11::ReadLongs(*m_connection, check[0], supporting, XA_WINDOW, self) && !self.empty() && self[0] == check[0];
}

bool X11Desktop::ClaimSelection(const char* name) { return m_selections->Claim(name); }

// ---------------------------------------------------------------------------------------
// Windows

WindowId X11Desktop::ActiveWindow() {
    Connection& c = *m_connection;
    Connection::ErrorTrap trap(c);
    if (HasWindowManager()) {
        std::vector<unsigned long> active;
        if (X11::ReadLongs(c, c.Root(), c.Intern("_NET_ACTIVE_WINDOW"), XA_WINDOW, active) && !active.empty() &&
            active[0] != 0 && IsWindow(static_cast<WindowId>(active[0]))) {
            return static_cast<WindowId>(active[0]);
        }
    }
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(c.Display(), &focus, &revert);
    if (focus == None || focus == PointerRoot || focus == c.Root()) {
        Window root = 0;
        Window child = 0;
        int rootX = 0;
        int rootY = 0;
        int x = 0;
        int y = 0;
        unsigned int mask = 0;
        XQueryPointer(c.Display(), c.Root(), &root, &child, &rootX, &rootY, &x, &y, &mask);
        focus = child;
    }
    if (focus == 0) {
        return 0;
    }
    const Window top = TopLevelOf(c, focus);
    if (top == 0) {
        return 0;
    }
    const Window client = FindClient(c, top, 0);
    const WindowId result = static_cast<WindowId>(client != 0 ? client : top);
    return trap.Check() == 0 ? result : 0;
}

bool X11Desktop::IsWindow(WindowId window) {
    if (window == 0) {
        return false;
    }
    Connection::ErrorTrap trap(*m_connection);
    XWindowAttributes attributes{};
    const Status status = XGetWindowAttributes(m_connection->Display(), window, &attributes);
    return trap.Check() == 0 && status != 0;
}

std::u16string X11Desktop::Title(WindowId window) {
    const std::string title = X11::WindowTitle(*m_connection, window);
    return Text::FromUtf8(title);
}

std::optional<std::int64_t> X11Desktop::ProcessId(WindowId window) {
    std::int64_t pid = 0;
    if (X11::ClientProcess(*m_connection, window, pid)) {
        return pid;
    }
    return std::nullopt;
}

void X11Desktop::Activate(WindowId window, ServerTime userTime) {
    Connection& c = *m_connection;
    if (!IsWindow(window)) {
        throw Exception(u"the window is gone", u"X11Desktop::Activate");
    }
    if (HasInputFocus(window)) {
        return;
    }
    if (HasWindowManager()) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = c.Intern("_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = kSourcePager;
        event.xclient.data.l[1] = static_cast<long>(userTime);
        event.xclient.data.l[2] = 0;
        XSendEvent(c.Display(), c.Root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XFlush(c.Display());
        if (c.WaitFor([&] { return HasInputFocus(window); }, std::chrono::milliseconds(1000))) {
            return;
        }
    }
    // No window manager (or it would not do it): raise and focus it ourselves.
    Connection::ErrorTrap trap(c);
    XMapRaised(c.Display(), window);
    XSetInputFocus(c.Display(), window, RevertToParent, CurrentTime);
    if (trap.Check() != 0) {
        throw Exception(u"the window cannot take the focus", u"X11Desktop::Activate");
    }
    c.WaitFor([&] { return HasInputFocus(window); }, std::chrono::milliseconds(1000));
    c.NoteQueuedEvents();
}

PingResult X11Desktop::Ping(WindowId window, std::chrono::milliseconds timeout) {
    Connection& c = *m_connection;
    Display* display = c.Display();
    const Atom ping = c.Intern("_NET_WM_PING");
    const Atom protocols = c.Intern("WM_PROTOCOLS");
    bool supported = false;
    {
        Connection::ErrorTrap trap(c);
        Atom* list = nullptr;
        int count = 0;
        if (XGetWMProtocols(display, window, &list, &count) != 0 && list != nullptr) {
            for (int i = 0; i < count; ++i) {
                supported = supported || list[i] == ping;
            }
            XFree(list);
        }
        if (trap.Check() != 0) {
            supported = false;
        }
    }
    if (!supported) {
        return PingResult::NotSupported;
    }
    const std::uint32_t stamp = c.CurrentServerTime();
    bool answered = false;
    const int handler = c.AddHandler([&](XEvent& event) {
        if (event.type == ClientMessage && event.xclient.message_type == protocols &&
            static_cast<Atom>(event.xclient.data.l[0]) == ping &&
            static_cast<Window>(event.xclient.data.l[2]) == window &&
            static_cast<std::uint32_t>(event.xclient.data.l[1]) == stamp) {
            answered = true;
            return true;
        }
        return false;
    });
    // The answer goes to the root window for the window manager; we listen there meanwhile
    // (toolkits differ in the mask they send it with).
    XSelectInput(display, c.Root(), SubstructureNotifyMask | StructureNotifyMask);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping);
    event.xclient.data.l[1] = static_cast<long>(stamp);
    event.xclient.data.l[2] = static_cast<long>(window);
    {
        Connection::ErrorTrap trap(c);
        XSendEvent(display, window, False, NoEventMask, &event);
        trap.Check();
    }
    c.WaitFor([&] { return answered; }, timeout);
    XSelectInput(display, c.Root(), NoEventMask);
    XSync(display, False);
    c.RemoveHandler(handler);
    c.NoteQueuedEvents();
    return answered ? PingResult::Answered : PingResult::TimedOut;
}

bool X11Desktop::HasInputFocus(WindowId window) {
    Connection& c = *m_connection;
    Connection::ErrorTrap trap(c);
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(c.Display(), &focus, &revert);
    if (focus == None || focus == PointerRoot) {
        return false;
    }
    Window current = focus;
    for (int guard = 0; guard < 64 && current != 0 && current != c.Root(); ++guard) {
        if (current == window) {
            return trap.Check() == 0;
        }
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(c.Display(), current, &root, &parent, &children, &count) == 0) {
            return false;
        }
        if (children != nullptr) {
            XFree(children);
        }
        current = parent;
    }
    return false;
}

ScreenPoint X11Desktop::PointerPosition() {
    Connection& c = *m_connection;
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned int mask = 0;
    XQueryPointer(c.Display(), c.Root(), &root, &child, &rootX, &rootY, &x, &y, &mask);
    return ScreenPoint{rootX, rootY};
}

std::optional<ScreenRect> X11Desktop::CaretRectangle(WindowId window) {
    // Asking AT-SPI only makes sense when an accessibility bus announces itself; otherwise the
    // library would try to start one.
    Connection& c = *m_connection;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    bool bus = false;
    if (XGetWindowProperty(c.Display(), c.Root(), c.Intern("AT_SPI_BUS"), 0, 0, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) == Success) {
        bus = type != 0;
    }
    if (data != nullptr) {
        XFree(data);
    }
    if (!bus && std::getenv("AT_SPI_BUS_ADDRESS") == nullptr) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> pid = ProcessId(window);
    if (!pid) {
        return std::nullopt;
    }
    return AtSpiCaretOf(*pid);
}

void X11Desktop::SetWindowClass(WindowId window, std::string_view instance, std::string_view className) {
    std::string name(instance);
    std::string kind(className);
    XClassHint hint{};
    hint.res_name = name.data();
    hint.res_class = kind.data();
    Connection::ErrorTrap trap(*m_connection);
    XSetClassHint(m_connection->Display(), window, &hint);
    trap.Check();
}

void X11Desktop::Pause(std::chrono::milliseconds duration) {
    m_connection->WaitFor([] { return false; }, duration);
}

// ---------------------------------------------------------------------------------------
// Hot key

int X11Desktop::Grab(std::uint32_t keySym, unsigned modifiers) {
    Connection& c = *m_connection;
    const KeyCode keyCode = XKeysymToKeycode(c.Display(), keySym);
    if (keyCode == 0) {
        return kGrabFailed;
    }
    unsigned mask = 0;
    mask |= (modifiers & kHotKeyShift) != 0 ? ShiftMask : 0;
    mask |= (modifiers & kHotKeyControl) != 0 ? ControlMask : 0;
    mask |= (modifiers & kHotKeyAlt) != 0 ? Mod1Mask : 0;
    mask |= (modifiers & kHotKeySuper) != 0 ? m_keyboard->SuperMask() : 0;
    const unsigned numLock = m_keyboard->NumLockMask();
    const unsigned extras[] = {0u, static_cast<unsigned>(LockMask), numLock, LockMask | numLock};
    int error = 0;
    {
        Connection::ErrorTrap trap(c);
        for (unsigned extra : extras) {
            XGrabKey(c.Display(), keyCode, mask | extra, c.Root(), False, GrabModeAsync, GrabModeAsync);
        }
        error = trap.Check();
        if (error != 0) {
            for (unsigned extra : extras) {
                XUngrabKey(c.Display(), keyCode, mask | extra, c.Root());
            }
        }
    }
    c.NoteQueuedEvents();
    if (error != 0) {
        return error == BadAccess ? kGrabTaken : kGrabFailed;
    }
    std::erase_if(m_grabs, [&](const GrabbedKey& grab) { return grab.keyCode == keyCode && grab.mask == mask; });
    m_grabs.push_back(GrabbedKey{keySym, modifiers, keyCode, mask});
    return kGrabOk;
}

bool X11Desktop::Ungrab(std::uint32_t keySym, unsigned modifiers) {
    Connection& c = *m_connection;
    bool ok = true;
    for (auto grab = m_grabs.begin(); grab != m_grabs.end();) {
        if (grab->keySym != keySym || grab->modifiers != modifiers) {
            ++grab;
            continue;
        }
        const unsigned numLock = m_keyboard->NumLockMask();
        Connection::ErrorTrap trap(c);
        for (unsigned extra : {0u, static_cast<unsigned>(LockMask), numLock, LockMask | numLock}) {
            XUngrabKey(c.Display(), static_cast<int>(grab->keyCode), grab->mask | extra, c.Root());
        }
        ok = trap.Check() == 0 && ok;
        grab = m_grabs.erase(grab);
    }
    c.NoteQueuedEvents();
    return ok;
}

void X11Desktop::OnKeyPress(void* raw) {
    const XKeyEvent& key = static_cast<XEvent*>(raw)->xkey;
    const unsigned ignored = LockMask | m_keyboard->NumLockMask();
    const unsigned state = key.state & ~ignored & 0xFFu;
    for (const GrabbedKey& grab : m_grabs) {
        if (grab.keyCode == key.keycode && grab.mask == state) {
            // End the grab that the key press started, so that the window that opens next can
            // take the keyboard.
            XUngrabKeyboard(m_connection->Display(), key.time);
            XFlush(m_connection->Display());
            if (onPressed) {
                onPressed(grab.keySym, grab.modifiers, static_cast<ServerTime>(key.time));
            }
            return;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Keyboard and selections: in X11Keyboard.cpp and X11Selections.cpp

unsigned X11Desktop::KeyCodeFor(NamedKey key) { return m_keyboard->KeyCodeFor(key); }

void X11Desktop::SendKey(unsigned keyCode, bool press) { m_keyboard->SendKey(keyCode, press); }

std::vector<unsigned> X11Desktop::HeldModifierKeys() { return m_keyboard->HeldModifierKeys(); }

bool X11Desktop::IsCapsLockOn() { return m_keyboard->IsCapsLockOn(); }

void X11Desktop::RestoreKeyMap() noexcept { m_keyboard->RestoreKeyMap(); }

std::unique_ptr<IGuardedSelection> X11Desktop::Guard(bool primaryToo) { return m_selections->Guard(primaryToo); }

SelectionSnapshot X11Desktop::Capture(Selection selection, std::size_t maxBytes) {
    SelectionSnapshot snapshot = m_selections->Capture(selection, maxBytes);
    m_connection->NoteQueuedEvents();
    return snapshot;
}

void X11Desktop::Restore(Selection selection, SelectionSnapshot snapshot) {
    m_selections->Restore(selection, std::move(snapshot));
    m_connection->NoteQueuedEvents();
}

std::optional<ClipboardWatcher> X11Desktop::Watcher() { return m_selections->Watcher(); }

std::optional<std::int64_t> X11Desktop::OwnerProcess(Selection selection) {
    return m_selections->OwnerProcess(selection);
}

} // namespace Tarnwick::Platform
