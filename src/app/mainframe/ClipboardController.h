#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include <QObject>
#include <QTimer>

#include "app/mainframe/FrameServices.h"
#include "options/Settings.h"

namespace Tarnwick::MainFrame {

// The copy commands' side of the clipboard: puts a field on it, tells the status bar what it
// holds, and clears it after the set time (timer 1, restarted by every copy), on request, or
// forgets it when another program took the clipboard over. Failures are exceptions.
class ClipboardController final : public QObject {
    Q_OBJECT
public:
    static constexpr int kClearTimer = 1;

    ClipboardController(ApplicationSettings::Settings& settings, std::shared_ptr<IFieldClipboard> clipboard,
                        std::function<void(ClipboardKind)> showKind, QObject* parent = nullptr);
    ~ClipboardController() override;

    void Copy(std::u16string_view text, ClipboardKind kind);
    void Clear();
    // Timer 1: clears when the setting is at least one second.
    void OnTimer();
    bool IsTimerRunning() const { return m_timer.isActive(); }

private:
    void OnLost();

    ApplicationSettings::Settings& m_settings;
    std::shared_ptr<IFieldClipboard> m_clipboard;
    std::function<void(ClipboardKind)> m_showKind;
    QTimer m_timer;
};

} // namespace Tarnwick::MainFrame
