#include "core/Path.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>

#include "base/exceptions/Exception.h"
#include "base/text/Format.h"
#include "base/text/Utf.h"
#include "platform/Files.h"
#include "platform/FileSystem.h"

namespace Tarnwick::Core {

namespace fs = std::filesystem;

using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;

namespace {

constexpr unsigned kPrivateFolder = 0700;

std::mutex s_cacheLock;
fs::path s_localAppPath;
fs::path s_applicationPath;

[[noreturn]] void ThrowSystem(const Platform::SystemResult& result, const char16_t* target) {
    throw WindowsException(u"", result.error, result.function, target);
}

fs::path HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return fs::path(home);
    }
    fs::path fromPasswd;
    if (Platform::ReadUserHome(fromPasswd).Ok()) {
        return fromPasswd;
    }
    throw Exception(u"Dieser Pfad existiert nicht für den Benutzer.", u"Path::GetFolderPath");
}

// An XDG base folder: the variable when it holds an absolute path (relative ones are ignored,
// as the XDG rules say), otherwise the default below the home folder.
fs::path XdgFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') {
        return fs::path(value);
    }
    return HomeFolder() / fallback;
}

// Drops a trailing separator so the last element names the folder itself.
fs::path WithoutTrailingSeparator(fs::path path) {
    while (!path.has_filename() && path.has_relative_path()) {
        path = path.parent_path();
    }
    return path;
}

// Creates every missing folder of the chain with mode 0700. With mustBeNew the last folder may
// not exist yet. An existing last element that is no folder is always an error.
void CreateChain(const fs::path& requested, bool mustBeNew, const char16_t* target) {
    const fs::path folder = WithoutTrailingSeparator(requested);
    if (folder.empty()) {
        throw WindowsException(u"", ENOENT, u"mkdir", target);
    }
    fs::path partial;
    Platform::SystemResult last;
    for (const auto& part : folder) {
        partial /= part;
        last = Platform::MakeFolder(partial, kPrivateFolder);
        if (!last.Ok() && last.error != EEXIST) {
            ThrowSystem(last, target);
        }
    }
    if (last.error == EEXIST) {
        if (mustBeNew) {
            ThrowSystem(last, target);
        }
        bool isFolder = false;
        const Platform::SystemResult query = Platform::QueryPath(folder, isFolder);
        if (!query.Ok()) {
            ThrowSystem(query, target);
        }
        if (!isFolder) {
            throw WindowsException(u"", ENOTDIR, u"mkdir", target);
        }
    }
}

// Every folder from below base down to folder must be the user's own and closed to others:
// anyone who can write there could swap the settings, the log or a database under our feet.
void CheckPrivateChain(const fs::path& base, const fs::path& folder) {
    fs::path partial = base;
    const fs::path relative = folder.lexically_relative(base);
    for (const auto& part : relative) {
        partial /= part;
        Platform::FileStatus status;
        if (const int error = Platform::FileSystem().Status(partial, status); error != 0) {
            throw WindowsException(u"", error, u"stat", u"Path::GetLocalAppPath");
        }
        if (status.owner != Platform::EffectiveUser() || (status.mode & 022) != 0) {
            throw UnsafeFolderException(
                Text::Format(u"Der Datenordner \"%s\" gehört einem anderen Benutzer oder ist für andere Benutzer "
                             u"beschreibbar. Tarnwick verwendet ihn aus Sicherheitsgründen nicht.",
                             Text::FromUtf8(partial.string()))
                    .View(),
                u"Path::GetLocalAppPath");
        }
    }
}

bool Exists(const fs::path& path) {
    bool isFolder = false;
    const Platform::SystemResult result = Platform::QueryPath(path, isFolder);
    if (result.Ok()) {
        return true;
    }
    if (result.error == ENOENT || result.error == ENOTDIR) {
        return false;
    }
    ThrowSystem(result, u"Path::PathExists");
}

SYSTEMTIME ToSystemTime(const Platform::FileTimestamp& stamp, bool local, const char16_t* which) {
    Platform::CalendarTime parts;
    const Platform::SystemResult result = Platform::ToCalendarTime(stamp.seconds, local, parts);
    if (!result.Ok()) {
        throw WindowsException(which, result.error, result.function, u"Path::GetFileTime");
    }
    // The Windows structure covers the years 1601 to 30827.
    if (parts.year < 1601 || parts.year > 30827) {
        throw WindowsException(which, EOVERFLOW, local ? u"localtime_r" : u"gmtime_r", u"Path::GetFileTime");
    }
    SYSTEMTIME out;
    out.wYear = static_cast<std::uint16_t>(parts.year);
    out.wMonth = static_cast<std::uint16_t>(parts.month);
    out.wDayOfWeek = static_cast<std::uint16_t>(parts.dayOfWeek);
    out.wDay = static_cast<std::uint16_t>(parts.day);
    out.wHour = static_cast<std::uint16_t>(parts.hour);
    out.wMinute = static_cast<std::uint16_t>(parts.minute);
    out.wSecond = static_cast<std::uint16_t>(parts.second);
    out.wMilliseconds = static_cast<std::uint16_t>(stamp.nanoseconds / 1000000);
    return out;
}

} // namespace

fs::path& Path::GetFolderPath(fs::path& out, const int& csidl) {
    switch (csidl) {
    case CSIDL_LOCAL_APPDATA:
        out = XdgFolder("XDG_DATA_HOME", ".local/share");
        break;
    case CSIDL_APPDATA:
        out = XdgFolder("XDG_CONFIG_HOME", ".config");
        break;
    case CSIDL_STARTUP:
        out = XdgFolder("XDG_CONFIG_HOME", ".config") / "autostart";
        break;
    case CSIDL_PERSONAL:
    case CSIDL_PROFILE:
        out = HomeFolder();
        break;
    default:
        throw Exception(u"Dieser Ordner existiert nicht.", u"Path::GetFolderPath");
    }
    return out;
}

const fs::path& Path::GetLocalAppPath() {
    // A failure leaves the cache empty, so the next call tries again.
    std::lock_guard<std::mutex> guard(s_cacheLock);
    if (s_localAppPath.empty()) {
        fs::path base;
        const fs::path folder = GetFolderPath(base, CSIDL_LOCAL_APPDATA) / "Kelmarsh" / "Tarnwick" / "2010";
        CreateChain(folder, false, u"Path::CreatePath");
        CheckPrivateChain(base, folder);
        s_localAppPath = folder / "";
    }
    return s_localAppPath;
}

fs::path Path::GetQualifiedResourcePath() {
    const fs::path folder = GetLocalAppPath() / "Images";
    CreateChain(folder, false, u"Path::CreatePath");
    return folder / "";
}

const fs::path& Path::GetApplicationPath() {
    std::lock_guard<std::mutex> guard(s_cacheLock);
    if (s_applicationPath.empty()) {
        fs::path program;
        const Platform::SystemResult result = Platform::ReadExecutablePath(program);
        if (!result.Ok()) {
            ThrowSystem(result, u"Path::GetApplicationPath");
        }
        s_applicationPath = program.parent_path() / "";
    }
    return s_applicationPath;
}

bool Path::FileExists(const fs::path& path) {
    return Exists(path);
}

bool Path::PathExists(const fs::path& path) {
    return Exists(path);
}

void Path::CreatePath(const fs::path& path) {
    CreateChain(path, true, u"Path::CreatePath");
}

void Path::DeleteFileOrFolder(const fs::path& path) {
    const Platform::SystemResult result = Platform::RemoveTree(WithoutTrailingSeparator(path));
    if (!result.Ok()) {
        ThrowSystem(result, u"Path::DeleteFileOrFolder");
    }
}

void Path::GetFileTime(FULL_FILE_TIME& out, const fs::path& path, const bool& local) {
    Platform::FileTimestamps times;
    const Platform::SystemResult result = Platform::ReadFileTimes(path, times);
    if (!result.Ok()) {
        ThrowSystem(result, u"Path::GetFileTime");
    }
    FULL_FILE_TIME converted;
    converted.creationTime = ToSystemTime(times.creation, local, u"creation time");
    converted.lastAccessTime = ToSystemTime(times.lastAccess, local, u"last access time");
    converted.lastWriteTime = ToSystemTime(times.lastWrite, local, u"last write time");
    out = converted;
}

fs::path Path::GetTemporaryPath() {
    const fs::path folder = XdgFolder("XDG_CACHE_HOME", ".cache") / "Kelmarsh" / "Tarnwick" / "2010";
    CreateChain(folder, false, u"Path::GetTemporaryPath");
    return folder / "";
}

fs::path Path::CreateTemporaryFolder() {
    const std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1)) {
        throw Exception(u"", u"TimestampValidator::GetValidTimestamp");
    }
    // mkdtemp picks a name nobody else holds and creates it 0700 in one step, so no other
    // user can have prepared the folder.
    std::string pathTemplate =
        (GetTemporaryPath() / (std::to_string(static_cast<std::int64_t>(now)) + "-XXXXXX")).string();
    const Platform::SystemResult result = Platform::MakeUniqueFolder(pathTemplate);
    if (!result.Ok()) {
        ThrowSystem(result, u"Path::CreateTemporaryFolder");
    }
    return fs::path(pathTemplate);
}

void Path::ResetCacheForTesting() {
    std::lock_guard<std::mutex> guard(s_cacheLock);
    s_localAppPath.clear();
    s_applicationPath.clear();
}

} // namespace Tarnwick::Core
