#pragma once

#include <filesystem>

namespace EmberkiteDatabase {

// Removes a database file that has been overwritten and closed.
class FileDeletionTool {
public:
    // A failed removal raises DBException 14 with a description of the cause.
    static void EraseFile(const std::filesystem::path& path);
};

} // namespace EmberkiteDatabase
