#include <gtest/gtest.h>

#include "ImportTestSupport.h"
#include "autocompletion/SequenceParser.h"
#include "exchange/ImportAutoType.h"

using namespace Tarnwick::Import;
using ImportTest::N;

namespace {

TEST(ImportAutoTypeTest, KeePassAndPasswordDepotTemplatesBecomeSequences) {
    EXPECT_EQ(N(ConvertAutoTypeTemplate(u"{USERNAME}{TAB}{PASSWORD}{ENTER}", u'}')), "{USERNAME}{TAB}{PASSWORD}{ENTER}");
    EXPECT_EQ(N(ConvertAutoTypeTemplate(u"<USER><TAB><PASS><ENTER>", u'>')), "{USERNAME}{TAB}{PASSWORD}{ENTER}");
    // Letter case does not matter; unknown tokens and literal text add nothing.
    EXPECT_EQ(N(ConvertAutoTypeTemplate(u"{UserName}{tab}{Password}{DELAY 100}{Space}{Enter}", u'}')),
              "{USERNAME}{TAB}{PASSWORD}{SPACE}{ENTER}");
    EXPECT_EQ(N(ConvertAutoTypeTemplate(u"{Title}x{TAB}abc{PASSWORD_ENC}", u'}')), "{TAB}{PASSWORD}");
    EXPECT_EQ(N(ConvertAutoTypeTemplate(u"{USERNAME}{TAB", u'}')), "{USERNAME}");
    EXPECT_EQ(N(ConvertAutoTypeTemplate(u"", u'}')), "");
    EXPECT_EQ(N(ConvertAutoTypeTemplate(u"}}}}", u'}')), "");
    EXPECT_EQ(N(ConvertPasswordSafeAutoType(u"\\u\\t\\p\\n\\z literal\\")), "{USERNAME}{TAB}{PASSWORD}{ENTER}");

    // Whatever comes out is a valid sequence.
    for (const char16_t* text : {u"{USER}{ENTER}", u"garbage{{{}}}<<>>", u"{SPACE}{PASS}"}) {
        const auto converted = ConvertAutoTypeTemplate(text, u'}');
        Tarnwick::AutoCompletion::SequenceParser parser(converted.View());
        EXPECT_TRUE(parser.Parse(true)) << N(converted);
    }
}

TEST(ImportAutoTypeTest, NotesLoseTheirAutoTypeLines) {
    const auto notes = SplitAutoTypeLines(u"one line\nAuto-Type: {USERNAME}{TAB}{PASSWORD}{ENTER}");
    EXPECT_EQ(N(notes.comment), "one line");
    EXPECT_TRUE(notes.hasSequence);
    EXPECT_FALSE(notes.hasWindow);
    EXPECT_EQ(N(ConvertAutoTypeTemplate(notes.sequence.View(), u'}')), "{USERNAME}{TAB}{PASSWORD}{ENTER}");

    const auto both = SplitAutoTypeLines(
        u"first\r\nAuto-Type-Window: Login - Mozilla Firefox\r\nsecond\r\nAuto-Type: {PASSWORD}\r\n\r\n");
    EXPECT_EQ(N(both.comment), "first\r\nsecond");
    EXPECT_EQ(N(both.window), "Login - Mozilla Firefox");
    EXPECT_EQ(N(both.sequence), "{PASSWORD}");

    // Two markers on one line end each other; later markers of a kind are dropped too.
    const auto packed = SplitAutoTypeLines(u"note Auto-Type: {TAB}Auto-Type-Window: W\nAuto-Type: {ENTER}");
    EXPECT_EQ(N(packed.comment), "note ");
    EXPECT_EQ(N(packed.sequence), "{TAB}");
    EXPECT_EQ(N(packed.window), "W");

    const auto plain = SplitAutoTypeLines(u"no markers\n\nhere\n");
    EXPECT_EQ(N(plain.comment), "no markers\n\nhere\n");
    EXPECT_FALSE(plain.hasSequence);
    EXPECT_FALSE(plain.hasWindow);
}

} // namespace
