#pragma once

#include <memory>

#include "core/xml/XmlBase.h"

namespace XmlServiceProvider {

// Writer over libxml2's text writer, UTF-8 output. The document goes into a temporary file
// beside the target (mode 0600) that replaces the target only when CloseDocument succeeds,
// so a failed or abandoned write leaves the old file as it was.
// Every failure throws WindowsException with errno (or EINVAL for a call the writer refused),
// the interface call as function and "XmlBase::<operation>" as target.
// Null prefix or namespace means none; null text counts as empty.
class XmlWriter : public XmlBase {
public:
    XmlWriter();
    ~XmlWriter() override;

    // standalone true omits the standalone declaration, false writes standalone="no".
    // indent puts elements on lines of their own, two blanks per level, except inside
    // elements that got text or whitespace of their own.
    void CreateNewDocument(const std::filesystem::path& path, const bool& omitDeclaration,
                           const bool& standalone, const bool& indent, const bool& byteOrderMark);
    // Closes all open elements, flushes and puts the file in place.
    void CloseDocument();

    void WriteStartElement(const char16_t* prefix, const char16_t* localName, const char16_t* namespaceUri);
    // <name/> when the element is still empty, else an end tag.
    void WriteEndElement();
    // Always an end tag.
    void WriteFullEndElement();
    void WriteAttributeString(const char16_t* prefix, const char16_t* localName, const char16_t* namespaceUri,
                              const char16_t* value);
    void WriteElementString(const char16_t* prefix, const char16_t* localName, const char16_t* namespaceUri,
                            const char16_t* value);
    void WriteString(const char16_t* text);
    // Text containing "]]>" is split over two sections so that it reads back unchanged.
    void WriteCData(const char16_t* text);
    void WriteChars(const char16_t* text, const unsigned& count);
    void WriteRawChars(const char16_t* text, const unsigned& count);
    void WriteRaw(const char16_t* text);
    void WriteCharEntity(const char16_t& ch);
    void WriteEntityRef(const char16_t* name);
    // "--" inside the text is written as "- -".
    void WriteComment(const char16_t* text);
    // Only blanks, tabs, carriage returns and line feeds.
    void WriteWhitespace(const char16_t* text);
    void WriteProcessingInstruction(const char16_t* name, const char16_t* text);
    void WriteDocType(const char16_t* name, const char16_t* publicId, const char16_t* systemId,
                      const char16_t* subset);

protected:
    void Clear() override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace XmlServiceProvider
