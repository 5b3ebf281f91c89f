#include "exchange/CsvReader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "base/text/Utf.h"
#include "exchange/ImportText.h"

namespace Tarnwick::Import::CSV {

namespace {

// Windows-1252 at 0x80..0x9F; the five unassigned bytes stay as they are.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Decodes the complete UTF-8 sequences at the start of bytes; used tells how far it came.
// False when the bytes are not UTF-8 (an unfinished sequence at the very end of the file is
// none either).
bool DecodeUtf8(std::string_view bytes, bool atEnd, Detail::WipingBuffer& out, std::size_t& used) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        char32_t code = 0;
        std::size_t length = 0;
        const Text::Utf8Sequence sequence = Text::DecodeUtf8Sequence(bytes.substr(i), code, length);
        if (sequence == Text::Utf8Sequence::Invalid) {
            return false;
        }
        if (sequence == Text::Utf8Sequence::Truncated) {
            if (atEnd) {
                return false;
            }
            break; // the rest of the sequence comes with the next bytes
        }
        Text::PutUtf16(code, [&](char16_t unit) { out.Append(unit); });
        i += length;
    }
    used = i;
    return true;
}

void DecodeWindows1252(std::string_view bytes, Detail::WipingBuffer& out) {
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out.Append(b >= 0x80 && b <= 0x9F ? kWindows1252High[b - 0x80] : static_cast<char16_t>(b));
    }
}

// Whole code units; an odd last byte waits for the next bytes (and is dropped at the end).
std::size_t DecodeUtf16(std::string_view bytes, bool bigEndian, Detail::WipingBuffer& out) {
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        out.Append(static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a));
    }
    return i;
}

} // namespace

CsvDecoder::Result CsvDecoder::Decode(std::string_view bytes, bool atEnd, Detail::WipingBuffer& out,
                                      std::size_t& used) {
    used = 0;
    if (m_encoding == Encoding::Unknown) {
        if (bytes.size() < 3 && !atEnd) {
            return Result::Decoded; // too few bytes to tell the byte-order mark
        }
        const auto starts = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
        if (m_windows1252) {
            m_encoding = Encoding::Windows1252;
        } else if (starts("\xFF\xFE")) {
            m_encoding = Encoding::Utf16Le;
            used = 2;
        } else if (starts("\xFE\xFF")) {
            m_encoding = Encoding::Utf16Be;
            used = 2;
        } else {
            m_encoding = Encoding::Utf8;
            if (starts("\xEF\xBB\xBF")) {
                used = 3;
            }
        }
        if (m_encoding == Encoding::Windows1252 && starts("\xEF\xBB\xBF")) {
            used = 3; // the mark of a file that then turned out not to be UTF-8
        }
    }
    const std::string_view rest = bytes.substr(used);
    switch (m_encoding) {
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
        used += DecodeUtf16(rest, m_encoding == Encoding::Utf16Be, out);
        if (atEnd) {
            used = bytes.size();
        }
        return Result::Decoded;
    case Encoding::Windows1252:
        DecodeWindows1252(rest, out);
        used = bytes.size();
        return Result::Decoded;
    case Encoding::Utf8:
    case Encoding::Unknown: {
        const std::size_t mark = used;
        const std::size_t before = out.Size();
        std::size_t decoded = 0;
        if (!DecodeUtf8(rest, atEnd, out, decoded)) {
            out.Truncate(before);
            used = 0;
            return Result::NotUtf8;
        }
        used = mark + decoded;
        return Result::Decoded;
    }
    }
    return Result::Decoded;
}

void CsvDecoder::StartOver(bool windows1252) noexcept {
    m_encoding = Encoding::Unknown;
    m_windows1252 = windows1252;
}

PlainString DecodeCsvBytes(std::string_view bytes) {
    Detail::WipingBuffer text;
    CsvDecoder decoder;
    std::size_t used = 0;
    if (decoder.Decode(bytes, true, text, used) == CsvDecoder::Result::NotUtf8) {
        decoder.StartOver(true);
        decoder.Decode(bytes, true, text, used);
    }
    return text.ToPlain();
}

CsvParser::CsvParser(char16_t separator, char16_t qualifier, std::size_t fieldLimit, std::size_t recordLimit)
    : m_separator(separator), m_qualifier(qualifier), m_fieldLimit(fieldLimit), m_recordLimit(recordLimit) {}

void CsvParser::AppendToField(char16_t ch) {
    // Beyond the limit (and one code unit more, to show that it was passed) nothing is kept.
    if (m_fieldLimit == 0 || m_field.Size() <= m_fieldLimit) {
        m_field.Append(ch);
    }
}

void CsvParser::EndField() {
    m_row.push_back(m_field.ToPlain());
    m_field.Clear();
    m_fieldStarted = false;
}

void CsvParser::EndRecord() {
    m_recordUnits = 0;
    // A line with nothing on it is no record.
    if (m_row.empty() && !m_fieldStarted && m_field.IsEmpty()) {
        return;
    }
    EndField();
    m_records.rows.push_back(std::move(m_row));
    m_row.clear();
}

void CsvParser::Put(char16_t ch) {
    if (m_skipLineFeed) {
        m_skipLineFeed = false;
        if (ch == u'\n') {
            return;
        }
    }
    const bool doubledQualifier = m_quotePending && ch == m_qualifier;
    if (m_quotePending) {
        m_quotePending = false;
        if (!doubledQualifier) {
            m_quoted = false; // the qualifier closed the quoted part; ch is read as unquoted
        }
    }
    const bool lineBreak = ch == u'\r' || ch == u'\n';
    if (!m_quoted && lineBreak) {
        m_skipLineFeed = ch == u'\r';
        EndRecord();
        ++m_line;
        return;
    }
    if (m_recordUnits++ == 0) {
        m_recordLine = m_line;
    }
    if (m_recordLimit != 0 && m_recordUnits > m_recordLimit) {
        m_overlong = true;
        return;
    }
    if (doubledQualifier) {
        AppendToField(m_qualifier);
        return;
    }
    if (m_quoted) {
        if (ch == m_qualifier) {
            m_quotePending = true;
        } else if (lineBreak) {
            m_skipLineFeed = ch == u'\r';
            AppendToField(u'\r');
            AppendToField(u'\n');
            ++m_line;
        } else {
            AppendToField(ch);
        }
        return;
    }
    if (ch == m_separator) {
        EndField();
    } else if (m_qualifier != 0 && ch == m_qualifier && !m_fieldStarted) {
        m_quoted = true;
        m_fieldStarted = true;
        m_quoteLine = m_line;
    } else {
        // Text after a closing qualifier belongs to the field as well.
        AppendToField(ch);
        m_fieldStarted = true;
    }
}

bool CsvParser::Feed(std::u16string_view text) {
    for (const char16_t ch : text) {
        if (m_overlong) {
            return false;
        }
        Put(ch);
    }
    return !m_overlong;
}

void CsvParser::Finish() {
    if (m_overlong) {
        return;
    }
    m_quotePending = false;
    if (m_quoted) {
        m_records.unclosedLine = m_quoteLine;
        m_quoted = false;
    }
    EndRecord();
}

CsvRecords ParseCsv(std::u16string_view text, char16_t separator, char16_t qualifier) {
    CsvParser parser(separator, qualifier);
    parser.Feed(text);
    parser.Finish();
    return std::move(parser.Records());
}

} // namespace Tarnwick::Import::CSV
