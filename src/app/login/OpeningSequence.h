#pragma once

#include <filesystem>
#include <string>

#include "database/CDatabase.h"
#include "model/PasswordData.h"
#include "options/Settings.h"

class QWidget;

namespace Tarnwick {

// What the main window contributes when a database is opened into it.
class IOpeningTarget {
public:
    virtual ~IOpeningTarget() = default;
    virtual QWidget& GetWindow() = 0;
    // The data model that receives the loaded folders and entries.
    virtual PasswordADT::PasswordData& GetPasswordData() = 0;
    // Start-up only: ribbon, message bar, status bar, navigation pane and context menus.
    // False after the failure was shown.
    virtual bool CreateInterface() = 0;
    // Rebuilds the auto-completion index and fills the folder tree and the entry list,
    // selecting the first folder below the root. False after the failure was shown.
    virtual bool FillViews() = 0;
};

enum class OpeningMode { StartUp, LoginAgain };

// Loads an authenticated database into the main window: the splash while it loads, the data,
// (at start-up) the window's interface, the views, then the window. When loading fails the
// window is asked to close (which ends the program). False when the sequence failed.
bool OpenDatabase(IOpeningTarget& target, OpeningMode mode, const std::filesystem::path& database,
                  const LoginCredentials& credentials);

// Log-in again from the running main window (after "Öffnen", "Abmelden", "Neu" or a recent
// database; the caller has closed the current database): the window is hidden and disabled,
// a new log-in dialog runs with the preset path, and after a log-in the database is opened and
// the window shown again; path and credentials then hold the new ones. Cancelling, or a
// failed opening, asks the window to close. True when a database is open again.
bool LoginAgain(IOpeningTarget& target, ApplicationSettings::Settings& settings, const std::u16string& presetPath,
                std::filesystem::path& currentPath, LoginCredentials& currentCredentials);

} // namespace Tarnwick
