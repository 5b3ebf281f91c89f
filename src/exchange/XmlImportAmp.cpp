#include "exchange/XmlImportAmp.h"

#include "exchange/ImportTime.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::Import::Xml {

using Utilities::Exceptions::Exception;

namespace {
constexpr std::u16string_view kNoData = u"n/a";
constexpr std::u16string_view kNoSecondPassword = u"keins";
constexpr std::u16string_view kNeverExpires = u"nie";
} // namespace

XmlImportAmp::XmlImportAmp(PasswordADT::PasswordData& target) : XmlImportBase(target) {}

bool XmlImportAmp::AllowsDocumentType() const {
    return true;
}

void XmlImportAmp::SetXmlReaderOptions() {
    if (!m_reader.EnableDtdProcessing(true)) {
        throw Exception(u"dtd", u"XmlImportAmp::SetXmlReaderOptions");
    }
}

void XmlImportAmp::BeginDocument() {
    m_fieldName.Clear();
    m_hasFieldName = false;
}

void XmlImportAmp::EnsureEntry() {
    // A value before any "Bezeichnung" still gets an entry of its own.
    if (!HasCurrentPasswordItem()) {
        NewPasswordItemIn(HasCurrentFolder() ? GetCurrentFolder() : nullptr);
    }
}

void XmlImportAmp::Text(const PlainString& value) {
    if (value == kNoData) {
        return;
    }
    const std::u16string& element = ElementName();
    if (element == u"Kategorie") {
        ResetCurrentPasswordItem();
        ResetCurrentFolder();
        CreateFolder(value.View());
    } else if (element == u"Bezeichnung") {
        NewPasswordItemIn(HasCurrentFolder() ? GetCurrentFolder() : nullptr);
        SetField(Field::Description, value.View());
    } else if (element == u"Benutzername") {
        EnsureEntry();
        SetField(Field::UserName, value.View());
    } else if (element == u"Passwort1") {
        EnsureEntry();
        SetPassword(value.View());
    } else if (element == u"Passwort2") {
        if (!value.IsEmpty() && value != kNoSecondPassword) {
            EnsureEntry();
            AddUserDefinedField(u"Passwort2", value.View());
        }
    } else if (element == u"Ablaufdatum") {
        if (!value.IsEmpty() && value != kNeverExpires) {
            auto expiry = ParseGermanDate(value.View(), TimeZoneRule::Local);
            if (!expiry) {
                expiry = ParseIsoTime(value.View(), TimeZoneRule::Local);
            }
            if (expiry) {
                EnsureEntry();
                SetExpiryDate(*expiry);
            }
        }
    } else if (element == u"URL_Programm") {
        EnsureEntry();
        SetField(Field::Url, value.View());
    } else if (element == u"Kommentar") {
        EnsureEntry();
        SetField(Field::Comment, value.View());
    } else if (element == u"name") {
        m_fieldName = value;
        m_hasFieldName = true;
    } else if (element == u"wert") {
        if (m_hasFieldName) {
            EnsureEntry();
            AddUserDefinedField(m_fieldName.View(), value.View());
        }
    }
}

void XmlImportAmp::EndElement(std::u16string_view name) {
    if (name == u"wert") {
        m_fieldName.Clear();
        m_hasFieldName = false;
    } else if (EnclosingElement() == u"DATA") {
        // A category ends: its folder and its last entry are done.
        ResetCurrentPasswordItem();
        ResetCurrentFolder();
    }
}

} // namespace Tarnwick::Import::Xml
