#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/CsvPresets.h"
#include "exchange/ImportFactory.h"

namespace Tarnwick::Import {

// What the start of an export file says about its format.
struct RecognisedFormat {
    ImportFormat format = ImportFormat::Csv;
    // CSV only: the separator its first line uses, the preset its header line names, or else
    // the targets the header's names map to (at least two; none: the columns are unknown).
    char16_t separator = u',';
    std::optional<CSV::CsvPreset> preset;
    std::vector<int> headerMapping;

    // Whether the rows can be imported without a column mapping from the user.
    bool ColumnsKnown() const noexcept;
    // The preset's name, or the format's name in the wizard's list.
    std::u16string Name() const;
};

// Only this much of a file is looked at.
inline constexpr std::size_t kRecognitionBytes = 64u << 10;

// The XML format whose importer takes a root element of this name (a prefix is ignored).
std::optional<ImportFormat> FormatOfXmlRoot(std::u16string_view rootName);
// The format of an XML document from its first bytes; none for other text or an unknown root.
std::optional<ImportFormat> RecogniseXmlFormat(const std::string& head);

// The format of the file from its first kRecognitionBytes: an XML export by its root element,
// a CSV export by its header line. None for a file that is neither, an XML file of an unknown
// format, or a CSV file of fewer than two columns.
std::optional<RecognisedFormat> RecogniseImportFormat(const std::filesystem::path& path);

} // namespace Tarnwick::Import
