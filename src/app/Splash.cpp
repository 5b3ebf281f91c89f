#include "app/Splash.h"

#include <QApplication>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include "app/ApplicationIcon.h"

namespace Tarnwick {

namespace {

constexpr int kWidth = 250;
constexpr int kHeight = 150;

QPixmap DrawSplash() {
    QPixmap pixmap(kWidth, kHeight);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(0, 0, 0, kHeight);
    background.setColorAt(0, QColor(0x25, 0x5c, 0xa8));
    background.setColorAt(1, QColor(0x10, 0x2f, 0x5e));
    painter.fillRect(pixmap.rect(), background);
    painter.setPen(QColor(0x7f, 0xa7, 0xdc));
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));

    App::ApplicationIcon().paint(&painter, QRect(18, 43, 64, 64));
    painter.setPen(Qt::white);
    QFont title = painter.font();
    title.setPixelSize(26);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRect(92, 42, 150, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tarnwick"));
    QFont year = title;
    year.setPixelSize(18);
    year.setBold(false);
    painter.setFont(year);
    painter.drawText(QRect(92, 74, 150, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("2010"));
    return pixmap;
}

} // namespace

SplashWnd::SplashWnd() : QSplashScreen(DrawSplash(), Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("tw:splash"));
    setCursor(Qt::ArrowCursor);
}

SplashFactory::~SplashFactory() {
    HideSplash(nullptr);
}

bool SplashFactory::ShowSplash() {
    if (m_window != nullptr) {
        return true;
    }
    auto* window = new SplashWnd;
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - window->rect().center());
    }
    window->show();
    if (!window->isVisible()) {
        delete window;
        return false;
    }
    m_window = window;
    // Painted now: the next moments of start-up do not return to the event loop.
    window->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return true;
}

bool SplashFactory::HideSplash(QWidget* activate) {
    if (m_window == nullptr) {
        return false;
    }
    SplashWnd* window = m_window.data();
    m_window.clear();
    window->close();
    QWidget* target = activate != nullptr ? activate : QApplication::activeWindow();
    if (target != nullptr && target->isVisible()) {
        target->raise();
        target->activateWindow();
    }
    return true;
}

bool SplashFactory::IsShown() const {
    return m_window != nullptr && m_window->isVisible();
}

std::unique_ptr<SplashFactory>& SplashFactory::Current() {
    static std::unique_ptr<SplashFactory> current;
    return current;
}

} // namespace Tarnwick
