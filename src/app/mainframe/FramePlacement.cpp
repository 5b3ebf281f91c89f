#include "app/mainframe/FramePlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace Tarnwick::MainFrame {

void RestorePlacement(QWidget& window, const ApplicationSettings::Settings& settings) {
    if (!settings.saveMainWindowPosition || settings.mainBottom == -1) {
        return;
    }
    const QRect rect(QPoint(settings.mainLeft, settings.mainTop), QPoint(settings.mainRight - 1, settings.mainBottom - 1));
    if (rect.width() < 300 || rect.height() < 200) {
        return;
    }
    // A placement on a screen that is gone would put the window out of reach.
    bool visible = false;
    for (const QScreen* screen : QGuiApplication::screens()) {
        visible |= screen->availableGeometry().intersects(rect);
    }
    if (!visible) {
        return;
    }
    window.setGeometry(rect);
    if (settings.showCmd == 3) {
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    }
}

void StorePlacement(const QWidget& window, ApplicationSettings::Settings& settings) {
    const QRect rect = window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
    settings.mainLeft = rect.left();
    settings.mainTop = rect.top();
    settings.mainRight = rect.left() + rect.width();
    settings.mainBottom = rect.top() + rect.height();
    settings.showCmd = window.isMaximized() ? 3 : (window.isMinimized() ? 2 : 1);
    settings.placementFlags = 0;
}

} // namespace Tarnwick::MainFrame
