#include "exchange/XmlImportPasswordSafe.h"

#include <algorithm>

#include "exchange/ImportAutoType.h"
#include "exchange/ImportTime.h"

namespace Tarnwick::Import::Xml {

XmlImportPasswordSafe::XmlImportPasswordSafe(PasswordADT::PasswordData& target) : XmlImportBase(target) {}

bool XmlImportPasswordSafe::AcceptsRoot(std::u16string_view name) const {
    return name == u"passwordsafe";
}

void XmlImportPasswordSafe::CreateFolder(std::u16string_view name) {
    if (auto folder = FindOrAddPath(nullptr, name, u'.', true)) {
        SetCurrentFolder(folder);
    }
}

void XmlImportPasswordSafe::BeginDocument() {
    m_delimiter.Clear();
    m_inEntry = false;
    m_group.Clear();
    m_history.Clear();
}

void XmlImportPasswordSafe::StartElement(std::u16string_view name) {
    if (name == u"entry" && EnclosingElement() == u"passwordsafe") {
        NewDetachedPasswordItem();
        m_inEntry = true;
        m_group.Clear();
        m_expiryDate.reset();
        m_expiryDays.reset();
        m_history.Clear();
    } else if (name == u"history_entry") {
        m_version = HistoryVersion{};
    } else if (name == u"custom_field") {
        m_fieldName.Clear();
        m_fieldValue.Clear();
    }
}

void XmlImportPasswordSafe::Attribute(std::u16string_view name, const PlainString& value) {
    if (name == u"delimiter" && ElementName() == u"passwordsafe") {
        m_delimiter = value;
    }
}

void XmlImportPasswordSafe::Text(const PlainString& value) {
    // Older exports and hand-written files carry plain text where CDATA is usual.
    CData(value);
}

void XmlImportPasswordSafe::CData(const PlainString& value) {
    const std::u16string& element = ElementName();
    const std::u16string_view parent = EnclosingElement();
    if (!m_inEntry) {
        if (element == u"EGName" && parent == u"EmptyGroups" && !value.IsEmpty()) {
            FindOrAddPath(nullptr, value.View(), u'.', true);
        }
        return;
    }
    if (parent == u"entry") {
        if (element == u"group") {
            m_group = value;
        } else if (element == u"title") {
            SetField(Field::Description, value.View());
        } else if (element == u"username") {
            SetField(Field::UserName, value.View());
        } else if (element == u"password") {
            SetPassword(value.View());
        } else if (element == u"url") {
            SetField(Field::Url, value.View());
        } else if (element == u"notes") {
            SetField(Field::Comment, Detail::ReplaceAll(value.View(), m_delimiter.View(), u"\n").View());
        } else if (element == u"email") {
            SetField(Field::Email, value.View());
        } else if (element == u"autotype") {
            const PlainString sequence = ConvertPasswordSafeAutoType(value.View());
            if (!sequence.IsEmpty()) {
                SetField(Field::Sequence, sequence.View());
            }
        } else if (element == u"ctimex") {
            SetCreationTime(ParseIsoTime(value.View(), TimeZoneRule::Local));
        } else if (element == u"pmtimex") {
            SetPasswordChangeTime(ParseIsoTime(value.View(), TimeZoneRule::Local));
        } else if (element == u"rmtimex") {
            SetModificationTime(ParseIsoTime(value.View(), TimeZoneRule::Local));
        } else if (element == u"xtimex") {
            m_expiryDate = ParseIsoTime(value.View(), TimeZoneRule::Local);
        } else if (element == u"xtime_interval") {
            unsigned long long days = 0;
            if (Detail::ParseUnsigned(value.View(), days) && days > 0 && days <= 0xFFFFFFFFull) {
                m_expiryDays = days;
            }
        }
    } else if (parent == u"pwhistory") {
        unsigned long long number = 0;
        if (element == u"status") {
            GetCurrentPasswordItem().SetKeepHistory(Detail::TrimBlanks(value.View()) == u"1");
        } else if (element == u"max" && Detail::ParseUnsigned(value.View(), number)) {
            GetCurrentPasswordItem().SetHistorySize(static_cast<std::int16_t>(std::min<unsigned long long>(number, 32767)));
        }
    } else if (parent == u"history_entry") {
        if (element == u"changedx") {
            m_version.time = ParseIsoTime(value.View(), TimeZoneRule::Local).value_or(0);
        } else if (element == u"oldpassword") {
            m_version.password.Assign(value.View());
        }
    } else if (parent == u"custom_field") {
        if (element == u"name") {
            m_fieldName = value;
        } else if (element == u"value") {
            m_fieldValue = value;
        }
    }
}

void XmlImportPasswordSafe::EndElement(std::u16string_view name) {
    if (!m_inEntry) {
        return;
    }
    if (name == u"history_entry") {
        m_history.Add(std::move(m_version));
        m_version = HistoryVersion{};
    } else if (name == u"custom_field") {
        AddUserDefinedField(m_fieldName.View(), m_fieldValue.View());
        m_fieldName.Clear();
        m_fieldValue.Clear();
    } else if (name == u"entry" && EnclosingElement() == u"passwordsafe") {
        FinishEntry();
    }
}

void XmlImportPasswordSafe::FinishEntry() {
    if (m_expiryDays) {
        SetExpiryDays(static_cast<std::uint32_t>(*m_expiryDays));
    } else if (m_expiryDate) {
        SetExpiryDate(*m_expiryDate);
    }
    // The file may list the history in any order; their times tell it.
    SetPasswordHistory(m_history);

    ResetCurrentFolder();
    CreateFolder(m_group.View());
    PlaceCurrentPasswordItem(HasCurrentFolder() ? GetCurrentFolder() : nullptr);
    m_group.Clear();
    m_inEntry = false;
    ResetCurrentFolder();
    ResetCurrentPasswordItem();
}

} // namespace Tarnwick::Import::Xml
