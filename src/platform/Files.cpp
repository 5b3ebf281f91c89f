#include "platform/Files.h"
#include "platform/Descriptor.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace Tarnwick::Platform {

namespace fs = std::filesystem;

namespace {

SystemResult Fail(const char16_t* function, int error = errno) noexcept {
    return SystemResult{error, function};
}

// Removes everything inside the open folder. The names are collected first, so the listing
// is not changed while it is read.
SystemResult RemoveContents(int folder) {
    const int listing = ::dup(folder);
    if (listing < 0) {
        return Fail(u"dup");
    }
    DIR* dir = ::fdopendir(listing);
    if (dir == nullptr) {
        const int error = errno;
        ::close(listing);
        return Fail(u"fdopendir", error);
    }
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            if (errno != 0) {
                const int error = errno;
                ::closedir(dir);
                return Fail(u"readdir", error);
            }
            break;
        }
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    ::closedir(dir);

    for (const auto& name : names) {
        struct stat info {};
        if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) {
                continue;
            }
            return Fail(u"fstatat");
        }
        if (S_ISDIR(info.st_mode)) {
            const Descriptor child(
                ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (child.Get() < 0) {
                return Fail(u"openat");
            }
            const SystemResult inner = RemoveContents(child.Get());
            if (!inner.Ok()) {
                return inner;
            }
            if (::unlinkat(folder, name.c_str(), AT_REMOVEDIR) != 0) {
                return Fail(u"unlinkat");
            }
        } else if (::unlinkat(folder, name.c_str(), 0) != 0 && errno != ENOENT) {
            return Fail(u"unlinkat");
        }
    }
    return {};
}

} // namespace

SystemResult ReadWholeFile(const fs::path& path, std::string& out, std::size_t limit) {
    out.clear();
    const Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    const int fd = file.Get();
    if (fd < 0) {
        return {errno, u"open"};
    }
    struct stat status {};
    SystemResult result;
    if (fstat(fd, &status) != 0) {
        result = {errno, u"fstat"};
    } else if (!S_ISREG(status.st_mode)) {
        result = {EINVAL, u"fstat"};
    } else if (static_cast<std::uint64_t>(status.st_size) > limit) {
        result = {EFBIG, u"fstat"};
    } else {
        char buffer[16 * 1024];
        for (;;) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                result = {errno, u"read"};
                break;
            }
            if (got == 0) {
                break;
            }
            if (out.size() + static_cast<std::size_t>(got) > limit) {
                result = {EFBIG, u"read"};
                break;
            }
            out.append(buffer, static_cast<std::size_t>(got));
        }
    }
    if (!result.Ok()) {
        out.clear();
    }
    return result;
}

SystemResult MakeFolder(const fs::path& folder, unsigned mode) noexcept {
    if (::mkdir(folder.c_str(), static_cast<mode_t>(mode)) != 0) {
        return Fail(u"mkdir");
    }
    return {};
}

SystemResult QueryPath(const fs::path& path, bool& isFolder) noexcept {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return Fail(u"stat");
    }
    isFolder = S_ISDIR(info.st_mode);
    return {};
}

SystemResult ReadExecutablePath(fs::path& out) {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return Fail(u"readlink");
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(length));
            break;
        }
        if (buffer.size() >= 65536) {
            return Fail(u"readlink", ENAMETOOLONG);
        }
        buffer.resize(buffer.size() * 2);
    }
    out = fs::path(buffer);
    return {};
}

SystemResult MakeUniqueFolder(std::string& pathTemplate) noexcept {
    if (::mkdtemp(pathTemplate.data()) == nullptr) {
        return Fail(u"mkdtemp");
    }
    return {};
}

SystemResult RemoveTree(const fs::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return Fail(u"lstat");
    }
    if (!S_ISDIR(info.st_mode)) {
        if (::unlink(path.c_str()) != 0) {
            return Fail(u"unlink");
        }
        return {};
    }
    {
        const Descriptor folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (folder.Get() < 0) {
            return Fail(u"open");
        }
        const SystemResult inner = RemoveContents(folder.Get());
        if (!inner.Ok()) {
            return inner;
        }
    }
    if (::rmdir(path.c_str()) != 0) {
        return Fail(u"rmdir");
    }
    return {};
}

SystemResult ReadUserAccount(UserAccount& out) {
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 4096);
    for (;;) {
        passwd entry{};
        passwd* found = nullptr;
        const int error = ::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0) {
            return Fail(u"getpwuid_r", error);
        }
        if (found == nullptr) {
            return Fail(u"getpwuid_r", ENOENT);
        }
        out.loginName = found->pw_name != nullptr ? found->pw_name : "";
        out.home = found->pw_dir != nullptr ? fs::path(found->pw_dir) : fs::path();
        return {};
    }
}

SystemResult ReadUserHome(fs::path& out) {
    UserAccount account;
    if (const SystemResult result = ReadUserAccount(account); !result.Ok()) {
        return result;
    }
    if (!account.home.is_absolute()) {
        return Fail(u"getpwuid_r", ENOENT);
    }
    out = std::move(account.home);
    return {};
}

SystemResult CheckWritable(const fs::path& path) noexcept {
    if (::access(path.c_str(), W_OK) != 0) {
        return Fail(u"access");
    }
    return {};
}

SystemResult QueryProcessOwner(int process, unsigned& uid) noexcept {
    if (process <= 0) {
        return Fail(u"stat", ESRCH);
    }
    char name[32];
    std::snprintf(name, sizeof name, "/proc/%d", process);
    struct stat info {};
    if (::stat(name, &info) != 0) {
        return Fail(u"stat", errno == ENOENT ? ESRCH : errno);
    }
    uid = info.st_uid;
    return {};
}

unsigned EffectiveUser() noexcept {
    return ::geteuid();
}

int CurrentProcess() noexcept {
    return ::getpid();
}

SystemResult ReadFileTimes(const fs::path& path, FileTimestamps& out) noexcept {
    struct statx info {};
    if (::statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) {
        return Fail(u"statx");
    }
    const auto convert = [](const statx_timestamp& stamp) {
        return FileTimestamp{stamp.tv_sec, stamp.tv_nsec};
    };
    out.creation = convert((info.stx_mask & STATX_BTIME) != 0 ? info.stx_btime : info.stx_ctime);
    out.lastAccess = convert(info.stx_atime);
    out.lastWrite = convert(info.stx_mtime);
    return {};
}

SystemResult ToCalendarTime(std::int64_t seconds, bool local, CalendarTime& out) noexcept {
    const std::time_t value = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (local) {
        // localtime_r need not read TZ again; a long run may see it change.
        ::tzset();
        if (::localtime_r(&value, &parts) == nullptr) {
            return Fail(u"localtime_r");
        }
    } else if (::gmtime_r(&value, &parts) == nullptr) {
        return Fail(u"gmtime_r");
    }
    out.year = parts.tm_year + 1900;
    out.month = parts.tm_mon + 1;
    out.dayOfWeek = parts.tm_wday;
    out.day = parts.tm_mday;
    out.hour = parts.tm_hour;
    out.minute = parts.tm_min;
    out.second = parts.tm_sec;
    return {};
}

SystemResult ReadWholeFile(const fs::path& path, std::string& out) {
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) {
        return Fail(u"open");
    }
    out.clear();
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail(u"read");
        }
        if (got == 0) {
            return {};
        }
        if (out.size() > (16u << 20)) {
            return Fail(u"read", EFBIG);
        }
        out.append(buffer, static_cast<std::size_t>(got));
    }
}

SystemResult WriteWholeFile(const fs::path& path, std::string_view bytes, unsigned mode) noexcept {
    const Descriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                                 static_cast<mode_t>(mode)));
    if (file.Get() < 0) {
        return Fail(u"open");
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(file.Get(), bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail(u"write");
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    if (::fsync(file.Get()) != 0) {
        return Fail(u"fsync");
    }
    return {};
}

bool IsReadableRegularFile(const fs::path& path, int fd) noexcept {
    struct stat info {};
    const int result = fd >= 0 ? ::fstat(fd, &info) : ::stat(path.c_str(), &info);
    if (result != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    return fd >= 0 || ::access(path.c_str(), R_OK) == 0;
}

SystemResult RemoveFile(const fs::path& path) noexcept {
    if (::unlink(path.c_str()) != 0) {
        return Fail(u"unlink");
    }
    return {};
}

} // namespace Tarnwick::Platform
