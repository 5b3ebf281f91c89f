#include "exchange/XmlImportPasswordDepot.h"

#include "exchange/ImportAutoType.h"
#include "exchange/ImportMessages.h"
#include "exchange/ImportTime.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::Import::Xml {

using Utilities::Exceptions::Exception;

namespace {
// Dates before this year stand for "none" (the program writes 30.12.1899).
constexpr std::int64_t kFirstRealTime = -631152000; // 1950-01-01
} // namespace

XmlImportPasswordDepot::XmlImportPasswordDepot(PasswordADT::PasswordData& target) : XmlImportBase(target) {
    SetUpperCaseNames(true);
}

bool XmlImportPasswordDepot::AllowsDocumentType() const {
    return true;
}

void XmlImportPasswordDepot::SetXmlReaderOptions() {
    if (!m_reader.EnableDtdProcessing(true)) {
        throw Exception(u"dtd", u"XmlImportPasswordDepot::SetXmlReaderOptions");
    }
}

void XmlImportPasswordDepot::BeginDocument() {
    m_groups.clear();
    m_inItem = false;
    m_fieldName.Clear();
    m_hasFieldName = false;
    m_format.Clear();
}

void XmlImportPasswordDepot::StartElement(std::u16string_view name) {
    m_format.Clear();
    if (IsInside(u"RECYCLEBIN") || name == u"RECYCLEBIN") {
        return;
    }
    if (name == u"GROUP" && !m_inItem) {
        m_groups.push_back(m_groups.empty() ? nullptr : m_groups.back());
    } else if (name == u"ITEM" && !m_inItem) {
        NewPasswordItemIn(m_groups.empty() ? nullptr : m_groups.back());
        m_inItem = true;
        m_hasFieldName = false;
        m_fieldName.Clear();
    }
}

void XmlImportPasswordDepot::Attribute(std::u16string_view name, const PlainString& value) {
    if (ElementName() == u"GROUP" && name == u"NAME" && !m_groups.empty() && !IsInside(u"RECYCLEBIN")) {
        // A subfolder of the enclosing group's folder; an empty name keeps that folder.
        const auto enclosing = m_groups.size() >= 2 ? m_groups[m_groups.size() - 2] : nullptr;
        SetCurrentFolder(enclosing);
        CreateFolder(value.View());
        m_groups.back() = HasCurrentFolder() ? GetCurrentFolder() : nullptr;
    } else if (name == u"FMT") {
        m_format = value;
    }
}

std::optional<std::int64_t> XmlImportPasswordDepot::ReadTime(const PlainString& value) const {
    std::optional<std::int64_t> time;
    if (!m_format.IsEmpty()) {
        time = ParsePatternTime(value.View(), m_format.View(), TimeZoneRule::Local);
    }
    if (!time) {
        time = ParseGermanDate(value.View(), TimeZoneRule::Local);
    }
    if (!time) {
        time = ParseIsoTime(value.View(), TimeZoneRule::Local);
    }
    if (time && *time < kFirstRealTime) {
        time.reset();
    }
    return time;
}

void XmlImportPasswordDepot::Text(const PlainString& value) {
    const std::u16string& element = ElementName();
    if (element == u"ENCRYPTED" && EnclosingElement() == u"HEADER" &&
        Detail::EqualsAsciiNoCase(Detail::TrimBlanks(value.View()), u"True")) {
        throw Exception(kEncryptedExportMessage, u"XmlImportPasswordDepot::Text");
    }
    if (!m_inItem || IsInside(u"RECYCLEBIN")) {
        return;
    }
    const std::u16string_view parent = EnclosingElement();
    const bool customField = parent == u"ITEM" || (parent == u"FIELD" && EnclosingElement(2) == u"CUSTOMFIELDS");
    if (element == u"NAME" && customField) {
        m_fieldName = value;
        m_hasFieldName = true;
        return;
    }
    if (element == u"VALUE" && customField) {
        if (m_hasFieldName) {
            AddUserDefinedField(m_fieldName.View(), value.View());
        }
        return;
    }
    if (parent != u"ITEM") {
        return;
    }
    if (element == u"DESCRIPTION") {
        SetField(Field::Description, value.View());
    } else if (element == u"USERNAME") {
        SetField(Field::UserName, value.View());
    } else if (element == u"PASSWORD") {
        SetPassword(value.View());
    } else if (element == u"URL") {
        SetField(Field::Url, value.View());
    } else if (element == u"COMMENT") {
        SetField(Field::Comment, value.View());
    } else if (element == u"TEMPLATE") {
        const PlainString sequence = ConvertAutoTypeTemplate(value.View(), u'>');
        if (!sequence.IsEmpty()) {
            SetField(Field::Sequence, sequence.View());
        }
    } else if (element == u"WNDTITLE") {
        if (!value.IsEmpty()) {
            SetField(Field::TargetWindow, value.View());
        }
    } else if (element == u"CREATED") {
        SetCreationTime(ReadTime(value));
    } else if (element == u"LASTMODIFIED") {
        SetModificationTime(ReadTime(value));
    } else if (element == u"EXPIRYDATE") {
        if (const auto expiry = ReadTime(value)) {
            SetExpiryDate(*expiry);
        }
    }
}

void XmlImportPasswordDepot::EndElement(std::u16string_view name) {
    if (IsInside(u"RECYCLEBIN") || name == u"RECYCLEBIN") {
        return;
    }
    if (name == u"VALUE") {
        // The name counts for its value only.
        m_hasFieldName = false;
        m_fieldName.Clear();
    } else if (name == u"ITEM" && m_inItem) {
        m_inItem = false;
        ResetCurrentPasswordItem();
    } else if (name == u"GROUP" && !m_inItem && !m_groups.empty()) {
        m_groups.pop_back();
        SetCurrentFolder(m_groups.empty() ? nullptr : m_groups.back());
    }
}

} // namespace Tarnwick::Import::Xml
