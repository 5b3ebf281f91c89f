#pragma once

#include <functional>

#include "app/dialogs/MaintenanceHost.h"

class QWidget;

namespace Tarnwick::Dialogs {

// The database commands of the main window: reorganise (8003), change password (8004),
// properties (8005), delete (8007) and backup (8010). Each works through the window's
// session; the window only routes the command here.
class MaintenanceCommands final {
public:
    MaintenanceCommands(QWidget& parent, MaintenanceHost host);

    void Reorganise();
    void ChangePassword();
    void ShowProperties();
    void Backup();
    void DeleteDatabase();

    MaintenanceHost& Host() noexcept { return m_host; }
    // The clock of the backup's default name (seconds since 1970); the real one by default.
    std::function<std::int64_t()> now;

private:
    QWidget& m_parent;
    MaintenanceHost m_host;
};

} // namespace Tarnwick::Dialogs
