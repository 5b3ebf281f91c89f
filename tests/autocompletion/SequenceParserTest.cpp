#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "autocompletion/SequenceManager.h"
#include "autocompletion/SequenceParser.h"
#include "base/text/Utf.h"
#include "base/exceptions/Exception.h"

using namespace Tarnwick::AutoCompletion;
using StringServiceProvider::SecureString;
using Tarnwick::PasswordADT::PasswordItem;
using Utilities::Exceptions::Exception;

namespace {

// Codes of a build-mode parse, or nothing when the text is refused.
std::optional<CodeList> Build(std::u16string_view text) {
    SequenceParser parser(text);
    if (!parser.Parse(false)) {
        return std::nullopt;
    }
    return parser.Codes();
}

bool Validates(std::u16string_view text) {
    return SequenceParser(text).Parse(true);
}

std::u16string Error(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.GetTarget().ToStdString() + u"|" + e.GetMessage().ToStdString();
    }
    return u"";
}

std::u16string Plain(const SecureString& value) {
    return value.Reveal().ToStdString();
}

} // namespace

TEST(SequenceParser, TokensTranslateToTheirCodes) {
    EXPECT_EQ(Build(u"{USERNAME}{TAB}{PASSWORD}{ENTER}"), (CodeList{500, 9, 501, 13}));
    EXPECT_EQ(Build(u"{MAIL}{SPACE}{TAB}{TAB}"), (CodeList{502, 32, 9, 9}));
    EXPECT_EQ(Build(u"{FIELD_1}"), CodeList{601});
    EXPECT_EQ(Build(u"{FIELD_100}"), CodeList{700});
    EXPECT_EQ(Build(u"{FIELD_007}{FIELD_42}"), (CodeList{607, 642}));
    EXPECT_EQ(Build(u"{FIELD_00000000000000000000000000001}"), CodeList{601});
    EXPECT_EQ(Build(u""), CodeList{});
    EXPECT_TRUE(Validates(u""));
}

TEST(SequenceParser, FieldNumbersOutOfRangeFailOnlyWhenBuilt) {
    // Numbers that a 32- or 64-bit conversion would wrap back to 1 stay out of range.
    for (const std::u16string_view text :
         {u"{FIELD_0}", u"{FIELD_101}", u"{FIELD_4294967297}", u"{FIELD_18446744073709551617}",
          u"{FIELD_99999999999999999999999999999999999999999}"}) {
        EXPECT_TRUE(Validates(text)) << Tarnwick::Text::ToUtf8(text);
        EXPECT_EQ(Build(text), std::nullopt) << Tarnwick::Text::ToUtf8(text);
    }
}

TEST(SequenceParser, MalformedTextsAreRefusedInBothModes) {
    for (const std::u16string_view text :
         {u"{FIELD_}",   u"{FIELD_1x}", u"{FIELD_1", u"{F}",     u"{FIELD_1{TAB}", u"{FIELD_-1}",
          u"{FIELD_ 1}", u"{username}", u"{TAB",     u"abc",     u"{TAB} {ENTER}", u"{Q}",
          u"{TAB}{",     u"{",          u"{T",       u"{TA",     u"{TAB}{U",       u"{PASSWORD}}",
          u"{TAB}x",     u"{Tab}",      u" {TAB}",   u"{ENTER} "}) {
        EXPECT_FALSE(Validates(text)) << Tarnwick::Text::ToUtf8(text);
        EXPECT_EQ(Build(text), std::nullopt) << Tarnwick::Text::ToUtf8(text);
    }
}

TEST(SequenceParser, UnknownLetterAfterBraceIsPassedOver) {
    EXPECT_EQ(Build(u"{TAB}{Q"), CodeList{9});
    EXPECT_EQ(Build(u"{Q{TAB}"), CodeList{9});
    EXPECT_TRUE(Validates(u"{TAB}{Q"));
}

TEST(SequenceParser, ValidateModeLeavesTheListAlone) {
    PasswordItem entry;
    entry.SetSequence(u"{USERNAME}{ENTER}");
    SequenceParser parser(entry);
    ASSERT_TRUE(parser.Parse(false));
    EXPECT_EQ(parser.Codes(), (CodeList{500, 13}));
    EXPECT_TRUE(parser.Parse(true));
    EXPECT_EQ(parser.Codes(), (CodeList{500, 13}));
    // A new build starts from an empty list.
    ASSERT_TRUE(parser.Parse(false));
    EXPECT_EQ(parser.Codes(), (CodeList{500, 13}));

    PasswordItem empty;
    SequenceParser none(empty);
    EXPECT_TRUE(none.Parse(false));
    EXPECT_TRUE(none.Codes().empty());
}

TEST(SequenceTexts, DefaultsTypesAndTokens) {
    EXPECT_EQ(BuildDefaultSequence(0), u"{USERNAME}{TAB}{PASSWORD}");
    EXPECT_EQ(BuildDefaultSequence(1), u"{MAIL}{TAB}{PASSWORD}");
    std::vector<std::u16string> shown;
    EXPECT_EQ(BuildDefaultSequence(2, [&](std::u16string_view m) { shown.emplace_back(m); }), u"");
    EXPECT_EQ(BuildDefaultSequence(-1), u"");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], u"Unknown Auto Completion sequence. Please contact manufacturer.");

    EXPECT_EQ(GetSequenceType(BuildDefaultSequence(0)), 0);
    EXPECT_EQ(GetSequenceType(BuildDefaultSequence(1)), 1);
    for (const std::u16string_view other : {u"", u"{USERNAME}{TAB}{PASSWORD}{ENTER}",
                                            u"{MAIL}{TAB}{PASSWORD} ", u"{username}{tab}{password}"}) {
        EXPECT_EQ(GetSequenceType(other), 2);
    }
    EXPECT_EQ(Build(BuildDefaultSequence(0)), (CodeList{500, 9, 501}));
    EXPECT_EQ(Build(BuildDefaultSequence(1)), (CodeList{502, 9, 501}));

    const std::u16string_view tokens[] = {u"{TAB}",  u"{USERNAME}", u"{PASSWORD}",
                                          u"{MAIL}", u"{SPACE}",    u"{ENTER}"};
    for (std::size_t i = 0; i < kTokenCount; ++i) {
        EXPECT_EQ(TokenText(i), tokens[i]);
        EXPECT_TRUE(Validates(TokenText(i)));
    }
    EXPECT_EQ(TokenText(6), u"");
    EXPECT_EQ(FieldTokenText(1), u"{FIELD_1}");
    EXPECT_EQ(FieldTokenText(100), u"{FIELD_100}");
    EXPECT_EQ(FieldTokenText(0), u"{FIELD_n}");
    EXPECT_EQ(FieldTokenText(101), u"{FIELD_n}");
    EXPECT_EQ(FieldTokenText(-7), u"{FIELD_n}");
}

TEST(SequenceManager, LooksUpTheValuesOfDataCodes) {
    PasswordItem entry;
    entry.SetUserName(u"anna");
    entry.SetEmail(u"anna@example.org");
    entry.SetPassword(1000, SecureString(std::u16string_view(u"P@ß wörd!{}")));
    entry.GetUserDefinedFields().Add(u"PIN", u"4711");
    entry.GetUserDefinedFields().Add(u"Kundennummer", u"K-0815");
    entry.SetSequence(u"{USERNAME}{PASSWORD}{MAIL}{FIELD_2}{FIELD_1}{FIELD_3}");

    SequenceParser parser(entry);
    ASSERT_TRUE(parser.Parse(false));
    const SequenceManager manager(parser.Codes(), entry);
    std::vector<std::u16string> sent;
    for (const SequenceCode code : manager.Codes()) {
        SecureString value(std::u16string_view(u"stale"));
        if (code > kCodeFieldBase) {
            manager.GetPasswordItemUdfData(code, value);
        } else {
            manager.GetPasswordItemData(code, value);
        }
        sent.push_back(Plain(value));
    }
    // The third field does not exist: it sends nothing and raises nothing.
    EXPECT_EQ(sent, (std::vector<std::u16string>{u"anna", u"P@ß wörd!{}", u"anna@example.org", u"K-0815",
                                                 u"4711", u""}));

    SecureString value;
    EXPECT_EQ(Error([&] { manager.GetPasswordItemData(503, value); }),
              u"SequenceManager::GetPasswordItemData|unknown");
    EXPECT_EQ(Error([&] { manager.GetPasswordItemData(601, value); }),
              u"SequenceManager::GetPasswordItemData|unknown");
    EXPECT_EQ(Error([&] { manager.GetPasswordItemUdfData(600, value); }),
              u"SequenceManager::GetPasswordItemUdfData|invalid");
    EXPECT_EQ(Error([&] { manager.GetPasswordItemUdfData(701, value); }),
              u"SequenceManager::GetPasswordItemUdfData|invalid");
    EXPECT_EQ(Error([&] { manager.GetPasswordItemUdfData(700, value); }), u"");
    EXPECT_TRUE(value.IsEmpty());
}
