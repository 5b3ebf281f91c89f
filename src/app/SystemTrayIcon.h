#pragma once

#include <memory>
#include <string_view>

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>

class QWidget;

namespace Tarnwick {

// The program's icon in the notification area, with its tip and the balloon that tells the
// user where the window went.
class SystemTrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr std::u16string_view kMinimisedText = u"Tarnwick wurde in den Infobereich minimiert.";
    // Lengths the notification fields hold (without a terminator).
    static constexpr int kBalloonTitleLength = 63;
    static constexpr int kBalloonTextLength = 255;
    static constexpr int kTipLength = 127;

    explicit SystemTrayIcon(QObject* parent = nullptr);
    ~SystemTrayIcon() override;

    // Replaces any icon already shown. Throws WindowsException (function "Shell_NotifyIcon",
    // context "SystemTrayIcon::AddIcon") when there is no notification area.
    void AddIcon(QWidget* window, const QIcon& icon, std::u16string_view balloonTitle, std::u16string_view tip);
    // Nothing happens when no icon is shown.
    void DeleteIcon();
    bool IsShown() const noexcept { return m_icon != nullptr; }
    // The shown icon (for its menu), or nullptr.
    QSystemTrayIcon* GetIcon() const noexcept { return m_icon.get(); }
    QWidget* GetWindow() const noexcept { return m_window.data(); }

    // Whether the platform has a notification area (tests replace the answer).
    static bool IsAvailable();
    static void SetAvailabilityForTesting(int available); // -1: ask the platform

signals:
    // Double click, click and context click on the icon.
    void Activated(QSystemTrayIcon::ActivationReason reason);

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
    QPointer<QWidget> m_window;
};

// Hides a visible window into the notification area: the icon with the product title as
// balloon title and tip, then minimised and hidden. A failure is logged and leaves the
// window as it was. True when the window went to the notification area.
bool MinimiseToTray(QWidget& window, SystemTrayIcon& tray) noexcept;
// Brings the window back from the notification area and removes the icon.
void RestoreFromTray(QWidget& window, SystemTrayIcon& tray) noexcept;

} // namespace Tarnwick
