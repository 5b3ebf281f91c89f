#pragma once

#include <chrono>
#include <optional>

#include "autocompletion/KeystrokeSender.h"
#include "autocompletion/SequenceCodes.h"
#include "crypto/SecureString.h"
#include "model/PasswordItem.h"
#include "platform/x11/Desktop.h"

namespace Tarnwick::Clipboard {
class SecureClipboard;
}

namespace Tarnwick::AutoCompletion {

// Sends the codes of one entry's sequence into a target window. Holds the code list and the
// entry by reference for one run.
class SequenceManager {
public:
    // The paste method of an entry that pastes with Shift+Insert (the primary selection in
    // terminals); every other method pastes with Ctrl+V.
    static constexpr int kPasteShiftInsert = 2;
    static constexpr std::chrono::milliseconds kPasteDelay{50};
    // How long the target may take to fetch a pasted value.
    static constexpr std::chrono::milliseconds kFetchTimeout{3000};

    // Only the two lookups.
    SequenceManager(const CodeList& codes, const PasswordADT::PasswordItem& entry) noexcept
        : m_codes(codes), m_entry(entry) {}
    // For a run against the target window.
    SequenceManager(const CodeList& codes, const PasswordADT::PasswordItem& entry, Platform::WindowId target,
                    Platform::IDesktopWindows& windows, Platform::IKeyboardInput& keyboard);

    // 500 user name, 501 password, 502 e-mail; any other code throws "unknown".
    void GetPasswordItemData(SequenceCode code, StringServiceProvider::SecureString& value) const;
    // 601 to 700: the value of user-defined field code - 600, in stored order; a field the
    // entry does not have leaves the value empty. Codes outside that range throw "invalid".
    void GetPasswordItemUdfData(SequenceCode code, StringServiceProvider::SecureString& value) const;

    // Presses Tab, Enter and Space, and hands every value over through the guarded clipboard
    // followed by the entry's paste keys. Before each key and paste the target must still have
    // the input focus, and each value must be fetched before the next one is offered; any
    // failure throws. Caps Lock is off while keys are sent and the user's held modifiers are
    // released; both come back on every path.
    void SendAutoCompletionSequence(Clipboard::SecureClipboard& clipboard);

    const CodeList& Codes() const noexcept { return m_codes; }
    const PasswordADT::PasswordItem& Entry() const noexcept { return m_entry; }
    int PasteMethod() const noexcept { return m_pasteMethod; }

private:
    void RequireFocus();
    void SendValue(const StringServiceProvider::SecureString& value, Clipboard::SecureClipboard& clipboard);

    const CodeList& m_codes;
    const PasswordADT::PasswordItem& m_entry;
    Platform::WindowId m_target = 0;
    int m_pasteMethod = 0;
    // Browser form filling has no Linux counterpart: the automation would report that the
    // window cannot be automated, so keys are always used.
    bool m_browserMode = false;
    Platform::IDesktopWindows* m_windows = nullptr;
    Platform::IKeyboardInput* m_keyboard = nullptr;
    std::optional<KeystrokeSender> m_sender;
};

} // namespace Tarnwick::AutoCompletion
