#pragma once

#include <cstdint>
#include <filesystem>

#include "base/exceptions/Exception.h"

namespace Tarnwick::Core {

// Folder identifiers understood by GetFolderPath (the values of the Windows shell's CSIDL
// numbers, so stored settings and callers keep their meaning).
inline constexpr int CSIDL_PERSONAL = 0x0005;      // the home folder
inline constexpr int CSIDL_STARTUP = 0x0007;       // $XDG_CONFIG_HOME/autostart
inline constexpr int CSIDL_APPDATA = 0x001a;       // $XDG_CONFIG_HOME (default ~/.config)
inline constexpr int CSIDL_LOCAL_APPDATA = 0x001c; // $XDG_DATA_HOME (default ~/.local/share)
inline constexpr int CSIDL_PROFILE = 0x0028;       // the home folder

// A data folder that another user owns or may write to; the message names the folder.
class UnsafeFolderException : public Utilities::Exceptions::Exception {
public:
    using Exception::Exception;
};

// Calendar time of a file, in the field order of the Windows structure it stands for.
struct SYSTEMTIME {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0; // 0 = Sunday
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

struct FULL_FILE_TIME {
    // The birth time where the file system keeps one, otherwise the last status change.
    SYSTEMTIME creationTime;
    SYSTEMTIME lastAccessTime;
    SYSTEMTIME lastWriteTime;
};

// The program's folders and file services. File system paths are std::filesystem::path;
// text that is stored or shown converts at that boundary (base/text/Utf.h). Every failing
// system call raises a WindowsException with the call's name and errno. Folders created here
// are private to the user (0700).
class Path {
public:
    // The folder for a CSIDL value (it need not exist yet). An unknown value raises
    // "Dieser Ordner existiert nicht."; no home folder raises "Dieser Pfad existiert nicht für
    // den Benutzer.". Returns out.
    static std::filesystem::path& GetFolderPath(std::filesystem::path& out, const int& csidl);

    // $XDG_DATA_HOME/Kelmarsh/Tarnwick/2010/ (default ~/.local/share/...), created with mode
    // 0700 on first use and cached for the rest of the run. Ends with a separator. The three
    // folders must belong to the user and be closed to others' writes, else
    // UnsafeFolderException names the first one that is not.
    static const std::filesystem::path& GetLocalAppPath();
    // GetLocalAppPath() + "Images/", created when missing.
    static std::filesystem::path GetQualifiedResourcePath();
    // The folder of the running program (from /proc/self/exe), ending with a separator; cached.
    static const std::filesystem::path& GetApplicationPath();

    // Whether anything (file or folder) is at the path. Missing paths are false; other
    // failures (no permission, a loop of links) throw.
    static bool FileExists(const std::filesystem::path& path);
    static bool PathExists(const std::filesystem::path& path);

    // Creates the folder and all its missing parents. A folder that already exists is an
    // error (EEXIST).
    static void CreatePath(const std::filesystem::path& path);
    // Removes a file, or a folder with all its contents, at once. Symbolic links inside are
    // removed, not followed.
    static void DeleteFileOrFolder(const std::filesystem::path& path);

    // The three times of a file or folder, in UTC or, with local set, in the local time zone.
    static void GetFileTime(FULL_FILE_TIME& out, const std::filesystem::path& path, const bool& local);

    // The user's private folder for short-lived files: $XDG_CACHE_HOME/Kelmarsh/Tarnwick/2010/
    // (default ~/.cache/...), created 0700 when missing. Ends with a separator.
    static std::filesystem::path GetTemporaryPath();
    // A new, empty folder inside GetTemporaryPath(), named after the current time plus a
    // random suffix and made 0700 in one step; every call gives a folder of its own.
    static std::filesystem::path CreateTemporaryFolder();

    // Tests only: forgets the cached folders so the next call reads the environment again.
    static void ResetCacheForTesting();
};

} // namespace Tarnwick::Core
