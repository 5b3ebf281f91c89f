// The X selections: a guarded owner that serves one value once to one client, the capture of
// another owner's content, and a holder that serves restored content until someone else
// takes the selection.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <string>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "base/text/Utf.h"
#include "crypto/SecureWipe.h"
#include "base/exceptions/Exception.h"
#include "platform/x11/SelectionData.h"
#include "platform/x11/SelectionSupport.h"
#include "platform/x11/X11DesktopParts.h"

namespace Tarnwick::Platform {

using X11::Connection;
using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;

namespace X11 {

void SendNotify(Display* display, const XSelectionRequestEvent& request, Atom property) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = display;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.property = property;
    reply.xselection.time = request.time;
    XSendEvent(display, request.requestor, False, NoEventMask, &reply);
    XFlush(display);
}

std::size_t MaxPropertyBytes(Display* display) {
    long units = XExtendedMaxRequestSize(display);
    if (units == 0) {
        units = XMaxRequestSize(display);
    }
    return static_cast<std::size_t>(units) * 4 - 64;
}

bool ToLatin1(std::string_view utf8, WipedBytes& out) {
    out.clear();
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t codePoint = 0;
        std::size_t length = 0;
        if (Text::DecodeUtf8Sequence(utf8.substr(i), codePoint, length) != Text::Utf8Sequence::Valid ||
            codePoint > 0xFF) {
            out.clear();
            return false;
        }
        out.push_back(static_cast<char>(codePoint));
        i += length;
    }
    return true;
}

void CloseOwnWindow(Connection& connection, Window& window, int& handler) noexcept {
    if (window != 0) {
        XDestroyWindow(connection.Display(), window);
        XSync(connection.Display(), False);
        window = 0;
    }
    if (handler != 0) {
        connection.RemoveHandler(handler);
        handler = 0;
    }
}

} // namespace X11

using X11::MaxPropertyBytes;
using X11::SendNotify;
using X11::ToLatin1;

namespace {

constexpr auto kAnswerTimeout = std::chrono::milliseconds(1500);
constexpr const char* kGuardClass = "0xTWccbWnd";

Window CreateOwnWindow(Connection& c, const char* title) {
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    Connection::ErrorTrap trap(c);
    const Window window = XCreateWindow(c.Display(), c.Root(), -10, -10, 1, 1, 0, CopyFromParent, InputOutput,
                                        CopyFromParent, CWEventMask, &attributes);
    if (trap.Check() != 0 || window == 0) {
        return 0;
    }
    XStoreName(c.Display(), window, title);
    std::string name(kGuardClass);
    std::string kind(kGuardClass);
    XClassHint hint{};
    hint.res_name = name.data();
    hint.res_class = kind.data();
    XSetClassHint(c.Display(), window, &hint);
    return window;
}

class GuardedSelection final : public IGuardedSelection {
public:
    GuardedSelection(Connection& c, bool primaryToo) : m_c(c) {
        Display* display = c.Display();
        m_window = CreateOwnWindow(c, "ccbWnd");
        if (m_window == 0) {
            throw Exception(u"", u"ClipboardChainBlockerWindow::Create");
        }
        m_handler = c.AddHandler([this](XEvent& event) { return OnEvent(event); });
        m_selections.push_back(c.Intern("CLIPBOARD"));
        if (primaryToo) {
            m_selections.push_back(XA_PRIMARY);
        }
        m_time = c.CurrentServerTime();
        for (Atom selection : m_selections) {
            XSetSelectionOwner(display, selection, m_window, m_time);
        }
        if (!OwnsSelections()) {
            Release();
            throw Exception(u"Ungültiger Eigner.", u"SecureClipboard::AssureClipboardOwner");
        }
    }

    ~GuardedSelection() override { Release(); }

    GuardedSelection(const GuardedSelection&) = delete;
    GuardedSelection& operator=(const GuardedSelection&) = delete;

    WindowId Window() const override { return static_cast<WindowId>(m_window); }

    bool OwnsSelections() override {
        if (m_window == 0) {
            return false;
        }
        for (Atom selection : m_selections) {
            if (XGetSelectionOwner(m_c.Display(), selection) != m_window) {
                return false;
            }
        }
        return !m_lost;
    }

    void Offer(std::string_view utf8, WindowId target) override {
        Withdraw();
        if (!X11::QueryClient(m_c, target, m_target)) {
            throw Exception(u"the target's client cannot be told", u"SecureClipboard::CopySecureText");
        }
        m_value.assign(utf8.begin(), utf8.end());
        m_hasValue = true;
        m_served = false;
    }

    FetchResult WaitForFetch(std::chrono::milliseconds timeout) override {
        m_c.WaitFor([this] { return m_served || m_lost; }, timeout);
        if (m_lost) {
            return FetchResult::Lost;
        }
        return m_served ? FetchResult::Fetched : FetchResult::TimedOut;
    }

    void Withdraw() noexcept override {
        m_value.clear();
        m_value.shrink_to_fit(); // the allocator wipes the block
        m_hasValue = false;
    }

    std::size_t RefusedRequests() const override { return m_refused; }

private:
    void Release() noexcept {
        Withdraw();
        if (m_window != 0) {
            Display* display = m_c.Display();
            for (Atom selection : m_selections) {
                if (XGetSelectionOwner(display, selection) == m_window) {
                    XSetSelectionOwner(display, selection, None, CurrentTime);
                }
            }
        }
        X11::CloseOwnWindow(m_c, m_window, m_handler);
    }

    bool OnEvent(XEvent& event) {
        if (event.type == SelectionRequest && event.xselectionrequest.owner == m_window) {
            Answer(event.xselectionrequest);
            return true;
        }
        if (event.type == SelectionClear && event.xselectionclear.window == m_window) {
            if (std::find(m_selections.begin(), m_selections.end(), event.xselectionclear.selection) !=
                m_selections.end()) {
                m_lost = true;
                Withdraw();
            }
            return true;
        }
        return event.type == PropertyNotify && event.xproperty.window == m_window;
    }

    bool Allowed(::Window requestor) {
        if (m_target.base == 0) {
            return false;
        }
        X11::ClientId client;
        if (!X11::QueryClient(m_c, requestor, client)) {
            return false;
        }
        return client.base == m_target.base || (client.pid != 0 && client.pid == m_target.pid);
    }

    void Answer(const XSelectionRequestEvent& request) {
        Display* display = m_c.Display();
        const Atom property = request.property != None ? request.property : request.target;
        const Atom utf8 = m_c.Intern("UTF8_STRING");
        const Atom textTargets[] = {utf8, m_c.Intern("text/plain;charset=utf-8"), m_c.Intern("text/plain"),
                                    m_c.Intern("TEXT")};
        Atom answered = None;
        if (!Allowed(request.requestor)) {
            ++m_refused;
        } else {
            Connection::ErrorTrap trap(m_c);
            if (request.target == m_c.Intern("TARGETS")) {
                std::vector<Atom> list{m_c.Intern("TARGETS"), m_c.Intern("TIMESTAMP")};
                if (m_hasValue && !m_served) {
                    list.insert(list.end(), std::begin(textTargets), std::end(textTargets));
                    list.push_back(XA_STRING);
                }
                XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(list.data()), static_cast<int>(list.size()));
                answered = property;
            } else if (request.target == m_c.Intern("TIMESTAMP")) {
                const long time = static_cast<long>(m_time);
                XChangeProperty(display, request.requestor, property, XA_INTEGER, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(&time), 1);
                answered = property;
            } else if (m_hasValue && !m_served) {
                const bool text = std::find(std::begin(textTargets), std::end(textTargets), request.target) !=
                                  std::end(textTargets);
                WipedBytes latin1;
                if (text) {
                    // TEXT lets the owner choose the type; plain text targets answer in their own.
                    const Atom type = request.target == m_c.Intern("TEXT") ? utf8 : request.target;
                    XChangeProperty(display, request.requestor, property, type, 8, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(m_value.data()),
                                    static_cast<int>(m_value.size()));
                    answered = property;
                } else if (request.target == XA_STRING &&
                           ToLatin1(std::string_view(m_value.data(), m_value.size()), latin1)) {
                    XChangeProperty(display, request.requestor, property, XA_STRING, 8, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(latin1.data()),
                                    static_cast<int>(latin1.size()));
                    answered = property;
                }
                if (answered != None) {
                    // Once only: the value is gone from here as soon as it is on its way.
                    m_served = true;
                    Withdraw();
                }
            }
            if (trap.Check() != 0) {
                answered = None;
            }
        }
        SendNotify(display, request, answered);
    }

    Connection& m_c;
    ::Window m_window = 0;
    int m_handler = 0;
    unsigned long m_time = 0;
    std::vector<Atom> m_selections;
    WipedBytes m_value;
    bool m_hasValue = false;
    bool m_served = false;
    bool m_lost = false;
    X11::ClientId m_target;
    std::size_t m_refused = 0;
};

// The pieces of a converted property on our window, each read and deleted as it comes and
// wiped and freed when the next one replaces it.
class WindowPropertySource final : public X11::IPropertySource {
public:
    WindowPropertySource(Connection& c, ::Window window, Atom property, bool& newValue, std::size_t maxBytes)
        : m_c(c), m_window(window), m_property(property), m_newValue(newValue), m_maxBytes(maxBytes) {}
    ~WindowPropertySource() override { Release(); }
    WindowPropertySource(const WindowPropertySource&) = delete;
    WindowPropertySource& operator=(const WindowPropertySource&) = delete;

    // No piece is read beyond the limit: an owner may have put any amount into the property.
    bool First(X11::PropertyPiece& piece) override { return Fetch(piece, Units()); }
    bool Next(X11::PropertyPiece& piece) override {
        m_newValue = false;
        if (!m_c.WaitFor([this] { return m_newValue; }, kAnswerTimeout)) {
            return false;
        }
        return Fetch(piece, Units());
    }

private:
    bool Fetch(X11::PropertyPiece& piece, long units) {
        Release();
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(m_c.Display(), m_window, m_property, 0, units, True, AnyPropertyType, &type, &format,
                               &count, &after, &data) != Success) {
            return false;
        }
        m_data = data;
        m_format = format;
        m_count = count;
        piece.type = type != None ? m_c.AtomName(type) : std::string();
        piece.format = format;
        piece.data = data;
        piece.count = count;
        piece.after = after;
        return true;
    }
    long Units() const { return static_cast<long>(std::min<std::size_t>(m_maxBytes / 4 + 1, LONG_MAX / 8)); }
    void Release() noexcept {
        if (m_data != nullptr) {
            CryptoServiceProvider::SecureWipe(m_data, X11::PropertyBytes(m_format, m_count));
            XFree(m_data);
            m_data = nullptr;
        }
    }

    Connection& m_c;
    ::Window m_window;
    Atom m_property;
    bool& m_newValue;
    std::size_t m_maxBytes;
    unsigned char* m_data = nullptr;
    int m_format = 0;
    unsigned long m_count = 0;
};

} // namespace

X11Desktop::Selections::Selections(Connection& c) : connection(c) {}

X11Desktop::Selections::~Selections() {
    m_held.clear();
    if (m_holder != 0) {
        XDestroyWindow(connection.Display(), m_holder);
        XSync(connection.Display(), False);
    }
    if (m_handler != 0) {
        connection.RemoveHandler(m_handler);
    }
}

X11::XId X11Desktop::Selections::SelectionAtom(Selection selection) {
    return selection == Selection::Primary ? XA_PRIMARY : connection.Intern("CLIPBOARD");
}

std::unique_ptr<IGuardedSelection> X11Desktop::Selections::Guard(bool primaryToo) {
    return std::make_unique<GuardedSelection>(connection, primaryToo);
}

SelectionSnapshot X11Desktop::Selections::Capture(Selection which, std::size_t maxBytes) {
    Display* display = connection.Display();
    const Atom selection = SelectionAtom(which);
    SelectionSnapshot snapshot;
    const ::Window owner = XGetSelectionOwner(display, selection);
    if (owner == None) {
        return snapshot;
    }
    if (owner == m_holder) {
        const auto held = m_held.find(selection);
        if (held != m_held.end()) {
            return held->second.snapshot;
        }
        return snapshot;
    }
    const ::Window window = CreateOwnWindow(connection, "ccbBackup");
    if (window == 0) {
        throw Exception(u"", u"ClipboardBackup::OpenClipboard");
    }
    const Atom property = connection.Intern("_TW_BACKUP");
    bool notified = false;
    bool newValue = false;
    Atom answer = None;
    const int handler = connection.AddHandler([&](XEvent& event) {
        if (event.type == SelectionNotify && event.xselection.requestor == window) {
            notified = true;
            answer = event.xselection.property;
            return true;
        }
        if (event.type == PropertyNotify && event.xproperty.window == window) {
            if (event.xproperty.atom == property && event.xproperty.state == PropertyNewValue) {
                newValue = true;
            }
            return true;
        }
        return false;
    });
    struct Cleanup {
        Connection& c;
        ::Window window;
        int handler;
        ~Cleanup() {
            XDestroyWindow(c.Display(), window);
            XSync(c.Display(), False);
            c.RemoveHandler(handler);
        }
    } cleanup{connection, window, handler};

    const unsigned long time = connection.CurrentServerTime();
    // Asks the owner for one target; false when it refused or did not answer.
    auto convert = [&](std::uint32_t target, SelectionItem& item, bool& tooLarge) {
        notified = false;
        answer = None;
        XDeleteProperty(display, window, property);
        XConvertSelection(display, selection, target, property, window, time);
        XFlush(display);
        if (!connection.WaitFor([&] { return notified; }, kAnswerTimeout)) {
            throw WindowsException(u"the clipboard owner does not answer", 0, u"OpenClilboard",
                                   u"ClipboardBackup::OpenClipboard");
        }
        if (answer == None) {
            return false;
        }
        WindowPropertySource source(connection, window, property, newValue, maxBytes);
        return X11::ReadProperty(source, item, maxBytes, tooLarge);
    };
    return X11::CaptureTargets(
        convert, [&](std::uint32_t atom) { return connection.AtomName(atom); },
        static_cast<std::uint32_t>(connection.Intern("TARGETS")),
        static_cast<std::uint32_t>(connection.Intern(X11::kSecretHintTarget.data())));
}

void X11Desktop::Selections::EnsureHolder() {
    if (m_holder != 0) {
        return;
    }
    m_holder = CreateOwnWindow(connection, "ccbRestore");
    if (m_holder == 0) {
        throw Exception(u"", u"ClipboardChainBlockerWindow::Create");
    }
    m_handler = connection.AddHandler([this](XEvent& event) { return OnHolderEvent(event); });
}

void X11Desktop::Selections::Restore(Selection which, SelectionSnapshot snapshot) {
    if (snapshot.items.empty()) {
        return; // nothing was there: the selection stays as it is
    }
    EnsureHolder();
    Display* display = connection.Display();
    const Atom selection = SelectionAtom(which);
    const unsigned long time = connection.CurrentServerTime();
    m_held[selection] = Held{std::move(snapshot), time};
    XSetSelectionOwner(display, selection, m_holder, time);
    if (XGetSelectionOwner(display, selection) != m_holder) {
        m_held.erase(selection);
        throw WindowsException(u"", 0, u"SetClipboardData", u"ClipboardBackup::Restore");
    }
}

bool X11Desktop::Selections::Claim(const char* name) {
    EnsureHolder();
    Display* display = connection.Display();
    const Atom selection = connection.Intern(name);
    const unsigned long time = connection.CurrentServerTime();
    m_held[selection] = Held{SelectionSnapshot{}, time};
    XSetSelectionOwner(display, selection, m_holder, time);
    return XGetSelectionOwner(display, selection) == m_holder;
}

bool X11Desktop::Selections::OnHolderEvent(XEvent& event) {
    Display* display = connection.Display();
    if (event.type == SelectionClear && event.xselectionclear.window == m_holder) {
        m_held.erase(event.xselectionclear.selection);
        return true;
    }
    if (event.type != SelectionRequest || event.xselectionrequest.owner != m_holder) {
        return event.type == PropertyNotify && event.xproperty.window == m_holder;
    }
    const XSelectionRequestEvent& request = event.xselectionrequest;
    const Atom property = request.property != None ? request.property : request.target;
    Atom answered = None;
    const auto held = m_held.find(request.selection);
    if (held != m_held.end()) {
        Connection::ErrorTrap trap(connection);
        const SelectionSnapshot& snapshot = held->second.snapshot;
        if (request.target == connection.Intern("TARGETS")) {
            std::vector<Atom> list{connection.Intern("TARGETS"), connection.Intern("TIMESTAMP")};
            for (const SelectionItem& item : snapshot.items) {
                list.push_back(connection.Intern(item.target.c_str()));
            }
            XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(list.data()), static_cast<int>(list.size()));
            answered = property;
        } else if (request.target == connection.Intern("TIMESTAMP")) {
            const long time = static_cast<long>(held->second.time);
            XChangeProperty(display, request.requestor, property, XA_INTEGER, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&time), 1);
            answered = property;
        } else {
            const std::string target = connection.AtomName(request.target);
            for (const SelectionItem& item : snapshot.items) {
                if (item.target != target || item.data.size() > MaxPropertyBytes(display)) {
                    continue;
                }
                const Atom type = connection.Intern(item.type.c_str());
                if (item.format == 32) {
                    int count = 0;
                    const WipedBytes values = X11::WidenedItems(item.data, count);
                    XChangeProperty(display, request.requestor, property, type, 32, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(values.data()), count);
                } else {
                    const int unit = item.format == 16 ? 2 : 1;
                    XChangeProperty(display, request.requestor, property, type, item.format, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(item.data.data()),
                                    static_cast<int>(item.data.size() / unit));
                }
                answered = property;
                break;
            }
        }
        if (trap.Check() != 0) {
            answered = None;
        }
    }
    SendNotify(display, request, answered);
    return true;
}

std::optional<ClipboardWatcher> X11Desktop::Selections::Watcher() {
    Display* display = connection.Display();
    const ::Window owner = XGetSelectionOwner(display, connection.Intern("CLIPBOARD_MANAGER"));
    if (owner == None) {
        return std::nullopt;
    }
    ClipboardWatcher watcher;
    watcher.window = static_cast<WindowId>(owner);
    std::int64_t pid = 0;
    if (X11::ClientProcess(connection, owner, pid)) {
        watcher.processId = pid;
        const std::string link = "/proc/" + std::to_string(pid) + "/exe";
        char path[4096];
        const ssize_t length = ::readlink(link.c_str(), path, sizeof(path) - 1);
        if (length > 0) {
            watcher.program.assign(path, static_cast<std::size_t>(length));
        }
    }
    watcher.title = X11::WindowTitle(connection, owner);
    Connection::ErrorTrap trap(connection);
    XClassHint hint{};
    if (XGetClassHint(display, owner, &hint) != 0) {
        if (hint.res_class != nullptr) {
            watcher.windowClass = hint.res_class;
            XFree(hint.res_class);
        }
        if (hint.res_name != nullptr) {
            XFree(hint.res_name);
        }
    }
    return watcher;
}

std::optional<std::int64_t> X11Desktop::Selections::OwnerProcess(Selection which) {
    const ::Window owner = XGetSelectionOwner(connection.Display(), SelectionAtom(which));
    if (owner == None) {
        return std::nullopt;
    }
    std::int64_t pid = 0;
    if (X11::ClientProcess(connection, owner, pid, true)) {
        return pid;
    }
    return std::nullopt;
}

} // namespace Tarnwick::Platform
