#include "autocompletion/AutoCompletionExecutor.h"

#include <optional>

#include "autocompletion/SecureClipboard.h"
#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::AutoCompletion {

using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;

namespace {

constexpr std::int64_t kErrorTimeout = 1460; // the target did not answer in time

} // namespace

AutoCompletionExecutor::AutoCompletionExecutor(DesktopServices desktop, Platform::WindowId target,
                                               Platform::ServerTime userTime, const PasswordADT::PasswordItem& entry,
                                               const CodeList& codes)
    : m_desktop(desktop), m_target(target), m_userTime(userTime),
      m_sequence(codes, entry, target, desktop.windows, desktop.keyboard) {}

AutoCompletionExecutor::Outcome AutoCompletionExecutor::Execute(const MessageSink& show) {
    bool reachedEnd = false;
    try {
        // Shift+Insert pastes the primary selection: it is guarded and restored as well.
        const bool primaryToo = m_sequence.PasteMethod() == SequenceManager::kPasteShiftInsert;
        Clipboard::ClipboardBackup backup(m_desktop.selections, true, primaryToo);
        {
            Clipboard::SecureClipboard clipboard(m_desktop.selections, primaryToo);
            clipboard.Clear();
            ForceSetForegroundWindow();
            m_sequence.SendAutoCompletionSequence(clipboard);
        }
        // On the way out by an exception the backup's destructor restores instead.
        backup.Restore();
        reachedEnd = true;
    } catch (const WindowsException& exception) {
        LogProvider::WindowsExceptionLog::LogEvent(exception);
    } catch (const Exception& exception) {
        LogProvider::KelExceptionLog::LogEvent(exception);
    } catch (...) {
        LogProvider::LogCurrentException();
    }
    if (reachedEnd) {
        return Outcome::Completed;
    }
    if (m_busy) {
        if (show) {
            show(MessageKind::Warning, kTargetBusyMessage);
        }
        return Outcome::Busy;
    }
    if (show) {
        show(MessageKind::Error, kExecutionErrorMessage);
    }
    return Outcome::Failed;
}

void AutoCompletionExecutor::ForceSetForegroundWindow() {
    constexpr const char16_t* kTarget = u"AutoCompletionExecutor::ForceSetForegroundWindow";
    if (!m_desktop.windows.IsWindow(m_target)) {
        throw Exception(u"invalid target window", kTarget);
    }
    m_desktop.windows.Activate(m_target, m_userTime);
    WaitForWindowResponse();
    if (!m_desktop.windows.HasInputFocus(m_target)) {
        throw Exception(u"invalid target window check", kTarget);
    }
}

void AutoCompletionExecutor::WaitForWindowResponse() {
    m_busy = false;
    if (m_desktop.windows.Ping(m_target, kResponseTimeout) == Platform::PingResult::TimedOut) {
        m_busy = true;
        throw WindowsException(u"target window is busy", kErrorTimeout, u"SendMessageTimeout",
                               u"AutoCompletionExecutor::WaitForWindowResponse");
    }
}

} // namespace Tarnwick::AutoCompletion
