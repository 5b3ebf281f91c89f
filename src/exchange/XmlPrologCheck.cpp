#include "exchange/XmlPrologCheck.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "crypto/SecureWipe.h"
#include "exchange/ImportSource.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::Import::Xml {

namespace {

// A prolog longer than this is no export of a password manager.
constexpr std::size_t kMaximumPrologBytes = 4u << 20;

bool IsBlank(char ch) noexcept {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
}

bool IsNameChar(char ch) noexcept {
    const auto u = static_cast<unsigned char>(ch);
    return u >= 0x80 || (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
           ch == '_' || ch == ':' || ch == '-' || ch == '.';
}

bool IsNameStart(char ch) noexcept {
    return IsNameChar(ch) && !(ch >= '0' && ch <= '9') && ch != '-' && ch != '.';
}

// The bytes as a sequence of characters in which everything outside ASCII is 0x80; enough
// to find the markup of the prolog in any of the usual encodings.
std::string Project(const std::string& bytes) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    std::size_t start = 0;
    int unit = 1;
    bool bigEndian = false;
    if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
        start = 2;
        unit = 2;
    } else if (bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF) {
        start = 2;
        unit = 2;
        bigEndian = true;
    } else if (bytes.size() >= 2 && byte(0) == '<' && byte(1) == 0) {
        unit = 2;
    } else if (bytes.size() >= 2 && byte(0) == 0 && byte(1) == '<') {
        unit = 2;
        bigEndian = true;
    } else if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        start = 3;
    }
    std::string out;
    out.reserve((bytes.size() - start) / static_cast<std::size_t>(unit));
    for (std::size_t i = start; i + static_cast<std::size_t>(unit) <= bytes.size(); i += static_cast<std::size_t>(unit)) {
        std::uint32_t value = byte(i);
        if (unit == 2) {
            value = bigEndian ? (value << 8) | byte(i + 1) : value | (static_cast<std::uint32_t>(byte(i + 1)) << 8);
        }
        out.push_back(value < 0x80 ? static_cast<char>(value) : static_cast<char>(0x80));
    }
    return out;
}

class Scanner {
public:
    explicit Scanner(const std::string& text) : m_text(text) {}

    XmlProlog Run() {
        XmlProlog result;
        for (;;) {
            SkipBlanks();
            if (AtEnd()) {
                return result;
            }
            if (StartsWith("<?")) {
                if (!SkipPast("?>")) {
                    return result;
                }
            } else if (StartsWith("<!--")) {
                if (!SkipPast("-->")) {
                    return result;
                }
            } else if (StartsWith("<!DOCTYPE")) {
                m_at += 9;
                result.hasDocumentType = true;
                if (!DocumentType(result)) {
                    // An unfinished declaration: treat it as the worst case.
                    result.hasExternalReference = true;
                    return result;
                }
            } else if (m_text[m_at] == '<' && m_at + 1 < m_text.size() && IsNameStart(m_text[m_at + 1])) {
                ++m_at;
                const std::size_t begin = m_at;
                while (!AtEnd() && IsNameChar(m_text[m_at])) {
                    ++m_at;
                }
                result.rootFound = true;
                for (std::size_t i = begin; i < m_at; ++i) {
                    result.rootName.push_back(static_cast<unsigned char>(m_text[i]) < 0x80
                                                  ? static_cast<char16_t>(m_text[i])
                                                  : u'\uFFFD');
                }
                return result;
            } else {
                return result;
            }
        }
    }

private:
    bool AtEnd() const noexcept { return m_at >= m_text.size(); }
    bool StartsWith(std::string_view s) const noexcept { return m_text.compare(m_at, s.size(), s) == 0; }
    void SkipBlanks() noexcept {
        while (!AtEnd() && IsBlank(m_text[m_at])) {
            ++m_at;
        }
    }
    bool SkipPast(std::string_view end) noexcept {
        const std::size_t found = m_text.find(end, m_at);
        if (found == std::string::npos) {
            m_at = m_text.size();
            return false;
        }
        m_at = found + end.size();
        return true;
    }
    // Whether the keyword stands at the current place as a whole word.
    bool Keyword(std::string_view word) const noexcept {
        return StartsWith(word) && (m_at == 0 || !IsNameChar(m_text[m_at - 1])) &&
               (m_at + word.size() >= m_text.size() || !IsNameChar(m_text[m_at + word.size()]));
    }
    bool SkipQuoted() noexcept {
        const char quote = m_text[m_at++];
        const std::size_t found = m_text.find(quote, m_at);
        if (found == std::string::npos) {
            m_at = m_text.size();
            return false;
        }
        m_at = found + 1;
        return true;
    }

    // From after "<!DOCTYPE" to after its closing ">".
    bool DocumentType(XmlProlog& result) {
        while (!AtEnd()) {
            const char ch = m_text[m_at];
            if (ch == '"' || ch == '\'') {
                if (!SkipQuoted()) {
                    return false;
                }
            } else if (Keyword("SYSTEM") || Keyword("PUBLIC")) {
                result.hasExternalReference = true;
                m_at += 6;
            } else if (ch == '[') {
                ++m_at;
                if (!InternalSubset(result)) {
                    return false;
                }
            } else if (ch == '>') {
                ++m_at;
                return true;
            } else {
                ++m_at;
            }
        }
        return false;
    }

    // From after "[" to after "]".
    bool InternalSubset(XmlProlog& result) {
        while (!AtEnd()) {
            if (StartsWith("]")) {
                ++m_at;
                return true;
            }
            if (StartsWith("<!--")) {
                if (!SkipPast("-->")) {
                    return false;
                }
            } else if (StartsWith("<?")) {
                if (!SkipPast("?>")) {
                    return false;
                }
            } else if (StartsWith("<!")) {
                const bool entity = StartsWith("<!ENTITY");
                m_at += 2;
                if (!Declaration(entity, result)) {
                    return false;
                }
            } else if (m_text[m_at] == '"' || m_text[m_at] == '\'') {
                if (!SkipQuoted()) {
                    return false;
                }
            } else {
                ++m_at;
            }
        }
        return false;
    }

    // From after "<!" to after its ">"; an entity declaration with an external id counts.
    bool Declaration(bool entity, XmlProlog& result) {
        while (!AtEnd()) {
            const char ch = m_text[m_at];
            if (ch == '"' || ch == '\'') {
                if (!SkipQuoted()) {
                    return false;
                }
            } else if (ch == '>') {
                ++m_at;
                return true;
            } else if (entity && (Keyword("SYSTEM") || Keyword("PUBLIC"))) {
                result.hasExternalReference = true;
                m_at += 6;
            } else {
                ++m_at;
            }
        }
        return false;
    }

    const std::string& m_text;
    std::size_t m_at = 0;
};

} // namespace

XmlProlog InspectXmlPrologBytes(const std::string& bytes) {
    std::string projected = Project(bytes);
    XmlProlog result = Scanner(projected).Run();
    CryptoServiceProvider::SecureWipe(projected.data(), projected.size());
    return result;
}

XmlProlog InspectXmlProlog(ImportSource& source) {
    source.Rewind();
    // The prolog is short in every real export: read more only while it has not ended.
    std::string bytes;
    XmlProlog result;
    for (std::size_t want = 64u << 10;; want *= 4) {
        const std::size_t have = bytes.size();
        want = std::min(want, kMaximumPrologBytes);
        std::string larger(want, '\0');
        std::copy(bytes.begin(), bytes.end(), larger.begin());
        CryptoServiceProvider::SecureWipe(bytes.data(), bytes.size());
        bytes.swap(larger);
        std::size_t got = 0;
        const bool failed = source.Read(bytes.data() + have, want - have, got) != 0;
        bytes.resize(have + (failed ? 0 : got));
        result = InspectXmlPrologBytes(bytes);
        if (failed || result.rootFound || got < want - have || want == kMaximumPrologBytes) {
            break;
        }
    }
    CryptoServiceProvider::SecureWipe(bytes.data(), bytes.size());
    source.Rewind();
    return result;
}

XmlProlog InspectXmlProlog(const std::filesystem::path& path) {
    try {
        ImportSource source = ImportSource::Open(path, u"InspectXmlProlog");
        return InspectXmlProlog(source);
    } catch (const Utilities::Exceptions::Exception&) {
        return {};
    }
}

} // namespace Tarnwick::Import::Xml
