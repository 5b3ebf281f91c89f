#include "app/SystemTrayIcon.h"

#include <QString>
#include <QWidget>

#include "app/ApplicationIcon.h"
#include "app/CommandBoundary.h"
#include "base/exceptions/Exception.h"
#include "uiext/QtText.h"

namespace Tarnwick {

namespace {

int g_availability = -1;

} // namespace

SystemTrayIcon::SystemTrayIcon(QObject* parent) : QObject(parent) {}

SystemTrayIcon::~SystemTrayIcon() = default;

bool SystemTrayIcon::IsAvailable() {
    if (g_availability >= 0) {
        return g_availability != 0;
    }
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTrayIcon::SetAvailabilityForTesting(int available) {
    g_availability = available;
}

void SystemTrayIcon::AddIcon(QWidget* window, const QIcon& icon, std::u16string_view balloonTitle,
                             std::u16string_view tip) {
    DeleteIcon();
    if (!IsAvailable()) {
        throw Utilities::Exceptions::WindowsException(u"no notification area", 0, u"Shell_NotifyIcon",
                                                      u"SystemTrayIcon::AddIcon");
    }
    auto created = std::make_unique<QSystemTrayIcon>();
    created->setIcon(icon.isNull() ? App::ApplicationIcon() : icon);
    if (!tip.empty()) {
        created->setToolTip(UiText::Q(tip).left(kTipLength));
    }
    connect(created.get(), &QSystemTrayIcon::activated, this, &SystemTrayIcon::Activated);
    created->show();
    m_icon = std::move(created);
    m_window = window;
    if (!balloonTitle.empty()) {
        const QString title = UiText::Q(balloonTitle).left(kBalloonTitleLength);
        const QString text = UiText::Q(kMinimisedText).left(kBalloonTextLength);
        if (icon.isNull()) {
            m_icon->showMessage(title, text, QSystemTrayIcon::Information);
        } else {
            m_icon->showMessage(title, text, icon);
        }
    }
}

void SystemTrayIcon::DeleteIcon() {
    if (m_icon == nullptr) {
        return;
    }
    m_icon->hide();
    m_icon.reset();
    m_window.clear();
}

bool MinimiseToTray(QWidget& window, SystemTrayIcon& tray) noexcept {
    if (!window.isVisible()) {
        return false;
    }
    try {
        tray.AddIcon(&window, App::ApplicationIcon(), App::kProductTitle, App::kProductTitle);
        window.showMinimized();
        window.hide();
        return true;
    } catch (...) {
        App::LogCurrentException();
    }
    return false;
}

void RestoreFromTray(QWidget& window, SystemTrayIcon& tray) noexcept {
    try {
        window.showNormal();
        window.raise();
        window.activateWindow();
        tray.DeleteIcon();
    } catch (...) {
        App::LogCurrentException();
    }
}

} // namespace Tarnwick
