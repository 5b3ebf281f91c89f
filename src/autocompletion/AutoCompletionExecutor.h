#pragma once

#include <chrono>
#include <functional>
#include <string_view>

#include "autocompletion/SequenceCodes.h"
#include "autocompletion/SequenceManager.h"
#include "model/PasswordItem.h"
#include "platform/x11/Desktop.h"

namespace Tarnwick::AutoCompletion {

inline constexpr std::u16string_view kTargetBusyMessage =
    u"Die Zielanwendung ist ausgelastet. Versuchen Sie es später noch einmal.";
inline constexpr std::u16string_view kExecutionErrorMessage =
    u"Es ist ein Fehler beim Ausführen der Auto-Vervollständigung aufgetreten.";

enum class MessageKind { Warning, Error };
// Shows a message box of the given kind.
using MessageSink = std::function<void(MessageKind kind, std::u16string_view text)>;

// What the executor works with.
struct DesktopServices {
    Platform::IDesktopWindows& windows;
    Platform::IKeyboardInput& keyboard;
    Platform::ISelectionService& selections;
};

// One run of an entry's sequence against the target window: the user's clipboard is saved,
// the guarded clipboard takes over, the target comes to the front with the focus and the
// sequence is sent; the clipboard comes back on every path.
class AutoCompletionExecutor {
public:
    // How long the target may take to answer before it counts as busy.
    static constexpr std::chrono::milliseconds kResponseTimeout{1500};

    enum class Outcome { Completed, Busy, Failed };

    // userTime: the time of the user's request (the hot key), for the window manager.
    AutoCompletionExecutor(DesktopServices desktop, Platform::WindowId target, Platform::ServerTime userTime,
                           const PasswordADT::PasswordItem& entry, const CodeList& codes);

    // Runs the whole sequence; failures are logged and shown through the sink (the busy
    // warning for a target that does not answer, the general error for everything else).
    Outcome Execute(const MessageSink& show);

    // Brings the target to the front with the input focus; throws when it does not get it.
    void ForceSetForegroundWindow();
    // Throws, and marks the target busy, when it does not answer within the time-out.
    void WaitForWindowResponse();
    bool IsTargetBusy() const noexcept { return m_busy; }

private:
    DesktopServices m_desktop;
    Platform::WindowId m_target;
    Platform::ServerTime m_userTime;
    bool m_busy = false;
    SequenceManager m_sequence;
};

} // namespace Tarnwick::AutoCompletion
