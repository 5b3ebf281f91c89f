#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace Tarnwick::Platform {

// A file opened for appending (O_APPEND): each Write is one write() call, so lines written by
// several processes land whole at the end of the file.
class AppendFile {
public:
    AppendFile() noexcept = default;
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile();

    // Opens or creates the file (created 0600; a regular file readable by others is narrowed to
    // 0600). A symbolic link in the last place is refused. Returns 0 or the errno.
    int Open(const std::filesystem::path& path) noexcept;
    bool IsOpen() const noexcept { return m_fd >= 0; }
    // The current size in bytes.
    int Size(std::int64_t& size) const noexcept;
    // Empties the file.
    int Truncate() noexcept;
    // Writes the bytes in one call; a short write counts as a failure (ENOSPC).
    int Write(std::string_view bytes) noexcept;
    void Close() noexcept;

private:
    int m_fd = -1;
};

} // namespace Tarnwick::Platform
