#include "core/xml/XmlBase.h"

#include <cstring>
#include <memory>
#include <mutex>

#include <malloc.h>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlmemory.h>

#include "base/text/Utf.h"
#include "core/xml/XmlSupport.h"
#include "crypto/SecureWipe.h"

namespace XmlServiceProvider {

XmlBase::~XmlBase() {
    XmlBase::Clear();
}

void XmlBase::Clear() {
    m_path.clear();
    m_nodeType = XmlNodeType_None;
    m_attributeState = false;
}

namespace Detail {

namespace {

xmlParserInputPtr RefuseExternalEntity(const char* /*url*/, const char* /*id*/,
                                       xmlParserCtxtPtr /*context*/) {
    return nullptr;
}

// Invalid bytes become one U+FFFD each.
void Convert(String& out, const char* text, std::size_t length) {
    const std::string_view bytes(text, length);
    std::size_t units = 0;
    Tarnwick::Text::DecodeUtf8(bytes, [&](char16_t) { ++units; });
    if (units == 0) {
        out.Clear();
        return;
    }
    // Decoded straight into the string's own buffer: no other copy of a value is made, and a
    // value of the same length reuses the buffer.
    if (out.Length() != units) {
        out.Assign(std::u16string(units, u'\0'));
    }
    char16_t* target = out.MutableData();
    std::size_t at = 0;
    Tarnwick::Text::DecodeUtf8(bytes, [&](char16_t unit) { target[at++] = unit; });
}

// The parser's buffers hold the documents' values (imported passwords among them): every block
// it gives back is wiped first. Plain malloc underneath, so blocks of either kind mix safely.
void WipingFree(void* block) {
    if (block != nullptr) {
        CryptoServiceProvider::SecureWipe(block, malloc_usable_size(block));
        std::free(block);
    }
}

void* WipingRealloc(void* block, std::size_t size) {
    if (block == nullptr) {
        return std::malloc(size);
    }
    const std::size_t old = malloc_usable_size(block);
    if (size <= old) {
        return block;
    }
    void* moved = std::malloc(size);
    if (moved == nullptr) {
        return nullptr;
    }
    std::memcpy(moved, block, old);
    WipingFree(block);
    return moved;
}

char* WipingStrdup(const char* text) {
    const std::size_t length = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(std::malloc(length));
    if (copy != nullptr) {
        std::memcpy(copy, text, length);
    }
    return copy;
}

} // namespace

void InitialiseParserOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlMemSetup(WipingFree, std::malloc, WipingRealloc, WipingStrdup);
        xmlInitParser();
        xmlSetExternalEntityLoader(RefuseExternalEntity);
    });
}

void AssignUtf8(String& out, const char* text, std::size_t length) {
    Convert(out, text, length);
}

void AssignUtf8Name(std::u16string& out, const char* text, std::size_t length) {
    out.clear();
    Tarnwick::Text::DecodeUtf8(std::string_view(text, length), [&](char16_t unit) { out.push_back(unit); });
}

bool IsWideSpace(char16_t ch) noexcept {
    switch (ch) {
    case u'\t':
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case u' ':
    case u'\u0085':
    case u'\u00A0':
    case u'\u1680':
    case u'\u2028':
    case u'\u2029':
    case u'\u202F':
    case u'\u205F':
    case u'\u3000':
        return true;
    default:
        return ch >= u'\u2000' && ch <= u'\u200A';
    }
}

void Trim(String& text) {
    const std::u16string_view view = text.View();
    std::size_t begin = 0;
    std::size_t end = view.size();
    while (begin < end && IsWideSpace(view[begin])) {
        ++begin;
    }
    while (end > begin && IsWideSpace(view[end - 1])) {
        --end;
    }
    if (begin != 0 || end != view.size()) {
        String trimmed(view.substr(begin, end - begin));
        text = std::move(trimmed);
    }
}

Utf8Arg::Utf8Arg(const char16_t* text) : m_null(text == nullptr) {
    if (text != nullptr) {
        m_text = Tarnwick::Text::ToUtf8(text);
    }
}

Utf8Arg::Utf8Arg(const char16_t* text, std::size_t length) : m_null(text == nullptr) {
    if (text != nullptr) {
        m_text = Tarnwick::Text::ToUtf8(std::u16string_view(text, length));
    }
}

Utf8Arg::~Utf8Arg() {
    CryptoServiceProvider::SecureWipe(m_text.data(), m_text.size());
}

const unsigned char* Utf8Arg::Get() const noexcept {
    return m_null ? nullptr : reinterpret_cast<const unsigned char*>(m_text.c_str());
}

const unsigned char* Utf8Arg::OrEmpty() const noexcept {
    return reinterpret_cast<const unsigned char*>(m_text.c_str());
}

} // namespace Detail

} // namespace XmlServiceProvider
