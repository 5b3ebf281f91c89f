#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace Tarnwick::Dialogs {

// The database path with its extension replaced by "-%d-%m-%Y.twdb" for the local date of now.
std::filesystem::path DefaultBackupPath(const std::filesystem::path& database, std::int64_t now);

// Copies source to target: the bytes go into a private temporary file (0600) beside the
// target, which is flushed and then renamed over the target, so the target holds either its
// old content or the whole copy. The source is locked while it is read, so no request of
// another program changes it halfway. progress gets the percent copied. Returns 0 or the
// errno of the failure; failedCall names the system call.
int CopyDatabaseFile(const std::filesystem::path& source, const std::filesystem::path& target,
                     const std::function<void(int percent)>& progress, std::string& failedCall);

// Whether both files hold the same bytes, by their SHA-256 digests. Throws when a file
// cannot be read.
bool HaveSameContent(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace Tarnwick::Dialogs
