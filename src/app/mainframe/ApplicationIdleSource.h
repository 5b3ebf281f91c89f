#pragma once

#include <chrono>

#include <QObject>

#include "platform/x11/IdleTime.h"

namespace Tarnwick::MainFrame {

// Idle time from the input this program itself receives: the stand-in where the display
// offers no idle counter (Wayland, no screen-saver extension).
class ApplicationIdleSource final : public QObject, public Platform::IIdleTimeSource {
    Q_OBJECT
public:
    ApplicationIdleSource();

    std::optional<std::uint64_t> IdleMilliseconds() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::chrono::steady_clock::time_point m_lastInput;
};

} // namespace Tarnwick::MainFrame
