#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "platform/FileSystem.h"

namespace Tarnwick::Platform {

// Replaces a file so that its path holds either the complete old or the complete new content
// at every moment: the new content goes into a private temporary file (0600) in the same
// folder, which is flushed to disk and then renamed over the target; the folder is flushed
// too. Every call goes through FileSystem(), the seam the database's crash tests fail call by
// call. Failures are reported as errno values; FailedFunction() names the system call that
// failed. An object destroyed before Commit() removes its temporary file and leaves the target
// untouched.
class AtomicFile {
public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    // Creates the temporary file beside the target.
    int Begin(const std::filesystem::path& target);
    // Appends all bytes.
    int Write(const void* data, std::size_t length);
    // fsync, close, rename over the target, fsync the folder.
    int Commit();
    // Removes the temporary file; the target stays as it was.
    void Discard() noexcept;

    bool IsOpen() const noexcept { return m_file != nullptr; }
    const char* FailedFunction() const noexcept { return m_failedFunction; }
    const std::filesystem::path& TemporaryPath() const noexcept { return m_temporary; }

private:
    int Fail(const char* function, int error) noexcept;

    std::unique_ptr<IFile> m_file;
    std::uint64_t m_written = 0;
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    const char* m_failedFunction = "";
};

// Writes the bytes to the target through an AtomicFile. Returns 0 or the errno of the failure.
int ReplaceFileContent(const std::filesystem::path& target, const void* data, std::size_t length);

} // namespace Tarnwick::Platform
