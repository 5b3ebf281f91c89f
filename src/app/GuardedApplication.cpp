#include "app/GuardedApplication.h"

#include "app/CommandBoundary.h"

namespace Tarnwick::App {

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        LogCurrentException();
    }
    return false;
}

} // namespace Tarnwick::App
