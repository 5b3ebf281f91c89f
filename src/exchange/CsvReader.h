#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "crypto/String.h"

namespace Tarnwick::Import::CSV {

using StringServiceProvider::PlainString;
using CsvRow = std::vector<PlainString>;

// The text of a CSV file: UTF-16 with its byte-order mark, UTF-8 (a byte-order mark is
// dropped), and anything that is not well-formed UTF-8 as Windows-1252.
PlainString DecodeCsvBytes(std::string_view bytes);

struct CsvRecords {
    std::vector<CsvRow> rows;
    // Line (from 1) of a field whose qualifier is never closed; 0 when all are.
    std::size_t unclosedLine = 0;
};

// Records as RFC 4180 writes them, with the given separator and qualifier (0: none): a field
// that starts with the qualifier runs to the next lone qualifier and may hold separators and
// line breaks (which arrive as CR LF); a doubled qualifier inside stands for one. Records end
// at LF, CR LF or CR; blank lines are skipped.
CsvRecords ParseCsv(std::u16string_view text, char16_t separator, char16_t qualifier);

} // namespace Tarnwick::Import::CSV
