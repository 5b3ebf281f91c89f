#include "database/Leftovers.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

#include "database/EmberkiteEngine.h"
#include "base/exceptions/Exception.h"
#include "platform/Files.h"
#include "platform/FileSystem.h"

namespace EmberkiteDatabase {

using Tarnwick::Platform::FileStatus;
using Tarnwick::Platform::FileSystem;
using Tarnwick::Platform::IFile;

namespace {

std::filesystem::path FolderOf(const std::filesystem::path& database) {
    return database.has_parent_path() ? database.parent_path() : std::filesystem::path(".");
}

bool IsWorkingCopyName(const std::string& name, const std::string& prefix) {
    // mkostemp replaces six "X" with letters and digits.
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                       [](unsigned char c) { return std::isalnum(c) != 0; });
}

// The seconds of "~$<seconds>NAME", or -1 when the name is not a backup of this database.
std::int64_t BackupSeconds(const std::string& name, const std::string& database) {
    if (name.size() <= 2 + database.size() || name.compare(0, 2, "~$") != 0 ||
        name.compare(name.size() - database.size(), database.size(), database) != 0) {
        return -1;
    }
    const std::string digits = name.substr(2, name.size() - 2 - database.size());
    if (digits.empty() || digits.size() > 18 ||
        !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return c >= '0' && c <= '9'; })) {
        return -1;
    }
    return std::stoll(digits);
}

// Opens a leftover without following a link and takes its lock; nullptr when it is not a
// regular file of ours or a running request holds it.
std::unique_ptr<IFile> OpenIfStale(const std::filesystem::path& path, FileStatus& status) {
    std::unique_ptr<IFile> file;
    if (FileSystem().Open(path, Tarnwick::Platform::OpenMode::ReadWriteNoFollow, file) != 0 || !file) {
        return nullptr;
    }
    if (file->Status(status) != 0 || !status.regular || status.owner != Tarnwick::Platform::EffectiveUser()) {
        return nullptr;
    }
    // A request at work holds its copy locked from the moment it exists.
    if (file->LockExclusive() != 0) {
        return nullptr;
    }
    return file;
}

template <typename Match>
std::vector<Leftover> Find(const std::filesystem::path& database, const Match& match) {
    std::vector<Leftover> found;
    std::vector<std::string> names;
    if (Tarnwick::Platform::ListFolder(FolderOf(database), names) != 0) {
        return found;
    }
    for (const std::string& name : names) {
        const std::int64_t seconds = match(name);
        if (seconds < 0) {
            continue;
        }
        const std::filesystem::path path = FolderOf(database) / name;
        FileStatus status;
        if (OpenIfStale(path, status)) {
            found.push_back({path, seconds});
        }
    }
    std::sort(found.begin(), found.end(), [](const Leftover& a, const Leftover& b) {
        return a.seconds != b.seconds ? a.seconds < b.seconds : a.path < b.path;
    });
    return found;
}

} // namespace

std::vector<Leftover> FindStaleWorkingCopies(const std::filesystem::path& database) {
    const std::string prefix = Tarnwick::Platform::StagingPrefix(database);
    return Find(database, [&](const std::string& name) -> std::int64_t { return IsWorkingCopyName(name, prefix) ? 0 : -1; });
}

std::vector<Leftover> FindStaleBackups(const std::filesystem::path& database) {
    const std::string own = database.filename().string();
    return Find(database, [&](const std::string& name) { return BackupSeconds(name, own); });
}

bool EraseLeftover(const std::filesystem::path& path) {
    FileStatus status;
    const std::unique_ptr<IFile> file = OpenIfStale(path, status);
    if (!file) {
        return false;
    }
    try {
        // Content that another name still shows belongs to that name.
        if (status.links <= 1) {
            EmberkiteEngine::SecureOverwrite(*file, status.size, kLeftoverErasePasses);
        }
    } catch (const Utilities::Exceptions::Exception&) {
        return false;
    }
    return FileSystem().Remove(path) == 0;
}

} // namespace EmberkiteDatabase
