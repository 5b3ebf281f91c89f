#pragma once

#include <functional>
#include <memory>

#include "platform/x11/Desktop.h"

namespace Tarnwick::Platform {

namespace X11 {
class Connection;
}

// The desktop over one X connection of its own: window queries and activation, XTest keys,
// the global key grab, the guarded and the restored selections. Everything runs on the thread
// that made it; the owner calls ProcessEvents() when FileDescriptor() is readable and when
// onEventsQueued asks for it.
class X11Desktop final : public IDesktopWindows,
                         public IKeyboardInput,
                         public IHotKeyGrabber,
                         public ISelectionService {
public:
    // nullptr when there is no X display. displayName null: $DISPLAY.
    static std::shared_ptr<X11Desktop> Open(const char* displayName = nullptr);
    ~X11Desktop() override;
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    int FileDescriptor() const;
    void ProcessEvents();
    // Runs the program's own toolkit while a wait blocks (it may own a selection being read).
    void SetPumpOthers(std::function<void()> pump);
    void SetOnEventsQueued(std::function<void()> notify);
    // Whether a window manager (EWMH) runs.
    bool HasWindowManager();
    // Owns the named selection (e.g. "CLIPBOARD_MANAGER") with no content until another
    // program takes it; for playing another program in tests.
    bool ClaimSelection(const char* name);

    // IDesktopWindows
    WindowId ActiveWindow() override;
    bool IsWindow(WindowId window) override;
    std::u16string Title(WindowId window) override;
    std::optional<std::int64_t> ProcessId(WindowId window) override;
    void Activate(WindowId window, ServerTime userTime) override;
    PingResult Ping(WindowId window, std::chrono::milliseconds timeout) override;
    bool HasInputFocus(WindowId window) override;
    ScreenPoint PointerPosition() override;
    std::optional<ScreenRect> CaretRectangle(WindowId window) override;
    void SetWindowClass(WindowId window, std::string_view instance, std::string_view className) override;
    void Pause(std::chrono::milliseconds duration) override;

    // IKeyboardInput
    unsigned KeyCodeFor(NamedKey key) override;
    void SendKey(unsigned keyCode, bool press) override;
    std::vector<unsigned> HeldModifierKeys() override;
    bool IsCapsLockOn() override;
    void RestoreKeyMap() noexcept override;

    // IHotKeyGrabber
    int Grab(std::uint32_t keySym, unsigned modifiers) override;
    bool Ungrab(std::uint32_t keySym, unsigned modifiers) override;

    // ISelectionService
    std::unique_ptr<IGuardedSelection> Guard(bool primaryToo) override;
    SelectionSnapshot Capture(Selection selection, std::size_t maxBytes) override;
    void Restore(Selection selection, SelectionSnapshot snapshot) override;
    std::optional<ClipboardWatcher> Watcher() override;
    std::optional<std::int64_t> OwnerProcess(Selection selection) override;

    struct Keyboard;
    struct Selections;

private:
    explicit X11Desktop(std::unique_ptr<X11::Connection> connection);
    void OnKeyPress(void* event);

    std::unique_ptr<X11::Connection> m_connection;
    std::unique_ptr<Keyboard> m_keyboard;
    std::unique_ptr<Selections> m_selections;
    int m_keyHandler = 0;
    struct GrabbedKey {
        std::uint32_t keySym;
        unsigned modifiers;
        unsigned keyCode;
        unsigned mask;
    };
    std::vector<GrabbedKey> m_grabs;
};

} // namespace Tarnwick::Platform
