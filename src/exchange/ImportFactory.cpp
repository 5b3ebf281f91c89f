#include "exchange/ImportFactory.h"

#include "exchange/CsvImportPSR.h"
#include "exchange/CsvImporter.h"
#include "exchange/ImportMessages.h"
#include "exchange/XmlImportAmp.h"
#include "exchange/XmlImportKeepassV1.h"
#include "exchange/XmlImportKeepassV2.h"
#include "exchange/XmlImportPasswordDepot.h"
#include "exchange/XmlImportPasswordSafe.h"
#include "exchange/XmlImportStickyPassword.h"
#include "base/exceptions/Exception.h"
#include "platform/Files.h"

namespace Tarnwick::Import {

using Utilities::Exceptions::Exception;

const std::vector<std::u16string_view>& ImportFormatNames() {
    static const std::vector<std::u16string_view> names = {
        u"KeePass 1.x (xml)",
        u"KeePass 2.x (xml)",
        u"Password Depot 3 (xml)",
        u"Password Depot 4 (xml)",
        u"Password Depot 5 (xml)",
        u"Password Safe and Repository 5 (csv)",
        u"Password Safe [Sourceforge.net] (xml)",
        u"Sticky Password 4 (xml)",
        u"Kaspersky Password Manager (xml)",
        u"Alle meine Passworte (xml)",
        u"Komma getrennte Werte (csv)",
    };
    return names;
}

std::u16string_view ImportFormatName(ImportFormat format) {
    return ImportFormatNames().at(static_cast<std::size_t>(format));
}

std::optional<ImportFormat> ImportFormatAt(std::size_t index) {
    if (index >= kImportFormatCount) {
        return std::nullopt;
    }
    return static_cast<ImportFormat>(index);
}

std::optional<ImportFormat> FindImportFormat(std::u16string_view name) {
    const auto& names = ImportFormatNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) {
            return static_cast<ImportFormat>(i);
        }
    }
    return std::nullopt;
}

bool IsCsvFormat(ImportFormat format) noexcept {
    return format == ImportFormat::PasswordSafeRepository5Csv || format == ImportFormat::Csv;
}

std::vector<FileFilter> SourceFileFilters(ImportFormat format) {
    std::vector<FileFilter> filters;
    if (IsCsvFormat(format)) {
        filters.push_back({u"CSV Dateien", u"*.csv"});
    } else {
        filters.push_back({u"Xml Dateien", u"*.xml"});
    }
    filters.push_back({u"Alle Dateien", u"*.*"});
    return filters;
}

bool IsValidImportSource(const std::filesystem::path& path) {
    if (path.empty()) {
        return false;
    }
    bool isFolder = false;
    return Platform::QueryPath(path, isFolder).Ok() && !isFolder;
}

std::unique_ptr<ImportBase> CreateImporter(ImportFormat format, PasswordADT::PasswordData& target,
                                           const CSV::CsvSettings& csvSettings) {
    switch (format) {
    case ImportFormat::KeePass1:
        return std::make_unique<Xml::XmlImportKeepassV1>(target);
    case ImportFormat::KeePass2:
        return std::make_unique<Xml::XmlImportKeepassV2>(target);
    case ImportFormat::PasswordDepot3:
    case ImportFormat::PasswordDepot4:
    case ImportFormat::PasswordDepot5:
        return std::make_unique<Xml::XmlImportPasswordDepot>(target);
    case ImportFormat::PasswordSafeRepository5Csv:
        return std::make_unique<CSV::CsvImportPSR>(target, csvSettings);
    case ImportFormat::PasswordSafeXml:
        return std::make_unique<Xml::XmlImportPasswordSafe>(target);
    case ImportFormat::StickyPassword4:
    case ImportFormat::KasperskyPasswordManager:
        return std::make_unique<Xml::XmlImportStickyPassword>(target);
    case ImportFormat::AlleMeinePassworte:
        return std::make_unique<Xml::XmlImportAmp>(target);
    case ImportFormat::Csv:
        return std::make_unique<CSV::CsvImporter>(target, csvSettings);
    }
    throw Exception(kUnknownFormatMessage, u"ImportFactory::CreateImporter");
}

std::unique_ptr<ImportBase> CreateImporter(std::size_t index, PasswordADT::PasswordData& target,
                                           const CSV::CsvSettings& csvSettings) {
    const auto format = ImportFormatAt(index);
    if (!format) {
        throw Exception(kUnknownFormatMessage, u"ImportFactory::CreateImporter");
    }
    return CreateImporter(*format, target, csvSettings);
}

std::unique_ptr<ImportBase> CreateImporter(std::u16string_view name, PasswordADT::PasswordData& target,
                                           const CSV::CsvSettings& csvSettings) {
    const auto format = FindImportFormat(name);
    if (!format) {
        throw Exception(kUnknownFormatMessage, u"ImportFactory::CreateImporter");
    }
    return CreateImporter(*format, target, csvSettings);
}

} // namespace Tarnwick::Import
