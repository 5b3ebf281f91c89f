#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ImportTestSupport.h"
#include "exchange/CsvReader.h"

using namespace Tarnwick::Import::CSV;
using ImportTest::N;
using ImportTest::U;

namespace {

using Table = std::vector<std::vector<std::string>>;

Table Parse(std::string_view utf8, char16_t separator = u',', char16_t qualifier = u'"', std::size_t* unclosed = nullptr) {
    const auto records = ParseCsv(U(utf8), separator, qualifier);
    if (unclosed != nullptr) {
        *unclosed = records.unclosedLine;
    }
    Table table;
    for (const auto& row : records.rows) {
        std::vector<std::string> cells;
        for (const auto& cell : row) {
            cells.push_back(N(cell));
        }
        table.push_back(cells);
    }
    return table;
}

TEST(CsvReaderTest, QuotedFieldsHoldSeparatorsLineBreaksAndDoubledQualifiers) {
    EXPECT_EQ(Parse("a,\"b,c\",\"say \"\"hi\"\"\"\r\n"), (Table{{"a", "b,c", "say \"hi\""}}));
    EXPECT_EQ(Parse("note,\"line 1\nline 2\r\nline 3\"\nnext,row"),
              (Table{{"note", "line 1\r\nline 2\r\nline 3"}, {"next", "row"}}));
    // A qualifier inside an unquoted field is text; text after a closing one belongs to the field.
    EXPECT_EQ(Parse("ab\"c,\"x\"y,\"\""), (Table{{"ab\"c", "xy", ""}}));
    // Empty fields, blank lines, lone CR and a missing last line break.
    EXPECT_EQ(Parse("\n,,\r\rlast,\n\n"), (Table{{"", "", ""}, {"last", ""}}));
    EXPECT_EQ(Parse(""), Table{});
}

TEST(CsvReaderTest, TheChosenQualifierAndSeparatorAreUsed) {
    EXPECT_EQ(Parse("'a;b';'it''s';\"c\"", u';', u'\''), (Table{{"a;b", "it's", "\"c\""}}));
    EXPECT_EQ(Parse("\"a;b\";c", u';', 0), (Table{{"\"a", "b\"", "c"}}));
    EXPECT_EQ(Parse("a\tb\t\"c\td\"", u'\t'), (Table{{"a", "b", "c\td"}}));
    std::size_t unclosed = 0;
    EXPECT_EQ(Parse("x\ny,\"open\nrest,of,file", u',', u'"', &unclosed), (Table{{"x"}, {"y", "open\r\nrest,of,file"}}));
    EXPECT_EQ(unclosed, 2u);
}

TEST(CsvReaderTest, BytesAreDecodedFromUtf8OrWindows1252) {
    EXPECT_EQ(N(DecodeCsvBytes("\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F\x65")), "Grüße");
    EXPECT_EQ(N(DecodeCsvBytes("Gr\xFC\xDF\x65 \x80 \x93x\x94")), "Grüße € “x”");
    EXPECT_EQ(N(DecodeCsvBytes("\xC3\xBC \xFC")), "Ã¼ ü"); // one bad sequence: all of it is Windows-1252
    EXPECT_EQ(N(DecodeCsvBytes("\xF0\x9F\x98\x80")), "\xF0\x9F\x98\x80");
    EXPECT_EQ(N(DecodeCsvBytes("\xED\xA0\x80")), "\xC3\xAD\xC2\xA0\xE2\x82\xAC"); // a surrogate is no UTF-8
    EXPECT_EQ(N(DecodeCsvBytes(std::string("\xFF\xFE" "a\0\xFC\0", 6))), "aü");
    EXPECT_EQ(N(DecodeCsvBytes(std::string("\xFE\xFF\0a\0\xFC", 6))), "aü");
    EXPECT_EQ(N(DecodeCsvBytes("")), "");
}

} // namespace
