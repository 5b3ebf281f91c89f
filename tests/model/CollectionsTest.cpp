#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/exceptions/Exception.h"
#include "model/PasswordHistoryMap.h"
#include "model/PasswordItem.h"
#include "model/UserDefinedFields.h"
#include "support/ClockOverride.h"

using namespace Tarnwick::PasswordADT;
using StringServiceProvider::SecureString;
using TestSupport::ClockOverride;
using Utilities::Exceptions::Exception;

namespace {

SecureString S(std::u16string_view text) { return SecureString(text); }

std::u16string Error(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.GetTarget().ToStdString() + u"|" + e.GetMessage().ToStdString();
    }
    return u"";
}

} // namespace

TEST(UserDefinedFields, Rules) {
    UserDefinedFields fields;
    EXPECT_TRUE(fields.Add(u"Name", u"Wert"));
    EXPECT_TRUE(fields.Add(u"name", u"anders")); // names are case-sensitive
    EXPECT_FALSE(fields.Add(u"Name", u"zweiter"));
    EXPECT_EQ(fields.Get(u"Name").View(), u"Wert");
    EXPECT_EQ(fields.Count(), 2u);
    EXPECT_EQ(Error([&] { fields.Add(u"", u"x"); }),
              u"UserDefinedFields::Add|Es dürfen keine leeren Schlüssel-Wert-Paare eingefügt werden.");
    EXPECT_EQ(Error([&] { fields.Add(u"x", u""); }),
              u"UserDefinedFields::Add|Es dürfen keine leeren Schlüssel-Wert-Paare eingefügt werden.");
    EXPECT_TRUE(fields.Add(std::u16string(255, u'n'), std::u16string(255, u'v')));
    EXPECT_EQ(Error([&] { fields.Add(std::u16string(256, u'n'), u"v"); }),
              u"UserDefinedFields::Add|Eintrag überschreitet die maximale Größe.");
    EXPECT_EQ(Error([&] { fields.Add(u"n", std::u16string(256, u'v')); }),
              u"UserDefinedFields::Add|Eintrag überschreitet die maximale Größe.");
    EXPECT_EQ(Error([&] { fields.Get(u"fehlt"); }),
              u"UserDefinedFields::Get|Es exitiert kein Schlüssel mit dem Namen \"fehlt\".");
    EXPECT_TRUE(fields.Remove(u"name"));
    EXPECT_FALSE(fields.Remove(u"name"));

    fields.Clear();
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(fields.Add(u"F" + std::u16string(1, char16_t(u'A' + i)), u"v"));
    }
    EXPECT_EQ(Error([&] { fields.Add(u"neu", u"v"); }), u"UserDefinedFields::Add|Maximale Größe erreicht.");
    UserDefinedFields copy;
    copy.Add(u"weg", u"1");
    copy = fields;
    EXPECT_EQ(copy.Count(), 100u);
    EXPECT_TRUE(copy == fields);
    EXPECT_FALSE(copy.Contains(u"weg"));
}

TEST(UserDefinedFields, ReadersAcceptAnyOrder) {
    UserDefinedFields a;
    a.Add(u"x", u"1");
    a.Add(u"y", u"2");
    UserDefinedFields b;
    b.Add(u"y", u"2");
    b.Add(u"x", u"1");
    EXPECT_TRUE(a == b);
    ByteBuffer buffer;
    b.Serialize(buffer);
    UserDefinedFields read;
    read.Add(u"alt", u"weg");
    ByteStream stream(buffer);
    read.Deserialize(stream);
    EXPECT_TRUE(read == a);
}

TEST(PasswordHistoryMap, Rules) {
    PasswordHistoryMap history;
    EXPECT_EQ(Error([&] { history.Add(-1, S(u"a")); }),
              u"PasswordHistoryMap::Add|Es dürfen keine leeren Schlüssel-Wert-Paare eingefügt werden.");
    EXPECT_EQ(Error([&] { history.Add(1, S(u"")); }),
              u"PasswordHistoryMap::Add|Es dürfen keine leeren Schlüssel-Wert-Paare eingefügt werden.");
    EXPECT_EQ(Error([&] { history.Add(1, S(std::u16string(1025, u'x'))); }),
              u"PasswordHistoryEntry::PasswordHistoryEntry()|Passwort überschreitet die max. zulässige Größe.");
    history.Add(0, S(std::u16string(1024, u'x')));
    history.Add(10, S(u"zehn"));
    EXPECT_EQ(Error([&] { history.Add(10, S(u"gleich")); }),
              u"PasswordHistoryMap::AddPasswordHistoryEntry()|Der Zeitstempel muss größer als der zuletzt "
              u"eingefügte sein.");
    EXPECT_TRUE(history.FindByTime(10).password.Equals(std::u16string_view(u"zehn")));
    EXPECT_EQ(Error([&] { history.FindByTime(11); }),
              u"PasswordHistoryMap::FindByTime|Es exitiert kein Eintrag für das angebene Datum.");
    EXPECT_TRUE(history.RemoveByTime(0));
    EXPECT_FALSE(history.RemoveByTime(0));
    history.Clear();
    for (int i = 0; i < 100; ++i) {
        history.Add(i, S(u"p"));
    }
    EXPECT_EQ(Error([&] { history.Add(1000, S(u"p")); }),
              u"PasswordHistoryMap::AddPasswordHistoryEntry()|Maximale Größe erreicht.");
    PasswordHistoryMap copy;
    copy = history;
    EXPECT_TRUE(copy == history);
}

TEST(PasswordHistoryMap, ContainedInNewest) {
    PasswordHistoryMap history;
    for (int i = 1; i <= 5; ++i) {
        history.Add(i, S(u"pw" + std::u16string(1, char16_t(u'0' + i))));
    }
    EXPECT_TRUE(history.ContainedInNewest(1, S(u"pw5")));
    EXPECT_FALSE(history.ContainedInNewest(1, S(u"pw4")));
    EXPECT_TRUE(history.ContainedInNewest(3, S(u"pw3")));
    EXPECT_FALSE(history.ContainedInNewest(3, S(u"pw2")));
    EXPECT_FALSE(history.ContainedInNewest(0, S(u"pw5")));
    EXPECT_FALSE(history.ContainedInNewest(-1, S(u"pw5")));
    EXPECT_TRUE(history.ContainedInNewest(100, S(u"pw1")));
    EXPECT_FALSE(history.ContainedInNewest(100, S(u"pw")));
}

class PasswordChange : public ::testing::Test {
protected:
    PasswordChange() : clock(1000) {
        item.SetKeepHistory(true);
        item.SetForbidRepetition(true);
        item.SetDistinctPasswordCount(3);
        item.SetHistorySize(0);
    }
    ClockOverride clock;
    PasswordItem item;
    std::int64_t time = 2000;
    bool Change(std::u16string_view password) { return item.ChangePassword(S(password), ++time); }
};

TEST_F(PasswordChange, FullHistoryIsEmptiedWhole) {
    item.SetForbidRepetition(false);
    item.SetHistorySize(5);
    for (const auto* p : {u"a", u"b", u"c", u"d", u"e", u"f"}) {
        ASSERT_TRUE(Change(p));
    }
    EXPECT_EQ(item.GetPasswordHistory().Count(), 5u);
    ASSERT_TRUE(Change(u"g"));
    ASSERT_EQ(item.GetPasswordHistory().Count(), 1u);
    EXPECT_TRUE(item.GetPasswordHistory().At(0).password.Equals(std::u16string_view(u"f")));
    EXPECT_EQ(item.GetPasswordHistory().At(0).time, time - 1);
    EXPECT_EQ(item.GetPasswordChangeTime(), time);
}

TEST_F(PasswordChange, RepetitionWithinTheNewest) {
    for (const auto* p : {u"p1", u"p2", u"p3", u"p4", u"p5"}) {
        ASSERT_TRUE(Change(p));
    }
    // History: p1..p4, current p5.
    EXPECT_FALSE(Change(u"p5"));
    EXPECT_FALSE(Change(u"p2")); // third newest
    EXPECT_TRUE(item.GetPassword().Equals(std::u16string_view(u"p5")));
    EXPECT_TRUE(Change(u"p1")); // fourth newest
    item.SetDistinctPasswordCount(0);
    EXPECT_FALSE(Change(u"p1"));
    EXPECT_FALSE(Change(u"p2"));
    EXPECT_TRUE(Change(u"p6"));
}

TEST_F(PasswordChange, WithoutHistoryNothingIsKeptOrRefused) {
    item.SetKeepHistory(false);
    ASSERT_TRUE(Change(u"same"));
    ASSERT_TRUE(Change(u"same"));
    EXPECT_EQ(item.GetPasswordHistory().Count(), 0u);
}

// A script changes a password twice within a second: both changes succeed and the history
// keeps its strictly rising times.
TEST_F(PasswordChange, ThreeChangesInOneSecond) {
    ASSERT_TRUE(item.ChangePassword(S(u"eins"), 5000));
    ASSERT_TRUE(item.ChangePassword(S(u"zwei"), 5000));
    ASSERT_TRUE(item.ChangePassword(S(u"drei"), 5000));
    const auto& history = item.GetPasswordHistory();
    ASSERT_GE(history.Count(), 2u);
    const auto count = history.Count();
    EXPECT_TRUE(history.At(count - 1).password.Equals(S(u"zwei")));
    EXPECT_TRUE(history.At(count - 2).password.Equals(S(u"eins")));
    EXPECT_EQ(history.At(count - 2).time, 5000);
    EXPECT_EQ(history.At(count - 1).time, 5001);
    EXPECT_TRUE(item.GetPassword().Equals(S(u"drei")));
}
