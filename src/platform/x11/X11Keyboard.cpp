// Synthetic keys through XTest, looked up in the active keyboard layout.
#include <algorithm>
#include <chrono>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>

#include "base/exceptions/Exception.h"
#include "platform/x11/X11DesktopParts.h"

namespace Tarnwick::Platform {

using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;

namespace {

KeySym SymbolOf(NamedKey key) {
    switch (key) {
    case NamedKey::Tab:
        return XK_Tab;
    case NamedKey::Return:
        return XK_Return;
    case NamedKey::Space:
        return XK_space;
    case NamedKey::Insert:
        return XK_Insert;
    case NamedKey::Shift:
        return XK_Shift_L;
    case NamedKey::Control:
        return XK_Control_L;
    case NamedKey::Alt:
        return XK_Alt_L;
    case NamedKey::CapsLock:
        return XK_Caps_Lock;
    case NamedKey::LetterV:
        return XK_v;
    }
    return NoSymbol;
}

} // namespace

X11Desktop::Keyboard::Keyboard(X11::Connection& c) : connection(c) {
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    hasXTest = XTestQueryExtension(connection.Display(), &eventBase, &errorBase, &major, &minor) != 0;
    int xkbMajor = XkbMajorVersion;
    int xkbMinor = XkbMinorVersion;
    int opcode = 0;
    XkbQueryExtension(connection.Display(), &opcode, &eventBase, &errorBase, &xkbMajor, &xkbMinor);
}

X11Desktop::Keyboard::~Keyboard() { RestoreKeyMap(); }

unsigned X11Desktop::Keyboard::KeyCodeFor(NamedKey key) {
    Display* display = connection.Display();
    const KeySym symbol = SymbolOf(key);
    int minCode = 0;
    int maxCode = 0;
    XDisplayKeycodes(display, &minCode, &maxCode);
    // The layout may have changed since the last run (setxkbmap): read it afresh.
    XMappingEvent changed{};
    changed.type = MappingNotify;
    changed.display = display;
    changed.request = MappingKeyboard;
    changed.first_keycode = minCode;
    changed.count = maxCode - minCode + 1;
    XRefreshKeyboardMapping(&changed);
    if (key == NamedKey::LetterV) {
        // The key that gives "v" in the active group, so that Ctrl+V reaches the program as
        // its paste key on German, French and Dvorak layouts alike; else in another group.
        XkbStateRec state{};
        XkbGetState(display, XkbUseCoreKbd, &state);
        XkbDescPtr keyboard = XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
        if (keyboard == nullptr) {
            throw Exception(u"the keyboard map cannot be read", u"KeystrokeSender::KeyCodeFor");
        }
        const int active = state.group;
        unsigned found = 0;
        for (int pass = 0; pass < 2 && found == 0; ++pass) {
            for (int code = minCode; code <= maxCode && found == 0; ++code) {
                const int groups = XkbKeyNumGroups(keyboard, code);
                for (int group = 0; group < groups && found == 0; ++group) {
                    if ((pass == 0) != (group == active) || XkbKeyGroupWidth(keyboard, code, group) < 1) {
                        continue;
                    }
                    if (XkbKeySymEntry(keyboard, code, 0, group) == XK_v) {
                        found = static_cast<unsigned>(code);
                    }
                }
            }
        }
        XkbFreeKeyboard(keyboard, 0, True);
        return found != 0 ? found : Remap(XK_v);
    }
    const KeyCode code = XKeysymToKeycode(display, symbol);
    return code != 0 ? code : Remap(symbol);
}

unsigned X11Desktop::Keyboard::Remap(unsigned long keySym) {
    Display* display = connection.Display();
    int minCode = 0;
    int maxCode = 0;
    XDisplayKeycodes(display, &minCode, &maxCode);
    int perCode = 0;
    KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(minCode), maxCode - minCode + 1, &perCode);
    if (map == nullptr) {
        throw Exception(u"the keyboard map cannot be read", u"KeystrokeSender::KeyCodeFor");
    }
    int spare = 0;
    for (int code = maxCode; code >= minCode && spare == 0; --code) {
        const KeySym* symbols = map + static_cast<std::ptrdiff_t>(code - minCode) * perCode;
        if (std::all_of(symbols, symbols + perCode, [](KeySym s) { return s == NoSymbol; }) &&
            std::find(remapped.begin(), remapped.end(), static_cast<unsigned>(code)) == remapped.end()) {
            spare = code;
        }
    }
    XFree(map);
    if (spare == 0) {
        throw Exception(u"no key gives the symbol and none is spare", u"KeystrokeSender::KeyCodeFor");
    }
    KeySym symbols[2] = {keySym, keySym};
    KeySym lower = 0;
    KeySym upper = 0;
    XConvertCase(keySym, &lower, &upper);
    symbols[0] = lower;
    symbols[1] = upper;
    X11::Connection::ErrorTrap trap(connection);
    XChangeKeyboardMapping(display, spare, 2, symbols, 1);
    if (trap.Check() != 0) {
        throw Exception(u"the keyboard map cannot be changed", u"KeystrokeSender::KeyCodeFor");
    }
    remapped.push_back(static_cast<unsigned>(spare));
    // Programs read the new map only when they get the next key: give them time first.
    connection.WaitFor([] { return false; }, std::chrono::milliseconds(50));
    return static_cast<unsigned>(spare);
}

void X11Desktop::Keyboard::RestoreKeyMap() noexcept {
    if (remapped.empty()) {
        return;
    }
    Display* display = connection.Display();
    for (unsigned code : remapped) {
        KeySym none = NoSymbol;
        XChangeKeyboardMapping(display, static_cast<int>(code), 1, &none, 1);
    }
    remapped.clear();
    XSync(display, False);
}

void X11Desktop::Keyboard::SendKey(unsigned keyCode, bool press) {
    if (!hasXTest) {
        throw Exception(u"the X server has no XTest extension", u"KeystrokeSender::SendKeyEvent");
    }
    if (keyCode == 0) {
        throw Exception(u"no key", u"KeystrokeSender::SendKeyEvent");
    }
    X11::Connection::ErrorTrap trap(connection);
    XTestFakeKeyEvent(connection.Display(), keyCode, press ? True : False, CurrentTime);
    if (const int error = trap.Check(); error != 0) {
        throw WindowsException(u"", error, u"XTestFakeKeyEvent", u"KeystrokeSender::SendKeyEvent");
    }
}

unsigned X11Desktop::Keyboard::MaskOfKeySym(unsigned long keySym) {
    Display* display = connection.Display();
    const KeyCode code = XKeysymToKeycode(display, keySym);
    if (code == 0) {
        return 0;
    }
    XModifierKeymap* map = XGetModifierMapping(display);
    if (map == nullptr) {
        return 0;
    }
    unsigned mask = 0;
    for (int row = 0; row < 8; ++row) {
        for (int i = 0; i < map->max_keypermod; ++i) {
            if (map->modifiermap[row * map->max_keypermod + i] == code) {
                mask |= 1u << row;
            }
        }
    }
    XFreeModifiermap(map);
    return mask;
}

unsigned X11Desktop::Keyboard::NumLockMask() { return MaskOfKeySym(XK_Num_Lock); }

unsigned X11Desktop::Keyboard::SuperMask() {
    const unsigned mask = MaskOfKeySym(XK_Super_L) & ~static_cast<unsigned>(ShiftMask | LockMask | ControlMask);
    return mask != 0 ? mask : Mod4Mask;
}

std::vector<unsigned> X11Desktop::Keyboard::HeldModifierKeys() {
    Display* display = connection.Display();
    char keys[32] = {};
    XQueryKeymap(display, keys);
    XModifierKeymap* map = XGetModifierMapping(display);
    std::vector<unsigned> held;
    if (map == nullptr) {
        return held;
    }
    // Lock and Num Lock are states, not keys the user holds.
    const unsigned skip = LockMask | NumLockMask();
    for (int row = 0; row < 8; ++row) {
        if ((skip & (1u << row)) != 0) {
            continue;
        }
        for (int i = 0; i < map->max_keypermod; ++i) {
            const unsigned code = map->modifiermap[row * map->max_keypermod + i];
            if (code != 0 && (keys[code / 8] & (1 << (code % 8))) != 0 &&
                std::find(held.begin(), held.end(), code) == held.end()) {
                held.push_back(code);
            }
        }
    }
    XFreeModifiermap(map);
    return held;
}

bool X11Desktop::Keyboard::IsCapsLockOn() {
    XkbStateRec state{};
    if (XkbGetState(connection.Display(), XkbUseCoreKbd, &state) != Success) {
        return false;
    }
    return (state.locked_mods & LockMask) != 0;
}

} // namespace Tarnwick::Platform
