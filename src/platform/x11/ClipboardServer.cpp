#include "platform/x11/ClipboardServer.h"
#include "platform/x11/SelectionSupport.h"

#include <algorithm>
#include <string_view>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "base/text/Utf.h"

namespace Tarnwick::Platform {

namespace {

constexpr const char* kSecretHint = "x-kde-passwordManagerHint";
constexpr char kSecret[] = "secret";

} // namespace

ClipboardServer::ClipboardServer(X11::Connection& connection) : m_c(connection) {}

ClipboardServer::~ClipboardServer() { Release(); }

bool ClipboardServer::Take(WipedBytes text) {
    Release();
    m_lost = false;
    m_text = std::move(text);
    m_fitsLatin1 = X11::ToLatin1(std::string_view(m_text.data(), m_text.size()), m_latin1);
    Display* display = m_c.Display();
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    {
        X11::Connection::ErrorTrap trap(m_c);
        m_window = XCreateWindow(display, m_c.Root(), -10, -10, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent,
                                 CWEventMask, &attributes);
        if (trap.Check() != 0) {
            m_window = 0;
        }
    }
    if (m_window == 0) {
        Wipe();
        return false;
    }
    XStoreName(display, m_window, "twcli-clip");
    m_handler = m_c.AddHandler([this](XEvent& event) { return OnEvent(event); });
    m_clipboard = m_c.Intern("CLIPBOARD");
    // A real time stamp: with it, giving the clipboard up later cannot touch a newer owner's.
    m_time = m_c.CurrentServerTime();
    XSetSelectionOwner(display, m_clipboard, m_window, m_time);
    if (XGetSelectionOwner(display, m_clipboard) != m_window) {
        Release();
        return false;
    }
    return true;
}

bool ClipboardServer::Serve(std::chrono::milliseconds timeout, const std::function<bool()>& stop) {
    m_c.WaitFor([&] { return m_lost || (stop && stop()); }, timeout);
    return m_lost;
}

void ClipboardServer::Release() noexcept {
    Wipe();
    if (m_window != 0) {
        Display* display = m_c.Display();
        // The server ignores this when someone took the clipboard after m_time, so another
        // program's copy stays even if it came in just now.
        if (!m_lost) {
            XSetSelectionOwner(display, m_clipboard, None, m_time);
        }
    }
    X11::CloseOwnWindow(m_c, m_window, m_handler);
}

void ClipboardServer::Wipe() noexcept {
    // The allocator wipes the blocks as they go.
    m_text.clear();
    m_text.shrink_to_fit();
    m_latin1.clear();
    m_latin1.shrink_to_fit();
    m_fitsLatin1 = false;
}

bool ClipboardServer::OnEvent(XEvent& event) {
    if (m_window == 0) {
        return false;
    }
    if (event.type == SelectionRequest && event.xselectionrequest.owner == m_window) {
        Answer(event);
        return true;
    }
    if (event.type == SelectionClear && event.xselectionclear.window == m_window) {
        if (event.xselectionclear.selection == m_clipboard) {
            m_lost = true;
            Wipe();
        }
        return true;
    }
    return event.type == PropertyNotify && event.xproperty.window == m_window;
}

void ClipboardServer::Answer(XEvent& event) {
    const XSelectionRequestEvent& request = event.xselectionrequest;
    Display* display = m_c.Display();
    const Atom property = request.property != None ? request.property : request.target;
    const Atom utf8 = m_c.Intern("UTF8_STRING");
    const Atom hint = m_c.Intern(kSecretHint);
    const Atom textTargets[] = {utf8, m_c.Intern("text/plain;charset=utf-8"), m_c.Intern("text/plain"),
                                m_c.Intern("TEXT")};
    const auto change = [&](Atom type, int format, const void* data, std::size_t count) {
        XChangeProperty(display, request.requestor, property, type, format, PropModeReplace,
                        static_cast<const unsigned char*>(data), static_cast<int>(count));
    };
    Atom answered = None;
    if (request.selection == m_clipboard && !m_lost) {
        X11::Connection::ErrorTrap trap(m_c);
        const bool fits = m_text.size() <= X11::MaxPropertyBytes(display);
        if (request.target == m_c.Intern("TARGETS")) {
            std::vector<Atom> list{m_c.Intern("TARGETS"), m_c.Intern("TIMESTAMP")};
            list.insert(list.end(), std::begin(textTargets), std::end(textTargets));
            if (m_fitsLatin1) {
                list.push_back(XA_STRING);
            }
            list.push_back(hint);
            change(XA_ATOM, 32, list.data(), list.size());
            answered = property;
        } else if (request.target == m_c.Intern("TIMESTAMP")) {
            const long time = static_cast<long>(m_time);
            change(XA_INTEGER, 32, &time, 1);
            answered = property;
        } else if (request.target == hint) {
            change(hint, 8, kSecret, sizeof(kSecret) - 1);
            answered = property;
        } else if (std::find(std::begin(textTargets), std::end(textTargets), request.target) !=
                       std::end(textTargets) &&
                   fits) {
            // TEXT lets the owner choose the type; the other text targets answer in their own.
            change(request.target == m_c.Intern("TEXT") ? utf8 : request.target, 8, m_text.data(), m_text.size());
            answered = property;
        } else if (request.target == XA_STRING && m_fitsLatin1 && fits) {
            change(XA_STRING, 8, m_latin1.data(), m_latin1.size());
            answered = property;
        }
        if (trap.Check() != 0) {
            answered = None;
        }
    }
    X11::SendNotify(display, request, answered);
}

} // namespace Tarnwick::Platform
