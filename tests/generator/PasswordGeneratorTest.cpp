#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "generator/Charset.h"
#include "generator/GeneratorTestSupport.h"
#include "generator/PasswordGenerator.h"
#include "support/CryptoTestSupport.h"

using namespace GeneratorTesting;
using StringServiceProvider::SecureString;
using Tarnwick::PasswordGenerator::Charset;
using Tarnwick::PasswordGenerator::DefaultPolicy;
using Tarnwick::PasswordGenerator::IGenerationProgress;
using Tarnwick::PasswordGenerator::kGenerationErrorText;
using Tarnwick::PasswordGenerator::PasswordGenerator;
using Tarnwick::Testing::Capture;

namespace {

// Pearson's statistic of observed counts against equal expectation.
double ChiSquare(const std::vector<long>& observed) {
    long total = 0;
    for (const long n : observed) {
        total += n;
    }
    const double expected = static_cast<double>(total) / static_cast<double>(observed.size());
    double chi = 0;
    for (const long n : observed) {
        chi += (n - expected) * (n - expected) / expected;
    }
    return chi;
}

// Upper 0.1 % point of chi-square with df degrees of freedom (Wilson-Hilferty).
double Critical(std::size_t df) {
    const double k = static_cast<double>(df);
    const double z = 3.0902; // 0.999 quantile of the normal distribution
    const double term = 1.0 - 2.0 / (9.0 * k) + z * std::sqrt(2.0 / (9.0 * k));
    return k * term * term * term;
}

class RecordingProgress : public IGenerationProgress {
public:
    void SetRange(int lower, int upper) override {
        calls.push_back("range " + std::to_string(lower) + "-" + std::to_string(upper));
    }
    void SetStep(int step) override { calls.push_back("step " + std::to_string(step)); }
    void StepIt() override { calls.push_back("stepit"); }
    std::vector<std::string> calls;
};

} // namespace

TEST(PasswordGenerator, DrawIndexIsTheDrawModuloTheSetSize) {
    PasswordPolicy policy = EmptyPolicy(4);
    policy.upper = 1;
    policy.digits = 1;
    // Table: set 0 (26) then set 2 (10); total 36. The largest accepted word for 36 is
    // 0xFFFFFFFB (2^32 mod 36 = 4), so 0xFFFFFFFC is drawn again.
    ScriptedStream stream{27, 0xFFFFFFFC, 36 * 1000 + 26, 25, 36 + 3};
    RecordingUI ui;
    PasswordGenerator generator(policy, &ui);
    SecureString password;
    ASSERT_TRUE(generator.Generate(stream, password));
    // 27 -> set 2, 27 mod 10 = 7 (not 27 - 26 = 1); 26 -> set 2, index 6; 25 -> "Z"; 3 -> "D".
    EXPECT_EQ(Reveal(password), u"76ZD");
    EXPECT_TRUE(stream.bytes.empty());
    EXPECT_EQ(stream.fills, 5);
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(ui.waitCursors, 1);
    EXPECT_EQ(ui.waitDepth, 0);
}

TEST(PasswordGenerator, AttemptsRepeatUntilEverySetHasItsCount) {
    PasswordPolicy policy = EmptyPolicy(2);
    policy.upper = 1;
    policy.lower = 1;
    // Two capitals fail; the second attempt starts from the full table again.
    ScriptedStream stream{0, 1, 30, 2};
    PasswordGenerator generator(policy);
    SecureString password;
    ASSERT_TRUE(generator.Generate(stream, password));
    EXPECT_EQ(Reveal(password), u"eC");
    EXPECT_TRUE(stream.bytes.empty());
}

TEST(PasswordGenerator, WithoutRepetitionTheDrawnCharacterLeavesTheTable) {
    PasswordPolicy policy = EmptyPolicy(3);
    policy.upper = 1;
    policy.repetition = false;
    // 0 -> "A"; the table now holds 25, so 25 -> index 0 -> "B"; then 24 holds, 23 -> "Z".
    ScriptedStream stream{0, 25, 23};
    PasswordGenerator generator(policy);
    SecureString password;
    ASSERT_TRUE(generator.Generate(stream, password));
    EXPECT_EQ(Reveal(password), u"ABZ");
}

TEST(PasswordGenerator, OneOfEachOfThreeSets) {
    PasswordPolicy policy = EmptyPolicy(3);
    policy.upper = 1;
    policy.lower = 1;
    policy.digits = 1;
    auto stream = FixedStream(1);
    PasswordGenerator generator(policy);
    for (int i = 0; i < 300; ++i) {
        SecureString password;
        ASSERT_TRUE(generator.Generate(stream, password));
        const std::u16string text = Reveal(password);
        ASSERT_EQ(text.size(), 3u);
        int upper = 0, lower = 0, digit = 0;
        for (const char16_t c : text) {
            upper += c >= u'A' && c <= u'Z';
            lower += c >= u'a' && c <= u'z';
            digit += c >= u'0' && c <= u'9';
        }
        EXPECT_EQ(upper, 1);
        EXPECT_EQ(lower, 1);
        EXPECT_EQ(digit, 1);
    }
}

TEST(PasswordGenerator, ImpossibleDemandsFailWithTheMessageAndAnEmptyResult) {
    struct Case {
        const char* what;
        PasswordPolicy policy;
    };
    std::vector<Case> cases;
    PasswordPolicy tooLong = EmptyPolicy(3);
    tooLong.upper = 2;
    tooLong.digits = 2;
    cases.push_back({"counts above the length", tooLong});
    PasswordPolicy emptied = DefaultPolicy();
    emptied.systemEntropy = false;
    emptied.excludedCharacters = u"0123456789";
    cases.push_back({"a chosen set emptied by exclusion", emptied});
    PasswordPolicy scarce = EmptyPolicy(10);
    scarce.umlauts = 7; // only six exist
    scarce.upper = 1;
    scarce.repetition = false;
    cases.push_back({"more distinct characters demanded than the set has", scarce});
    PasswordPolicy noLength = EmptyPolicy(0);
    noLength.upper = 1;
    cases.push_back({"length 0", noLength});

    for (const Case& c : cases) {
        RecordingUI ui;
        PasswordGenerator generator(c.policy, &ui);
        auto stream = FixedStream(2);
        SecureString password(std::u16string_view(u"old"));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(generator.Generate(stream, password)) << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << c.what;
        EXPECT_TRUE(password.IsEmpty()) << c.what;
        EXPECT_EQ(ui.errors, std::vector<std::u16string>{std::u16string(kGenerationErrorText)}) << c.what;
        EXPECT_EQ(ui.waitDepth, 0);
    }
}

TEST(PasswordGenerator, UnlikelyButPossibleDemandsStayBounded) {
    // Almost every attempt fails; each one is abandoned once the places left cannot hold
    // what is still owed, and all 25000 end quickly.
    PasswordPolicy policy = EmptyPolicy(64);
    policy.ownCount = 60;
    policy.ownCharacters = u"x";
    policy.highAnsi = 1;
    RecordingUI ui;
    PasswordGenerator generator(policy, &ui);
    auto stream = FixedStream(3);
    SecureString password;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(generator.Generate(stream, password));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    EXPECT_EQ(ui.errors.size(), 1u);
}

TEST(PasswordGenerator, ExcludedCharactersNeverAppear) {
    PasswordPolicy policy = EmptyPolicy(40);
    for (int set = 0; set < 8; ++set) {
        policy.SetCount(set, 1);
    }
    policy.ownCount = 1;
    policy.ownCharacters = u"/x0";
    policy.excludedCharacters = u"/0Oo1lI|\u20AC";
    auto stream = FixedStream(4);
    PasswordGenerator generator(policy);
    std::set<char16_t> seen;
    for (int i = 0; i < 400; ++i) {
        SecureString password;
        ASSERT_TRUE(generator.Generate(stream, password));
        for (const char16_t c : Reveal(password)) {
            seen.insert(c);
        }
    }
    for (const char16_t c : policy.excludedCharacters) {
        EXPECT_EQ(seen.count(c), 0u) << static_cast<int>(c);
    }
    EXPECT_EQ(seen.count(u'x'), 1u);
}

TEST(PasswordGenerator, NoRepetitionMeansNoCharacterTwice) {
    PasswordPolicy policy = EmptyPolicy(24);
    policy.special = 1;
    policy.repetition = false;
    auto stream = FixedStream(5);
    PasswordGenerator generator(policy);
    for (int i = 0; i < 50; ++i) {
        SecureString password;
        ASSERT_TRUE(generator.Generate(stream, password));
        std::u16string text = Reveal(password);
        std::sort(text.begin(), text.end());
        EXPECT_EQ(std::adjacent_find(text.begin(), text.end()), text.end()); // the slash too
        EXPECT_EQ(text.size(), 24u);
    }
    policy.length = 25;
    PasswordGenerator tooLong(policy);
    SecureString password;
    const auto t = Capture([&] { tooLong.Generate(stream, password); });
    EXPECT_EQ(t.message, u"len");
    EXPECT_EQ(t.target, u"Charset::Charset");
}

TEST(PasswordGenerator, TableErrorsReachTheCaller) {
    auto stream = FixedStream(6);
    PasswordGenerator none(EmptyPolicy(8));
    SecureString password;
    const auto sum = Capture([&] { none.Generate(stream, password); });
    EXPECT_EQ(sum.message, u"sum");
    EXPECT_EQ(sum.target, u"Charset::Charset");

    // Everything excluded: the same error, never a draw below 0.
    PasswordPolicy all = EmptyPolicy(4);
    all.digits = 1;
    all.excludedCharacters = u"0123456789";
    PasswordGenerator excluded(all);
    EXPECT_EQ(Capture([&] { excluded.Generate(stream, password); }).message, u"sum");
}

TEST(PasswordGenerator, HexadecimalAndBase64OfKnownBytes) {
    EXPECT_EQ(PasswordGenerator::ToHexadecimal(nullptr, 0), "");
    const std::vector<std::uint8_t> bytes = {0x00, 0x01, 0x7F, 0x80, 0xFF, 0xAB, 0xCD, 0xEF};
    EXPECT_EQ(PasswordGenerator::ToHexadecimal(bytes.data(), bytes.size()), "00017F80FFABCDEF");
    // RFC 4648 test vectors.
    const std::pair<std::string, std::string> vectors[] = {{"", ""},
                                                           {"f", "Zg=="},
                                                           {"fo", "Zm8="},
                                                           {"foo", "Zm9v"},
                                                           {"foob", "Zm9vYg=="},
                                                           {"fooba", "Zm9vYmE="},
                                                           {"foobar", "Zm9vYmFy"}};
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(
            PasswordGenerator::ToBase64(reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size()),
            encoded);
    }
    const std::vector<std::uint8_t> high = {0xFB, 0xFF, 0xBF};
    EXPECT_EQ(PasswordGenerator::ToBase64(high.data(), high.size()), "+/+/");

    PasswordPolicy hex = EmptyPolicy(8);
    hex.encoding = Tarnwick::PasswordGenerator::EncodingHexadecimal;
    ScriptedStream hexStream;
    hexStream.PushBytes(bytes);
    SecureString password;
    ASSERT_TRUE(PasswordGenerator(hex).Generate(hexStream, password));
    EXPECT_EQ(Reveal(password), u"00017F80FFABCDEF");
    EXPECT_EQ(hexStream.fills, 1);

    PasswordPolicy base64 = hex;
    base64.encoding = Tarnwick::PasswordGenerator::EncodingBase64;
    ScriptedStream b64Stream;
    b64Stream.PushBytes(bytes);
    ASSERT_TRUE(PasswordGenerator(base64).Generate(b64Stream, password));
    EXPECT_EQ(Reveal(password), u"AAF/gP+rze8=");
    EXPECT_EQ(Reveal(password).size(), 12u);

    // Any random bytes: sixteen capitals/digits, twelve characters ending in "=".
    auto stream = FixedStream(7);
    PasswordGenerator(hex).Generate(stream, password);
    const std::u16string text = Reveal(password);
    EXPECT_EQ(text.size(), 16u);
    EXPECT_EQ(text.find_first_not_of(u"0123456789ABCDEF"), std::u16string::npos);
    PasswordGenerator(base64).Generate(stream, password);
    EXPECT_EQ(Reveal(password).size(), 12u);
    EXPECT_EQ(Reveal(password).back(), u'=');

    // Nothing to encode is a failure, and the output stays empty.
    hex.length = 0;
    password.Assign(u"old");
    const auto t = Capture([&] { PasswordGenerator(hex).Generate(stream, password); });
    EXPECT_EQ(t.message, u"enc");
    EXPECT_EQ(t.target, u"PasswordGenerator::GenerateEncodedPassword");
    EXPECT_TRUE(password.IsEmpty());
}

TEST(PasswordGenerator, ListGeneration) {
    PasswordPolicy policy = DefaultPolicy();
    policy.systemEntropy = false;
    PasswordGenerator generator(policy);
    std::vector<SecureString> storage(5);
    std::vector<SecureString*> slots;
    for (auto& s : storage) {
        slots.push_back(&s);
    }
    RecordingProgress progress;
    EXPECT_EQ(generator.GeneratePasswords(&progress, slots), 5u);
    EXPECT_EQ(progress.calls, (std::vector<std::string>{"range 0-5", "step 1", "stepit", "stepit", "stepit",
                                                        "stepit", "stepit"}));
    std::set<std::u16string> distinct;
    for (const auto& s : storage) {
        EXPECT_EQ(s.Length(), 16u);
        distinct.insert(Reveal(s));
    }
    EXPECT_EQ(distinct.size(), 5u);
    EXPECT_EQ(generator.GeneratePasswords(nullptr, slots), 5u);

    // A missing slot is refused before anything is generated.
    slots[3] = nullptr;
    storage[0].Assign(u"kept");
    const auto t = Capture([&] { generator.GeneratePasswords(nullptr, slots); });
    EXPECT_EQ(t.target, u"PasswordGenerator::GeneratePasswords");
    EXPECT_EQ(Reveal(storage[0]), u"kept");

    // The first failure ends the run.
    PasswordPolicy impossible = EmptyPolicy(2);
    impossible.upper = 3;
    RecordingUI ui;
    PasswordGenerator failing(impossible, &ui);
    slots[3] = &storage[3];
    RecordingProgress none;
    EXPECT_EQ(failing.GeneratePasswords(&none, slots), 0u);
    EXPECT_EQ(none.calls, (std::vector<std::string>{"range 0-5", "step 1"}));
    EXPECT_EQ(ui.errors.size(), 1u);
    EXPECT_TRUE(storage[0].IsEmpty());
}

TEST(PasswordGenerator, SingleCharactersAreDrawnWithoutBias) {
    auto stream = FixedStream(8);
    // One set: every letter equally often over all positions.
    PasswordPolicy lower = EmptyPolicy(20);
    lower.lower = 1;
    PasswordGenerator oneSet(lower);
    std::vector<long> counts(26);
    SecureString password;
    for (int i = 0; i < 2000; ++i) {
        ASSERT_TRUE(oneSet.Generate(stream, password));
        for (const char16_t c : Reveal(password)) {
            ++counts[c - u'a'];
        }
    }
    EXPECT_LT(ChiSquare(counts), Critical(25));

    // The standard policy: within each set every character equally often (the minimum counts
    // favour the small sets as a whole, never one character of a set).
    PasswordPolicy standard = DefaultPolicy();
    PasswordGenerator generator(standard);
    const Charset table(standard);
    std::map<char16_t, long> byCharacter;
    for (int i = 0; i < 4000; ++i) {
        ASSERT_TRUE(generator.Generate(stream, password));
        for (const char16_t c : Reveal(password)) {
            ++byCharacter[c];
        }
    }
    for (std::size_t k = 0; k < table.GetSets().size(); ++k) {
        std::vector<long> observed;
        for (const char16_t c : table.GetSets()[k].characters) {
            observed.push_back(byCharacter[c]);
        }
        EXPECT_LT(ChiSquare(observed), Critical(observed.size() - 1)) << "set " << table.GetSetNumbers()[k];
    }

    // Without repetition the draws stay uniform as well.
    PasswordPolicy distinct = EmptyPolicy(10);
    distinct.digits = 1;
    distinct.repetition = false;
    PasswordGenerator digits(distinct);
    std::vector<long> firsts(10);
    for (int i = 0; i < 3000; ++i) {
        ASSERT_TRUE(digits.Generate(stream, password));
        ++firsts[Reveal(password)[0] - u'0'];
    }
    EXPECT_LT(ChiSquare(firsts), Critical(9));
}

TEST(PasswordGenerator, FixedKeyGivesRepeatableDraws) {
    PasswordPolicy policy = DefaultPolicy();
    auto a = FixedStream(9);
    auto b = FixedStream(9);
    auto c = FixedStream(10);
    SecureString pa, pb, pc;
    PasswordGenerator generator(policy);
    generator.Generate(a, pa);
    generator.Generate(b, pb);
    generator.Generate(c, pc);
    EXPECT_TRUE(pa.Equals(pb));
    EXPECT_FALSE(pa.Equals(pc));
}
