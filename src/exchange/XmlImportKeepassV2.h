#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "exchange/XmlImportBase.h"

namespace Tarnwick::Import::Xml {

// KeePass 2.x XML ("KeePassFile"). Groups nest as folders (a group without a name keeps its
// entries in the enclosing folder); only the "String" items directly below an "Entry" are
// its fields: "Title", "UserName", "Password", "URL", "Notes", and every other key a
// user-defined field. The versions below "History" give the password history. Creation,
// modification and expiry times, the auto-type window and sequence are taken over; "Meta",
// custom data, attachments and deleted objects are left aside. A value marked
// Protected="True" is encrypted in the file and refuses the import.
class XmlImportKeepassV2 : public XmlImportBase {
public:
    explicit XmlImportKeepassV2(PasswordADT::PasswordData& target);

protected:
    void BeginDocument() override;
    void StartElement(std::u16string_view name) override;
    void EndElement(std::u16string_view name) override;
    void Attribute(std::u16string_view name, const PlainString& value) override;
    void Text(const PlainString& value) override;
    bool AcceptsRoot(std::u16string_view name) const override;

private:
    struct GroupFrame {
        PasswordADT::CategoryRef folder;
        PlainString defaultSequence;
    };
    void StartEntry();
    void ApplyString(const PlainString& value);
    void FinishEntry();
    PasswordADT::CategoryRef CurrentGroupFolder() const;

    std::vector<GroupFrame> m_groups;
    bool m_inEntry = false;
    bool m_inHistory = false;

    PlainString m_key;
    PlainString m_value;
    bool m_hasKey = false;
    bool m_hasValue = false;
    bool m_protected = false;

    PlainString m_notes;
    std::optional<std::int64_t> m_creation;
    std::optional<std::int64_t> m_modification;
    std::optional<std::int64_t> m_expiryTime;
    bool m_expires = false;
    bool m_autoTypeDisabled = false;
    PlainString m_defaultSequence;
    PlainString m_window;
    PlainString m_associationSequence;
    int m_associations = 0;

    // The passwords of the versions below History, bounded while they are read.
    HistoryCollector m_versions;
    HistoryVersion m_version;
};

} // namespace Tarnwick::Import::Xml
