#include "exchange/CsvSettings.h"

namespace Tarnwick::Import::CSV {

std::u16string_view ColumnTargetText(int target) noexcept {
    switch (target) {
    case TargetNone:
        return u"<Keine Zuordnung>";
    case TargetFolder:
        return u"Ordner";
    case TargetDescription:
        return u"Beschreibung";
    case TargetUserName:
        return u"Benutzername";
    case TargetPassword:
        return u"Passwort";
    case TargetEmail:
        return u"E-Mail";
    case TargetComment:
        return u"Kommentar";
    case TargetUrl:
        return u"Url/Programm";
    default:
        return {};
    }
}

std::u16string_view CheckCsvSettings(const CsvSettings& settings) noexcept {
    if (settings.separator == 0) {
        return kSeparatorMissingMessage;
    }
    if (settings.qualifier != 0 && settings.qualifier == settings.separator) {
        return kSameCharactersMessage;
    }
    if (settings.folderNamesIncluded && settings.folderSeparator == 0) {
        return kFolderSeparatorMissingMessage;
    }
    if (settings.setImportFolderName && settings.importFolderName.empty()) {
        return kFolderNameMissingMessage;
    }
    return {};
}

} // namespace Tarnwick::Import::CSV
