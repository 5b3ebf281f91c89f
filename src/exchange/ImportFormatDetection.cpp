#include "exchange/ImportFormatDetection.h"

#include <algorithm>

#include "base/exceptions/Exception.h"
#include "crypto/SecureWipe.h"
#include "exchange/ImportSource.h"
#include "exchange/ImportText.h"
#include "exchange/XmlPrologCheck.h"

namespace Tarnwick::Import {

namespace {

// The head may hold secrets of the export: it is wiped however the look ends.
class WipedBytes {
public:
    WipedBytes() = default;
    WipedBytes(const WipedBytes&) = delete;
    WipedBytes& operator=(const WipedBytes&) = delete;
    ~WipedBytes() { CryptoServiceProvider::SecureWipe(bytes.data(), bytes.size()); }
    std::string bytes;
};

void ReadHead(const std::filesystem::path& path, std::string& bytes) {
    ImportSource source = ImportSource::Open(path, u"RecogniseImportFormat");
    bytes.assign(kRecognitionBytes, '\0');
    std::size_t have = 0;
    while (have < bytes.size()) {
        std::size_t got = 0;
        if (source.Read(bytes.data() + have, bytes.size() - have, got) != 0 || got == 0) {
            break;
        }
        have += got;
    }
    bytes.resize(have);
}

// Markup first, after a byte order mark and blanks (in UTF-16 every other byte is zero).
bool StartsWithMarkup(const std::string& head) {
    std::size_t at = 0;
    const auto starts = [&](std::string_view mark) { return head.compare(0, mark.size(), mark) == 0; };
    if (starts("\xEF\xBB\xBF")) {
        at = 3;
    } else if (starts("\xFF\xFE") || starts("\xFE\xFF")) {
        at = 2;
    }
    for (; at < head.size(); ++at) {
        const char ch = head[at];
        if (ch == '<') {
            return true;
        }
        if (ch != ' ' && ch != '\t' && ch != '\r' && ch != '\n' && ch != '\0') {
            return false;
        }
    }
    return false;
}

// "Alle meine Passworte" starts every entry with these elements, whatever its root is called.
bool HasAmpElements(const std::string& head) {
    return head.find("<Bezeichnung>") != std::string::npos && head.find("<Passwort1>") != std::string::npos;
}

std::u16string_view LocalPart(std::u16string_view name) {
    const std::size_t colon = name.rfind(u':');
    return colon == std::u16string_view::npos ? name : name.substr(colon + 1);
}

} // namespace

bool RecognisedFormat::ColumnsKnown() const noexcept {
    return !IsCsvFormat(format) || preset.has_value() || !headerMapping.empty();
}

std::u16string RecognisedFormat::Name() const {
    return preset ? preset->name : std::u16string(ImportFormatName(format));
}

std::optional<ImportFormat> FormatOfXmlRoot(std::u16string_view rootName) {
    const std::u16string_view name = LocalPart(rootName);
    // The same names the importers insist on, in their spelling.
    if (name == u"KeePassFile") {
        return ImportFormat::KeePass2;
    }
    if (name == u"pwlist") {
        return ImportFormat::KeePass1;
    }
    if (name == u"passwordsafe") {
        return ImportFormat::PasswordSafeXml;
    }
    // Sticky Password and Kaspersky write the same layout, read by the same importer.
    if (name == u"root") {
        return ImportFormat::StickyPassword4;
    }
    // Password Depot wrote its names in capitals before version 17.
    if (Detail::EqualsAsciiNoCase(name, u"passwordfile")) {
        return ImportFormat::PasswordDepot5;
    }
    if (Detail::EqualsAsciiNoCase(name, u"AmP_FILE")) {
        return ImportFormat::AlleMeinePassworte;
    }
    return std::nullopt;
}

std::optional<ImportFormat> RecogniseXmlFormat(const std::string& head) {
    if (!StartsWithMarkup(head)) {
        return std::nullopt;
    }
    const Xml::XmlProlog prolog = Xml::InspectXmlPrologBytes(head);
    if (!prolog.rootFound) {
        return std::nullopt;
    }
    if (const auto format = FormatOfXmlRoot(prolog.rootName)) {
        return format;
    }
    if (HasAmpElements(head)) {
        return ImportFormat::AlleMeinePassworte;
    }
    return std::nullopt;
}

std::optional<RecognisedFormat> RecogniseImportFormat(const std::filesystem::path& path) {
    WipedBytes head;
    try {
        ReadHead(path, head.bytes);
    } catch (const Utilities::Exceptions::Exception&) {
        return std::nullopt;
    }
    if (StartsWithMarkup(head.bytes)) {
        const auto format = RecogniseXmlFormat(head.bytes);
        if (!format) {
            return std::nullopt;
        }
        RecognisedFormat recognised;
        recognised.format = *format;
        return recognised;
    }
    RecognisedFormat recognised;
    recognised.format = ImportFormat::Csv;
    const auto first = CSV::ReadFirstRecord(path, recognised.separator);
    if (first.size() < 2) {
        return std::nullopt;
    }
    const auto names = CSV::Views(first);
    recognised.preset = CSV::RecognisePreset(names);
    if (!recognised.preset) {
        auto mapping = CSV::MappingFromHeader(names);
        const auto mapped = std::count_if(mapping.begin(), mapping.end(), [](int t) { return t != CSV::TargetNone; });
        if (mapped >= 2) {
            recognised.headerMapping = std::move(mapping);
        }
    }
    return recognised;
}

} // namespace Tarnwick::Import
