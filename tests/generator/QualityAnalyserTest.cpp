#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/text/Utf.h"
#include "generator/QualityAnalyser.h"
#include "generator/QualityMeter.h"

using namespace CryptoServiceProvider::PasswordMeter;
using StringServiceProvider::SecureString;

namespace {

int Score(std::u16string_view password) {
    return QualityAnalyser().Analyse(password);
}

int Percent(std::u16string_view password) {
    return QualityMeter::ScoreToPosition(Score(password));
}

} // namespace

TEST(QualityAnalyser, WorkedExamples) {
    QualityAnalyser analyser;
    EXPECT_EQ(analyser.Analyse(u""), 0);
    EXPECT_EQ(analyser.Pool(), 0u);
    EXPECT_EQ(analyser.EffectiveLength(), 0.0);

    // The step 0 repeats: 1 + 1/2 + 1/6 + 1/12.
    EXPECT_EQ(analyser.Analyse(u"aaaa"), 9);
    EXPECT_DOUBLE_EQ(analyser.EffectiveLength(), 1.75);
    EXPECT_EQ(analyser.Pool(), 26u);
    EXPECT_EQ(Percent(u"aaaa"), 7);

    // Steps all +1: 1 + 1 + 1/2 + 1/3; falling steps count the same.
    EXPECT_EQ(analyser.Analyse(u"abcd"), 14);
    EXPECT_DOUBLE_EQ(analyser.EffectiveLength(), 1.0 + 1.0 + 0.5 + 1.0 / 3.0);
    EXPECT_EQ(Score(u"dcba"), 14);

    // Sixteen distinct characters with distinct steps over lower, upper and digits.
    const std::u16string_view strong = u"Y6BzUZKCixgc1Fnq";
    std::set<int> steps;
    for (std::size_t i = 1; i < strong.size(); ++i) {
        steps.insert(static_cast<int>(strong[i]) - static_cast<int>(strong[i - 1]));
    }
    ASSERT_EQ(steps.size(), strong.size() - 1);
    EXPECT_EQ(analyser.Analyse(strong), 96);
    EXPECT_DOUBLE_EQ(analyser.EffectiveLength(), 16.0);
    EXPECT_EQ(analyser.Pool(), 62u);
    EXPECT_EQ(Percent(strong), 75);
}

TEST(QualityAnalyser, CharacterClassesAndTheirWeights) {
    struct Case {
        std::u16string_view password;
        std::uint32_t pool;
    };
    // The first and last code unit of every class, and mixtures.
    // clang-format off
    const Case cases[] = {
        {u"\x01", 60}, {u"\x1f", 60}, {u"a", 26}, {u"z", 26}, {u"A", 26}, {u"Z", 26}, {u"0", 10},
        {u"9", 10}, {u" ", 16}, {u"/", 16}, {u":", 17}, {u"@", 17}, {u"[", 17}, {u"`", 17}, {u"{", 17},
        {u"~", 17}, {u"\x7f", 112}, {u"\uffff", 112}, {u"aA", 52}, {u"a\t", 86}, {u"äöü", 112},
        {u"a1!:", 69}, {u"aA1!:\x7f\x01", 267},
    };
    // clang-format on
    for (const Case& c : cases) {
        QualityAnalyser analyser;
        EXPECT_GT(analyser.Analyse(c.password), 0);
        EXPECT_EQ(analyser.Pool(), c.pool) << Tarnwick::Text::ToUtf8(c.password);
    }
    EXPECT_EQ(Score(u"äöü"), 21); // 3 x log2(112) = 20.4
    EXPECT_EQ(Score(u"\x01"), 6);
}

TEST(QualityAnalyser, ExactResultsGainNoBitFromRounding) {
    // Pool 16 is four bits exactly: 1 x 4, 1.75 x 4 and 3 x 4 are whole numbers.
    EXPECT_EQ(Score(u"!"), 4);
    EXPECT_EQ(Score(u"!!!!"), 7);
    EXPECT_EQ(Score(u"!#&"), 12);
    // Pool 128 (extended and blank) is seven bits.
    EXPECT_EQ(Score(u"\x80 "), 14);
}

TEST(QualityAnalyser, EveryAnalysisStartsAfresh) {
    QualityAnalyser analyser;
    EXPECT_EQ(analyser.Analyse(u"\x01\x7f Zz9{"), analyser.Analyse(u"\x01\x7f Zz9{"));
    EXPECT_EQ(analyser.Analyse(u"aaaa"), 9);
    EXPECT_EQ(analyser.Pool(), 26u);
    EXPECT_EQ(analyser.Analyse(SecureString(std::u16string_view(u"Y6BzUZKCixgc1Fnq"))), 96);
    EXPECT_EQ(analyser.Analyse(SecureString()), 0);
    // Long repetitive input converges instead of growing with its length.
    EXPECT_LE(Score(std::u16string(1024, u'a')), Score(u"aaaa") + 2);
}
