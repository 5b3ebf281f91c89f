#pragma once

#include <functional>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <QObject>
#include <QTimer>

#include "app/mainframe/FrameServices.h"
#include "model/PasswordItem.h"

class QWidget;
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
    // The copy commands of the entry list (by command id) and of the information panel's two
    // lists; a missing field or history entry is shown to the user.
    void CopyField(const PasswordADT::PasswordItem& item, int command);
    void CopyUserField(const PasswordADT::PasswordItem* item, std::optional<std::size_t> field, bool name,
                       QWidget* parent);
    void CopyHistory(const PasswordADT::PasswordItem* item, std::optional<std::size_t> index, bool date,
                     QWidget* parent);
    void Clear();
    // Names the program that watches the clipboard, empty when none does. With the setting
    // "Warnen wenn Zwischenablage überwacht wird" a copy asks first while one does.
    void SetWatcherCheck(std::function<std::u16string()> check) { m_watcherCheck = std::move(check); }
    // Whether the clipboard still holds our copy; clearing leaves another program's data alone.
    void SetOwnerCheck(std::function<bool()> check) { m_ownerCheck = std::move(check); }
    // Timer 1: clears when the setting is at least one second.
    void OnTimer();
    bool IsTimerRunning() const { return m_timer.isActive(); }

private:
    void OnLost();

    ApplicationSettings::Settings& m_settings;
    std::shared_ptr<IFieldClipboard> m_clipboard;
    std::function<void(ClipboardKind)> m_showKind;
    std::function<std::u16string()> m_watcherCheck;
    std::function<bool()> m_ownerCheck;
    QTimer m_timer;
};

} // namespace Tarnwick::MainFrame
