#pragma once

#include <cstdint>
#include <string>

#include "core/Guid.h"

namespace Tarnwick::UpdateProvider {

// What the program tells the update service about itself; only serialised into the request.
struct UpdateParameter {
    WindowsServiceProvider::Guid guid;
    std::u16string valueA;
    std::u16string text;
    std::int32_t number = 0;
    std::u16string valueB;
};

namespace AutoUpdateResult {
enum eAutoUpdateResult : std::int32_t {
    // The package was downloaded and verified and the executor started: close the program now.
    AUR_EXECUTOR_STARTED = 0,
    // The update information is missing, not signed by the maker, or not for this product.
    AUR_INVALID_INFORMATION = 1,
    AUR_CHECKSUM_FAILED = 2,
    AUR_UP_TO_DATE = 3,
    // A newer version exists that cannot be installed from here (the silent check's answer).
    AUR_NEWER_VERSION = 4,
    // A newer version exists that the user could install (internal to the interactive check).
    AUR_NEWER_VERSION_INSTALLABLE = 5,
    AUR_CANCELLED = 6,
    AUR_ERROR = 7,
};
} // namespace AutoUpdateResult

class AutoUpdater {
public:
    // Silent: no window at all; 1, 3, 4, 6 or 7.
    static AutoUpdateResult::eAutoUpdateResult CheckForUpdates(const UpdateParameter& parameter);
    // Interactive, modal over the program's active window: check, ask, download, verify, start
    // the executor.
    static AutoUpdateResult::eAutoUpdateResult StartAutoUpdate(const UpdateParameter& parameter);
    // Ends every running check or download at its next step, and refuses later ones: for the
    // program's shut-down.
    static void CancelAll() noexcept;
};

} // namespace Tarnwick::UpdateProvider
