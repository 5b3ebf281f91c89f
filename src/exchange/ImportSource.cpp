#include "exchange/ImportSource.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/text/Format.h"
#include "base/text/Utf.h"
#include "exchange/ImportMessages.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::Import {

using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;

namespace {

[[noreturn]] void RefuseNotRegular(const std::filesystem::path& path) {
    throw Exception(Text::Format(kNotRegularFileMessage, Text::FromUtf8(path.string())).View(), kImportSourceContext);
}

} // namespace

ImportSource::ImportSource(ImportSource&& other) noexcept : m_fd(other.m_fd), m_offset(other.m_offset) {
    other.m_fd = -1;
    other.m_offset = 0;
}

ImportSource& ImportSource::operator=(ImportSource&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = other.m_fd;
        m_offset = other.m_offset;
        other.m_fd = -1;
        other.m_offset = 0;
    }
    return *this;
}

ImportSource::~ImportSource() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

ImportSource ImportSource::Open(const std::filesystem::path& path, std::u16string_view context) {
    // Opening some devices alone has effects: look before opening.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        throw WindowsException(u"open", errno, u"stat", context);
    }
    if (!S_ISREG(info.st_mode)) {
        RefuseNotRegular(path);
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        throw WindowsException(u"open", errno, u"open", context);
    }
    ImportSource source(fd);
    // The name may have been given to something else in between.
    if (::fstat(fd, &info) != 0) {
        throw WindowsException(u"open", errno, u"fstat", context);
    }
    if (!S_ISREG(info.st_mode)) {
        RefuseNotRegular(path);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    return source;
}

int ImportSource::Read(void* buffer, std::size_t bytes, std::size_t& got) {
    got = 0;
    if (m_fd < 0) {
        return EBADF;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    while (got < bytes) {
        const ssize_t n = ::pread(m_fd, out + got, bytes - got, static_cast<off_t>(m_offset));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
        m_offset += static_cast<std::uint64_t>(n);
    }
    return 0;
}

int ImportSource::Size(std::uint64_t& size) const {
    struct stat info {};
    if (m_fd < 0) {
        return EBADF;
    }
    if (::fstat(m_fd, &info) != 0) {
        return errno;
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return 0;
}

int ImportSource::Identity(std::uint64_t& device, std::uint64_t& inode) const {
    struct stat info {};
    if (m_fd < 0) {
        return EBADF;
    }
    if (::fstat(m_fd, &info) != 0) {
        return errno;
    }
    device = info.st_dev;
    inode = info.st_ino;
    return 0;
}

StringServiceProvider::PlainString CheckRegularFile(const std::filesystem::path& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) {
        return {};
    }
    return Text::Format(kNotRegularFileMessage, Text::FromUtf8(path.string()));
}

} // namespace Tarnwick::Import
