#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace WindowsServiceProvider::Shell {

inline constexpr std::int32_t SW_SHOWNORMAL = 1;

// What a shortcut says. Hot key, icon index and show command have no place in a desktop entry;
// they are kept for callers but not written.
struct ShellLinkInfo {
    std::uint16_t hotKey = 0;
    std::int32_t iconIndex = 0;
    std::int32_t showCommand = SW_SHOWNORMAL;
    std::filesystem::path targetPath;
    std::vector<std::u16string> arguments;
    std::u16string displayText;
    // Written as the target path when empty.
    std::u16string description;
    std::filesystem::path workingDirectory;
};

// Shortcuts as freedesktop.org desktop entries (the autostart folder reads them; the link
// path should end in ".desktop").
class ShellLink {
public:
    ShellLink() = default;

    // Writes the entry (mode 0600), creating a missing parent folder (0700). Failures:
    // WindowsException with the system call and the target "ShellLink::CreateShortcut".
    void Create(const std::filesystem::path& linkPath, const ShellLinkInfo& info);
    // Reads name, comment, command line and working folder back. A file without a desktop
    // entry or command raises Exception("invalid shortcut file", "ShellLink::LoadShortcut").
    void Load(const std::filesystem::path& linkPath, ShellLinkInfo& info);
    // Removes the file ("unlink", "ShellLink::Delete").
    void Delete(const std::filesystem::path& linkPath);
};

} // namespace WindowsServiceProvider::Shell
