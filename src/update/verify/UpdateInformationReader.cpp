#include <charconv>
#include <string>

#include "base/exceptions/Exception.h"
#include "base/text/Utf.h"
#include "core/xml/XmlReader.h"
#include "log/LogProvider.h"
#include "update/verify/UpdateVerification.h"
#include "update/verify/XmlDigitalSignature.h"

namespace Tarnwick::UpdateProvider {

namespace {

using Utilities::Exceptions::Exception;
using XmlServiceProvider::XmlNodeType;
using XmlServiceProvider::XmlReader;
namespace ReadResult = XmlServiceProvider::ReadResult;

std::u16string Plain(const XmlServiceProvider::String& text) {
    return std::u16string(text.View());
}

std::int32_t Decimal(const std::u16string& text) {
    const std::string narrow = Text::ToUtf8(text);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
    if (error != std::errc() || end != narrow.data() + narrow.size()) {
        throw Exception(u"invalid number", u"XmlInfoReaderBase::ParseXmlFile");
    }
    return value;
}

// Walks the document: the element last started names the text or CDATA that follows it; the
// signature ends the walk.
void Parse(const std::filesystem::path& path, UpdateInformation& info) {
    XmlReader reader;
    reader.OpenDocument(path);
    reader.SetValueLimit(64 * 1024);
    std::u16string current;
    XmlNodeType type = XmlServiceProvider::XmlNodeType_None;
    for (;;) {
        const auto result = reader.Read(&type);
        if (result == ReadResult::RR_NOMORE) {
            return;
        }
        if (result != ReadResult::RR_SUCCESS) {
            throw Exception(u"", u"XmlInfoReaderBase::ParseXmlFile");
        }
        if (type == XmlServiceProvider::XmlNodeType_Element) {
            current = std::u16string(reader.LocalNameView());
            if (current == u"Signature") {
                return;
            }
            XmlServiceProvider::String name;
            XmlServiceProvider::String value;
            for (;;) {
                const auto attribute = reader.GetNextAttribute(name, value, false);
                if (attribute == ReadResult::RR_NOMORE) {
                    break;
                }
                if (attribute != ReadResult::RR_SUCCESS) {
                    throw Exception(u"", u"XmlInfoReaderBase::ParseAttribute");
                }
                if (current == u"UpdateInfo" && Plain(name) == u"Application") {
                    info.application = Plain(value);
                }
            }
            if (reader.IsEmptyElement()) {
                current.clear();
            }
        } else if (type == XmlServiceProvider::XmlNodeType_EndElement) {
            current.clear();
        } else if (type == XmlServiceProvider::XmlNodeType_Text) {
            XmlServiceProvider::String text;
            reader.GetText(text, false);
            const std::u16string value = Plain(text);
            if (current == u"UpdateVersion") {
                info.updateVersion = value;
            } else if (current == u"FileSize") {
                info.fileSize = Decimal(value);
            } else if (current == u"Type") {
                info.type = Decimal(value);
            } else if (current == u"Edition") {
                info.edition = value;
            } else if (current == u"Checksum") {
                info.checksum = value;
            } else if (current == u"AutoDownloadUrl") {
                info.autoDownloadUrl = value;
            } else if (current == u"UserDownloadUrl") {
                info.userDownloadUrl = value;
            }
        } else if (type == XmlServiceProvider::XmlNodeType_CDATA) {
            XmlServiceProvider::String text;
            reader.GetCDATA(text, false);
            if (current == u"Description") {
                info.description = Plain(text);
            } else if (current == u"Hint") {
                info.hint = Plain(text);
            }
        }
    }
}

} // namespace

bool ReadUpdateInformation(const std::filesystem::path& path, UpdateInformation& out, std::string_view publicKeyPem) {
    out = UpdateInformation{};
    try {
        std::error_code error;
        if (!std::filesystem::exists(path, error)) {
            return false;
        }
        XmlDSig::XmlDigitalSignature::CheckSignature(path, publicKeyPem);
        UpdateInformation info;
        Parse(path, info);
        if (info.type != 32 || info.edition != u"Standard" || info.application != u"Tarnwick") {
            return false;
        }
        out = std::move(info);
        return true;
    } catch (...) {
        LogProvider::LogCurrentException();
        return false;
    }
}

} // namespace Tarnwick::UpdateProvider
