#include "autocompletion/SequenceManager.h"

#include <cstddef>

#include "autocompletion/SecureClipboard.h"
#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::AutoCompletion {

using StringServiceProvider::SecureString;
using Utilities::Exceptions::Exception;

namespace {

constexpr const char16_t* kSendTarget = u"SequenceManager::SendAutoCompletionSequence";

} // namespace

SequenceManager::SequenceManager(const CodeList& codes, const PasswordADT::PasswordItem& entry,
                                 Platform::WindowId target, Platform::IDesktopWindows& windows,
                                 Platform::IKeyboardInput& keyboard)
    : m_codes(codes), m_entry(entry), m_target(target), m_pasteMethod(entry.GetPasteMethod()), m_windows(&windows),
      m_keyboard(&keyboard) {
    m_sender.emplace(keyboard, [&windows](std::chrono::milliseconds duration) { windows.Pause(duration); });
}

void SequenceManager::GetPasswordItemData(SequenceCode code, SecureString& value) const {
    switch (code) {
    case kCodeUserName:
        value.Assign(m_entry.GetUserName().View());
        break;
    case kCodePassword:
        // Copied through a plain buffer that wipes itself.
        value = m_entry.GetPassword();
        break;
    case kCodeMail:
        value.Assign(m_entry.GetEmail().View());
        break;
    default:
        throw Exception(u"unknown", u"SequenceManager::GetPasswordItemData");
    }
}

void SequenceManager::GetPasswordItemUdfData(SequenceCode code, SecureString& value) const {
    constexpr const char16_t* kTarget = u"SequenceManager::GetPasswordItemUdfData";
    if (code < kCodeFirstField || code > kCodeLastField) {
        throw Exception(u"invalid", kTarget);
    }
    value.Clear();
    const std::size_t number = static_cast<std::size_t>(code - kCodeFieldBase);
    const auto& fields = m_entry.GetUserDefinedFields();
    if (number > fields.Count()) {
        return; // the token sends nothing
    }
    std::size_t position = 1;
    for (const auto& field : fields) {
        if (position == number) {
            value.Assign(field.second.View());
            return;
        }
        ++position;
    }
    throw Exception(u"oor", kTarget);
}

void SequenceManager::RequireFocus() {
    if (!m_windows->HasInputFocus(m_target)) {
        throw Exception(u"the target window lost the input focus", kSendTarget);
    }
}

void SequenceManager::SendValue(const SecureString& value, Clipboard::SecureClipboard& clipboard) {
    if (value.IsEmpty()) {
        return; // nothing to paste (a field the entry does not have)
    }
    RequireFocus();
    clipboard.CopySecureText(value, m_target);
    m_windows->Pause(kPasteDelay);
    RequireFocus();
    if (m_pasteMethod == kPasteShiftInsert) {
        m_sender->PasteWithShiftInsert();
    } else {
        m_sender->PasteWithCtrlV();
    }
    switch (clipboard.WaitForFetch(kFetchTimeout)) {
    case Platform::FetchResult::Fetched:
        break;
    case Platform::FetchResult::TimedOut:
        throw Exception(u"the target did not fetch the value", kSendTarget);
    case Platform::FetchResult::Lost:
        throw Exception(u"another program took the clipboard", kSendTarget);
    }
    m_windows->Pause(kPasteDelay);
}

void SequenceManager::SendAutoCompletionSequence(Clipboard::SecureClipboard& clipboard) {
    if (!m_sender) {
        throw Exception(u"no target", kSendTarget);
    }
    m_browserMode = m_browserMode && m_pasteMethod == 0;
    if (m_codes.empty()) {
        throw Exception(u"", kSendTarget);
    }
    // What the user holds or has locked is put back however the run ends.
    struct KeyboardState {
        KeystrokeSender& sender;
        Platform::IKeyboardInput& keyboard;
        bool capsLock = false;
        ~KeyboardState() {
            if (capsLock) {
                try {
                    sender.ToggleCapsLock();
                } catch (...) {
                    LogProvider::LogCurrentException();
                }
            }
            sender.RestoreHeldModifiers();
            keyboard.RestoreKeyMap();
        }
    } state{*m_sender, *m_keyboard};
    m_sender->ReleaseHeldModifiers();
    if (m_keyboard->IsCapsLockOn()) {
        m_sender->ToggleCapsLock();
        state.capsLock = true;
    }
    for (const SequenceCode code : m_codes) {
        if (code >= kCodeFirstData) {
            SecureString value;
            if (code > kCodeFieldBase) {
                GetPasswordItemUdfData(code, value);
            } else {
                GetPasswordItemData(code, value);
            }
            SendValue(value, clipboard);
        } else {
            RequireFocus();
            m_sender->SendKey(code, 1, true);
        }
    }
    // The last value does not stay behind.
    clipboard.Clear();
}

} // namespace Tarnwick::AutoCompletion
