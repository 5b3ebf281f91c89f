#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include "app/session/DatabaseSession.h"
#include "database/CDatabase.h"
#include "options/Settings.h"

class QWidget;

namespace Tarnwick::Dialogs {

// What the maintenance dialogs work with: the window's open database and the settings, and
// what the window does around them. Empty functions do nothing.
struct MaintenanceHost {
    MaintenanceHost(Session::DatabaseSession& session, ApplicationSettings::Settings& settings)
        : session(session), settings(settings) {}

    Session::DatabaseSession& session;
    ApplicationSettings::Settings& settings;
    std::function<bool()> isLocked;
    // The data was read again: the views and the auto-completion index follow it.
    std::function<void()> dataReloaded;
    // User name and password for a database, asked again (the unlock dialog).
    std::function<bool(QWidget* parent, const std::filesystem::path& database, LoginCredentials& typed)> reAuthenticate;
    // Ends the program.
    std::function<void()> quit;
    // Closes the database and runs the log-in again.
    std::function<void()> logInAgain;

    // Reads another program's change of the file first, so that a rewrite never drops it.
    void FollowFile();
};

// "Reorganisieren": rewrites the file from the data with the held credentials. True when done.
bool ReorganiseDatabase(MaintenanceHost& host, QWidget* parent);
// "Jetzt ändern...": 0 Blowfish, 1 AES. True when done.
bool ChangeDatabaseAlgorithm(MaintenanceHost& host, QWidget* parent, std::int32_t algorithm);

} // namespace Tarnwick::Dialogs
