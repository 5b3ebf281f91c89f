#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/xml/XmlReader.h"
#include "exchange/ImportBase.h"
#include "exchange/ImportText.h"

namespace Tarnwick::Import::Xml {

// Reads an XML export node by node and hands the events to the importer. Every element gets
// an end event, also one written as <name/>. The text and CDATA pieces of an element are
// collected and handed over once, at the element's end (before its end event), for every
// element without child elements; text between child elements is ignored.
class XmlImportBase : public ImportBase {
public:
    // The longest value that is kept whole: twice the longest field of an entry, as notes still
    // hold their auto-type lines. Of a longer value only the start is read (one code unit over
    // this length, so it is still seen as over every limit); the rest is skipped, not kept.
    static constexpr std::size_t kMaximumValueLength = 2 * PasswordADT::PasswordItem::kMaxComment;

    explicit XmlImportBase(PasswordADT::PasswordData& target);
    ~XmlImportBase() override;

    // Refuses a file that points outside itself, a document type the format does not use
    // and a file of another format; raises "imp" ("XmlImportBase::Import") on a reader error
    // and refuses a file that yields no entry.
    void Import(const std::filesystem::path& path) override;

protected:
    // Hands each attribute of the current element to Attribute; a reader error raises "att"
    // ("XmlImportBase::ReadAttributes").
    virtual void ReadAttributes();
    // Called once after the document is opened; the default leaves document types prohibited.
    virtual void SetXmlReaderOptions();
    virtual void StartElement(std::u16string_view name);
    virtual void EndElement(std::u16string_view name);
    virtual void Attribute(std::u16string_view name, const PlainString& value);
    // The text of an element without child elements (possibly empty).
    virtual void Text(const PlainString& value);
    // The same when the element's content came (partly) as CDATA.
    virtual void CData(const PlainString& value);
    // Before the first node of a document: an importer forgets what an earlier run left.
    virtual void BeginDocument();
    // After the last node of the document.
    virtual void EndDocument();
    // Whether a root element of this name belongs to the format (any by default).
    virtual bool AcceptsRoot(std::u16string_view name) const;
    // Whether the format may carry a document type declaration (not by default).
    virtual bool AllowsDocumentType() const;

    // The element being processed (during an end event: the element that ends).
    const std::u16string& ElementName() const noexcept {
        static const std::u16string none;
        return m_depth != 0 ? m_frames[m_depth - 1].name : none;
    }
    // The name of the element that encloses the current one by levels (1: its parent);
    // empty above the root.
    std::u16string_view EnclosingElement(std::size_t levels = 1) const noexcept;
    // Whether an element of this name encloses the current one.
    bool IsInside(std::u16string_view name) const noexcept;

    // Names are upper-cased (ASCII) before they are handed on, for formats written in both cases.
    void SetUpperCaseNames(bool upper) noexcept { m_upperCaseNames = upper; }
    void NormaliseName(std::u16string& name) const;

    XmlServiceProvider::XmlReader m_reader;

private:
    struct Frame {
        std::u16string name;
        bool hasChildren = false;
    };
    void OnElement();
    void OnEndElement();
    void OnText(bool cdata);
    void ClearText() noexcept;

    // Open elements, the innermost last; entries beyond the depth keep their storage for reuse.
    std::vector<Frame> m_frames;
    std::size_t m_depth = 0;
    // The text pieces of the current element; the first arrives straight from the reader, more
    // are joined in m_joined.
    PlainString m_text;
    Detail::WipingBuffer m_joined;
    bool m_textJoined = false;
    bool m_textFull = false; // the value reached its limit: further pieces are skipped
    bool m_textHasCData = false;
    bool m_upperCaseNames = false;
    bool m_rootSeen = false;
};

} // namespace Tarnwick::Import::Xml
