#include "platform/LoadedModules.h"

#include <link.h>

namespace Tarnwick::Platform {

std::vector<std::filesystem::path> LoadedModules() {
    std::vector<std::filesystem::path> modules;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* out) {
            if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0') {
                static_cast<std::vector<std::filesystem::path>*>(out)->emplace_back(info->dlpi_name);
            }
            return 0;
        },
        &modules);
    return modules;
}

} // namespace Tarnwick::Platform
