#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "crypto/SecureString.h"
#include "platform/x11/Desktop.h"

namespace Tarnwick::Clipboard {

// What every clipboard of the program offers.
class ClipboardBase {
public:
    virtual ~ClipboardBase() = default;
    // Takes whatever the clipboard holds away (only what this object put there).
    virtual void Clear() = 0;

    // A text naming the program that watches the clipboard (the owner of CLIPBOARD_MANAGER),
    // empty when none does: "Anwendung: ..." with its program, or "Titel: ..." when the
    // program cannot be read.
    static std::u16string GetListeningApplication(Platform::ISelectionService& selections);
};

// The clipboard during an auto-completion: a window of our own owns CLIPBOARD (and PRIMARY
// for Shift+Insert), so clipboard managers and other programs see no value, and each value is
// served once, to the target window's program only. The selections are given up when the
// object goes.
class SecureClipboard final : public ClipboardBase {
public:
    // Throws "Ungültiger Eigner." when the selections could not be taken.
    SecureClipboard(Platform::ISelectionService& selections, bool primaryToo);
    ~SecureClipboard() override;
    SecureClipboard(const SecureClipboard&) = delete;
    SecureClipboard& operator=(const SecureClipboard&) = delete;

    // The value for the target's next paste; the plain copy made for it is wiped at once.
    void CopySecureText(const StringServiceProvider::SecureString& value, Platform::WindowId target);
    // Waits until the target took the value.
    Platform::FetchResult WaitForFetch(std::chrono::milliseconds timeout);
    void Clear() override;
    bool OwnsClipboard();
    std::size_t RefusedRequests() const;

private:
    std::unique_ptr<Platform::IGuardedSelection> m_guard;
};

// The user's clipboard (and primary selection) before an auto-completion, every target up to
// 8 MiB each, put back afterwards. A copy marked as a secret by its owner is not kept.
class ClipboardBackup {
public:
    static constexpr std::size_t kMaxItemBytes = 0x800000;

    // Takes the backup when enabled; throws when an owner does not answer.
    ClipboardBackup(Platform::ISelectionService& selections, bool enabled, bool primaryToo);
    // Restores if that has not happened yet; never throws.
    ~ClipboardBackup();
    ClipboardBackup(const ClipboardBackup&) = delete;
    ClipboardBackup& operator=(const ClipboardBackup&) = delete;

    // Puts the saved contents back (once); an empty backup leaves the selection alone.
    void Restore();
    const Platform::SelectionSnapshot& Saved(Platform::Selection selection) const;

private:
    Platform::ISelectionService& m_selections;
    bool m_enabled;
    bool m_primaryToo;
    bool m_restored = false;
    Platform::SelectionSnapshot m_clipboard;
    Platform::SelectionSnapshot m_primary;
};

} // namespace Tarnwick::Clipboard
