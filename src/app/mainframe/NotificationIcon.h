#pragma once

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

#include "app/SystemTrayIcon.h"
#include "app/mainframe/FrameServices.h"

namespace Tarnwick::MainFrame {

// The main window's side of the program's one notification-area icon.
class SystemTrayNotificationIcon final : public QObject, public INotificationIcon {
    Q_OBJECT
public:
    explicit SystemTrayNotificationIcon(QIcon icon);

    bool Show(const QString& tip, const QString& balloonTitle, const QString& balloonText) override;
    void Hide() override;
    bool IsShown() const override { return m_tray.IsShown(); }

private:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);

    QIcon m_icon;
    SystemTrayIcon m_tray;
};

} // namespace Tarnwick::MainFrame
