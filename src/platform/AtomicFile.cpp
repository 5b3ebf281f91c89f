#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Tarnwick::Platform {

namespace fs = std::filesystem;

namespace {

fs::path FolderOf(const fs::path& target) {
    fs::path folder = target.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

int CloseRetrying(int fd) {
    // Linux releases the descriptor even when close reports EINTR: never close twice.
    return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
}

} // namespace

AtomicFile::~AtomicFile() {
    Discard();
}

int AtomicFile::Fail(const char* function, int error) noexcept {
    m_failedFunction = function;
    Discard();
    return error != 0 ? error : EIO;
}

int AtomicFile::Begin(const fs::path& target, mode_t mode) {
    Discard();
    m_failedFunction = "";
    if (target.filename().empty()) {
        m_failedFunction = "open";
        return EISDIR;
    }
    m_target = target;
    std::string hidden = ".";
    hidden += target.filename().string();
    hidden += ".XXXXXX";
    const std::string pattern = (FolderOf(target) / hidden).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        m_failedFunction = "mkostemp";
        return errno;
    }
    m_fd = fd;
    m_temporary = fs::path(name.data());
    if (mode != 0600 && ::fchmod(m_fd, mode) != 0) {
        return Fail("fchmod", errno);
    }
    return 0;
}

int AtomicFile::Write(const void* data, std::size_t length) {
    if (m_fd < 0) {
        m_failedFunction = "write";
        return EBADF;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (length > 0) {
        const ssize_t written = ::write(m_fd, bytes, length);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail("write", errno);
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return 0;
}

int AtomicFile::Commit() {
    if (m_fd < 0) {
        m_failedFunction = "rename";
        return EBADF;
    }
    if (::fsync(m_fd) != 0) {
        return Fail("fsync", errno);
    }
    const int fd = m_fd;
    m_fd = -1;
    if (const int error = CloseRetrying(fd); error != 0) {
        return Fail("close", error);
    }
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        return Fail("rename", errno);
    }
    m_temporary.clear();
    // The rename itself must reach the disk too; file systems that cannot sync a folder
    // report EINVAL, which leaves nothing more to do.
    const int folder = ::open(FolderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        m_failedFunction = "open";
        return errno;
    }
    int error = 0;
    if (::fsync(folder) != 0 && errno != EINVAL && errno != EROFS) {
        error = errno;
        m_failedFunction = "fsync";
    }
    CloseRetrying(folder);
    return error;
}

void AtomicFile::Discard() noexcept {
    if (m_fd >= 0) {
        CloseRetrying(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
}

int ReplaceFileContent(const fs::path& target, const void* data, std::size_t length, mode_t mode) {
    AtomicFile file;
    if (const int error = file.Begin(target, mode); error != 0) {
        return error;
    }
    if (const int error = file.Write(data, length); error != 0) {
        return error;
    }
    return file.Commit();
}

} // namespace Tarnwick::Platform
