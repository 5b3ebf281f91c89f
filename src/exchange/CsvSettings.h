#pragma once

#include <string>
#include <string_view>

namespace Tarnwick::Import::CSV {

// The CSV options of the wizard's first page.
struct CsvSettings {
    char16_t separator = u';';
    // Encloses fields that hold separators, line breaks or the qualifier itself (doubled);
    // 0 for none.
    char16_t qualifier = u'"';
    bool firstLineHoldsNames = false;
    // The folder column holds paths whose names are split at the folder separator.
    bool folderNamesIncluded = false;
    char16_t folderSeparator = 0;
    // Whether importFolderName names the import folder ("&Namen für Importordner festlegen");
    // otherwise it is "Import" and the date.
    bool setImportFolderName = false;
    std::u16string importFolderName;
};

// Targets of the column mapping, with the texts of the wizard's second page.
enum ColumnTarget : int {
    TargetNone = 0,
    TargetFolder = 1,
    TargetDescription = 2,
    TargetUserName = 3,
    TargetPassword = 4,
    TargetEmail = 5,
    TargetComment = 6,
    TargetUrl = 7,
};
inline constexpr int kColumnTargetCount = 8;

// "<Keine Zuordnung>", "Ordner", "Beschreibung", "Benutzername", "Passwort", "E-Mail",
// "Kommentar", "Url/Programm"; empty for other codes.
std::u16string_view ColumnTargetText(int target) noexcept;

inline constexpr std::u16string_view kSeparatorMissingMessage = u"Geben Sie das Trennzeichen für den Import an.";
inline constexpr std::u16string_view kFolderSeparatorMissingMessage = u"Geben Sie das Trennzeichen für die Ordner an.";
inline constexpr std::u16string_view kFolderNameMissingMessage = u"Geben Sie den Namen für den Importordner an.";
inline constexpr std::u16string_view kSameCharactersMessage =
    u"Trennzeichen und Textbegrenzungszeichen müssen verschieden sein.";
// %s: the target text.
inline constexpr std::u16string_view kTargetTakenMessage = u"Der Eintrag %s wurde bereits gewählt.";

// The first complaint of the first page about the settings; empty when they can be used.
std::u16string_view CheckCsvSettings(const CsvSettings& settings) noexcept;

} // namespace Tarnwick::Import::CSV
