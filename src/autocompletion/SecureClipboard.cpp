#include "autocompletion/SecureClipboard.h"

#include <exception>
#include <string>

#include "base/text/Format.h"
#include "base/text/Utf.h"
#include "crypto/SecureWipe.h"
#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::Clipboard {

using Utilities::Exceptions::Exception;

std::u16string ClipboardBase::GetListeningApplication(Platform::ISelectionService& selections) {
    const std::optional<Platform::ClipboardWatcher> watcher = selections.Watcher();
    if (!watcher) {
        return {};
    }
    if (watcher->program.empty()) {
        std::string title = !watcher->title.empty() ? watcher->title : watcher->windowClass;
        if (title.empty()) {
            title = "unbekannt";
        }
        return std::u16string(
            Text::Format(u"Titel: %s\nAnwendung: unbekannt (kein Zugriff)", Text::FromUtf8(title)).View());
    }
    const std::size_t slash = watcher->program.find_last_of('/');
    const std::string name = slash == std::string::npos ? watcher->program : watcher->program.substr(slash + 1);
    // X11 has no version resource and Linux programs no Authenticode signature; the window
    // class is the nearest thing to a description.
    const std::u16string description =
        watcher->windowClass.empty() ? std::u16string(u"unbekannt") : Text::FromUtf8(watcher->windowClass);
    return std::u16string(Text::Format(u"Anwendung: %s\nBeschreibung: %s\n%s", Text::FromUtf8(name), description,
                                       u"Digitale Signatur: unbekannt")
                              .View());
}

SecureClipboard::SecureClipboard(Platform::ISelectionService& selections, bool primaryToo)
    : m_guard(selections.Guard(primaryToo)) {
    if (!m_guard || !m_guard->OwnsSelections()) {
        throw Exception(u"Ungültiger Eigner.", u"SecureClipboard::AssureClipboardOwner");
    }
}

SecureClipboard::~SecureClipboard() = default;

void SecureClipboard::CopySecureText(const StringServiceProvider::SecureString& value, Platform::WindowId target) {
    if (!m_guard->OwnsSelections()) {
        throw Exception(u"Ungültiger Eigner.", u"SecureClipboard::AssureClipboardOwner");
    }
    const StringServiceProvider::PlainString plain = value.Reveal();
    // Room for the longest UTF-8 form, so that the conversion never leaves a copy behind in a
    // block it gave up.
    std::string utf8;
    utf8.reserve(plain.Length() * 3 + 1);
    try {
        Text::AppendUtf8(plain.View(), utf8);
        m_guard->Offer(utf8, target);
    } catch (...) {
        CryptoServiceProvider::SecureWipe(utf8.data(), utf8.capacity());
        throw;
    }
    CryptoServiceProvider::SecureWipe(utf8.data(), utf8.capacity());
}

Platform::FetchResult SecureClipboard::WaitForFetch(std::chrono::milliseconds timeout) {
    return m_guard->WaitForFetch(timeout);
}

void SecureClipboard::Clear() { m_guard->Withdraw(); }

bool SecureClipboard::OwnsClipboard() { return m_guard->OwnsSelections(); }

std::size_t SecureClipboard::RefusedRequests() const { return m_guard->RefusedRequests(); }

ClipboardBackup::ClipboardBackup(Platform::ISelectionService& selections, bool enabled, bool primaryToo)
    : m_selections(selections), m_enabled(enabled), m_primaryToo(primaryToo) {
    if (!m_enabled) {
        return;
    }
    m_clipboard = m_selections.Capture(Platform::Selection::Clipboard, kMaxItemBytes);
    if (m_primaryToo) {
        m_primary = m_selections.Capture(Platform::Selection::Primary, kMaxItemBytes);
    }
}

ClipboardBackup::~ClipboardBackup() {
    if (!m_enabled || m_restored) {
        return;
    }
    try {
        Restore();
    } catch (const Utilities::Exceptions::Exception& exception) {
        LogProvider::GenericExceptionLog::LogEvent(exception);
    } catch (...) {
        LogProvider::LogCurrentException();
    }
}

void ClipboardBackup::Restore() {
    if (!m_enabled || m_restored) {
        return;
    }
    m_restored = true;
    // Both are put back even when the first fails; the first failure is reported.
    std::exception_ptr failure;
    try {
        m_selections.Restore(Platform::Selection::Clipboard, std::move(m_clipboard));
    } catch (...) {
        failure = std::current_exception();
    }
    if (m_primaryToo) {
        try {
            m_selections.Restore(Platform::Selection::Primary, std::move(m_primary));
        } catch (...) {
            if (!failure) {
                failure = std::current_exception();
            }
        }
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

const Platform::SelectionSnapshot& ClipboardBackup::Saved(Platform::Selection selection) const {
    return selection == Platform::Selection::Primary ? m_primary : m_clipboard;
}

} // namespace Tarnwick::Clipboard
