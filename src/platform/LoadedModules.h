#pragma once

#include <filesystem>
#include <vector>

namespace Tarnwick::Platform {

// The files of the shared libraries this process has loaded (dl_iterate_phdr).
std::vector<std::filesystem::path> LoadedModules();

} // namespace Tarnwick::Platform
