#pragma once

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

#include "app/mainframe/FrameServices.h"

namespace Tarnwick::MainFrame {

// The notification-area icon through Qt's system tray icon.
class SystemTrayNotificationIcon final : public QObject, public INotificationIcon {
    Q_OBJECT
public:
    explicit SystemTrayNotificationIcon(QIcon icon);

    bool Show(const QString& tip, const QString& balloonTitle, const QString& balloonText) override;
    void Hide() override;
    bool IsShown() const override { return m_tray.isVisible(); }

private:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon m_tray;
};

} // namespace Tarnwick::MainFrame
