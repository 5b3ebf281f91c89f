#include "app/dialogs/DatabaseFacts.h"

#include <system_error>

#include "base/text/Format.h"
#include "base/text/Utf.h"
#include "database/FileFormat.h"
#include "platform/FileSystem.h"
#include "platform/Files.h"

namespace Tarnwick::Dialogs {

namespace {

std::u16string Number(std::uint64_t value) { return Text::Format(u"%u", value).ToStdString(); }

std::u16string PathText(const std::filesystem::path& path) { return Text::FromUtf8(path.string()); }

} // namespace

std::u16string FormatFileSize(std::uint64_t size) {
    constexpr std::uint64_t kKilo = 1024;
    if (size < kKilo) {
        return Text::Format(u"%s B", Number(size)).ToStdString();
    }
    struct Unit {
        std::uint64_t bytes;
        const char16_t* format;
    };
    const Unit units[] = {{kKilo, u"%s.%02d KB"}, {kKilo * kKilo, u"%s.%02d MB"}, {kKilo * kKilo * kKilo, u"%s.%02d GB"}};
    const Unit* unit = &units[0];
    if (size >= kKilo * kKilo * kKilo) {
        unit = &units[2];
    } else if (size >= kKilo * kKilo) {
        unit = &units[1];
    }
    // size × 100 / unit modulo 100, without the product that could overflow.
    const std::uint64_t hundredths = (size % unit->bytes) * 100 / unit->bytes;
    return Text::Format(unit->format, Number(size / unit->bytes), hundredths).ToStdString();
}

std::u16string FormatDateTime(std::int64_t seconds) {
    Platform::CalendarTime time;
    if (seconds < 0 || !Platform::ToCalendarTime(seconds, true, time).Ok()) {
        return u"-";
    }
    return Text::Format(u"%02d.%02d.%04d %02d:%02d:%02d", time.day, time.month, time.year, time.hour, time.minute,
                        time.second)
        .ToStdString();
}

FileFacts ReadFileFacts(const std::filesystem::path& path) {
    FileFacts facts;
    Platform::FileStatus status;
    if (Platform::FileSystem().Status(path, status) != 0) {
        return facts;
    }
    facts.known = true;
    facts.size = status.size;
    facts.modified = status.modifiedSeconds;
    facts.mode = status.mode & 07777;
    Platform::FileTimestamps times;
    if (Platform::ReadFileTimes(path, times).Ok()) {
        facts.created = times.creation.seconds;
    }
    return facts;
}

std::u16string FormatAttributes(const std::filesystem::path& path, unsigned mode) {
    std::u16string text;
    const char16_t letters[] = u"rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit) {
        text.push_back((mode & (0400u >> bit)) != 0 ? letters[bit] : u'-');
    }
    const char16_t digits[] = {u'0', static_cast<char16_t>(u'0' + ((mode >> 6) & 7)),
                               static_cast<char16_t>(u'0' + ((mode >> 3) & 7)), static_cast<char16_t>(u'0' + (mode & 7))};
    text += u" (";
    text.append(digits, 4);
    text += u")";
    const std::string name = path.filename().string();
    if (!name.empty() && name.front() == '.') {
        text += u", versteckt";
    }
    return text;
}

std::vector<FactGroup> DescribeDatabase(const std::filesystem::path& path, const FileFacts& file,
                                        const EmberkiteDatabase::DatabaseProperties& database) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) {
        absolute = path;
    }
    const std::u16string unknown = u"-";
    FactGroup fileGroup{u"Datei", {}};
    fileGroup.rows = {
        {u"Name", PathText(absolute.filename())},
        {u"Typ", u"Tarnwick Datenbank"},
        {u"Ordnerpfad", PathText(absolute.parent_path())},
        {u"Größe", file.known ? FormatFileSize(file.size) : unknown},
        {u"Erstelldatum", file.known ? FormatDateTime(file.created) : unknown},
        {u"Änderungsdatum", file.known ? FormatDateTime(file.modified) : unknown},
        {u"Attribute", file.known ? FormatAttributes(absolute, file.mode) : unknown},
    };
    FactGroup databaseGroup{u"Datenbank", {}};
    databaseGroup.rows = {
        {u"Version", Text::Format(u"%d.%d", database.majorVersion, database.minorVersion).ToStdString()},
        {u"Treiber", Text::Format(u"%d.%d.%d", EmberkiteDatabase::Format::kMajorVersion,
                                  EmberkiteDatabase::Format::kMinorVersion, 0)
                         .ToStdString()},
        {u"Anzahl der Ordner", Text::Format(u"%d", database.folderCount).ToStdString()},
        {u"Anzahl der Passwörter", Text::Format(u"%d", database.passwordCount).ToStdString()},
        {u"Erstelldatum", FormatDateTime(database.created)},
        {u"Änderungsdatum", FormatDateTime(database.lastModified)},
        {u"Letzte Passwortänderung", FormatDateTime(database.passwordChanged)},
        {u"Letzter Login", FormatDateTime(database.previousLogin)},
        // The login that opened these properties is the first since the file was made or
        // reorganised exactly when there was no login before it.
        {u"Erster Login oder reorganisiert", database.previousLogin < 0 ? u"Ja" : u"Nein"},
        {u"Verschlüsselung", std::u16string(database.algorithmName.View())},
    };
    return {std::move(fileGroup), std::move(databaseGroup)};
}

} // namespace Tarnwick::Dialogs
