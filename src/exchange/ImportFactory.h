#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "exchange/CsvSettings.h"
#include "exchange/ImportBase.h"

namespace Tarnwick::Import {

// The formats of the wizard's list, in its order.
enum class ImportFormat : std::size_t {
    KeePass1 = 0,
    KeePass2 = 1,
    PasswordDepot3 = 2,
    PasswordDepot4 = 3,
    PasswordDepot5 = 4,
    PasswordSafeRepository5Csv = 5,
    PasswordSafeXml = 6,
    StickyPassword4 = 7,
    KasperskyPasswordManager = 8,
    AlleMeinePassworte = 9,
    Csv = 10,
};
inline constexpr std::size_t kImportFormatCount = 11;

// "KeePass 1.x (xml)", "KeePass 2.x (xml)", ... "Komma getrennte Werte (csv)".
const std::vector<std::u16string_view>& ImportFormatNames();
std::u16string_view ImportFormatName(ImportFormat format);
std::optional<ImportFormat> FindImportFormat(std::u16string_view name);
std::optional<ImportFormat> ImportFormatAt(std::size_t index);
// Formats whose name ends in "(csv)": they take CSV settings and a column mapping.
bool IsCsvFormat(ImportFormat format) noexcept;

// The filters of the "Quelle öffnen..." dialog: "CSV Dateien" (*.csv) or "Xml Dateien"
// (*.xml), then "Alle Dateien" (*.*).
struct FileFilter {
    std::u16string_view description;
    std::u16string_view pattern;
};
std::vector<FileFilter> SourceFileFilters(ImportFormat format);

inline constexpr std::u16string_view kInvalidSourceMessage = u"Geben Sie eine gültige Quelldatei ein.";
// Whether the path names an existing file (not a folder).
bool IsValidImportSource(const std::filesystem::path& path);

// The importer of a format, reading into the target collection; CSV formats use the settings.
std::unique_ptr<ImportBase> CreateImporter(ImportFormat format, PasswordADT::PasswordData& target,
                                           const CSV::CsvSettings& csvSettings = {});
// By list position or name; an unknown one raises kUnknownFormatMessage
// ("ImportFactory::CreateImporter").
std::unique_ptr<ImportBase> CreateImporter(std::size_t index, PasswordADT::PasswordData& target,
                                           const CSV::CsvSettings& csvSettings = {});
std::unique_ptr<ImportBase> CreateImporter(std::u16string_view name, PasswordADT::PasswordData& target,
                                           const CSV::CsvSettings& csvSettings = {});

} // namespace Tarnwick::Import
