#include "exchange/CsvReader.h"

#include <array>
#include <cstdint>

#include "exchange/ImportText.h"

namespace Tarnwick::Import::CSV {

namespace {

// Windows-1252 at 0x80..0x9F; the five unassigned bytes stay as they are.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool DecodeUtf8(std::string_view bytes, Detail::WipingBuffer& out) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        if (b0 < 0x80) {
            out.Append(static_cast<char16_t>(b0));
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t code = 0;
        std::uint32_t minimum = 0;
        if ((b0 & 0xE0) == 0xC0) {
            length = 2;
            code = b0 & 0x1F;
            minimum = 0x80;
        } else if ((b0 & 0xF0) == 0xE0) {
            length = 3;
            code = b0 & 0x0F;
            minimum = 0x800;
        } else if ((b0 & 0xF8) == 0xF0) {
            length = 4;
            code = b0 & 0x07;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (i + length > bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            if ((b & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (b & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.Append(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.Append(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.Append(static_cast<char16_t>(code));
        }
        i += length;
    }
    return true;
}

void DecodeWindows1252(std::string_view bytes, Detail::WipingBuffer& out) {
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out.Append(b >= 0x80 && b <= 0x9F ? kWindows1252High[b - 0x80] : static_cast<char16_t>(b));
    }
}

void DecodeUtf16(std::string_view bytes, bool bigEndian, Detail::WipingBuffer& out) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        out.Append(static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a));
    }
}

} // namespace

PlainString DecodeCsvBytes(std::string_view bytes) {
    Detail::WipingBuffer text;
    const auto starts = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (starts("\xFF\xFE")) {
        DecodeUtf16(bytes.substr(2), false, text);
    } else if (starts("\xFE\xFF")) {
        DecodeUtf16(bytes.substr(2), true, text);
    } else {
        if (starts("\xEF\xBB\xBF")) {
            bytes.remove_prefix(3);
        }
        if (!DecodeUtf8(bytes, text)) {
            text.Clear();
            DecodeWindows1252(bytes, text);
        }
    }
    return text.ToPlain();
}

CsvRecords ParseCsv(std::u16string_view text, char16_t separator, char16_t qualifier) {
    CsvRecords result;
    CsvRow row;
    Detail::WipingBuffer field;
    bool fieldStarted = false; // the field has content or was quoted
    bool quoted = false;       // inside a quoted part
    std::size_t line = 1;
    std::size_t quoteLine = 0;

    const auto endField = [&] {
        row.push_back(field.ToPlain());
        field.Clear();
        fieldStarted = false;
    };
    const auto endRecord = [&] {
        // A line with nothing on it is no record.
        if (row.empty() && !fieldStarted && field.IsEmpty()) {
            return;
        }
        endField();
        result.rows.push_back(std::move(row));
        row.clear();
    };

    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i];
        if (quoted) {
            if (ch == qualifier) {
                if (i + 1 < text.size() && text[i + 1] == qualifier) {
                    field.Append(qualifier);
                    ++i;
                } else {
                    quoted = false;
                }
            } else if (ch == u'\r' || ch == u'\n') {
                if (ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                    ++i;
                }
                field.Append(u"\r\n");
                ++line;
            } else {
                field.Append(ch);
            }
            continue;
        }
        if (ch == separator) {
            endField();
        } else if (ch == u'\r' || ch == u'\n') {
            if (ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            endRecord();
            ++line;
        } else if (qualifier != 0 && ch == qualifier && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
            quoteLine = line;
        } else {
            // Text after a closing qualifier belongs to the field as well.
            field.Append(ch);
            fieldStarted = true;
        }
    }
    if (quoted) {
        result.unclosedLine = quoteLine;
    }
    endRecord();
    return result;
}

} // namespace Tarnwick::Import::CSV
