#pragma once

#include "exchange/XmlImportBase.h"

namespace Tarnwick::Import::Xml {

// KeePass 1.x XML ("pwlist" of "pwentry" elements). The group of an entry is its "group"
// text below the path of its "tree" attribute ("Internet\Mail"); an entry without a group
// goes to the import folder. Notes lose their auto-type lines to the target window and the
// sequence; creation, modification and expiry times are taken over (local time).
class XmlImportKeepassV1 : public XmlImportBase {
public:
    explicit XmlImportKeepassV1(PasswordADT::PasswordData& target);

    // Builds the path from the remembered tree, a backslash and the name, and walks it from
    // the top level; the last folder becomes the current folder.
    void CreateFolder(std::u16string_view name) override;

protected:
    void BeginDocument() override;
    void StartElement(std::u16string_view name) override;
    void EndElement(std::u16string_view name) override;
    void Attribute(std::u16string_view name, const PlainString& value) override;
    void Text(const PlainString& value) override;
    bool AcceptsRoot(std::u16string_view name) const override;

private:
    bool InEntry() const;

    PlainString m_groupTree;
    bool m_expires = false;
};

} // namespace Tarnwick::Import::Xml
