#pragma once

#include <string_view>

#include <memory>

#include "core/xml/XmlBase.h"

namespace XmlServiceProvider {

// Pull reader over libxml2's text reader with XmlLite's node model. Input is treated as
// hostile: no network, no external entities or DTDs are ever loaded, and a document type
// declaration is an error unless DTD processing was enabled. Adjacent text, CDATA and
// whitespace pieces are reported as one node.
class XmlReader : public XmlBase {
public:
    XmlReader();
    ~XmlReader() override;

    // Opens the file and creates the parser. Throws WindowsException
    // ("SHCreateStreamOnFile" / "XmlBase::OpenDocument", "CreateXmlReader" / "XmlBase::CreateReader").
    void OpenDocument(const std::filesystem::path& path);

    // Allows (true) or prohibits (false, the default) a document type declaration with
    // internal entities. External entities stay refused either way. False without a document.
    bool EnableDtdProcessing(const bool& enable);

    // Keeps at most this many bytes (UTF-8) of one text, CDATA or attribute value and skips the
    // rest, so that a hostile document cannot build a value of any size; 0 keeps everything.
    void SetValueLimit(std::size_t bytes) noexcept;

    // Advances to the next node; stores its type and hands it out when type is not null.
    ReadResult::eReadResult Read(XmlNodeType* type);

    // The current element's name, or the current end element's with alsoEndElement; empty
    // for every other node. withPrefix gives "prefix:local" (just "local" without a prefix).
    void GetTagName(String& name, const bool& withPrefix, const bool& alsoEndElement);
    // The local name of the current element or end element without a copy (names are markup,
    // not secrets); valid until the next Read.
    std::u16string_view LocalNameView() const noexcept;
    // The current element's name equals the given one.
    bool IsTag(const char16_t* name, const bool& withPrefix);
    // Whether the current element was written as <name/> (it has no end node).
    bool IsEmptyElement() const noexcept;

    // First attribute of the current element on the first call, the next one afterwards.
    ReadResult::eReadResult GetNextAttribute(String& name, String& value, const bool& withPrefix);

    // The value of the current text (or whitespace) node, else empty; trim removes leading
    // and trailing white space.
    void GetText(String& text, const bool& trim);
    // The same for a CDATA node.
    void GetCDATA(String& text, const bool& trim);

protected:
    void Clear() override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace XmlServiceProvider
