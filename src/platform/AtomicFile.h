#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <sys/types.h>

namespace Tarnwick::Platform {

// Replaces a file so that its path holds either the complete old or the complete new content
// at every moment: the new content goes into a temporary file in the same folder, which is
// flushed to disk and then renamed over the target. Failures are reported as errno values;
// FailedFunction() names the system call that failed. An object destroyed before Commit()
// removes its temporary file and leaves the target untouched.
class AtomicFile {
public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    // Creates the temporary file beside the target, readable and writable by the owner only
    // (or with the given mode).
    int Begin(const std::filesystem::path& target, mode_t mode = 0600);
    // Writes all bytes (retrying short writes).
    int Write(const void* data, std::size_t length);
    // fsync, close, rename over the target, fsync the folder.
    int Commit();
    // Removes the temporary file; the target stays as it was.
    void Discard() noexcept;

    bool IsOpen() const noexcept { return m_fd >= 0; }
    const char* FailedFunction() const noexcept { return m_failedFunction; }
    const std::filesystem::path& TemporaryPath() const noexcept { return m_temporary; }

private:
    int Fail(const char* function, int error) noexcept;

    int m_fd = -1;
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    const char* m_failedFunction = "";
};

// Writes the bytes to the target through an AtomicFile. Returns 0 or the errno of the failure.
int ReplaceFileContent(const std::filesystem::path& target, const void* data, std::size_t length,
                       mode_t mode = 0600);

} // namespace Tarnwick::Platform
