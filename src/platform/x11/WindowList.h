#pragma once

#include <memory>
#include <string>
#include <vector>

struct _XDisplay;

namespace Tarnwick::Platform {

// A window's title: _NET_WM_NAME as UTF-8, else WM_NAME (Latin-1 or compound text) converted
// by Xlib; empty when it has none.
std::string ReadWindowTitle(_XDisplay* display, unsigned long window);

// The titles of the open top-level application windows, for choosing an auto-completion
// target. Failures throw Utilities::Exceptions::Exception.
class IWindowList {
public:
    virtual ~IWindowList() = default;
    virtual std::vector<std::u16string> TopLevelWindowTitles() = 0;
};

// The X11 list: the window manager's _NET_CLIENT_LIST, else the windows of the tree that
// carry WM_STATE, else (no window manager) the viewable children of the root. Titles are
// _NET_WM_NAME or WM_NAME converted to UTF-8, empty ones left out, each title once.
// displayName null: $DISPLAY.
std::unique_ptr<IWindowList> CreateX11WindowList(const char* displayName = nullptr);

} // namespace Tarnwick::Platform
