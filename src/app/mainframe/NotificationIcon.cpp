#include "app/mainframe/NotificationIcon.h"

#include <QCursor>

namespace Tarnwick::MainFrame {

SystemTrayNotificationIcon::SystemTrayNotificationIcon(QIcon icon) {
    m_tray.setIcon(icon);
    connect(&m_tray, &QSystemTrayIcon::activated, this, &SystemTrayNotificationIcon::OnActivated);
}

bool SystemTrayNotificationIcon::Show(const QString& tip, const QString& balloonTitle, const QString& balloonText) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return false;
    }
    m_tray.setToolTip(tip);
    m_tray.show();
    if (!m_tray.isVisible()) {
        return false;
    }
    if (QSystemTrayIcon::supportsMessages()) {
        m_tray.showMessage(balloonTitle, balloonText, m_tray.icon(), 3000);
    }
    return true;
}

void SystemTrayNotificationIcon::Hide() { m_tray.hide(); }

void SystemTrayNotificationIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    if (!onActivated) {
        return;
    }
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        onActivated(Activation::DoubleClick, QCursor::pos());
        break;
    case QSystemTrayIcon::Trigger:
        onActivated(Activation::Click, QCursor::pos());
        break;
    case QSystemTrayIcon::Context:
        onActivated(Activation::Context, QCursor::pos());
        break;
    default:
        break;
    }
}

} // namespace Tarnwick::MainFrame
