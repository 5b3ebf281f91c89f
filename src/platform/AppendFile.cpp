#include "platform/AppendFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Tarnwick::Platform {

AppendFile::~AppendFile() {
    Close();
}

int AppendFile::Open(const std::filesystem::path& path) noexcept {
    Close();
    // O_NONBLOCK keeps a FIFO in that place from blocking the caller.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errno;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    if (S_ISREG(info.st_mode) && (info.st_mode & 0077) != 0 && ::fchmod(fd, 0600) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    m_fd = fd;
    return 0;
}

int AppendFile::Size(std::int64_t& size) const noexcept {
    struct stat info {};
    if (m_fd < 0) {
        return EBADF;
    }
    if (::fstat(m_fd, &info) != 0) {
        return errno;
    }
    size = info.st_size;
    return 0;
}

int AppendFile::Truncate() noexcept {
    if (m_fd < 0) {
        return EBADF;
    }
    return ::ftruncate(m_fd, 0) == 0 ? 0 : errno;
}

int AppendFile::Write(std::string_view bytes) noexcept {
    if (m_fd < 0) {
        return EBADF;
    }
    for (;;) {
        const ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        return static_cast<std::size_t>(written) == bytes.size() ? 0 : ENOSPC;
    }
}

void AppendFile::Close() noexcept {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace Tarnwick::Platform
