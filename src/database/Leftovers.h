#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace EmberkiteDatabase {

// A copy of a database that an interrupted request left beside it: a hidden working copy
// ".NAME.XXXXXX" of a rewrite, or a backup "~$<seconds>NAME" of an import or upgrade. Such a
// copy still opens with the credentials it was made under, so it must not linger.
struct Leftover {
    std::filesystem::path path;
    // The time in the backup's name; 0 for a working copy.
    std::int64_t seconds = 0;
};

// Overwrite passes for leftovers (each pass the nine fills), as for the old content of a
// reorganised file.
inline constexpr int kLeftoverErasePasses = 3;

// Working copies of this database that no running request holds (our naming, our user, a
// regular file, not locked). The database path must be resolved already.
std::vector<Leftover> FindStaleWorkingCopies(const std::filesystem::path& database);
// Backups of this database that no running request holds, oldest first.
std::vector<Leftover> FindStaleBackups(const std::filesystem::path& database);

// Overwrites a leftover with kLeftoverErasePasses passes and removes it; one that another
// name (a hard link) still shows is only unlinked. False when it is held by a running request,
// is no longer ours, or cannot be removed.
bool EraseLeftover(const std::filesystem::path& path);

} // namespace EmberkiteDatabase
