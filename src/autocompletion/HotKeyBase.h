#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/x11/Desktop.h"

namespace Tarnwick::Core {

// One global hot key: a virtual key with the settings' modifier codes (1 Alt, 2 Ctrl,
// 4 Shift, 8 Windows key), grabbed through the desktop. Failures are WindowsExceptions that
// carry the grab's result code.
class HotKeyBase {
public:
    enum eHotKeyCheck : int {
        HotKeyFree = 0,
        HotKeyAlreadyRegistered = 1409,
        HotKeyNotRegistered = 1419,
        HotKeyCheckFailed = -1,
    };
    static constexpr int kHotKeyId = 1238;

    // grabber null: no desktop to grab on (every registration fails).
    HotKeyBase(Platform::IHotKeyGrabber* grabber, std::uint32_t modifiers, std::uint32_t virtualKey);
    // Gives the grab up; a failure is logged (a destructor cannot report it otherwise).
    virtual ~HotKeyBase();
    HotKeyBase(const HotKeyBase&) = delete;
    HotKeyBase& operator=(const HotKeyBase&) = delete;

    void RegisterHotKey();
    void UnregisterHotKey();
    // Registers the new key with the stored modifiers; on failure the old key stays stored.
    void ChangeHotKey(std::uint32_t virtualKey);
    void ChangeHotKey(std::uint32_t virtualKey, std::uint32_t modifiers);
    // Whether the combination with the stored modifiers could be registered now; a trial
    // grab is given up at once.
    eHotKeyCheck CheckHotKeyRegistration(std::uint32_t virtualKey);

    int GetHotKeyID() const noexcept { return kHotKeyId; }
    bool IsRegistered() const noexcept { return m_registered; }
    std::uint32_t GetModifiers() const noexcept { return m_modifiers; }
    std::uint32_t GetVirtualKey() const noexcept { return m_virtualKey; }

    // The X key symbol of a virtual key: letters, digits, Space and F1 to F24; 0 for others.
    static std::uint32_t KeySymOf(std::uint32_t virtualKey) noexcept;

protected:
    void RegisterHotKey(std::uint32_t virtualKey);
    Platform::IHotKeyGrabber* GetGrabber() const noexcept { return m_grabber; }
    void SetValidGrabber(Platform::IHotKeyGrabber* grabber) noexcept { m_grabber = grabber; }

private:
    // The grab's result: kGrabOk, kGrabTaken or kGrabFailed.
    int Grab(std::uint32_t virtualKey);

    Platform::IHotKeyGrabber* m_grabber;
    std::uint32_t m_modifiers;
    std::uint32_t m_virtualKey;
    bool m_registered = false;
};

} // namespace Tarnwick::Core

namespace Tarnwick::SmartTag {

inline constexpr std::u16string_view kRegisterError = u"Fehler beim Registrieren der Schnellzugriffstaste.";
inline constexpr std::u16string_view kUnregisterError = u"Fehler beim Deregistrieren der Schnellzugriffstaste.";
inline constexpr std::u16string_view kChangeError = u"Fehler beim Ändern der Schnellzugriffstaste.";

// The auto-completion hot key of the main window. Each wrapper logs a failure, shows its
// error box through the sink and returns false.
class HotKeyManager final : public Core::HotKeyBase {
public:
    using ErrorSink = std::function<void(std::u16string_view)>;

    HotKeyManager(Platform::IHotKeyGrabber* grabber, std::uint32_t modifiers, std::uint32_t virtualKey,
                  ErrorSink showError);

    bool Register();
    bool Unregister();
    bool Change(std::uint32_t virtualKey, std::uint32_t modifiers);

private:
    bool Guarded(std::u16string_view message, const std::function<void()>& work);

    ErrorSink m_showError;
};

} // namespace Tarnwick::SmartTag
