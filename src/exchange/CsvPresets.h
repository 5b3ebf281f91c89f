#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/CsvImporter.h"

namespace Tarnwick::Import::CSV {

// How a preset finds values beyond the plain columns.
enum class CsvExtras {
    None,
    BitwardenFields, // one column of "name: value" lines
    RoboFormFields,  // from a column on: "Name$:type:value"
    KeeperPairs,     // from a column on: name, value, name, value ...
    EnpassPairs,     // title, then name/value pairs, the note last
};

// The CSV export of another password manager: how its columns map to the entry, and which
// of them become user-defined fields or cannot be taken over at all.
struct CsvPreset {
    std::u16string name;
    bool header = true;
    char16_t folderSeparator = 0;
    // KeePassXC writes the root group in front of every group path.
    bool dropRootFolder = false;
    // Firefox has no title: the address stands for it.
    bool titleFromUrl = false;
    CsvExtras extras = CsvExtras::None;
    std::size_t extrasColumn = 0;
    std::vector<int> mapping;
    // Columns whose non-empty values become user-defined fields named by the header.
    std::vector<std::size_t> fieldColumns;
    // Columns no entry can carry (one-time-password secrets, attachments): each value is
    // reported, never dropped silently.
    std::vector<std::size_t> unsupportedColumns;
};

// The managers of the preset choice, in its order.
const std::vector<std::u16string_view>& CsvPresetNames();

// The preset whose header line this first record is; none for other files.
std::optional<CsvPreset> RecognisePreset(const std::vector<std::u16string_view>& firstRecord);
// The preset of the named manager for a file with this first record (Dashlane and Keeper
// write no header line); none for an unknown name or a header of another layout.
std::optional<CsvPreset> PresetByName(std::u16string_view name, const std::vector<std::u16string_view>& firstRecord);

// Targets from header names that match them in German or English ("Beschreibung"/"Title",
// "Benutzername"/"Username", "Passwort"/"Password", "URL", "Kommentar"/"Notes" ...); each
// target goes to the first column that names it, others map to none.
std::vector<int> MappingFromHeader(const std::vector<std::u16string_view>& names);
// Whether a column of that name holds what no entry can carry (TOTP secrets, attachments).
bool IsUnsupportedColumn(std::u16string_view name) noexcept;

// The first record of a CSV file and the separator it uses (comma, semicolon or tab,
// whichever splits it most); empty when the file cannot be read. Reads only the file's start.
// Without a header line the record is data, so it stays in strings that are wiped.
std::vector<PlainString> ReadFirstRecord(const std::filesystem::path& path, char16_t& separator);
std::vector<std::u16string_view> Views(const std::vector<PlainString>& record);

// The generic CSV importer that also knows the presets: with one set, rows are turned into
// entries by the preset's rules on top of the column mapping the user confirmed; columns no
// entry can carry are reported per entry.
class PresetCsvImporter : public CsvImporter {
public:
    using CsvImporter::CsvImporter;

    void SetPreset(std::optional<CsvPreset> preset) { m_preset = std::move(preset); }
    const std::optional<CsvPreset>& GetPreset() const noexcept { return m_preset; }

    // Told (done, total) every few hundred rows; called on the importing thread.
    std::function<void(std::size_t, std::size_t)> progress;

    // ImportRows with the preset's rules and progress; without a preset it gives what
    // ImportRows gives, an import folder left empty excepted.
    void ImportAllRows();

private:
    void ImportPresetRow(const CsvRow& row, const std::vector<int>& mapping, PasswordADT::CategoryRef& importFolder);
    void AddExtras(const CsvRow& row);
    void WarnUnsupported(std::u16string_view column);
    std::vector<std::size_t> UnsupportedColumns() const;

    std::optional<CsvPreset> m_preset;
};

} // namespace Tarnwick::Import::CSV
