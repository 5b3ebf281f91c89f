#include "platform/InstanceLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Tarnwick::Platform {

InstanceLock::~InstanceLock() {
    Release();
}

SystemResult InstanceLock::TryAcquire(const std::filesystem::path& lockFile) noexcept {
    Release();
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return SystemResult{errno, u"open"};
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return SystemResult{error, u"fstat"};
    }
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        ::close(fd);
        return SystemResult{EPERM, u"fstat"};
    }
    // Each open file description is a lock holder of its own, so even a second attempt in
    // the same process is refused.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EAGAIN ? EWOULDBLOCK : errno;
        ::close(fd);
        return SystemResult{error, u"flock"};
    }
    m_fd = fd;
    return {};
}

void InstanceLock::Release() noexcept {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace Tarnwick::Platform
