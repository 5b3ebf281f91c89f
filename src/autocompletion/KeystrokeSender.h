#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "autocompletion/SequenceCodes.h"
#include "platform/x11/Desktop.h"

namespace Tarnwick::AutoCompletion {

// Waits the given time (the desktop's events are handled meanwhile).
using Pause = std::function<void(std::chrono::milliseconds)>;

// Synthesises the keys of a run: Tab, Enter and Space of the sequence, the paste keys, and
// Caps Lock. Modifiers it presses are released again on every path.
class KeystrokeSender {
public:
    // Bits of the shift state in the high byte of a key code.
    static constexpr std::uint16_t kShift = 1;
    static constexpr std::uint16_t kCtrl = 2;
    static constexpr std::uint16_t kAlt = 4;
    static constexpr std::uint16_t kNoKey = 0xFFFF;
    static constexpr std::chrono::milliseconds kDefaultDelay{15};

    // Virtual-key codes the sender knows.
    static constexpr std::uint8_t kVkTab = 0x09;
    static constexpr std::uint8_t kVkReturn = 0x0D;
    static constexpr std::uint8_t kVkShift = 0x10;
    static constexpr std::uint8_t kVkControl = 0x11;
    static constexpr std::uint8_t kVkMenu = 0x12;
    static constexpr std::uint8_t kVkCapital = 0x14;
    static constexpr std::uint8_t kVkSpace = 0x20;
    static constexpr std::uint8_t kVkInsert = 0x2D;
    static constexpr std::uint8_t kVkV = 0x56;

    KeystrokeSender(Platform::IKeyboardInput& keyboard, Pause pause);
    KeystrokeSender(const KeystrokeSender&) = delete;
    KeystrokeSender& operator=(const KeystrokeSender&) = delete;
    ~KeystrokeSender();

    // count presses of the virtual key; with delay, the pending (else the default) delay is
    // waited before each press.
    void KeyDown(std::uint8_t virtualKey, int count, bool alsoUp, bool delay);
    void KeyUp(std::uint8_t virtualKey);
    // keyCode: a virtual key in the low byte, a shift state in the high byte.
    void SendKey(SequenceCode keyCode, int count, bool alsoUp);
    // Releases the modifiers this sender pressed, unless they are held on purpose.
    void ReleaseModifiers();
    void PasteWithCtrlV();
    void PasteWithShiftInsert();
    void ToggleCapsLock();

    // The modifier keys the user still holds are released before a run and pressed again
    // after it, so that they do not change the keys sent.
    void ReleaseHeldModifiers();
    void RestoreHeldModifiers() noexcept;

    void SetPendingDelay(std::chrono::milliseconds delay) noexcept { m_pendingDelay = delay; }

private:
    unsigned KeyCode(std::uint8_t virtualKey);
    void ReleaseModifiersNoThrow() noexcept;

    Platform::IKeyboardInput& m_keyboard;
    Pause m_pause;
    bool m_holdModifiers = false;
    bool m_shiftDown = false;
    bool m_altDown = false;
    bool m_ctrlDown = false;
    bool m_winDown = false;
    std::chrono::milliseconds m_defaultDelay = kDefaultDelay;
    std::chrono::milliseconds m_pendingDelay{0};
    std::vector<unsigned> m_userModifiers;
};

} // namespace Tarnwick::AutoCompletion
