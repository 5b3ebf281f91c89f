#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace Tarnwick::Platform {

// The outcome of a file system call: 0 or the errno of the failure, and the name of the
// call that failed (for the exception that reports it).
struct SystemResult {
    int error = 0;
    const char16_t* function = u"";

    bool Ok() const noexcept { return error == 0; }
};

// mkdir with the given mode (the umask may narrow it further).
SystemResult MakeFolder(const std::filesystem::path& folder, unsigned mode) noexcept;
// stat: error ENOENT/ENOTDIR when nothing is there. isFolder tells a folder apart.
SystemResult QueryPath(const std::filesystem::path& path, bool& isFolder) noexcept;
// The program file of this process (/proc/self/exe).
SystemResult ReadExecutablePath(std::filesystem::path& out);
// mkdtemp: the template's last six characters must be "XXXXXX"; on success it names the new
// folder, which only its owner can enter (0700).
SystemResult MakeUniqueFolder(std::string& pathTemplate) noexcept;
// Removes a file, or a folder with everything in it. Symbolic links are removed, never followed.
SystemResult RemoveTree(const std::filesystem::path& path);
// The effective user's entry of the password database.
struct UserAccount {
    std::string loginName;
    std::filesystem::path home;
};
// The one look-up of the effective user (getpwuid_r); error ENOENT when there is no entry.
SystemResult ReadUserAccount(UserAccount& out);
// The home folder of the effective user; ENOENT unless it is an absolute path.
SystemResult ReadUserHome(std::filesystem::path& out);
// The whole content of a regular file of at most limit bytes (a symbolic link in the last
// place is refused: ELOOP; a larger file: EFBIG).
SystemResult ReadWholeFile(const std::filesystem::path& path, std::string& out, std::size_t limit);
// access(W_OK).
SystemResult CheckWritable(const std::filesystem::path& path) noexcept;
// The owner of a running process (the owner of its /proc entry).
SystemResult QueryProcessOwner(int process, unsigned& uid) noexcept;
unsigned EffectiveUser() noexcept;
int CurrentProcess() noexcept;

// A point in time as seconds since 1970 UTC plus nanoseconds.
struct FileTimestamp {
    std::int64_t seconds = 0;
    std::uint32_t nanoseconds = 0;
};

struct FileTimestamps {
    // The birth time where the file system keeps one, otherwise the last status change.
    FileTimestamp creation;
    FileTimestamp lastAccess;
    FileTimestamp lastWrite;
};

// statx of a file or folder (symbolic links are followed).
SystemResult ReadFileTimes(const std::filesystem::path& path, FileTimestamps& out) noexcept;

// Calendar fields of a time stamp.
struct CalendarTime {
    int year = 0;
    int month = 0;     // 1..12
    int dayOfWeek = 0; // 0 = Sunday
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// gmtime_r, or localtime_r in the current TZ when local is set.
SystemResult ToCalendarTime(std::int64_t seconds, bool local, CalendarTime& out) noexcept;

// Reads a whole (small) file.
SystemResult ReadWholeFile(const std::filesystem::path& path, std::string& out);
// Creates or replaces a file with the given bytes, created with the given mode; a symbolic
// link in the last place is refused.
SystemResult WriteWholeFile(const std::filesystem::path& path, std::string_view bytes,
                            unsigned mode) noexcept;
// Whether the descriptor (or, with fd -1, the path) is a regular file that can be read.
bool IsReadableRegularFile(const std::filesystem::path& path, int fd) noexcept;
// unlink.
SystemResult RemoveFile(const std::filesystem::path& path) noexcept;

} // namespace Tarnwick::Platform
