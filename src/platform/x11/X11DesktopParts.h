#pragma once

// The parts of X11Desktop, each in a .cpp of its own. Only the platform's .cpp files include
// this header.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Desktop.h"

namespace Tarnwick::Platform {

struct X11Desktop::Keyboard {
    explicit Keyboard(X11::Connection& connection);
    ~Keyboard();
    Keyboard(const Keyboard&) = delete;
    Keyboard& operator=(const Keyboard&) = delete;

    unsigned KeyCodeFor(NamedKey key);
    void SendKey(unsigned keyCode, bool press);
    std::vector<unsigned> HeldModifierKeys();
    bool IsCapsLockOn();
    void RestoreKeyMap() noexcept;
    // Modifier masks of the keys that carry Num Lock and Super in the current map.
    unsigned NumLockMask();
    unsigned SuperMask();

    X11::Connection& connection;
    bool hasXTest = false;
    // Spare key codes mapped to a symbol for a run.
    std::vector<unsigned> remapped;

private:
    unsigned Remap(unsigned long keySym);
    unsigned MaskOfKeySym(unsigned long keySym);
};

struct X11Desktop::Selections {
    explicit Selections(X11::Connection& connection);
    ~Selections();
    Selections(const Selections&) = delete;
    Selections& operator=(const Selections&) = delete;

    std::unique_ptr<IGuardedSelection> Guard(bool primaryToo);
    SelectionSnapshot Capture(Selection selection, std::size_t maxBytes);
    void Restore(Selection selection, SelectionSnapshot snapshot);
    std::optional<ClipboardWatcher> Watcher();
    std::optional<std::int64_t> OwnerProcess(Selection selection);
    bool Claim(const char* name);

    X11::Connection& connection;

private:
    X11::XId SelectionAtom(Selection selection);
    bool OnHolderEvent(_XEvent& event);
    void EnsureHolder();

    // The window that owns restored contents and serves them to anyone.
    X11::XId m_holder = 0;
    int m_handler = 0;
    struct Held {
        SelectionSnapshot snapshot;
        unsigned long time = 0;
    };
    std::map<X11::XId, Held> m_held;
};

// The caret of the focused text control of the process, through AT-SPI, when an
// accessibility bus runs.
std::optional<ScreenRect> AtSpiCaretOf(std::int64_t processId);

} // namespace Tarnwick::Platform
