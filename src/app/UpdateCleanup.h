#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string_view>

namespace Tarnwick::App {

// Whether folder is a download folder of this program's updater: directly inside the private
// temporary folder, named like the folders Core::Path::CreateTemporaryFolder makes ("<seconds>-"
// and six letters or digits), a real folder (no link) that belongs to the user. Anything else
// named on a command line is never deleted.
bool IsOwnUpdateFolder(const std::filesystem::path& folder, const std::filesystem::path& privateFolder);

// After an update: waits (the executor is still ending), then deletes the update folder when
// it is one of ours. A refusal or a failed deletion is logged; start-up goes on either way.
// True when the folder was deleted.
bool CleanUpAfterUpdate(std::u16string_view folderText, const std::function<void(std::chrono::milliseconds)>& wait);

} // namespace Tarnwick::App
