#pragma once

#include <filesystem>
#include <string>

namespace Tarnwick::OptionsLibrary {

// "Tarnwick mit Windows starten" on this desktop: a desktop entry in the user's autostart
// folder that starts the program.
class AutostartEntry {
public:
    // $XDG_CONFIG_HOME/autostart/Tarnwick.desktop (default ~/.config/autostart/...).
    static std::filesystem::path DefaultPath();
    // The entry's text for the program.
    static std::string Text(const std::filesystem::path& program);

    explicit AutostartEntry(std::filesystem::path path = DefaultPath());

    bool Exists() const;
    // Makes the file match the switch: on writes a missing entry (complete or not at all,
    // never half a file), off removes an existing one; an entry that is already as wanted is
    // left alone. Failures throw the core library's WindowsException.
    void Apply(bool on) const;

    const std::filesystem::path& GetPath() const noexcept { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace Tarnwick::OptionsLibrary
