#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "exchange/XmlImportBase.h"

namespace Tarnwick::Import::Xml {

// Password Safe XML ("passwordsafe" of "entry" elements, values as CDATA). An entry starts at
// its "entry" element; its "group" ("a.b.c", a "\." stays a dot of the name) names the folder
// path, an entry without one goes to the import folder. Title, user name, password, URL,
// notes (lines joined by the file's delimiter), e-mail and auto-type are taken over, as are
// the creation, password change, modification and expiry times (local time), the expiry
// interval, the password history with its settings and the custom fields. Empty groups of
// the file become folders.
class XmlImportPasswordSafe : public XmlImportBase {
public:
    explicit XmlImportPasswordSafe(PasswordADT::PasswordData& target);

    // Splits the group at every "." and walks the parts from the top level; the last folder
    // becomes the current folder.
    void CreateFolder(std::u16string_view name) override;

protected:
    void BeginDocument() override;
    void StartElement(std::u16string_view name) override;
    void EndElement(std::u16string_view name) override;
    void Attribute(std::u16string_view name, const PlainString& value) override;
    void Text(const PlainString& value) override;
    void CData(const PlainString& value) override;
    bool AcceptsRoot(std::u16string_view name) const override;

private:
    void FinishEntry();

    PlainString m_delimiter;
    bool m_inEntry = false;
    PlainString m_group;
    std::optional<std::int64_t> m_expiryDate;
    std::optional<unsigned long long> m_expiryDays;
    // The file may list the history in any order: the newest by time are kept.
    HistoryCollector m_history{true};
    HistoryVersion m_version;
    PlainString m_fieldName;
    PlainString m_fieldValue;
};

} // namespace Tarnwick::Import::Xml
