#pragma once

#include <filesystem>

#include "database/CDatabase.h"

class QWidget;

namespace Tarnwick::App {

// Unlocks a locked workspace: asks for user name and password of the open database with
// three fresh attempts. True when they were accepted; credentials then hold them. The caller
// passes a temporary record, so its current credentials stay as they were.
bool ReAuthenticate(QWidget* parent, const std::filesystem::path& database, LoginCredentials& credentials);

} // namespace Tarnwick::App
