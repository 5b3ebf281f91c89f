#include "core/xml/XmlWriter.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include <libxml/xmlIO.h>
#include <libxml/xmlwriter.h>

#include "core/xml/XmlCharacters.h"
#include "core/xml/XmlSupport.h"
#include "crypto/SecureWipe.h"
#include "base/exceptions/Exception.h"
#include "platform/AtomicFile.h"

namespace XmlServiceProvider {

using Detail::Utf8Arg;
using Utilities::Exceptions::WindowsException;

namespace {

struct Frame {
    bool mixed = false;       // got text or whitespace of its own: no automatic indentation
    bool hasChildren = false; // its end tag goes on a line of its own
};

// A line break and two blanks per level.
std::string Indentation(std::size_t level) {
    std::string text(1 + 2 * level, ' ');
    text[0] = '\n';
    return text;
}

std::size_t BoundedLength(const char16_t* text, unsigned count) {
    std::size_t length = 0;
    while (length < count && text[length] != u'\0') {
        ++length;
    }
    return length;
}

bool IsNameStart(char16_t ch) {
    return (ch >= u'A' && ch <= u'Z') || (ch >= u'a' && ch <= u'z') || ch == u'_' || ch == u':' || ch >= 0xC0;
}

bool IsName(std::u16string_view name) {
    if (name.empty() || !IsNameStart(name[0])) {
        return false;
    }
    for (const char16_t ch : name) {
        if (!IsNameStart(ch) && !(ch >= u'0' && ch <= u'9') && ch != u'-' && ch != u'.' && ch != 0xB7) {
            return false;
        }
    }
    return true;
}

std::size_t LengthOf(const char16_t* text) {
    return text != nullptr ? std::char_traits<char16_t>::length(text) : 0;
}

void CheckText(const char16_t* text, std::size_t length, const char16_t* function, const char16_t* target) {
    // libxml2 would write characters XML does not allow as they are.
    if (text != nullptr && !IsXmlText(std::u16string_view(text, length))) {
        throw WindowsException(u"", EINVAL, function, target);
    }
}

void CheckText(const char16_t* text, const char16_t* function, const char16_t* target) {
    CheckText(text, LengthOf(text), function, target);
}

// An empty prefix or namespace means none, as a null one does.
const char16_t* NullIfEmpty(const char16_t* text) {
    return text != nullptr && *text != u'\0' ? text : nullptr;
}

// A name that must be given (required) or may be null.
void CheckName(const char16_t* name, bool required, const char16_t* function, const char16_t* target) {
    if (name == nullptr ? required : !IsName(name)) {
        throw WindowsException(u"", EINVAL, function, target);
    }
}

} // namespace

struct XmlWriter::Impl {
    Tarnwick::Platform::AtomicFile file;
    xmlTextWriterPtr writer = nullptr;
    int ioError = 0;      // errno of the last failed write into the file
    bool discard = false; // output is dropped (the declaration of a document without one)
    bool indent = false;
    std::vector<Frame> frames;
    bool topLevelNode = false;       // a node was written at the top level
    bool topLevelWhitespace = false; // the last top-level output was white space

    ~Impl() { Close(); }

    void Close() {
        if (writer != nullptr) {
            xmlFreeTextWriter(writer); // also closes the output buffer
            writer = nullptr;
        }
        file.Discard();
        ioError = 0;
        discard = false;
        indent = false;
        frames.clear();
        topLevelNode = false;
        topLevelWhitespace = false;
    }

    static int WriteCallback(void* context, const char* buffer, int length) {
        auto* self = static_cast<Impl*>(context);
        if (length <= 0) {
            return 0;
        }
        if (self->discard) {
            return length;
        }
        // A failure is kept for the operation that caused it (see Check); libxml2 is told
        // nothing, or it would print the error on its own.
        if (self->ioError == 0) {
            self->ioError = self->file.Write(buffer, static_cast<std::size_t>(length));
        }
        return length;
    }

    static int CloseCallback(void* /*context*/) { return 0; }

    // The error code of a failed libxml2 call: the file's errno, else the call was refused.
    int Code() const { return ioError != 0 ? ioError : EINVAL; }

    void Require(const char16_t* function, const char16_t* target) const {
        if (writer == nullptr) {
            throw WindowsException(u"", EBADF, function, target);
        }
    }

    void Check(int result, const char16_t* function, const char16_t* target) const {
        if (result < 0 || ioError != 0) {
            throw WindowsException(u"", Code(), function, target);
        }
    }

    void Raw(const std::string& text, const char16_t* function, const char16_t* target) {
        Check(xmlTextWriterWriteRawLen(writer, reinterpret_cast<const xmlChar*>(text.data()),
                                       static_cast<int>(text.size())),
              function, target);
    }

    // Line break and indentation before a markup node (element, comment, PI, doctype).
    void BeforeNode(const char16_t* function, const char16_t* target) {
        if (frames.empty()) {
            if (indent && topLevelNode && !topLevelWhitespace) {
                Raw("\n", function, target);
            }
            return;
        }
        Frame& parent = frames.back();
        if (indent && !parent.mixed) {
            Raw(Indentation(frames.size()), function, target);
        }
        parent.hasChildren = true;
    }

    void AfterNode() {
        if (frames.empty()) {
            topLevelNode = true;
            topLevelWhitespace = false;
        }
    }

    void Content(bool whitespace) {
        if (frames.empty()) {
            topLevelWhitespace = whitespace;
        } else {
            frames.back().mixed = true;
        }
    }

    void BeforeEnd(const char16_t* function, const char16_t* target) {
        if (frames.empty()) {
            throw WindowsException(u"", EINVAL, function, target);
        }
        const Frame frame = frames.back();
        if (indent && frame.hasChildren && !frame.mixed) {
            Raw(Indentation(frames.size() - 1), function, target);
        }
    }

    void AfterEnd() {
        frames.pop_back();
        AfterNode();
    }
};

XmlWriter::XmlWriter() : m_impl(std::make_unique<Impl>()) {}

XmlWriter::~XmlWriter() {
    XmlWriter::Clear();
}


namespace {

// An empty prefix or namespace counts as none; the names and the namespace must be what XML
// can hold.
void PrepareQualifiedName(const char16_t*& prefix, const char16_t* localName, const char16_t*& namespaceUri,
                          const char16_t* function, const char16_t* target) {
    prefix = NullIfEmpty(prefix);
    namespaceUri = NullIfEmpty(namespaceUri);
    CheckName(prefix, false, function, target);
    CheckName(localName, true, function, target);
    CheckText(namespaceUri, function, target);
}

} // namespace

void XmlWriter::Clear() {
    m_impl->Close();
    XmlBase::Clear();
}

void XmlWriter::CreateNewDocument(const std::filesystem::path& path, const bool& omitDeclaration,
                                  const bool& standalone, const bool& indent, const bool& byteOrderMark) {
    static constexpr const char16_t* kTarget = u"XmlBase::CreateNewDocument";
    Clear();
    Detail::InitialiseParserOnce();
    Impl& s = *m_impl;
    if (const int error = s.file.Begin(path); error != 0) {
        throw WindowsException(u"", error, u"SHCreateStreamOnFile", kTarget);
    }
    m_path = path;
    if (byteOrderMark) {
        static constexpr unsigned char kBom[] = {0xEF, 0xBB, 0xBF};
        if (const int error = s.file.Write(kBom, sizeof kBom); error != 0) {
            Clear();
            throw WindowsException(u"", error, u"IXmlWriter::SetProperty", kTarget);
        }
    }
    xmlOutputBufferPtr output =
        xmlOutputBufferCreateIO(Impl::WriteCallback, Impl::CloseCallback, &s, nullptr);
    if (output == nullptr) {
        Clear();
        throw WindowsException(u"", ENOMEM, u"IXmlWriter::SetOutput", kTarget);
    }
    s.writer = xmlNewTextWriter(output); // owns the output buffer from here on
    if (s.writer == nullptr) {
        xmlOutputBufferClose(output);
        Clear();
        throw WindowsException(u"", ENOMEM, u"CreateXmlWriter", kTarget);
    }
    // libxml2's own indentation ignores white space written by the caller; ours does not.
    s.indent = indent;
    // The document is always started, so that libxml2 knows its encoding and writes
    // non-ASCII text as it is; without a declaration that start goes nowhere.
    s.discard = omitDeclaration;
    if (xmlTextWriterStartDocument(s.writer, "1.0", "UTF-8", standalone ? nullptr : "no") < 0 ||
        (omitDeclaration && xmlTextWriterFlush(s.writer) < 0)) {
        const int code = s.Code();
        Clear();
        throw WindowsException(u"", code, u"IXmlWriter::WriteStartDocument", kTarget);
    }
    s.discard = false;
}

void XmlWriter::CloseDocument() {
    static constexpr const char16_t* kTarget = u"XmlBase::CloseDocument";
    Impl& s = *m_impl;
    s.Require(u"IXmlWriter::WriteEndDocument", kTarget);
    while (!s.frames.empty()) {
        s.BeforeEnd(u"IXmlWriter::WriteEndDocument", kTarget);
        s.Check(xmlTextWriterEndElement(s.writer), u"IXmlWriter::WriteEndDocument", kTarget);
        s.AfterEnd();
    }
    s.Check(xmlTextWriterEndDocument(s.writer), u"IXmlWriter::WriteEndDocument", kTarget);
    s.Check(xmlTextWriterFlush(s.writer), u"IXmlWriter::Flush", kTarget);
    xmlFreeTextWriter(s.writer);
    s.writer = nullptr;
    if (s.ioError != 0) {
        throw WindowsException(u"", s.ioError, u"IXmlWriter::Flush", kTarget);
    }
    if (const int error = s.file.Commit(); error != 0) {
        Clear();
        throw WindowsException(u"", error, u"IXmlWriter::Flush", kTarget);
    }
    Clear();
}

void XmlWriter::WriteStartElement(const char16_t* prefix, const char16_t* localName,
                                  const char16_t* namespaceUri) {
    static constexpr const char16_t* kFunction = u"IXmlWriter::WriteStartElement";
    static constexpr const char16_t* kTarget = u"XmlBase::WriteStartElement";
    Impl& s = *m_impl;
    s.Require(kFunction, kTarget);
    PrepareQualifiedName(prefix, localName, namespaceUri, kFunction, kTarget);
    const Utf8Arg p(prefix), name(localName), uri(namespaceUri);
    s.BeforeNode(kFunction, kTarget);
    s.Check(xmlTextWriterStartElementNS(s.writer, p.Get(), name.OrEmpty(), uri.Get()), kFunction, kTarget);
    s.frames.push_back(Frame{});
}

void XmlWriter::WriteEndElement() {
    static constexpr const char16_t* kFunction = u"IXmlWriter::WriteEndElement";
    static constexpr const char16_t* kTarget = u"XmlBase::WriteEndElement";
    Impl& s = *m_impl;
    s.Require(kFunction, kTarget);
    s.BeforeEnd(kFunction, kTarget);
    s.Check(xmlTextWriterEndElement(s.writer), kFunction, kTarget);
    s.AfterEnd();
}

void XmlWriter::WriteFullEndElement() {
    static constexpr const char16_t* kFunction = u"IXmlWriter::WriteFullEndElement";
    static constexpr const char16_t* kTarget = u"XmlBase::WriteFullEndElement";
    Impl& s = *m_impl;
    s.Require(kFunction, kTarget);
    s.BeforeEnd(kFunction, kTarget);
    s.Check(xmlTextWriterFullEndElement(s.writer), kFunction, kTarget);
    s.AfterEnd();
}

void XmlWriter::WriteAttributeString(const char16_t* prefix, const char16_t* localName,
                                     const char16_t* namespaceUri, const char16_t* value) {
    static constexpr const char16_t* kFunction = u"IXmlWriter::WriteAttributeString";
    static constexpr const char16_t* kTarget = u"XmlBase::WriteAttributeString";
    Impl& s = *m_impl;
    s.Require(kFunction, kTarget);
    PrepareQualifiedName(prefix, localName, namespaceUri, kFunction, kTarget);
    CheckText(value, kFunction, kTarget);
    const Utf8Arg p(prefix), name(localName), uri(namespaceUri), text(value);
    // libxml2 would declare an unprefixed attribute's namespace as the default namespace,
    // which does not apply to attributes: without a prefix the attribute has none.
    const unsigned char* namespaceArg = p.IsNull() ? nullptr : uri.Get();
    s.Check(xmlTextWriterWriteAttributeNS(s.writer, p.Get(), name.OrEmpty(), namespaceArg, text.OrEmpty()),
            kFunction, kTarget);
}

void XmlWriter::WriteElementString(const char16_t* prefix, const char16_t* localName,
                                   const char16_t* namespaceUri, const char16_t* value) {
    static constexpr const char16_t* kFunction = u"IXmlWriter::WriteElementString";
    static constexpr const char16_t* kTarget = u"XmlBase::WriteElementString";
    Impl& s = *m_impl;
    s.Require(kFunction, kTarget);
    PrepareQualifiedName(prefix, localName, namespaceUri, kFunction, kTarget);
    CheckText(value, kFunction, kTarget);
    const Utf8Arg p(prefix), name(localName), uri(namespaceUri), text(value);
    s.BeforeNode(kFunction, kTarget);
    s.Check(xmlTextWriterStartElementNS(s.writer, p.Get(), name.OrEmpty(), uri.Get()), kFunction, kTarget);
    if (!text.IsNull()) {
        s.Check(xmlTextWriterWriteString(s.writer, text.OrEmpty()), kFunction, kTarget);
    }
    s.Check(xmlTextWriterEndElement(s.writer), kFunction, kTarget);
    s.AfterNode();
}

void XmlWriter::WriteString(const char16_t* text) {
    static constexpr const char16_t* kFunction = u"IXmlWriter::WriteString";
    static constexpr const char16_t* kTarget = u"XmlBase::WriteString";
    Impl& s = *m_impl;
    s.Require(kFunction, kTarget);
    CheckText(text, kFunction, kTarget);
    const Utf8Arg value(text);
    if (value.Text().empty()) {
        return;
    }
    s.Check(xmlTextWriterWriteString(s.writer, value.OrEmpty()), kFunction, kTarget);
    s.Content(false);
}

void XmlWriter::WriteCData(const char16_t* text) {
    static constexpr const char16_t* kFunction = u"IXmlWriter::WriteCData";
    static constexpr const char16_t* kTarget = u"XmlBase::WriteCData";
    Impl& s = *m_impl;
    s.Require(kFunction, kTarget);
    CheckText(text, kFunction, kTarget);
    const Utf8Arg value(text);
    // "]]>" cannot stand inside a section: end the section after "]]" and open the next one
    // with ">".
    std::string_view rest(value.Text());
    do {
        const std::size_t end = rest.find("]]>");
        const std::size_t take = end == std::string_view::npos ? rest.size() : end + 2;
        const std::string piece(rest.substr(0, take));
        rest.remove_prefix(take);
        s.Check(xmlTextWriterWriteCDATA(s.writer, reinterpret_cast<const xmlChar*>(piece.c_str())), kFunction,
                kTarget);
    } while (!rest.empty());
    s.Content(false);
}

void XmlWriter::WriteChars(const char16_t* text, const unsigned& count) {
    static constexpr const char16_t* kFunction = u"IXmlWriter::WriteChars";
    static constexpr const char16_t* kTarget = u"XmlBase::WriteChars";
    Impl& s = *m_impl;
    s.Require(kFunction, kTarget);
    if (text == nullptr || count == 0) {
        return;
    }
    CheckText(text, BoundedLength(text, count), kFunction, kTarget);
    const Utf8Arg value(text, BoundedLength(text, count));
    s.Check(xmlTextWriterWriteString(s.writer, value.OrEmpty()), kFunction, kTarget);
    s.Content(false);
}

void XmlWriter::WriteRawChars(const char16_t* text, const unsigned& count) {
    static constexpr const char16_t* kFunction = u"IXmlWriter::WriteRawChars";
    static constexpr const char16_t* kTarget = u"XmlBase::WriteRawChars";
    Impl& s = *m_impl;
    s.Require(kFunction, kTarget);
    if (text == nullptr || count == 0) {
        return;
    }
    CheckText(text, BoundedLength(text, count), kFunction, kTarget);
    const Utf8Arg value(text, BoundedLength(text, count));
    s.Raw(value.Text(), kFunction, kTarget);
    s.Content(false);
}

void XmlWriter::WriteRaw(const char16_t* text) {
    static constexpr const char16_t* kFunction = u"IXmlWriter::WriteRaw";
    static constexpr const char16_t* kTarget = u"XmlBase::WriteRaw";
    Impl& s = *m_impl;
    s.Require(kFunction, kTarget);
    CheckText(text, kFunction, kTarget);
    const Utf8Arg value(text);
    if (value.Text().empty()) {
        return;
    }
    s.Raw(value.Text(), kFunction, kTarget);
    s.Content(false);
}

void XmlWriter::WriteCharEntity(const char16_t& ch) {
    static constexpr const char16_t* kFunction = u"IXmlWriter::WriteCharEntity";
    static constexpr const char16_t* kTarget = u"XmlBase::WriteCharEntity";
    Impl& s = *m_impl;
    s.Require(kFunction, kTarget);
    if (!IsXmlCharacter(ch)) {
        throw WindowsException(u"", EINVAL, kFunction, kTarget);
    }
    char entity[16];
    std::snprintf(entity, sizeof entity, "&#x%X;", static_cast<unsigned>(ch));
    s.Raw(entity, kFunction, kTarget);
    // The character may be one of an exported password's.
    CryptoServiceProvider::SecureWipe(entity, sizeof entity);
    s.Content(false);
}

void XmlWriter::WriteEntityRef(const char16_t* name) {
    static constexpr const char16_t* kFunction = u"IXmlWriter::WriteEntityRef";
    static constexpr const char16_t* kTarget = u"XmlBase::WriteEntityRef";
    Impl& s = *m_impl;
    s.Require(kFunction, kTarget);
    CheckName(name, true, kFunction, kTarget);
    const Utf8Arg value(name);
    std::string reference = "&";
    reference += value.Text();
    reference += ';';
    s.Raw(reference, kFunction, kTarget);
    s.Content(false);
}

void XmlWriter::WriteComment(const char16_t* text) {
    static constexpr const char16_t* kFunction = u"IXmlWriter::WriteComment";
    static constexpr const char16_t* kTarget = u"XmlBase::WriteComment";
    Impl& s = *m_impl;
    s.Require(kFunction, kTarget);
    CheckText(text, kFunction, kTarget);
    const Utf8Arg value(text);
    // "--" may not appear in a comment, nor may it end with "-".
    std::string safe;
    for (const char ch : value.Text()) {
        if (ch == '-' && !safe.empty() && safe.back() == '-') {
            safe.push_back(' ');
        }
        safe.push_back(ch);
    }
    if (!safe.empty() && safe.back() == '-') {
        safe.push_back(' ');
    }
    s.BeforeNode(kFunction, kTarget);
    s.Check(xmlTextWriterWriteComment(s.writer, reinterpret_cast<const xmlChar*>(safe.c_str())), kFunction,
            kTarget);
    s.AfterNode();
}

void XmlWriter::WriteWhitespace(const char16_t* text) {
    static constexpr const char16_t* kFunction = u"IXmlWriter::WriteWhitespace";
    static constexpr const char16_t* kTarget = u"XmlBase::WriteWhitespace";
    Impl& s = *m_impl;
    s.Require(kFunction, kTarget);
    CheckText(text, kFunction, kTarget);
    const Utf8Arg value(text);
    for (const char ch : value.Text()) {
        if (ch != ' ' && ch != '\t' && ch != '\r' && ch != '\n') {
            throw WindowsException(u"", EINVAL, kFunction, kTarget);
        }
    }
    if (value.Text().empty()) {
        return;
    }
    s.Raw(value.Text(), kFunction, kTarget);
    s.Content(true);
}

void XmlWriter::WriteProcessingInstruction(const char16_t* name, const char16_t* text) {
    static constexpr const char16_t* kFunction = u"IXmlWriter::WriteProcessingInstruction";
    static constexpr const char16_t* kTarget = u"XmlBase::WriteProcessingInstruction";
    Impl& s = *m_impl;
    s.Require(kFunction, kTarget);
    CheckName(name, true, kFunction, kTarget);
    CheckText(text, kFunction, kTarget);
    const Utf8Arg target(name), value(text);
    if (value.Text().find("?>") != std::string::npos) {
        throw WindowsException(u"", EINVAL, kFunction, kTarget);
    }
    s.BeforeNode(kFunction, kTarget);
    s.Check(xmlTextWriterWritePI(s.writer, target.OrEmpty(), value.OrEmpty()), kFunction, kTarget);
    s.AfterNode();
}

void XmlWriter::WriteDocType(const char16_t* name, const char16_t* publicId, const char16_t* systemId,
                             const char16_t* subset) {
    static constexpr const char16_t* kFunction = u"IXmlWriter::WriteDocType";
    static constexpr const char16_t* kTarget = u"XmlBase::WriteDocType";
    Impl& s = *m_impl;
    s.Require(kFunction, kTarget);
    CheckName(name, true, kFunction, kTarget);
    CheckText(publicId, kFunction, kTarget);
    CheckText(systemId, kFunction, kTarget);
    CheckText(subset, kFunction, kTarget);
    const Utf8Arg doc(name), pub(publicId), sys(systemId), sub(subset);
    if (!s.frames.empty()) {
        throw WindowsException(u"", EINVAL, kFunction, kTarget);
    }
    s.BeforeNode(kFunction, kTarget);
    s.Check(xmlTextWriterWriteDTD(s.writer, doc.OrEmpty(), pub.Get(), sys.Get(), sub.Get()), kFunction,
            kTarget);
    s.AfterNode();
}

} // namespace XmlServiceProvider
