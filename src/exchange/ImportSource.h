#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "crypto/String.h"

namespace Tarnwick::Import {

// The file an import reads. Only a regular file is opened: a FIFO or a device would block the
// import or never end, a folder cannot be read. The path is looked at before it is opened,
// the open never waits (O_NONBLOCK), and the opened file is looked at again, so that a name
// swapped in between is caught as well.
class ImportSource {
public:
    ImportSource() = default;
    ImportSource(const ImportSource&) = delete;
    ImportSource& operator=(const ImportSource&) = delete;
    ImportSource(ImportSource&& other) noexcept;
    ImportSource& operator=(ImportSource&& other) noexcept;
    ~ImportSource();

    // Opens the file for reading. Something other than a regular file raises an Exception
    // with kNotRegularFileMessage (context kImportSourceContext); a file that cannot be opened
    // raises WindowsException "open" with the given context.
    static ImportSource Open(const std::filesystem::path& path, std::u16string_view context);

    // Reads the next bytes; got is 0 only at the end. 0 or the errno of the failure.
    int Read(void* buffer, std::size_t bytes, std::size_t& got);
    // Starts reading from the beginning again.
    void Rewind() noexcept { m_offset = 0; }
    int Size(std::uint64_t& size) const;
    // Device and inode of the opened file.
    int Identity(std::uint64_t& device, std::uint64_t& inode) const;
    bool IsOpen() const noexcept { return m_fd >= 0; }

private:
    explicit ImportSource(int fd) : m_fd(fd) {}
    int m_fd = -1;
    std::uint64_t m_offset = 0;
};

// Whether the path names something that exists but is no regular file; the message that
// refuses it, or an empty one (a missing file is reported by whoever opens it).
StringServiceProvider::PlainString CheckRegularFile(const std::filesystem::path& path);

} // namespace Tarnwick::Import
