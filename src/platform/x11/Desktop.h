#pragma once

// The desktop as auto-completion, the hot key and the guarded clipboard see it: other
// programs' windows, synthetic keys, a global key grab and the X selections. Small interfaces
// so that the logic is tested with the fakes of FakeDesktop.h; X11Desktop is the real one.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/WipingAllocator.h"

namespace Tarnwick::Platform {

// An X window id; 0 is no window.
using WindowId = std::uint32_t;
// Milliseconds of the X server's clock, as events carry them; 0 is "now".
using ServerTime = std::uint32_t;

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Bytes that are wiped before their memory is released.
using WipedBytes = std::vector<char, CryptoServiceProvider::WipingAllocator<char>>;

enum class PingResult {
    Answered,
    TimedOut,     // the program did not answer in time: it is busy or hangs
    NotSupported, // the window does not take part in _NET_WM_PING
};

class IDesktopWindows {
public:
    virtual ~IDesktopWindows() = default;
    // The top-level window of the program in front (the window manager's active window, else
    // the focus window, else the window under the pointer); 0 when there is none.
    virtual WindowId ActiveWindow() = 0;
    virtual bool IsWindow(WindowId window) = 0;
    virtual std::u16string Title(WindowId window) = 0;
    // The process that created the window, when the server can tell.
    virtual std::optional<std::int64_t> ProcessId(WindowId window) = 0;
    // Brings the window to the front with the keyboard focus: through the window manager
    // (_NET_ACTIVE_WINDOW with the time of the user's request), else by raising it and
    // setting the focus. Throws when the window cannot take the focus.
    virtual void Activate(WindowId window, ServerTime userTime) = 0;
    virtual PingResult Ping(WindowId window, std::chrono::milliseconds timeout) = 0;
    // Whether keys typed now reach this window (or one inside it).
    virtual bool HasInputFocus(WindowId window) = 0;
    virtual ScreenPoint PointerPosition() = 0;
    // The text caret of the focused control in that window's program, in screen coordinates,
    // when the program tells it (AT-SPI).
    virtual std::optional<ScreenRect> CaretRectangle(WindowId window) = 0;
    // WM_CLASS, for windows made by the toolkit.
    virtual void SetWindowClass(WindowId window, std::string_view instance, std::string_view className) = 0;
    // Waits while the desktop's events are handled.
    virtual void Pause(std::chrono::milliseconds duration) = 0;
};

// Keys looked up in the active keyboard layout.
enum class NamedKey { Tab, Return, Space, Insert, Shift, Control, Alt, CapsLock, LetterV };

// Synthetic keyboard input. Failures throw Utilities::Exceptions::Exception.
class IKeyboardInput {
public:
    virtual ~IKeyboardInput() = default;
    // The key code that gives the key in the active layout. LetterV: the key that gives "v" in
    // the active group, else in any group, else a spare key code mapped to "v" until
    // RestoreKeyMap. Throws when there is none.
    virtual unsigned KeyCodeFor(NamedKey key) = 0;
    virtual void SendKey(unsigned keyCode, bool press) = 0;
    // Shift, Ctrl, Alt, Super and AltGr keys that are down now.
    virtual std::vector<unsigned> HeldModifierKeys() = 0;
    virtual bool IsCapsLockOn() = 0;
    // Undoes what KeyCodeFor remapped.
    virtual void RestoreKeyMap() noexcept = 0;
};

// The settings' modifier codes: 1 Alt, 2 Ctrl, 4 Shift, 8 Windows (Super) key.
enum HotKeyModifier : unsigned {
    kHotKeyAlt = 1,
    kHotKeyControl = 2,
    kHotKeyShift = 4,
    kHotKeySuper = 8,
};

// Result codes of a grab.
inline constexpr int kGrabOk = 0;
inline constexpr int kGrabTaken = 1409; // another program holds the combination
inline constexpr int kGrabFailed = -1;

// One global key combination, grabbed on the root window (with and without Caps Lock and
// Num Lock).
class IHotKeyGrabber {
public:
    virtual ~IHotKeyGrabber() = default;
    // kGrabOk, kGrabTaken, or kGrabFailed (no key gives the symbol, or another error).
    virtual int Grab(std::uint32_t keySym, unsigned modifiers) = 0;
    // False when the server refused.
    virtual bool Ungrab(std::uint32_t keySym, unsigned modifiers) = 0;
    // A grabbed combination was pressed; the keyboard is free again when it is called.
    std::function<void(std::uint32_t keySym, unsigned modifiers, ServerTime time)> onPressed;
};

enum class Selection { Clipboard, Primary };

// One target of a selection's content as its owner served it.
struct SelectionItem {
    std::string target; // e.g. "UTF8_STRING", "image/png"
    std::string type;   // the property type the owner answered with
    int format = 8;     // 8, 16 or 32
    WipedBytes data;    // format 32: 32-bit items
};

struct SelectionSnapshot {
    std::vector<SelectionItem> items;
    // The owner marked the content as a secret (x-kde-passwordManagerHint); nothing was kept.
    bool secret = false;
    // Targets left out because they were larger than the limit.
    std::size_t skipped = 0;
};

enum class FetchResult {
    Fetched,  // the target took the value
    TimedOut, // nobody took it in time
    Lost,     // another program took the selection over
};

// A selection owned by a window of our own that serves one value once, and only to the
// client of one target window: other clients get nothing, not even the list of targets.
class IGuardedSelection {
public:
    virtual ~IGuardedSelection() = default;
    virtual WindowId Window() const = 0;
    virtual bool OwnsSelections() = 0;
    // Copies the text (UTF-8); the copy is wiped when served, withdrawn or destroyed.
    virtual void Offer(std::string_view utf8, WindowId target) = 0;
    virtual FetchResult WaitForFetch(std::chrono::milliseconds timeout) = 0;
    virtual void Withdraw() noexcept = 0;
    // Requests refused to clients other than the target's.
    virtual std::size_t RefusedRequests() const = 0;
};

// The program that watches the clipboard (the owner of CLIPBOARD_MANAGER).
struct ClipboardWatcher {
    WindowId window = 0;
    std::optional<std::int64_t> processId;
    std::string program;     // the executable's path; empty when it cannot be read
    std::string title;       // the window's title, may be empty
    std::string windowClass; // WM_CLASS class, may be empty
};

class ISelectionService {
public:
    virtual ~ISelectionService() = default;
    // Takes CLIPBOARD (and PRIMARY when asked) with a new window of class "0xTWccbWnd".
    // Throws "Ungültiger Eigner." when the server did not make it the owner.
    virtual std::unique_ptr<IGuardedSelection> Guard(bool primaryToo) = 0;
    // Every target of the selection's current owner, each at most maxBytes. Empty when
    // nobody owns it. Throws when the owner does not answer.
    virtual SelectionSnapshot Capture(Selection selection, std::size_t maxBytes) = 0;
    // Owns the selection with the items and serves them until another program takes it.
    // An empty snapshot leaves the selection alone.
    virtual void Restore(Selection selection, SelectionSnapshot snapshot) = 0;
    virtual std::optional<ClipboardWatcher> Watcher() = 0;
    // The process whose client owns the selection now.
    virtual std::optional<std::int64_t> OwnerProcess(Selection selection) = 0;
};

} // namespace Tarnwick::Platform
