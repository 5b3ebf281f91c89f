#pragma once

#include <QApplication>

namespace Tarnwick::App {

// The process's QApplication. Every command catches its own exceptions; anything that still
// reaches the event loop is logged here and goes no further (Qt cannot unwind through it).
class GuardedApplication : public QApplication {
    Q_OBJECT
public:
    GuardedApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace Tarnwick::App
