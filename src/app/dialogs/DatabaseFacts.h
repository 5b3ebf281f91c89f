#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "database/EmberkiteEngine.h"

namespace Tarnwick::Dialogs {

// "%s B", "%s.%02d KB", "%s.%02d MB" or "%s.%02d GB" in units of 1024, hundredths cut off.
std::u16string FormatFileSize(std::uint64_t size);
// "%d.%m.%Y %H:%M:%S" in local time; "-" for a time that never was (negative).
std::u16string FormatDateTime(std::int64_t seconds);

// What the file system tells of the database file.
struct FileFacts {
    bool known = false;
    std::uint64_t size = 0;
    std::int64_t created = -1;  // birth time where the file system keeps one
    std::int64_t modified = -1;
    unsigned mode = 0;          // permission bits
};
FileFacts ReadFileFacts(const std::filesystem::path& path);

// "rw------- (0600)", with "versteckt" for a name that starts with a dot.
std::u16string FormatAttributes(const std::filesystem::path& path, unsigned mode);

struct FactRow {
    std::u16string name;
    std::u16string value;
};
struct FactGroup {
    std::u16string title;
    std::vector<FactRow> rows;
};

// The two groups of the "Details" page, "Datei" and "Datenbank", in their order.
std::vector<FactGroup> DescribeDatabase(const std::filesystem::path& path, const FileFacts& file,
                                        const EmberkiteDatabase::DatabaseProperties& database);

} // namespace Tarnwick::Dialogs
