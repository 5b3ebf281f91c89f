#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "exchange/XmlImportBase.h"

namespace Tarnwick::Import::Xml {

// Password Depot XML ("GROUP" elements with a "NAME" attribute holding "ITEM" elements;
// newer versions write the same names in lower case, which are read as well). An item gives
// description, user name, password, URL, comment, the auto-completion template and the
// target window, its custom "NAME"/"VALUE" pairs as user-defined fields, and its creation,
// modification and expiry dates (in the layout of their "FMT" attribute). Items of the
// recycle bin are left aside; an encrypted export is refused.
class XmlImportPasswordDepot : public XmlImportBase {
public:
    explicit XmlImportPasswordDepot(PasswordADT::PasswordData& target);

protected:
    // Document type definitions are processed (internal ones only).
    void SetXmlReaderOptions() override;
    void BeginDocument() override;
    void StartElement(std::u16string_view name) override;
    void EndElement(std::u16string_view name) override;
    void Attribute(std::u16string_view name, const PlainString& value) override;
    void Text(const PlainString& value) override;
    bool AllowsDocumentType() const override;

private:
    std::optional<std::int64_t> ReadTime(const PlainString& value) const;

    std::vector<PasswordADT::CategoryRef> m_groups;
    bool m_inItem = false;
    PlainString m_fieldName;
    bool m_hasFieldName = false;
    PlainString m_format;
};

} // namespace Tarnwick::Import::Xml
