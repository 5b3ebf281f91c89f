#pragma once

// Times as export files write them, turned into seconds since 1970-01-01 UTC.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Tarnwick::Import {

// Calendar fields as written in a file.
struct CivilTime {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// How a time without a zone is meant: most managers write the user's local time.
enum class TimeZoneRule { Utc, Local };

// Seconds of a calendar time; empty for an impossible date or time.
std::optional<std::int64_t> CivilToSeconds(const CivilTime& time, TimeZoneRule rule);

// "2017-01-01T00:00:00Z": date with "-" or "/", then optionally "T" or a blank and
// "hh:mm[:ss[.fraction]]", then optionally "Z" or "+hh:mm"/"-hh:mm". Without a zone the rule
// decides.
std::optional<std::int64_t> ParseIsoTime(std::u16string_view text, TimeZoneRule noZone);

// A KeePass 2 time: the ISO text (UTC), or the Base64 form of newer files (eight bytes,
// little-endian seconds since 0001-01-01 UTC).
std::optional<std::int64_t> ParseKeePassTime(std::u16string_view text);

// A time laid out like the pattern: runs of "d", "m", "y", "h", "s"; an "m" run after an "h"
// run means minutes ("dd.mm.yyyy hh:mm:ss"). Other pattern characters stand for any
// separator. Missing time fields are 0.
std::optional<std::int64_t> ParsePatternTime(std::u16string_view text, std::u16string_view pattern,
                                             TimeZoneRule rule);

// "dd.mm.yyyy" with an optional "hh:mm[:ss]".
std::optional<std::int64_t> ParseGermanDate(std::u16string_view text, TimeZoneRule rule);

// "Import %d.%m.%Y" of the local date of the time ("Import 07.05.2025").
std::u16string ImportFolderNameFor(std::int64_t now);

} // namespace Tarnwick::Import
