#include "app/mainframe/ApplicationIdleSource.h"

#include <QCoreApplication>
#include <QEvent>

namespace Tarnwick::MainFrame {

ApplicationIdleSource::ApplicationIdleSource() : m_lastInput(std::chrono::steady_clock::now()) {
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->installEventFilter(this);
    }
}

std::optional<std::uint64_t> ApplicationIdleSource::IdleMilliseconds() {
    const auto idle = std::chrono::steady_clock::now() - m_lastInput;
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(idle).count());
}

bool ApplicationIdleSource::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        m_lastInput = std::chrono::steady_clock::now();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace Tarnwick::MainFrame
