#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "exchange/CsvReader.h"
#include "exchange/CsvSettings.h"
#include "exchange/ImportBase.h"

namespace Tarnwick::Import {
class ImportSource;
}

namespace Tarnwick::Import::CSV {

// Generic CSV ("Komma getrennte Werte (csv)"). Import reads the file into header names and
// rows (first page); the wizard then sets the column mapping and ImportRows turns the rows
// into entries (second page). A row's folder column is resolved before its other columns,
// wherever it stands; without a folder column all entries go to the import folder.
class CsvImporter : public ImportBase {
public:
    CsvImporter(PasswordADT::PasswordData& target, CsvSettings settings);
    ~CsvImporter() override;

    // Reads and splits the file; the first record gives the header names when the settings
    // say so. Raises "open" or "read" ("CsvImporter::Import") when the file cannot be read,
    // refuses anything but a regular file, a file without rows, and a record longer than an
    // entry can be (kMaximumEntryText code units), naming it, as soon as it is that long.
    // Of a field only as much is kept as the longest field of an entry takes, and one code
    // unit more.
    void Import(const std::filesystem::path& path) override;
    // The folder of a row: a top-level folder of that name (with folder names included, a
    // path split at the folder separator), reused when it exists.
    void CreateFolder(std::u16string_view name) override;

    const CsvSettings& GetSettings() const noexcept { return m_settings; }
    // Columns of the widest record (header included).
    std::size_t GetColumnCount() const noexcept { return m_columnCount; }
    // The header name of a column, or "Feld %d" counted from 1 without a header line.
    PlainString GetSourceName(std::size_t column) const;
    const std::vector<CsvRow>& GetRows() const noexcept { return m_rows; }

    // Whether the target may be chosen for the column while the others keep theirs: empty
    // when it may, else the message that refuses it ("<Keine Zuordnung>" may repeat).
    static PlainString CheckTargetChoice(const std::vector<int>& mapping, std::size_t column, int target);
    // One target per column (missing columns: none). Refuses unknown codes and repeated
    // targets with the message of CheckTargetChoice.
    void SetColumnMapping(const std::vector<int>& mapping);
    const std::vector<int>& GetColumnMapping() const noexcept { return m_mapping; }
    // A column maps to "Ordner".
    bool IsFolderMode() const noexcept;

    // Removes what an earlier pass put into the target collection, then adds one entry per
    // row (rows without any mapped value are skipped).
    void ImportRows();

protected:
    // Puts one mapped value into the entry being built (folder and unmapped targets: nothing).
    void SetMappedValue(int target, std::u16string_view value);

private:
    CsvRecords ReadRecords(ImportSource& source) const;
    [[noreturn]] void RefuseOverlongRecord(const CsvParser& parser) const;

    CsvSettings m_settings;
    std::vector<PlainString> m_headers;
    std::vector<CsvRow> m_rows;
    std::size_t m_columnCount = 0;
    std::vector<int> m_mapping;
    std::vector<PlainString> m_readWarnings;
};

} // namespace Tarnwick::Import::CSV
