#pragma once

#include "exchange/XmlImportBase.h"

namespace Tarnwick::Import::Xml {

// "Alle meine Passworte" XML. "Kategorie" selects or creates a top-level folder, and each
// "Bezeichnung" starts a new entry in it (without a category: in the import folder). The
// entry gets user name, password ("Passwort1"), URL or program, comment, the expiry date
// ("Ablaufdatum"), a second password as user-defined field "Passwort2", and the custom
// fields ("name" and "wert"). Texts "n/a" stand for nothing.
class XmlImportAmp : public XmlImportBase {
public:
    explicit XmlImportAmp(PasswordADT::PasswordData& target);

protected:
    // Document type definitions are processed (internal ones only); failing raises "dtd".
    void SetXmlReaderOptions() override;
    void BeginDocument() override;
    void EndElement(std::u16string_view name) override;
    void Text(const PlainString& value) override;
    bool AllowsDocumentType() const override;

private:
    void EnsureEntry();

    PlainString m_fieldName;
    bool m_hasFieldName = false;
};

} // namespace Tarnwick::Import::Xml
