#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "generator/Charset.h"
#include "generator/GeneratorTestSupport.h"
#include "support/CryptoTestSupport.h"

using GeneratorTesting::EmptyPolicy;
using Tarnwick::PasswordGenerator::Charset;
using Tarnwick::PasswordGenerator::DefaultPolicy;
using Tarnwick::PasswordGenerator::PasswordPolicy;
using Tarnwick::Testing::Capture;

namespace {

std::vector<std::int32_t> V(std::initializer_list<std::int32_t> values) {
    return values;
}

std::u16string Join(const Charset& table) {
    std::u16string all;
    for (const auto& set : table.GetSets()) {
        all += set.characters;
    }
    return all;
}

} // namespace

TEST(Charset, StandardSets) {
    EXPECT_EQ(Charset::StandardSet(0), u"ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(Charset::StandardSet(1), u"abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(Charset::StandardSet(2), u"0123456789");
    const std::u16string umlauts = {0x00E4, 0x00C4, 0x00F6, 0x00D6, 0x00FC, 0x00DC};
    EXPECT_EQ(Charset::StandardSet(3), umlauts);
    EXPECT_EQ(Charset::StandardSet(4), u",;.:-_+=");
    EXPECT_EQ(Charset::StandardSet(5), u"(){}[]<>");
    const std::u16string special = {0x0021, 0x0040, 0x20AC, 0x00B5, 0x0022, 0x00A7, 0x0024, 0x0025, 0x0026,
                                    0x002F, 0x00DF, 0x003F, 0x005C, 0x002F, 0x00B4, 0x0060, 0x005E, 0x00B0,
                                    0x007E, 0x002A, 0x0027, 0x0023, 0x007C, 0x00B2, 0x00B3};
    EXPECT_EQ(Charset::StandardSet(6), special);
    const std::u16string_view high = Charset::StandardSet(7);
    ASSERT_EQ(high.size(), 129u);
    for (std::size_t i = 0; i < high.size(); ++i) {
        EXPECT_EQ(high[i], static_cast<char16_t>(0x80 + i));
    }
    EXPECT_TRUE(Charset::StandardSet(8).empty());
    EXPECT_TRUE(Charset::StandardSet(-1).empty());
}

TEST(Charset, BoundariesOfTheDefaultAndOfEverySet) {
    const Charset standard(DefaultPolicy());
    EXPECT_EQ(standard.GetSetNumbers(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(standard.GetSizes(), V({26, 26, 10, 6, 8}));
    EXPECT_EQ(standard.GetBoundaries(), V({0, 26, 52, 62, 68, 76}));
    EXPECT_EQ(standard.GetTotal(), 76);
    EXPECT_EQ(standard.GetPolicy(), DefaultPolicy());

    PasswordPolicy all = EmptyPolicy(16);
    for (int set = 0; set < 9; ++set) {
        all.SetCount(set, 1);
    }
    all.ownCharacters = u"xyz";
    const Charset every(all);
    EXPECT_EQ(every.GetSetNumbers(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(every.GetSizes(), V({26, 26, 10, 6, 8, 8, 25, 129, 3}));
    EXPECT_EQ(every.GetBoundaries(), V({0, 26, 52, 62, 68, 76, 84, 109, 238, 241}));
    EXPECT_EQ(every.GetTotal(), 241);
    EXPECT_EQ(every.GetSets()[8].characters, u"xyz");

    // Only the chosen sets, in set order, whatever order the counts were given in.
    PasswordPolicy some = EmptyPolicy(4);
    some.ownCount = 3;
    some.ownCharacters = u"#+#";
    some.digits = 1;
    const Charset two(some);
    EXPECT_EQ(two.GetSetNumbers(), (std::vector<int>{2, 8}));
    EXPECT_EQ(two.GetBoundaries(), V({0, 10, 13}));
    EXPECT_EQ(two.FindSetPosition(8), 1);
    EXPECT_EQ(two.FindSetPosition(0), -1);

    // The first set whose upper boundary is above r.
    EXPECT_EQ(two.SetPositionOf(0), 0u);
    EXPECT_EQ(two.SetPositionOf(9), 0u);
    EXPECT_EQ(two.SetPositionOf(10), 1u);
    EXPECT_EQ(two.SetPositionOf(12), 1u);
    EXPECT_EQ(Capture([&] { two.SetPositionOf(13); }).kind, "Exception");
}

TEST(Charset, ExcludedCharactersLeaveEverySet) {
    PasswordPolicy policy = DefaultPolicy();
    policy.excludedCharacters = u"0O1l";
    const Charset table(policy);
    EXPECT_EQ(table.GetSizes(), V({25, 25, 8, 6, 8}));
    EXPECT_EQ(table.GetBoundaries(), V({0, 25, 50, 58, 64, 72}));
    EXPECT_EQ(table.GetSets()[2].characters, u"23456789");
    for (const char16_t c : std::u16string(u"0O1l")) {
        EXPECT_EQ(Join(table).find(c), std::u16string::npos);
    }
    // Without exclusions applied the table is the full one.
    EXPECT_EQ(Charset(policy, false).GetTotal(), 76);

    // Every digit excluded: set 2 is gone, with its size and boundary.
    policy.excludedCharacters = u"9876543210";
    const Charset noDigits(policy);
    EXPECT_EQ(noDigits.GetSetNumbers(), (std::vector<int>{0, 1, 3, 4}));
    EXPECT_EQ(noDigits.GetBoundaries(), V({0, 26, 52, 58, 66}));
    EXPECT_EQ(noDigits.GetTotal(), 66);
}

TEST(Charset, BothSlashesOfTheSpecialSetGoWithOneExclusion) {
    PasswordPolicy policy = EmptyPolicy(8);
    policy.special = 1;
    EXPECT_EQ(Charset(policy).GetTotal(), 25);
    policy.excludedCharacters = u"/";
    const Charset table(policy);
    EXPECT_EQ(table.GetTotal(), 23);
    EXPECT_EQ(table.GetSets()[0].characters.find(u'/'), std::u16string::npos);
    policy.excludedCharacters = u"//";
    EXPECT_EQ(Charset(policy).GetTotal(), 23);
    // Own characters lose every copy too.
    policy.ownCount = 1;
    policy.ownCharacters = u"a/a/b";
    policy.excludedCharacters = u"/a";
    EXPECT_EQ(Charset(policy).GetSets()[1].characters, u"b");
}

TEST(Charset, WithoutRepetitionEveryCharacterIsThereOnce) {
    PasswordPolicy policy = EmptyPolicy(24);
    policy.special = 1;
    policy.repetition = false;
    const Charset special(policy);
    EXPECT_EQ(special.GetTotal(), 24); // the second slash is gone
    // Own characters that repeat a standard set or themselves keep their first occurrence.
    policy.lower = 1;
    policy.ownCount = 1;
    policy.ownCharacters = u"aa!Q";
    const Charset mixed(policy);
    EXPECT_EQ(mixed.GetSetNumbers(), (std::vector<int>{1, 6, 8}));
    EXPECT_EQ(mixed.GetSets()[2].characters, u"Q");
    // Own characters made only of repeats disappear.
    policy.ownCharacters = u"abc";
    EXPECT_EQ(Charset(policy).GetSetNumbers(), (std::vector<int>{1, 6}));
    // With repetition they all stay.
    policy.repetition = true;
    EXPECT_EQ(Charset(policy).GetTotal(), 26 + 25 + 3);
}

TEST(Charset, SumAndLengthChecksBeforeAndAfterExclusion) {
    const auto thrown = [](const PasswordPolicy& policy) {
        const auto t = Capture([&] { Charset table(policy); });
        if (t.kind == "none") {
            return std::u16string(u"none");
        }
        EXPECT_EQ(t.target, u"Charset::Charset");
        return t.message;
    };
    // No set chosen.
    EXPECT_EQ(thrown(EmptyPolicy(16)), u"sum");
    // Own characters chosen but left blank: no set at all.
    PasswordPolicy blankOwn = EmptyPolicy(16);
    blankOwn.ownCount = 2;
    EXPECT_EQ(thrown(blankOwn), u"sum");

    // Twenty-seven distinct capitals do not exist.
    PasswordPolicy upper = EmptyPolicy(27);
    upper.upper = 1;
    upper.repetition = false;
    EXPECT_EQ(thrown(upper), u"len");
    upper.length = 26;
    EXPECT_EQ(thrown(upper), u"none");
    // After excluding one there are 25.
    upper.excludedCharacters = u"Q";
    EXPECT_EQ(thrown(upper), u"len");
    upper.repetition = true;
    EXPECT_EQ(thrown(upper), u"none");

    // Excluding everything leaves nothing to draw from (never a draw below 0).
    PasswordPolicy digits = EmptyPolicy(4);
    digits.digits = 4;
    digits.excludedCharacters = u"0123456789";
    EXPECT_EQ(thrown(digits), u"sum");
}

TEST(Charset, RemovingCharactersKeepsSizesBoundariesAndTotalInStep) {
    PasswordPolicy policy = EmptyPolicy(3);
    policy.digits = 1;
    policy.ownCount = 1;
    policy.ownCharacters = u"xy";
    policy.punctuation = 1;
    Charset table(policy); // sets 2, 4, 8: 10, 8, 2
    EXPECT_EQ(table.GetBoundaries(), V({0, 10, 18, 20}));

    EXPECT_TRUE(table.RemoveCharacter(0, 3)); // "3"
    EXPECT_EQ(table.GetSets()[0].characters, u"012456789");
    EXPECT_EQ(table.GetSizes(), V({9, 8, 2}));
    EXPECT_EQ(table.GetBoundaries(), V({0, 9, 17, 19}));
    EXPECT_EQ(table.GetTotal(), 19);

    EXPECT_TRUE(table.RemoveCharacter(2, 0));
    EXPECT_EQ(table.GetSets()[2].characters, u"y");
    // The last character of a set takes the set with it.
    EXPECT_FALSE(table.RemoveCharacter(2, 0));
    EXPECT_EQ(table.GetSetNumbers(), (std::vector<int>{2, 4}));
    EXPECT_EQ(table.GetBoundaries(), V({0, 9, 17}));
    EXPECT_EQ(table.GetTotal(), 17);

    // A size that no longer agrees with the characters is refused.
    EXPECT_TRUE(table.RemoveElementFromTable(1));
    const auto t = Capture([&] { table.RemoveElementFromTable(1); });
    EXPECT_EQ(t.message, u"len");
    EXPECT_EQ(t.target, u"Charset::RemoveElementFromTable");
    EXPECT_EQ(Capture([&] { table.RemoveElementFromTable(5); }).kind, "Exception");
    EXPECT_EQ(Capture([&] { table.RemoveCharacter(0, 99); }).kind, "Exception");

    // Copies are independent.
    const Charset original(policy);
    Charset copy(original);
    copy.RemoveCharacter(0, 0);
    EXPECT_EQ(original.GetTotal(), 20);
    EXPECT_EQ(copy.GetTotal(), 19);
}
