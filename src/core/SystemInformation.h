#pragma once

#include <cstdint>
#include <string>

namespace Tarnwick::Core {

// Windows version flags that callers branch on. Linux behaves like the newest system the
// callers know: Vista-or-later paths are taken, the version-specific quirks are not.
class OSVersionInfo {
public:
    static bool IsWindowsVistaOrGreater() noexcept { return true; }
    static bool IsWindows7orWindowsServer2008R2() noexcept { return false; }
    static bool IsWindowsXP() noexcept { return false; }
    static bool IsWindowsVista() noexcept { return false; }
};

// Mandatory integrity levels, as the callers compare them.
inline constexpr std::uint32_t kMediumIntegrityLevel = 0x2000;
inline constexpr std::uint32_t kHighIntegrityLevel = 0x3000;

class QueryProcessInformation {
public:
    // Linux has no integrity levels. The nearest meaning: a process of the same user is at our
    // own (medium) level; a process of another user (root included) is out of our reach, so it
    // counts as higher. A process that does not exist raises
    // WindowsException(ESRCH, "stat", "ProcessIntegrityLevelInfo::OpenProcessToken").
    static std::uint32_t GetProcessIntegrityLevel(const int& process);
};

// Whether this user can install an update over the program: true for root, or when the
// program folder is writable. A failing check other than "not writable" raises
// WindowsException(errno, "access", "CanUserElevateAdministratorRights").
bool CanUserElevateAdministratorRights();

// The program's four-part version number ("1.17.0.0"), built in at compile time.
std::u16string GetVersionNumberOfExecuteable();

} // namespace Tarnwick::Core
