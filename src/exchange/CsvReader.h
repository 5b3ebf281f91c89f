#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "crypto/String.h"
#include "exchange/ImportText.h"

namespace Tarnwick::Import::CSV {

using StringServiceProvider::PlainString;
using CsvRow = std::vector<PlainString>;

// Decodes the bytes of a CSV file piece by piece: UTF-16 with its byte-order mark, UTF-8 (a
// byte-order mark is dropped), and anything that is not well-formed UTF-8 as Windows-1252.
// Whether a file is UTF-8 shows only where it stops being so: the reader then starts over with
// Windows-1252 for the whole file.
class CsvDecoder {
public:
    enum class Result { Decoded, NotUtf8 };

    // Appends the code units of the complete sequences at the start of bytes and tells how
    // many bytes it used; an unfinished sequence at the end waits for the next call unless the
    // file ends with these bytes. NotUtf8: nothing is appended; call StartOver(true) and decode
    // the file again from its start.
    Result Decode(std::string_view bytes, bool atEnd, Detail::WipingBuffer& out, std::size_t& used);
    void StartOver(bool windows1252) noexcept;

private:
    enum class Encoding { Unknown, Utf8, Utf16Le, Utf16Be, Windows1252 };
    Encoding m_encoding = Encoding::Unknown;
    bool m_windows1252 = false;
};

// The text of a whole CSV file, as CsvDecoder reads it.
PlainString DecodeCsvBytes(std::string_view bytes);

struct CsvRecords {
    std::vector<CsvRow> rows;
    // Line (from 1) of a field whose qualifier is never closed; 0 when all are.
    std::size_t unclosedLine = 0;
};

// Records as RFC 4180 writes them, with the given separator and qualifier (0: none): a field
// that starts with the qualifier runs to the next lone qualifier and may hold separators and
// line breaks (which arrive as CR LF); a doubled qualifier inside stands for one. Records end
// at LF, CR LF or CR; blank lines are skipped. The text may arrive in pieces of any size.
//
// Limits (0: none) keep a hostile file from filling the memory: of a field only the first
// fieldLimit + 1 code units are kept (so a longer one is still seen as too long); a record
// that passes recordLimit code units (separators and qualifiers included) stops the parser,
// as soon as it passes it.
class CsvParser {
public:
    CsvParser(char16_t separator, char16_t qualifier, std::size_t fieldLimit = 0, std::size_t recordLimit = 0);

    // False when a record passed the record limit; nothing more is parsed then.
    bool Feed(std::u16string_view text);
    // The end of the text: the last record is complete.
    void Finish();

    // The record that passed the limit: its number (from 1) and the line it starts in, and
    // whether it ended inside a quoted field.
    bool Overlong() const noexcept { return m_overlong; }
    std::size_t OverlongRecord() const noexcept { return m_records.rows.size() + 1; }
    std::size_t OverlongLine() const noexcept { return m_recordLine; }
    bool OverlongInQuotes() const noexcept { return m_quoted; }

    CsvRecords& Records() noexcept { return m_records; }

private:
    void Put(char16_t ch);
    void AppendToField(char16_t ch);
    void EndField();
    void EndRecord();

    char16_t m_separator;
    char16_t m_qualifier;
    std::size_t m_fieldLimit;
    std::size_t m_recordLimit;
    CsvRecords m_records;
    CsvRow m_row;
    Detail::WipingBuffer m_field;
    bool m_fieldStarted = false; // the field has content or was quoted
    bool m_quoted = false;       // inside a quoted part
    bool m_quotePending = false; // a qualifier inside a quoted part: closes it unless doubled
    bool m_skipLineFeed = false; // after CR: an LF belongs to the same line break
    bool m_overlong = false;
    std::size_t m_line = 1;
    std::size_t m_quoteLine = 0;
    std::size_t m_recordLine = 1;
    std::size_t m_recordUnits = 0;
};

// A whole text at once, without limits.
CsvRecords ParseCsv(std::u16string_view text, char16_t separator, char16_t qualifier);

} // namespace Tarnwick::Import::CSV
