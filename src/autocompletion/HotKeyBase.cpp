#include "autocompletion/HotKeyBase.h"

#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::Core {

using Utilities::Exceptions::WindowsException;

HotKeyBase::HotKeyBase(Platform::IHotKeyGrabber* grabber, std::uint32_t modifiers, std::uint32_t virtualKey)
    : m_grabber(grabber), m_modifiers(modifiers), m_virtualKey(virtualKey) {}

HotKeyBase::~HotKeyBase() {
    if (!m_registered) {
        return;
    }
    try {
        UnregisterHotKey();
    } catch (const WindowsException& exception) {
        LogProvider::WindowsExceptionLog::LogEvent(exception);
    } catch (...) {
        LogProvider::LogCurrentException();
    }
}

std::uint32_t HotKeyBase::KeySymOf(std::uint32_t virtualKey) noexcept {
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        return virtualKey - 'A' + 'a'; // X names the key by its lower-case letter
    }
    if ((virtualKey >= '0' && virtualKey <= '9') || virtualKey == ' ') {
        return virtualKey;
    }
    if (virtualKey >= 0x70 && virtualKey <= 0x87) {
        return 0xFFBE + (virtualKey - 0x70); // F1 to F24
    }
    return 0;
}

int HotKeyBase::Grab(std::uint32_t virtualKey) {
    const std::uint32_t keySym = KeySymOf(virtualKey);
    if (m_grabber == nullptr || keySym == 0) {
        return Platform::kGrabFailed;
    }
    return m_grabber->Grab(keySym, m_modifiers);
}

void HotKeyBase::RegisterHotKey(std::uint32_t virtualKey) {
    const int result = Grab(virtualKey);
    if (result != Platform::kGrabOk) {
        throw WindowsException(u"", result, u"RegisterHotKey", u"HotKeyManager::RegisterHotKey");
    }
}

void HotKeyBase::RegisterHotKey() {
    RegisterHotKey(m_virtualKey);
    m_registered = true;
}

void HotKeyBase::UnregisterHotKey() {
    if (!m_registered) {
        return;
    }
    const std::uint32_t keySym = KeySymOf(m_virtualKey);
    if (m_grabber == nullptr || !m_grabber->Ungrab(keySym, m_modifiers)) {
        throw WindowsException(u"", Platform::kGrabFailed, u"UnregisterHotKey", u"HotKeyBase::UnregisterHotKey");
    }
    m_registered = false;
}

void HotKeyBase::ChangeHotKey(std::uint32_t virtualKey) {
    if (m_registered) {
        UnregisterHotKey();
    }
    RegisterHotKey(virtualKey);
    m_registered = true;
    m_virtualKey = virtualKey;
}

void HotKeyBase::ChangeHotKey(std::uint32_t virtualKey, std::uint32_t modifiers) {
    if (modifiers != m_modifiers) {
        // The old grab goes with the old modifiers.
        if (m_registered) {
            UnregisterHotKey();
        }
        m_modifiers = modifiers;
    }
    ChangeHotKey(virtualKey);
}

HotKeyBase::eHotKeyCheck HotKeyBase::CheckHotKeyRegistration(std::uint32_t virtualKey) {
    // Our own grab of the same combination would not conflict, so it says nothing about others.
    const int result = Grab(virtualKey);
    if (result == Platform::kGrabOk) {
        if (!(m_registered && virtualKey == m_virtualKey)) {
            m_grabber->Ungrab(KeySymOf(virtualKey), m_modifiers);
        }
        return HotKeyFree;
    }
    return result == Platform::kGrabTaken ? HotKeyAlreadyRegistered : HotKeyCheckFailed;
}

} // namespace Tarnwick::Core

namespace Tarnwick::SmartTag {

HotKeyManager::HotKeyManager(Platform::IHotKeyGrabber* grabber, std::uint32_t modifiers, std::uint32_t virtualKey,
                             ErrorSink showError)
    : HotKeyBase(grabber, modifiers, virtualKey), m_showError(std::move(showError)) {}

bool HotKeyManager::Guarded(std::u16string_view message, const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const Utilities::Exceptions::WindowsException& exception) {
        LogProvider::GenericExceptionLog::LogEvent(exception);
    } catch (const Utilities::Exceptions::Exception& exception) {
        LogProvider::GenericExceptionLog::LogEvent(exception);
    }
    if (m_showError) {
        m_showError(message);
    }
    return false;
}

bool HotKeyManager::Register() {
    return Guarded(kRegisterError, [this] { RegisterHotKey(); });
}

bool HotKeyManager::Unregister() {
    return Guarded(kUnregisterError, [this] { UnregisterHotKey(); });
}

bool HotKeyManager::Change(std::uint32_t virtualKey, std::uint32_t modifiers) {
    return Guarded(kChangeError, [&] { ChangeHotKey(virtualKey, modifiers); });
}

} // namespace Tarnwick::SmartTag
