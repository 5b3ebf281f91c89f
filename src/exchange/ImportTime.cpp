#include "exchange/ImportTime.h"

#include <array>

#include "base/text/Base64.h"
#include "base/text/Format.h"
#include "exchange/ImportText.h"
#include "platform/Files.h"

namespace Tarnwick::Import {

namespace {

// Seconds between 0001-01-01 and 1970-01-01.
constexpr std::int64_t kSecondsBeforeUnixEpoch = 62135596800;

bool IsLeapYear(int year) noexcept {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) noexcept {
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) noexcept {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool IsValid(const CivilTime& t) noexcept {
    return t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
           t.minute <= 59 && t.second >= 0 && t.second <= 60;
}

std::int64_t UtcSeconds(const CivilTime& t) noexcept {
    const int second = t.second == 60 ? 59 : t.second;
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + second;
}

// Local time minus UTC at a moment, in seconds; 0 when the zone cannot be read.
std::int64_t LocalOffset(std::int64_t seconds) {
    Platform::CalendarTime local;
    if (!Platform::ToCalendarTime(seconds, true, local).Ok()) {
        return 0;
    }
    CivilTime civil{local.year, local.month, local.day, local.hour, local.minute, local.second};
    return UtcSeconds(civil) - seconds;
}

// Reads exactly count digits at position at.
bool Digits(std::u16string_view text, std::size_t& at, std::size_t count, int& value) noexcept {
    if (at + count > text.size()) {
        return false;
    }
    int result = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t ch = text[at + i];
        if (ch < u'0' || ch > u'9') {
            return false;
        }
        result = result * 10 + (ch - u'0');
    }
    at += count;
    value = result;
    return true;
}

// Reads one to max digits.
bool SomeDigits(std::u16string_view text, std::size_t& at, std::size_t max, int& value) noexcept {
    std::size_t count = 0;
    int result = 0;
    while (at < text.size() && count < max && text[at] >= u'0' && text[at] <= u'9') {
        result = result * 10 + (text[at] - u'0');
        ++at;
        ++count;
    }
    value = result;
    return count > 0;
}

} // namespace

std::optional<std::int64_t> CivilToSeconds(const CivilTime& time, TimeZoneRule rule) {
    if (!IsValid(time)) {
        return std::nullopt;
    }
    const std::int64_t utc = UtcSeconds(time);
    if (rule == TimeZoneRule::Utc) {
        return utc;
    }
    // The offset at the guessed moment, corrected once for a change of daylight saving time.
    const std::int64_t first = LocalOffset(utc);
    std::int64_t seconds = utc - first;
    const std::int64_t second = LocalOffset(seconds);
    if (second != first) {
        seconds = utc - second;
    }
    return seconds;
}

std::optional<std::int64_t> ParseIsoTime(std::u16string_view text, TimeZoneRule noZone) {
    text = Detail::TrimBlanks(text);
    CivilTime t;
    std::size_t at = 0;
    if (!Digits(text, at, 4, t.year) || at >= text.size() || (text[at] != u'-' && text[at] != u'/')) {
        return std::nullopt;
    }
    const char16_t dateSeparator = text[at++];
    if (!Digits(text, at, 2, t.month) || at >= text.size() || text[at++] != dateSeparator ||
        !Digits(text, at, 2, t.day)) {
        return std::nullopt;
    }
    if (at < text.size() && (text[at] == u'T' || text[at] == u' ')) {
        ++at;
        if (!Digits(text, at, 2, t.hour) || at >= text.size() || text[at++] != u':' ||
            !Digits(text, at, 2, t.minute)) {
            return std::nullopt;
        }
        if (at < text.size() && text[at] == u':') {
            ++at;
            if (!Digits(text, at, 2, t.second)) {
                return std::nullopt;
            }
            if (at < text.size() && (text[at] == u'.' || text[at] == u',')) {
                ++at;
                int ignored = 0;
                if (!SomeDigits(text, at, 9, ignored)) {
                    return std::nullopt;
                }
                while (at < text.size() && text[at] >= u'0' && text[at] <= u'9') {
                    ++at;
                }
            }
        }
    }
    if (at == text.size()) {
        return CivilToSeconds(t, noZone);
    }
    const auto utc = CivilToSeconds(t, TimeZoneRule::Utc);
    if (!utc) {
        return std::nullopt;
    }
    if (text[at] == u'Z' && at + 1 == text.size()) {
        return utc;
    }
    if (text[at] != u'+' && text[at] != u'-') {
        return std::nullopt;
    }
    const int sign = text[at++] == u'-' ? -1 : 1;
    int hours = 0;
    int minutes = 0;
    if (!Digits(text, at, 2, hours)) {
        return std::nullopt;
    }
    if (at < text.size() && text[at] == u':') {
        ++at;
    }
    if (at < text.size() && !Digits(text, at, 2, minutes)) {
        return std::nullopt;
    }
    if (at != text.size() || hours > 23 || minutes > 59) {
        return std::nullopt;
    }
    return *utc - sign * (hours * 3600 + minutes * 60);
}

std::optional<std::int64_t> ParseKeePassTime(std::u16string_view text) {
    text = Detail::TrimBlanks(text);
    if (auto iso = ParseIsoTime(text, TimeZoneRule::Utc)) {
        return iso;
    }
    // Eight bytes in Base64, little-endian.
    const auto bytes = Text::Base64::Decode(text);
    if (!bytes || bytes->size() != 8) {
        return std::nullopt;
    }
    std::uint64_t littleEndian = 0;
    for (int i = 0; i < 8; ++i) {
        littleEndian |= std::uint64_t{(*bytes)[static_cast<std::size_t>(i)]} << (8 * i);
    }
    const auto seconds = static_cast<std::int64_t>(littleEndian);
    if (seconds < 0 || seconds > 315537897599) { // up to 9999-12-31T23:59:59
        return std::nullopt;
    }
    return seconds - kSecondsBeforeUnixEpoch;
}

std::optional<std::int64_t> ParsePatternTime(std::u16string_view text, std::u16string_view pattern,
                                             TimeZoneRule rule) {
    text = Detail::TrimBlanks(text);
    CivilTime t;
    bool sawHour = false;
    bool sawYear = false;
    bool sawMonth = false;
    bool sawDay = false;
    std::size_t at = 0;
    std::size_t p = 0;
    while (p < pattern.size()) {
        const char16_t letter = static_cast<char16_t>(pattern[p] | 0x20);
        std::size_t run = 0;
        while (p + run < pattern.size() && static_cast<char16_t>(pattern[p + run] | 0x20) == letter) {
            ++run;
        }
        int value = 0;
        switch (letter) {
        case u'd':
        case u'm':
        case u'y':
        case u'h':
        case u's':
            if (!SomeDigits(text, at, letter == u'y' ? 4 : 2, value)) {
                return std::nullopt;
            }
            break;
        default:
            // A separator: any one character that is not a digit.
            for (std::size_t i = 0; i < run; ++i) {
                if (at >= text.size() || (text[at] >= u'0' && text[at] <= u'9')) {
                    return std::nullopt;
                }
                ++at;
            }
            p += run;
            continue;
        }
        switch (letter) {
        case u'd':
            t.day = value;
            sawDay = true;
            break;
        case u'm':
            if (sawHour) {
                t.minute = value;
            } else {
                t.month = value;
                sawMonth = true;
            }
            break;
        case u'y':
            t.year = value < 100 && run <= 2 ? 2000 + value : value;
            sawYear = true;
            break;
        case u'h':
            t.hour = value;
            sawHour = true;
            break;
        default:
            t.second = value;
            break;
        }
        p += run;
    }
    if (at != text.size() || !sawYear || !sawMonth || !sawDay) {
        return std::nullopt;
    }
    return CivilToSeconds(t, rule);
}

std::optional<std::int64_t> ParseGermanDate(std::u16string_view text, TimeZoneRule rule) {
    text = Detail::TrimBlanks(text);
    if (auto full = ParsePatternTime(text, u"dd.mm.yyyy hh:mm:ss", rule)) {
        return full;
    }
    if (auto minutes = ParsePatternTime(text, u"dd.mm.yyyy hh:mm", rule)) {
        return minutes;
    }
    return ParsePatternTime(text, u"dd.mm.yyyy", rule);
}

std::u16string ImportFolderNameFor(std::int64_t now) {
    Platform::CalendarTime local;
    if (!Platform::ToCalendarTime(now, true, local).Ok()) {
        Platform::ToCalendarTime(now, false, local);
    }
    return Text::Format(u"Import %02d.%02d.%04d", local.day, local.month, local.year).ToStdString();
}

} // namespace Tarnwick::Import
