#include "platform/x11/WindowList.h"

#include <algorithm>
#include <cstring>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "base/text/Utf.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::Platform {
namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

// Returns the property's items (32-bit formats come back as longs).
bool ReadWindowProperty(Display* display, Window window, Atom property, Atom type,
                        std::vector<unsigned long>& out) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 65536, False, type, &actualType, &format, &count, &after,
                           &data) != Success ||
        data == nullptr) {
        return false;
    }
    const bool ok = actualType == type && format == 32;
    if (ok) {
        const auto* items = reinterpret_cast<const unsigned long*>(data);
        out.assign(items, items + count);
    }
    XFree(data);
    return ok;
}

bool HasProperty(Display* display, Window window, Atom property) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, window, property, 0, 0, False, AnyPropertyType, &actualType,
                                          &format, &count, &after, &data);
    if (data != nullptr) {
        XFree(data);
    }
    return status == Success && actualType != 0;
}


// A client window below this one (reparenting window managers put a frame in between).
bool FindClient(Display* display, Window window, Atom wmState, int depth, Window& client) {
    if (HasProperty(display, window, wmState)) {
        client = window;
        return true;
    }
    if (depth > 3) {
        return false;
    }
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) {
        return false;
    }
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i) {
        found = FindClient(display, children[i], wmState, depth + 1, client);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

class X11WindowList final : public IWindowList {
public:
    explicit X11WindowList(const char* displayName) : m_displayName(displayName ? displayName : "") {}

    std::vector<std::u16string> TopLevelWindowTitles() override {
        DisplayPtr display(XOpenDisplay(m_displayName.empty() ? nullptr : m_displayName.c_str()));
        if (!display) {
            throw Utilities::Exceptions::Exception(u"cannot open the X display", u"X11WindowList::TopLevelWindowTitles");
        }
        Display* d = display.get();
        const Window root = DefaultRootWindow(d);
        std::vector<Window> windows;
        std::vector<unsigned long> clients;
        if (ReadWindowProperty(d, root, XInternAtom(d, "_NET_CLIENT_LIST", False), XA_WINDOW, clients) &&
            !clients.empty()) {
            windows.assign(clients.begin(), clients.end());
        } else {
            CollectFromTree(d, root, windows);
        }
        std::vector<std::u16string> titles;
        for (Window window : windows) {
            std::string title = ReadWindowTitle(d, window);
            if (title.empty() || !Tarnwick::Text::IsValidUtf8(title)) {
                continue;
            }
            std::u16string text = Tarnwick::Text::FromUtf8(title);
            if (std::find(titles.begin(), titles.end(), text) == titles.end()) {
                titles.push_back(std::move(text));
            }
        }
        return titles;
    }

private:
    static void CollectFromTree(Display* d, Window root, std::vector<Window>& windows) {
        const Atom wmState = XInternAtom(d, "WM_STATE", False);
        Window rootReturn = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(d, root, &rootReturn, &parent, &children, &count) == 0) {
            throw Utilities::Exceptions::Exception(u"XQueryTree failed", u"X11WindowList::TopLevelWindowTitles");
        }
        std::vector<Window> viewable;
        for (unsigned int i = 0; i < count; ++i) {
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(d, children[i], &attributes) == 0 || attributes.map_state != IsViewable ||
                attributes.override_redirect) {
                continue;
            }
            viewable.push_back(children[i]);
            Window client = 0;
            if (FindClient(d, children[i], wmState, 0, client)) {
                windows.push_back(client);
            }
        }
        if (children != nullptr) {
            XFree(children);
        }
        if (windows.empty()) {
            windows = viewable; // no window manager: the mapped top-level windows themselves
        }
    }

    std::string m_displayName;
};

} // namespace

std::string ReadWindowTitle(Display* display, Window window) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, netName, 0, 4096, False, utf8, &actualType, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        std::string title;
        if (actualType == utf8 && format == 8) {
            title.assign(reinterpret_cast<const char*>(data), count);
        }
        XFree(data);
        if (!title.empty()) {
            return title;
        }
    }
    // WM_NAME may be Latin-1 (STRING) or compound text: let Xlib convert it.
    XTextProperty property{};
    if (XGetWMName(display, window, &property) == 0 || property.value == nullptr) {
        return {};
    }
    std::string title;
    char** list = nullptr;
    int items = 0;
    if (Xutf8TextPropertyToTextList(display, &property, &list, &items) >= Success && list != nullptr) {
        if (items > 0 && list[0] != nullptr) {
            title = list[0];
        }
        XFreeStringList(list);
    }
    XFree(property.value);
    return title;
}

std::unique_ptr<IWindowList> CreateX11WindowList(const char* displayName) {
    return std::make_unique<X11WindowList>(displayName);
}

} // namespace Tarnwick::Platform
