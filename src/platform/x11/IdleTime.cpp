#include "platform/x11/IdleTime.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace Tarnwick::Platform {

namespace {

class X11IdleTimeSource final : public IIdleTimeSource {
public:
    X11IdleTimeSource(Display* display, XScreenSaverInfo* info) : m_display(display), m_info(info) {}
    X11IdleTimeSource(const X11IdleTimeSource&) = delete;
    X11IdleTimeSource& operator=(const X11IdleTimeSource&) = delete;
    ~X11IdleTimeSource() override {
        XFree(m_info);
        XCloseDisplay(m_display);
    }

    std::optional<std::uint64_t> IdleMilliseconds() override {
        if (XScreenSaverQueryInfo(m_display, DefaultRootWindow(m_display), m_info) == 0) {
            return std::nullopt;
        }
        return static_cast<std::uint64_t>(m_info->idle);
    }

private:
    Display* m_display;
    XScreenSaverInfo* m_info;
};

} // namespace

std::unique_ptr<IIdleTimeSource> CreateX11IdleTimeSource() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return nullptr;
    }
    int eventBase = 0;
    int errorBase = 0;
    XScreenSaverInfo* info = nullptr;
    if (XScreenSaverQueryExtension(display, &eventBase, &errorBase) == 0 || (info = XScreenSaverAllocInfo()) == nullptr) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::make_unique<X11IdleTimeSource>(display, info);
}

} // namespace Tarnwick::Platform
