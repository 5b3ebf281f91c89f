#include "core/xml/XmlReader.h"

#include "base/text/Utf.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <libxml/entities.h>
#include <libxml/hash.h>
#include <libxml/tree.h>
#include <libxml/xmlreader.h>

#include "core/xml/XmlSupport.h"
#include "base/exceptions/Exception.h"

namespace XmlServiceProvider {

using Utilities::Exceptions::WindowsException;

namespace {

// Bounds for the expansion of internal entities (DTD processing only): nesting depth and the
// total number of bytes that references may produce in one document.
constexpr int kMaxEntityDepth = 16;
constexpr std::size_t kMaxExpansionBytes = 8u * 1024u * 1024u;

const char* AsChars(const xmlChar* text) {
    return reinterpret_cast<const char*>(text);
}

std::size_t Length(const xmlChar* text) {
    return text != nullptr ? std::strlen(AsChars(text)) : 0;
}

void ScanForExternalParameterEntity(void* payload, void* data, const xmlChar* /*name*/) {
    const auto* entity = static_cast<const xmlEntity*>(payload);
    if (entity != nullptr && entity->etype == XML_EXTERNAL_PARAMETER_ENTITY) {
        *static_cast<bool*>(data) = true;
    }
}

void SilenceParserMessages(void* /*context*/, xmlErrorPtr /*error*/) {}

// The kind of a piece of text as XmlLite would report it; None for anything else.
XmlNodeType TextPieceKind(int libxmlType) {
    switch (libxmlType) {
    case XML_READER_TYPE_TEXT:
    case XML_READER_TYPE_ENTITY_REFERENCE:
        return XmlNodeType_Text;
    case XML_READER_TYPE_CDATA:
        return XmlNodeType_CDATA;
    case XML_READER_TYPE_WHITESPACE:
    case XML_READER_TYPE_SIGNIFICANT_WHITESPACE: // libxml2's name for white space inside elements
        return XmlNodeType_Whitespace;
    default:
        return XmlNodeType_None;
    }
}

// Appends to a buffer that may hold secret text: a buffer that is outgrown is wiped before
// it is released.
void AppendWiping(std::string& buffer, const char* text, std::size_t length) {
    if (buffer.size() + length > buffer.capacity()) {
        std::string larger;
        larger.reserve(std::max(buffer.capacity() * 2, buffer.size() + length));
        larger.append(buffer);
        CryptoServiceProvider::SecureWipe(buffer.data(), buffer.size());
        buffer.swap(larger);
    }
    buffer.append(text, length);
}

} // namespace

struct XmlReader::Impl {
    int fd = -1;
    xmlTextReaderPtr reader = nullptr;
    bool dtdEnabled = false;
    bool failed = false;
    // A node read ahead while joining text pieces: libxml2's reader already stands on it.
    bool pending = false;
    int pendingResult = 0;
    bool emptyElement = false;
    // Names are markup, not secrets: kept in reused buffers that are not wiped on every node.
    std::u16string name;   // local name of the current element or end element
    std::u16string prefix; // its prefix
    String value;  // value of the current text, CDATA, comment or processing instruction
    std::size_t expansionLeft = kMaxExpansionBytes;
    std::size_t valueLimit = 0; // a setting of the reader, kept from document to document

    // The part of a value's bytes that is kept after already bytes of it.
    std::size_t Kept(std::size_t already, std::size_t length) const noexcept {
        if (valueLimit == 0) {
            return length;
        }
        return already >= valueLimit ? 0 : std::min(length, valueLimit - already);
    }

    void AssignValue(String& out, const xmlChar* text) const {
        Detail::AssignUtf8(out, AsChars(text), Kept(0, Length(text)));
    }

    ~Impl() { Close(); }

    void Close() {
        if (reader != nullptr) {
            xmlFreeTextReader(reader);
            reader = nullptr;
        }
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
        dtdEnabled = false;
        failed = false;
        pending = false;
        emptyElement = false;
        name.clear();
        prefix.clear();
        value.Clear();
        expansionLeft = kMaxExpansionBytes;
    }

    // Appends the text that an internal entity stands for; false for an external, undeclared
    // or too deeply nested entity, or when the document's expansion budget is spent.
    bool ExpandEntity(xmlEntityPtr entity, int depth, std::string& out) {
        if (entity == nullptr || depth > kMaxEntityDepth) {
            return false;
        }
        if (entity->etype == XML_INTERNAL_PREDEFINED_ENTITY) {
            return Take(entity->content, out);
        }
        if (entity->etype != XML_INTERNAL_GENERAL_ENTITY) {
            return false; // would pull in another file
        }
        if (entity->children != nullptr) {
            return ExpandList(entity->children, depth + 1, out);
        }
        // Never parsed by libxml2: only plain content can be taken as it is.
        const char* content = AsChars(entity->content);
        if (content != nullptr &&
            (std::strchr(content, '&') != nullptr || std::strchr(content, '<') != nullptr)) {
            return false;
        }
        return Take(entity->content, out);
    }

    bool ExpandList(xmlNodePtr node, int depth, std::string& out) {
        for (; node != nullptr; node = node->next) {
            switch (node->type) {
            case XML_TEXT_NODE:
            case XML_CDATA_SECTION_NODE:
                if (!Take(node->content, out)) {
                    return false;
                }
                break;
            case XML_ENTITY_REF_NODE: {
                xmlEntityPtr entity = xmlGetDocEntity(node->doc, node->name);
                if (!ExpandEntity(entity, depth, out)) {
                    return false;
                }
                break;
            }
            case XML_ELEMENT_NODE:
                // Markup inside an entity contributes its text.
                if (depth > kMaxEntityDepth || !ExpandList(node->children, depth + 1, out)) {
                    return false;
                }
                break;
            default:
                break;
            }
        }
        return true;
    }

    bool Take(const xmlChar* text, std::string& out) {
        const std::size_t length = Length(text);
        if (length > expansionLeft) {
            return false;
        }
        expansionLeft -= length;
        AppendWiping(out, AsChars(text), length);
        return true;
    }

    // Value of the attribute the reader stands on, with entity references expanded within bounds.
    bool AttributeValue(String& value) {
        xmlNodePtr node = xmlTextReaderCurrentNode(reader);
        if (node != nullptr && node->type == XML_ATTRIBUTE_NODE) {
            xmlNodePtr children = node->children;
            if (children == nullptr) {
                value.Clear();
                return true;
            }
            if (children->next == nullptr && children->type == XML_TEXT_NODE) {
                AssignValue(value, children->content);
                return true;
            }
            std::string text;
            const bool ok = ExpandList(children, 0, text);
            if (ok) {
                Detail::AssignUtf8(value, text.data(), Kept(0, text.size()));
            }
            CryptoServiceProvider::SecureWipe(text.data(), text.size());
            return ok;
        }
        // A namespace declaration.
        AssignValue(value, xmlTextReaderConstValue(reader));
        return true;
    }

    static void AssignUtf8Node(String& out, const xmlChar* text) {
        Detail::AssignUtf8(out, AsChars(text), Length(text));
    }

    static void AssignName(std::u16string& out, const xmlChar* text) {
        Detail::AssignUtf8Name(out, AsChars(text), Length(text));
    }
};

XmlReader::XmlReader() : m_impl(std::make_unique<Impl>()) {}

XmlReader::~XmlReader() {
    XmlReader::Clear();
}

void XmlReader::Clear() {
    m_impl->Close();
    XmlBase::Clear();
}

void XmlReader::OpenDocument(const std::filesystem::path& path) {
    Clear();
    Detail::InitialiseParserOnce();
    // O_NONBLOCK: opening a FIFO or a device must not wait; only a regular file is read, and
    // regular files ignore the flag.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        throw WindowsException(u"", errno, u"SHCreateStreamOnFile", u"XmlBase::OpenDocument");
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : (errno != 0 ? errno : EINVAL);
        ::close(fd);
        throw WindowsException(u"", error, u"SHCreateStreamOnFile", u"XmlBase::OpenDocument");
    }
    m_impl->fd = fd;
    m_path = path;
    // Never XML_PARSE_NOENT (it loads external entities), never XML_PARSE_HUGE, no DTD loading.
    m_impl->reader = xmlReaderForFd(fd, path.c_str(), nullptr, XML_PARSE_NONET);
    if (m_impl->reader == nullptr) {
        Clear();
        throw WindowsException(u"", ENOMEM, u"CreateXmlReader", u"XmlBase::CreateReader");
    }
    xmlTextReaderSetStructuredErrorHandler(m_impl->reader, SilenceParserMessages, nullptr);
}

void XmlReader::SetValueLimit(std::size_t bytes) noexcept {
    m_impl->valueLimit = bytes;
}

bool XmlReader::EnableDtdProcessing(const bool& enable) {
    if (m_impl->reader == nullptr) {
        return false;
    }
    m_impl->dtdEnabled = enable;
    return true;
}

ReadResult::eReadResult XmlReader::Read(XmlNodeType* type) {
    Impl& s = *m_impl;
    m_attributeState = false;
    s.name.clear();
    s.prefix.clear();
    s.value.Clear();
    s.emptyElement = false;
    m_nodeType = XmlNodeType_None;
    const auto finish = [&](ReadResult::eReadResult result) {
        if (result == ReadResult::RR_ERROR) {
            s.failed = true;
            m_nodeType = XmlNodeType_None;
        }
        if (type != nullptr) {
            *type = m_nodeType;
        }
        return result;
    };
    if (s.reader == nullptr || s.failed) {
        return finish(ReadResult::RR_ERROR);
    }

    int result = s.pending ? s.pendingResult : xmlTextReaderRead(s.reader);
    s.pending = false;
    for (;;) {
        if (result == 0) {
            return finish(ReadResult::RR_NOMORE);
        }
        if (result < 0) {
            return finish(ReadResult::RR_ERROR);
        }
        switch (xmlTextReaderNodeType(s.reader)) {
        case XML_READER_TYPE_ELEMENT:
        case XML_READER_TYPE_END_ELEMENT: {
            const bool start = xmlTextReaderNodeType(s.reader) == XML_READER_TYPE_ELEMENT;
            Impl::AssignName(s.name, xmlTextReaderConstLocalName(s.reader));
            Impl::AssignName(s.prefix, xmlTextReaderConstPrefix(s.reader));
            s.emptyElement = start && xmlTextReaderIsEmptyElement(s.reader) == 1;
            m_nodeType = start ? XmlNodeType_Element : XmlNodeType_EndElement;
            return finish(ReadResult::RR_SUCCESS);
        }
        case XML_READER_TYPE_TEXT:
        case XML_READER_TYPE_CDATA:
        case XML_READER_TYPE_WHITESPACE:
        case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
        case XML_READER_TYPE_ENTITY_REFERENCE: {
            // One node for the whole run of text pieces; its kind is that of the first piece
            // that is not white space.
            XmlNodeType kind = XmlNodeType_None;
            std::string run;
            const auto wipeRun = [&run] { CryptoServiceProvider::SecureWipe(run.data(), run.size()); };
            // Most text is one piece: it goes straight into the value, without a gathering copy.
            if (xmlTextReaderNodeType(s.reader) != XML_READER_TYPE_ENTITY_REFERENCE) {
                const XmlNodeType piece = TextPieceKind(xmlTextReaderNodeType(s.reader));
                const xmlChar* text = xmlTextReaderConstValue(s.reader);
                // The node's text lives only until the next read.
                s.AssignValue(s.value, text);
                const int next = xmlTextReaderRead(s.reader);
                if (next != 1 || TextPieceKind(xmlTextReaderNodeType(s.reader)) == XmlNodeType_None) {
                    s.pending = true;
                    s.pendingResult = next;
                    m_nodeType = piece;
                    return finish(ReadResult::RR_SUCCESS);
                }
                // Several pieces (CDATA split at "]]>", text around it): gathered as before.
                std::string first = Tarnwick::Text::ToUtf8(s.value.View());
                AppendWiping(run, first.data(), first.size());
                CryptoServiceProvider::SecureWipe(first.data(), first.size());
                kind = piece;
            }
            for (;;) {
                const XmlNodeType piece = TextPieceKind(xmlTextReaderNodeType(s.reader));
                if (piece == XmlNodeType_None) {
                    break;
                }
                if (xmlTextReaderNodeType(s.reader) == XML_READER_TYPE_ENTITY_REFERENCE) {
                    xmlNodePtr node = xmlTextReaderCurrentNode(s.reader);
                    if (!s.dtdEnabled || node == nullptr ||
                        !s.ExpandEntity(xmlGetDocEntity(node->doc, node->name), 0, run)) {
                        wipeRun();
                        return finish(ReadResult::RR_ERROR);
                    }
                } else {
                    // Beyond the limit the pieces are still read, but no longer kept.
                    const xmlChar* text = xmlTextReaderConstValue(s.reader);
                    AppendWiping(run, AsChars(text), s.Kept(run.size(), Length(text)));
                }
                if (kind == XmlNodeType_None ||
                    (kind == XmlNodeType_Whitespace && piece != XmlNodeType_Whitespace)) {
                    kind = piece;
                }
                result = xmlTextReaderRead(s.reader);
                if (result != 1) {
                    break;
                }
            }
            Detail::AssignUtf8(s.value, run.data(), s.Kept(0, run.size()));
            wipeRun();
            s.pending = true;
            s.pendingResult = result;
            m_nodeType = kind;
            return finish(ReadResult::RR_SUCCESS);
        }
        case XML_READER_TYPE_COMMENT:
            Impl::AssignUtf8Node(s.value, xmlTextReaderConstValue(s.reader));
            m_nodeType = XmlNodeType_Comment;
            return finish(ReadResult::RR_SUCCESS);
        case XML_READER_TYPE_PROCESSING_INSTRUCTION:
            Impl::AssignName(s.name, xmlTextReaderConstLocalName(s.reader));
            Impl::AssignUtf8Node(s.value, xmlTextReaderConstValue(s.reader));
            m_nodeType = XmlNodeType_ProcessingInstruction;
            return finish(ReadResult::RR_SUCCESS);
        case XML_READER_TYPE_DOCUMENT_TYPE: {
            if (!s.dtdEnabled) {
                return finish(ReadResult::RR_ERROR); // DTDs are prohibited, as by default in XmlLite
            }
            auto* dtd = reinterpret_cast<xmlDtdPtr>(xmlTextReaderCurrentNode(s.reader));
            bool external = false;
            if (dtd != nullptr && dtd->pentities != nullptr) {
                xmlHashScan(static_cast<xmlHashTablePtr>(dtd->pentities), ScanForExternalParameterEntity,
                            &external);
            }
            if (external) {
                return finish(ReadResult::RR_ERROR);
            }
            Impl::AssignName(s.name, xmlTextReaderConstName(s.reader));
            m_nodeType = XmlNodeType_DocumentType;
            return finish(ReadResult::RR_SUCCESS);
        }
        default:
            // Nodes XmlLite does not report (end of entity, XInclude markers and the like).
            result = xmlTextReaderRead(s.reader);
            break;
        }
    }
}

void XmlReader::GetTagName(String& name, const bool& withPrefix, const bool& alsoEndElement) {
    name.Clear();
    if (m_impl->reader == nullptr) {
        throw WindowsException(u"", EBADF, u"IXmlReader::GetLocalName", u"XmlBase::GetTagName");
    }
    if (m_nodeType != XmlNodeType_Element && !(alsoEndElement && m_nodeType == XmlNodeType_EndElement)) {
        return;
    }
    if (withPrefix && !m_impl->prefix.empty()) {
        name.Assign(m_impl->prefix);
        name.Append(u":");
        name.Append(m_impl->name);
    } else {
        name.Assign(m_impl->name);
    }
}

std::u16string_view XmlReader::LocalNameView() const noexcept {
    if (m_nodeType != XmlNodeType_Element && m_nodeType != XmlNodeType_EndElement) {
        return {};
    }
    return m_impl->name;
}

bool XmlReader::IsTag(const char16_t* name, const bool& withPrefix) {
    if (name == nullptr) {
        return false;
    }
    if (m_impl->reader == nullptr || m_nodeType != XmlNodeType_Element) {
        String current;
        GetTagName(current, withPrefix, false);
        return false;
    }
    const std::u16string_view wanted(name);
    const std::u16string& local = m_impl->name;
    if (!withPrefix || m_impl->prefix.empty()) {
        return !local.empty() && local == wanted;
    }
    const std::u16string& prefix = m_impl->prefix;
    return wanted.size() == prefix.size() + 1 + local.size() && wanted.substr(0, prefix.size()) == prefix &&
           wanted[prefix.size()] == u':' && wanted.substr(prefix.size() + 1) == local;
}

bool XmlReader::IsEmptyElement() const noexcept {
    return m_nodeType == XmlNodeType_Element && m_impl->emptyElement;
}

ReadResult::eReadResult XmlReader::GetNextAttribute(String& name, String& value, const bool& withPrefix) {
    name.Clear();
    value.Clear();
    Impl& s = *m_impl;
    if (s.reader == nullptr || s.failed) {
        return ReadResult::RR_ERROR;
    }
    if (m_nodeType != XmlNodeType_Element) {
        return ReadResult::RR_NOMORE;
    }
    const int moved = m_attributeState ? xmlTextReaderMoveToNextAttribute(s.reader)
                                       : xmlTextReaderMoveToFirstAttribute(s.reader);
    m_attributeState = true;
    if (moved == 0) {
        return ReadResult::RR_NOMORE;
    }
    if (moved < 0) {
        return ReadResult::RR_ERROR;
    }
    Impl::AssignUtf8Node(name, withPrefix ? xmlTextReaderConstName(s.reader)
                                          : xmlTextReaderConstLocalName(s.reader));
    if (!s.AttributeValue(value)) {
        name.Clear();
        value.Clear();
        s.failed = true;
        return ReadResult::RR_ERROR;
    }
    return ReadResult::RR_SUCCESS;
}

void XmlReader::GetText(String& text, const bool& trim) {
    text.Clear();
    if (m_impl->reader == nullptr) {
        throw WindowsException(u"", EBADF, u"IXmlReader::GetValue", u"XmlBase::GetText");
    }
    if (m_nodeType != XmlNodeType_Text && m_nodeType != XmlNodeType_Whitespace) {
        return;
    }
    text = m_impl->value;
    if (trim) {
        Detail::Trim(text);
    }
}

void XmlReader::GetCDATA(String& text, const bool& trim) {
    text.Clear();
    if (m_impl->reader == nullptr) {
        throw WindowsException(u"", EBADF, u"IXmlReader::GetValue", u"XmlBase::GetCDATA");
    }
    if (m_nodeType != XmlNodeType_CDATA) {
        return;
    }
    text = m_impl->value;
    if (trim) {
        Detail::Trim(text);
    }
}

} // namespace XmlServiceProvider
