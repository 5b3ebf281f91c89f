#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/FileSystem.h"

namespace Tarnwick::Session {

// What a database file looked like when this program last read or wrote it: its identity,
// size and times, and on file systems that keep only whole seconds also a digest of its
// bytes, since another write within the same second would leave size and times alike.
class FileStamp {
public:
    // Takes the stamp of the file as it is now; an empty stamp when it cannot be read.
    static FileStamp Capture(const std::filesystem::path& path);

    bool IsValid() const noexcept { return m_valid; }
    // True when the file at path is no longer the one the stamp describes (also when it is gone).
    bool DiffersFrom(const std::filesystem::path& path) const;

private:
    static std::vector<std::uint8_t> Digest(const std::filesystem::path& path);
    static bool HasWholeSecondTimes(const Platform::FileStatus& status) noexcept;

    bool m_valid = false;
    Platform::FileStatus m_status;
    std::vector<std::uint8_t> m_digest;
};

} // namespace Tarnwick::Session
