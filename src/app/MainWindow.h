#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include "database/CDatabase.h"
#include "options/Settings.h"

class QWidget;

namespace Tarnwick {

// Creates the main window after a successful log-in: the settings record (owned by the
// application object for the whole run), the database path and the accepted credentials.
// nullptr when the window could not be made (it has shown why); the program then ends.
using MainWindowFactory = std::function<std::unique_ptr<QWidget>(
    ApplicationSettings::Settings& settings, const std::filesystem::path& database, LoginCredentials credentials)>;

// What a main window may offer the application object besides being a widget. A window
// without it is minimised to the notification area and brought forward by the application.
class IMainWindow {
public:
    virtual ~IMainWindow() = default;
    // Hides the window into the notification area; false when it stayed as it was.
    virtual bool MinimiseToTray() = 0;
    // Another instance asked this one to come forward: restore from the notification area or
    // the task bar and activate. 0 when the window came forward.
    virtual int BringForward() = 0;
    // The first start's welcome in the message bar, with its button for a new entry.
    virtual void ShowWelcome() = 0;
    // A newer version exists: offer it in the message bar after a moment. Any thread.
    virtual void StartUpdateOfferTimer() = 0;
};

} // namespace Tarnwick
