#include "autocompletion/KeystrokeSender.h"

#include <utility>

#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::AutoCompletion {

using Platform::NamedKey;
using Utilities::Exceptions::Exception;

KeystrokeSender::KeystrokeSender(Platform::IKeyboardInput& keyboard, Pause pause)
    : m_keyboard(keyboard), m_pause(std::move(pause)) {}

KeystrokeSender::~KeystrokeSender() {
    m_holdModifiers = false;
    ReleaseModifiersNoThrow();
}

unsigned KeystrokeSender::KeyCode(std::uint8_t virtualKey) {
    NamedKey key{};
    switch (virtualKey) {
    case kVkTab:
        key = NamedKey::Tab;
        break;
    case kVkReturn:
        key = NamedKey::Return;
        break;
    case kVkSpace:
        key = NamedKey::Space;
        break;
    case kVkShift:
        key = NamedKey::Shift;
        break;
    case kVkControl:
        key = NamedKey::Control;
        break;
    case kVkMenu:
        key = NamedKey::Alt;
        break;
    case kVkCapital:
        key = NamedKey::CapsLock;
        break;
    case kVkInsert:
        key = NamedKey::Insert;
        break;
    case kVkV:
        key = NamedKey::LetterV;
        break;
    default:
        throw Exception(u"unknown key", u"KeystrokeSender::SendKey");
    }
    return m_keyboard.KeyCodeFor(key);
}

void KeystrokeSender::KeyDown(std::uint8_t virtualKey, int count, bool alsoUp, bool delay) {
    const unsigned code = KeyCode(virtualKey);
    for (int i = 0; i < count; ++i) {
        if (delay) {
            const auto wait = m_pendingDelay.count() == 0 ? m_defaultDelay : m_pendingDelay;
            if (wait.count() != 0 && m_pause) {
                m_pause(wait);
            }
            m_pendingDelay = std::chrono::milliseconds(0);
        }
        m_keyboard.SendKey(code, true);
        if (alsoUp) {
            m_keyboard.SendKey(code, false);
        }
    }
}

void KeystrokeSender::KeyUp(std::uint8_t virtualKey) { m_keyboard.SendKey(KeyCode(virtualKey), false); }

void KeystrokeSender::SendKey(SequenceCode keyCode, int count, bool alsoUp) {
    const auto virtualKey = static_cast<std::uint8_t>(keyCode & 0xFF);
    const auto shiftState = static_cast<std::uint16_t>(keyCode >> 8);
    // Modifiers named by the key code are pressed for it alone.
    std::vector<std::uint8_t> pressed;
    try {
        static constexpr std::pair<std::uint16_t, std::uint8_t> kModifiers[] = {
            {kShift, kVkShift}, {kCtrl, kVkControl}, {kAlt, kVkMenu}};
        for (const auto& [bit, modifier] : kModifiers) {
            if ((shiftState & bit) != 0) {
                KeyDown(modifier, 1, false, false);
                pressed.push_back(modifier);
            }
        }
        KeyDown(virtualKey, count, alsoUp, true);
    } catch (...) {
        for (std::uint8_t modifier : pressed) {
            try {
                KeyUp(modifier);
            } catch (...) {
                // The first failure is the one reported.
            }
        }
        throw;
    }
    for (std::uint8_t modifier : pressed) {
        KeyUp(modifier);
    }
}

void KeystrokeSender::ReleaseModifiers() {
    if (m_holdModifiers) {
        return;
    }
    const bool shift = m_shiftDown;
    const bool ctrl = m_ctrlDown;
    const bool alt = m_altDown;
    m_shiftDown = m_ctrlDown = m_altDown = m_winDown = false;
    if (shift) {
        KeyUp(kVkShift);
    }
    if (ctrl) {
        KeyUp(kVkControl);
    }
    if (alt) {
        KeyUp(kVkMenu);
    }
}

void KeystrokeSender::ReleaseModifiersNoThrow() noexcept {
    try {
        ReleaseModifiers();
    } catch (...) {
        LogProvider::LogCurrentException();
    }
}

void KeystrokeSender::PasteWithCtrlV() {
    m_holdModifiers = false;
    m_ctrlDown = true;
    m_shiftDown = m_altDown = m_winDown = false;
    try {
        KeyDown(kVkControl, 1, false, false);
        SendKey(kVkV, 1, true);
    } catch (...) {
        ReleaseModifiersNoThrow();
        throw;
    }
    ReleaseModifiers();
}

void KeystrokeSender::PasteWithShiftInsert() {
    m_holdModifiers = false;
    m_shiftDown = true;
    m_ctrlDown = m_altDown = m_winDown = false;
    try {
        KeyDown(kVkShift, 1, false, false);
        SendKey(kVkInsert, 1, true);
    } catch (...) {
        ReleaseModifiersNoThrow();
        throw;
    }
    ReleaseModifiers();
}

void KeystrokeSender::ToggleCapsLock() {
    m_holdModifiers = true;
    try {
        KeyDown(kVkCapital, 1, true, true);
    } catch (...) {
        m_holdModifiers = false;
        throw;
    }
    m_holdModifiers = false;
    ReleaseModifiers();
}

void KeystrokeSender::ReleaseHeldModifiers() {
    m_userModifiers = m_keyboard.HeldModifierKeys();
    for (unsigned code : m_userModifiers) {
        m_keyboard.SendKey(code, false);
    }
}

void KeystrokeSender::RestoreHeldModifiers() noexcept {
    for (unsigned code : m_userModifiers) {
        try {
            m_keyboard.SendKey(code, true);
        } catch (...) {
            LogProvider::LogCurrentException();
        }
    }
    m_userModifiers.clear();
}

} // namespace Tarnwick::AutoCompletion
