#include "exchange/XmlImportKeepassV2.h"

#include "exchange/ImportAutoType.h"
#include "exchange/ImportMessages.h"
#include "exchange/ImportTime.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::Import::Xml {

using Utilities::Exceptions::Exception;

namespace {
// What KeePass types when neither the entry nor its groups name a sequence.
constexpr std::u16string_view kKeePassDefaultSequence = u"{USERNAME}{TAB}{PASSWORD}{ENTER}";
} // namespace

XmlImportKeepassV2::XmlImportKeepassV2(PasswordADT::PasswordData& target) : XmlImportBase(target) {}

bool XmlImportKeepassV2::AcceptsRoot(std::u16string_view name) const {
    return name == u"KeePassFile";
}

PasswordADT::CategoryRef XmlImportKeepassV2::CurrentGroupFolder() const {
    return m_groups.empty() ? nullptr : m_groups.back().folder;
}

void XmlImportKeepassV2::BeginDocument() {
    m_groups.clear();
    m_inEntry = false;
    m_inHistory = false;
    m_versions.Clear();
    m_version = HistoryVersion{};
}

void XmlImportKeepassV2::StartElement(std::u16string_view name) {
    const std::u16string_view parent = EnclosingElement();
    if (name == u"Group" && (parent == u"Root" || parent == u"Group")) {
        GroupFrame frame;
        frame.folder = CurrentGroupFolder();
        if (!m_groups.empty()) {
            frame.defaultSequence = m_groups.back().defaultSequence;
        }
        m_groups.push_back(std::move(frame));
    } else if (name == u"Entry") {
        if (parent == u"History" && m_inEntry) {
            m_inHistory = true;
            m_version = HistoryVersion{};
        } else if (parent == u"Group" || parent == u"Root") {
            StartEntry();
        }
    } else if (name == u"String" && parent == u"Entry" && m_inEntry) {
        m_key.Clear();
        m_value.Clear();
        m_hasKey = false;
        m_hasValue = false;
        m_protected = false;
    } else if (name == u"Association" && parent == u"AutoType" && m_inEntry && !m_inHistory) {
        ++m_associations;
    }
}

void XmlImportKeepassV2::StartEntry() {
    NewPasswordItemIn(CurrentGroupFolder());
    m_inEntry = true;
    m_inHistory = false;
    m_notes.Clear();
    m_creation.reset();
    m_modification.reset();
    m_expiryTime.reset();
    m_expires = false;
    m_autoTypeDisabled = false;
    m_defaultSequence.Clear();
    m_window.Clear();
    m_associationSequence.Clear();
    m_associations = 0;
    m_versions.Clear();
}

void XmlImportKeepassV2::Attribute(std::u16string_view name, const PlainString& value) {
    if (m_inEntry && name == u"Protected" && ElementName() == u"Value" && EnclosingElement() == u"String") {
        m_protected = Detail::EqualsAsciiNoCase(value.View(), u"True");
    }
}

void XmlImportKeepassV2::Text(const PlainString& value) {
    const std::u16string& element = ElementName();
    const std::u16string_view parent = EnclosingElement();
    if (parent == u"Group" && !m_groups.empty() && !m_inEntry) {
        if (element == u"Name") {
            // A subfolder of the enclosing group's folder; an empty name adds none.
            const auto enclosing = m_groups.size() >= 2 ? m_groups[m_groups.size() - 2].folder : nullptr;
            SetCurrentFolder(enclosing);
            CreateFolder(value.View());
            m_groups.back().folder = HasCurrentFolder() ? GetCurrentFolder() : nullptr;
        } else if (element == u"DefaultAutoTypeSequence" && !value.IsEmpty()) {
            m_groups.back().defaultSequence = value;
        }
        return;
    }
    if (!m_inEntry) {
        return;
    }
    if (parent == u"String" && EnclosingElement(2) == u"Entry") {
        // KeePass writes the key first; the value is then applied as it comes.
        if (element == u"Key") {
            m_key = value;
            m_hasKey = true;
            if (m_hasValue) {
                ApplyString(m_value);
                m_hasValue = false;
            }
        } else if (element == u"Value" && !m_hasValue) {
            if (m_hasKey) {
                ApplyString(value);
            } else {
                m_value = value;
                m_hasValue = true;
            }
        }
        return;
    }
    if (parent == u"Times" && EnclosingElement(2) == u"Entry") {
        if (m_inHistory) {
            if (element == u"LastModificationTime") {
                m_version.time = ParseKeePassTime(value.View()).value_or(0);
            }
        } else if (element == u"CreationTime") {
            m_creation = ParseKeePassTime(value.View());
        } else if (element == u"LastModificationTime") {
            m_modification = ParseKeePassTime(value.View());
        } else if (element == u"ExpiryTime") {
            m_expiryTime = ParseKeePassTime(value.View());
        } else if (element == u"Expires") {
            m_expires = Detail::EqualsAsciiNoCase(value.View(), u"True");
        }
        return;
    }
    if (m_inHistory) {
        return;
    }
    if (parent == u"AutoType") {
        if (element == u"Enabled") {
            m_autoTypeDisabled = Detail::EqualsAsciiNoCase(value.View(), u"False");
        } else if (element == u"DefaultSequence") {
            m_defaultSequence = value;
        }
    } else if (parent == u"Association" && m_associations == 1) {
        if (element == u"Window") {
            m_window = value;
        } else if (element == u"KeystrokeSequence") {
            m_associationSequence = value;
        }
    }
}

void XmlImportKeepassV2::ApplyString(const PlainString& value) {
    const std::u16string_view key = m_key.View();
    if (m_protected && !value.IsEmpty()) {
        // Protected values of a database file are XOR-encrypted with its inner stream key.
        throw Exception(kProtectedValueMessage, u"XmlImportKeepassV2::EndElement");
    }
    if (m_inHistory) {
        if (key == u"Password") {
            m_version.password.Assign(value.View());
        }
        return;
    }
    if (key == u"Title") {
        SetField(Field::Description, value.View());
    } else if (key == u"UserName") {
        SetField(Field::UserName, value.View());
    } else if (key == u"Password") {
        SetPassword(value.View());
    } else if (key == u"URL") {
        SetField(Field::Url, value.View());
    } else if (key == u"Notes") {
        m_notes = value;
    } else {
        AddUserDefinedField(key, value.View());
    }
}

void XmlImportKeepassV2::EndElement(std::u16string_view name) {
    const std::u16string_view parent = EnclosingElement();
    if (name == u"String" && parent == u"Entry" && m_inEntry) {
        if (m_hasValue) {
            ApplyString(m_value); // a value without key: a field without name
        }
        m_key.Clear();
        m_value.Clear();
        m_hasKey = false;
        m_hasValue = false;
        m_protected = false;
    } else if (name == u"Entry" && m_inEntry) {
        if (m_inHistory && parent == u"History") {
            m_versions.Add(std::move(m_version));
            m_version = HistoryVersion{};
            m_inHistory = false;
        } else if (!m_inHistory) {
            FinishEntry();
            m_inEntry = false;
            ResetCurrentPasswordItem();
        }
    } else if (name == u"Group" && (parent == u"Root" || parent == u"Group") && !m_groups.empty()) {
        m_groups.pop_back();
        SetCurrentFolder(CurrentGroupFolder());
    }
}

void XmlImportKeepassV2::FinishEntry() {
    const NotesAutoType notes = SplitAutoTypeLines(m_notes.View());
    SetField(Field::Comment, notes.comment.View());
    m_notes.Clear();

    SetCreationTime(m_creation);
    SetModificationTime(m_modification);
    if (m_expires && m_expiryTime) {
        SetExpiryDate(*m_expiryTime);
    }

    if (!m_autoTypeDisabled) {
        const PlainString& window = !m_window.IsEmpty() ? m_window : notes.window;
        const PlainString* sequence = nullptr;
        if (!m_associationSequence.IsEmpty()) {
            sequence = &m_associationSequence;
        } else if (!m_defaultSequence.IsEmpty()) {
            sequence = &m_defaultSequence;
        } else if (notes.hasSequence) {
            sequence = &notes.sequence;
        }
        PlainString fallback;
        if (sequence == nullptr && !window.IsEmpty()) {
            fallback = !m_groups.empty() && !m_groups.back().defaultSequence.IsEmpty() ? m_groups.back().defaultSequence
                                                                                       : PlainString(kKeePassDefaultSequence);
            sequence = &fallback;
        }
        if (!window.IsEmpty()) {
            SetField(Field::TargetWindow, window.View());
        }
        if (sequence != nullptr) {
            const PlainString converted = ConvertAutoTypeTemplate(sequence->View(), u'}');
            if (!converted.IsEmpty()) {
                SetField(Field::Sequence, converted.View());
            }
        }
    }

    // Each version below History is a snapshot; a password became current with the first
    // snapshot that holds it (the collector keeps only the first of a run).
    const auto& runs = m_versions.Versions();
    const auto& current = GetCurrentPasswordItem().GetPassword();
    std::optional<std::int64_t> changed = m_creation;
    if (!runs.empty()) {
        changed = runs.back().password.Equals(current) ? std::optional<std::int64_t>(runs.back().time) : m_modification;
    }
    SetPasswordChangeTime(changed);
    SetPasswordHistory(m_versions);
}

} // namespace Tarnwick::Import::Xml
