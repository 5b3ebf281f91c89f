#include "app/mainframe/NotificationIcon.h"

#include <QCursor>

#include "app/CommandBoundary.h"

namespace Tarnwick::MainFrame {

SystemTrayNotificationIcon::SystemTrayNotificationIcon(QIcon icon) : m_icon(std::move(icon)) {
    connect(&m_tray, &SystemTrayIcon::Activated, this, &SystemTrayNotificationIcon::OnActivated);
}

bool SystemTrayNotificationIcon::Show(const QString& tip, const QString& balloonTitle, const QString&) {
    try {
        m_tray.AddIcon(nullptr, m_icon, balloonTitle.toStdU16String(), tip.toStdU16String());
    } catch (...) {
        App::LogCurrentException();
        return false;
    }
    return m_tray.IsShown();
}

void SystemTrayNotificationIcon::Hide() { m_tray.DeleteIcon(); }

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
