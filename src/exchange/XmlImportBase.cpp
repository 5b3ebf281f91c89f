#include "exchange/XmlImportBase.h"

#include <algorithm>

#include "base/text/Format.h"
#include "exchange/ImportMessages.h"
#include "exchange/ImportSource.h"
#include "exchange/XmlPrologCheck.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::Import::Xml {

using Utilities::Exceptions::Exception;
using XmlServiceProvider::ReadResult::RR_ERROR;
using XmlServiceProvider::ReadResult::RR_NOMORE;

namespace {
constexpr std::u16string_view kImportContext = u"XmlImportBase::Import";
// UTF-8 needs at most three bytes for a code unit: a value the reader cut is still longer
// than kMaximumValueLength code units.
constexpr std::size_t kReaderValueLimit = 3 * (XmlImportBase::kMaximumValueLength + 2);

std::u16string_view LocalName(std::u16string_view name) {
    const std::size_t colon = name.rfind(u':');
    return colon == std::u16string_view::npos ? name : name.substr(colon + 1);
}
} // namespace

XmlImportBase::XmlImportBase(PasswordADT::PasswordData& target) : ImportBase(target) {}

XmlImportBase::~XmlImportBase() = default;

void XmlImportBase::ReadAttributes() {
    PlainString name;
    PlainString value;
    for (;;) {
        const auto result = m_reader.GetNextAttribute(name, value, false);
        if (result == RR_NOMORE) {
            return;
        }
        if (result == RR_ERROR) {
            throw Exception(u"att", u"XmlImportBase::ReadAttributes");
        }
        std::u16string attributeName(name.View());
        NormaliseName(attributeName);
        Attribute(attributeName, value);
    }
}

void XmlImportBase::SetXmlReaderOptions() {}
void XmlImportBase::StartElement(std::u16string_view) {}
void XmlImportBase::EndElement(std::u16string_view) {}
void XmlImportBase::Attribute(std::u16string_view, const PlainString&) {}
void XmlImportBase::Text(const PlainString&) {}
void XmlImportBase::CData(const PlainString&) {}
void XmlImportBase::BeginDocument() {}
void XmlImportBase::EndDocument() {}

bool XmlImportBase::AcceptsRoot(std::u16string_view) const {
    return true;
}

bool XmlImportBase::AllowsDocumentType() const {
    return false;
}

std::u16string_view XmlImportBase::EnclosingElement(std::size_t levels) const noexcept {
    // The innermost frame is the current element itself.
    if (levels >= m_depth) {
        return {};
    }
    return m_frames[m_depth - 1 - levels].name;
}

bool XmlImportBase::IsInside(std::u16string_view name) const noexcept {
    for (std::size_t i = 0; i + 1 < m_depth; ++i) {
        if (m_frames[i].name == name) {
            return true;
        }
    }
    return false;
}

void XmlImportBase::NormaliseName(std::u16string& name) const {
    if (!m_upperCaseNames) {
        return;
    }
    for (char16_t& ch : name) {
        if (ch >= u'a' && ch <= u'z') {
            ch = static_cast<char16_t>(ch - 32);
        }
    }
}

void XmlImportBase::ClearText() noexcept {
    m_text.Clear();
    m_joined.Clear();
    m_textJoined = false;
    m_textFull = false;
    m_textHasCData = false;
}

void XmlImportBase::Import(const std::filesystem::path& path) {
    BeginImport();
    m_depth = 0;
    ClearText();
    m_rootSeen = false;

    // Only a regular file is read; the cheap look at the prolog then gives the reason for a
    // refusal before the parser starts.
    XmlProlog prolog;
    {
        ImportSource source = ImportSource::Open(path, kImportContext);
        prolog = InspectXmlProlog(source);
    }
    if (prolog.hasExternalReference) {
        throw Exception(kExternalReferenceMessage, kImportContext);
    }
    if (prolog.rootFound && !AcceptsRoot(LocalName(prolog.rootName))) {
        throw Exception(Text::Format(kWrongFormatMessage, prolog.rootName).View(), kImportContext);
    }
    if (prolog.hasDocumentType && !AllowsDocumentType()) {
        throw Exception(kDocumentTypeMessage, kImportContext);
    }

    BeginDocument();
    m_reader.SetValueLimit(kReaderValueLimit);
    try {
        m_reader.OpenDocument(path);
    } catch (const Utilities::Exceptions::WindowsException&) {
        // The name was given to a FIFO, a device or a folder after the look above.
        if (const PlainString refusal = CheckRegularFile(path); !refusal.IsEmpty()) {
            throw Exception(refusal.View(), kImportSourceContext);
        }
        throw;
    }
    SetXmlReaderOptions();
    for (;;) {
        XmlServiceProvider::XmlNodeType type = XmlServiceProvider::XmlNodeType_None;
        const auto result = m_reader.Read(&type);
        if (result == RR_NOMORE) {
            break;
        }
        if (result == RR_ERROR) {
            throw Exception(u"imp", kImportContext);
        }
        switch (type) {
        case XmlServiceProvider::XmlNodeType_Element:
            OnElement();
            break;
        case XmlServiceProvider::XmlNodeType_EndElement:
            OnEndElement();
            break;
        case XmlServiceProvider::XmlNodeType_Text:
        case XmlServiceProvider::XmlNodeType_Whitespace:
        case XmlServiceProvider::XmlNodeType_CDATA:
            if (m_depth == 0 || m_frames[m_depth - 1].hasChildren) {
                break; // text between child elements is never handed on
            }
            OnText(type == XmlServiceProvider::XmlNodeType_CDATA);
            break;
        default:
            break;
        }
    }
    ClearText();
    EndDocument();
    FinishImport();
    if (GetImportedEntryCount() == 0) {
        throw Exception(kNoEntriesMessage, kImportContext);
    }
}

void XmlImportBase::OnText(bool cdata) {
    m_textHasCData = m_textHasCData || cdata;
    if (m_textFull) {
        return; // the value is over every limit already; the rest is not kept
    }
    if (!m_textJoined && m_text.IsEmpty()) {
        cdata ? m_reader.GetCDATA(m_text, false) : m_reader.GetText(m_text, false);
    } else {
        PlainString piece;
        cdata ? m_reader.GetCDATA(piece, false) : m_reader.GetText(piece, false);
        if (!m_textJoined) {
            m_joined.Append(m_text.View());
            m_text.Clear();
            m_textJoined = true;
        }
        const std::size_t room = kMaximumValueLength + 1 - std::min(m_joined.Size(), kMaximumValueLength + 1);
        m_joined.Append(piece.View().substr(0, room));
    }
    const std::size_t length = m_textJoined ? m_joined.Size() : m_text.Length();
    if (length > kMaximumValueLength) {
        m_textFull = true;
        if (!m_textJoined) {
            m_text.Assign(m_text.View().substr(0, kMaximumValueLength + 1));
        }
    }
}

void XmlImportBase::OnElement() {
    const std::u16string_view raw = m_reader.LocalNameView();
    if (m_depth != 0) {
        m_frames[m_depth - 1].hasChildren = true;
    }
    if (m_depth == m_frames.size()) {
        m_frames.emplace_back();
    }
    Frame& frame = m_frames[m_depth++];
    frame.name.assign(raw);
    frame.hasChildren = false;
    NormaliseName(frame.name);
    if (!m_rootSeen) {
        m_rootSeen = true;
        if (!AcceptsRoot(frame.name)) {
            throw Exception(Text::Format(kWrongFormatMessage, frame.name).View(), kImportContext);
        }
    }
    ClearText();
    const bool empty = m_reader.IsEmptyElement();
    StartElement(frame.name);
    ReadAttributes();
    if (empty) {
        OnEndElement();
    }
}

void XmlImportBase::OnEndElement() {
    if (m_depth == 0) {
        throw Exception(u"imp", kImportContext);
    }
    const Frame& frame = m_frames[m_depth - 1];
    if (!frame.hasChildren) {
        if (m_textJoined) {
            m_text = m_joined.ToPlain();
            m_joined.Clear();
        }
        if (m_textHasCData) {
            CData(m_text);
        } else {
            Text(m_text);
        }
    }
    ClearText();
    EndElement(frame.name);
    --m_depth;
}

} // namespace Tarnwick::Import::Xml
