#pragma once

#include <filesystem>

#include "crypto/String.h"

namespace XmlServiceProvider {

// The node kinds and numbers of the Windows XmlLite reader, which the callers were written
// against. Whitespace-only text is always XmlNodeType_Whitespace; there is no declaration node.
enum XmlNodeType : int {
    XmlNodeType_None = 0,
    XmlNodeType_Element = 1,
    XmlNodeType_Attribute = 2,
    XmlNodeType_Text = 3,
    XmlNodeType_CDATA = 4,
    XmlNodeType_ProcessingInstruction = 7,
    XmlNodeType_Comment = 8,
    XmlNodeType_DocumentType = 10,
    XmlNodeType_Whitespace = 13,
    XmlNodeType_EndElement = 15,
    XmlNodeType_XmlDeclaration = 17,
};

namespace ReadResult {
enum eReadResult : int {
    RR_SUCCESS = 0,
    RR_NOMORE = 1, // end of document, or no further attribute
    RR_ERROR = 2,
};
} // namespace ReadResult

using String = StringServiceProvider::PlainString;

// Common state of the reader and the writer.
class XmlBase {
public:
    XmlBase(const XmlBase&) = delete;
    XmlBase& operator=(const XmlBase&) = delete;
    virtual ~XmlBase();

    const std::filesystem::path& GetPath() const noexcept { return m_path; }
    XmlNodeType GetNodeType() const noexcept { return m_nodeType; }

protected:
    XmlBase() = default;
    // Forgets the path and the node state; derived classes release their parser or writer.
    virtual void Clear();

    std::filesystem::path m_path;
    XmlNodeType m_nodeType = XmlNodeType_None;
    bool m_attributeState = false; // the first attribute of the current element was visited
};

} // namespace XmlServiceProvider
