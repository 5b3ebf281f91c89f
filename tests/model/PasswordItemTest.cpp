#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/exceptions/Exception.h"
#include "model/PasswordItem.h"
#include "support/ClockOverride.h"

using namespace Tarnwick::PasswordADT;
using StringServiceProvider::SecureString;
using TestSupport::ClockOverride;
using Utilities::Exceptions::Exception;

namespace {

// An independent writer of the entry byte form, straight from the format's rules.
struct Bytes {
    std::vector<std::uint8_t> data;
    void Int(std::uint64_t value, int width) {
        for (int i = 0; i < width; ++i) {
            data.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }
    void Str(std::u16string_view text) {
        Int(text.size(), 4);
        for (char16_t c : text) {
            Int(c, 2);
        }
    }
};

std::vector<std::uint8_t> ToVector(const ByteBuffer& buffer) {
    return std::vector<std::uint8_t>(buffer.Data(), buffer.Data() + buffer.Size());
}

std::vector<std::uint8_t> SerializeToVector(const PasswordItem& item) {
    ByteBuffer buffer;
    item.Serialize(buffer);
    return ToVector(buffer);
}

// Reads a record and reports the message of the exception, if any.
std::u16string ReadError(const std::vector<std::uint8_t>& bytes) {
    ClockOverride clock(1000);
    PasswordItem item;
    ByteStream stream(bytes.data(), bytes.size());
    try {
        item.Deserialize(stream);
    } catch (const Exception& e) {
        return e.GetTarget().ToStdString() + u"|" + e.GetMessage().ToStdString();
    }
    return u"";
}

PasswordItem FullItem() {
    ClockOverride clock(1700000000);
    PasswordItem item;
    item.SetKeepHistory(true);
    item.SetForbidRepetition(true);
    item.SetDistinctPasswordCount(-2);
    item.SetHistorySize(7);
    item.SetCreationTime(1600000000);
    item.SetModificationTime(1650000000);
    item.SetExpiry(-5);
    item.SetValidityMode(2);
    item.SetDescription(u"Bank – Girokonto");
    item.SetUserName(u"jürgen.müller");
    item.SetPassword(1690000000, SecureString(std::u16string_view(u"P@ß wörd!{} €")));
    item.SetComment(u"Zeile 1\r\nZeile 2");
    item.SetUrl(u"https://bank.example/login?a=1&b=2");
    item.SetEmail(u"j@example.org");
    item.SetTargetWindow(u"Anmeldung - Mozilla Firefox");
    item.SetSequence(u"{USERNAME}{TAB}{PASSWORD}{ENTER}");
    item.SetSymbol(u"/usr/share/icons/bank.png,3");
    item.SetPasteMethod(2);
    item.GetUserDefinedFields().Add(u"PIN", u"1234");
    item.GetUserDefinedFields().Add(u"Kundennummer", u"K-77");
    item.GetPasswordHistory().Add(1500000000, SecureString(std::u16string_view(u"alt1")));
    item.GetPasswordHistory().Add(1500000001, SecureString(std::u16string_view(u"alt2")));
    return item;
}

} // namespace

TEST(PasswordItem, NewEntryIsExactly104Bytes) {
    ClockOverride clock(0x0102030405060708);
    const PasswordItem item;
    EXPECT_EQ(item.GetCreationTime(), 0x0102030405060708);
    EXPECT_EQ(item.GetModificationTime(), item.GetCreationTime());
    EXPECT_EQ(item.GetPasswordChangeTime(), item.GetCreationTime());
    EXPECT_EQ(item.GetDistinctPasswordCount(), 3);
    EXPECT_EQ(item.GetHistorySize(), 5);
    EXPECT_EQ(item.GetPasteMethodText().View(), u"0");
    EXPECT_EQ(item.SerializedSize(), 104u);

    Bytes expected;
    expected.Int(0, 1);
    expected.Int(0, 1);
    expected.Int(3, 2);
    expected.Int(5, 2);
    for (int i = 0; i < 3; ++i) {
        expected.Int(0x0102030405060708, 8);
    }
    expected.Int(0, 8);
    expected.Int(0, 4);
    for (int i = 0; i < 9; ++i) {
        expected.Str(u"");
    }
    expected.Str(u"0");
    for (int i = 0; i < 3; ++i) {
        expected.Str(u"");
    }
    expected.Int(0, 4);
    expected.Int(0, 4);
    EXPECT_EQ(SerializeToVector(item), expected.data);
    EXPECT_EQ(expected.data.size(), 104u);
}

TEST(PasswordItem, ClockAtOrBefore1970IsRefused) {
    ClockOverride clock(0);
    try {
        PasswordItem item;
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.GetMessage().View(), u"Ungültiger Zeitstempelwert.");
    }
    clock.Set(-1);
    EXPECT_THROW(PasswordItem(), Exception);
}

TEST(PasswordItem, EveryFieldHasItsPlaceInTheByteForm) {
    const PasswordItem item = FullItem();
    Bytes expected;
    expected.Int(1, 1);
    expected.Int(1, 1);
    expected.Int(static_cast<std::uint16_t>(-2), 2);
    expected.Int(7, 2);
    expected.Int(1600000000, 8);
    expected.Int(1650000000, 8);
    expected.Int(1690000000, 8);
    expected.Int(static_cast<std::uint64_t>(-5), 8);
    expected.Int(2, 4);
    expected.Str(u"Bank – Girokonto");
    expected.Str(u"jürgen.müller");
    expected.Str(u"P@ß wörd!{} €");
    expected.Str(u"Zeile 1\r\nZeile 2");
    expected.Str(u"https://bank.example/login?a=1&b=2");
    expected.Str(u"j@example.org");
    expected.Str(u"Anmeldung - Mozilla Firefox");
    expected.Str(u"{USERNAME}{TAB}{PASSWORD}{ENTER}");
    expected.Str(u"/usr/share/icons/bank.png,3");
    expected.Str(u"2");
    expected.Str(u"");
    expected.Str(u"");
    expected.Str(u"");
    expected.Int(2, 4);
    expected.Str(u"PIN");
    expected.Str(u"1234");
    expected.Str(u"Kundennummer");
    expected.Str(u"K-77");
    expected.Int(2, 4);
    expected.Int(1500000000, 8);
    expected.Str(u"alt1");
    expected.Int(1500000001, 8);
    expected.Str(u"alt2");
    EXPECT_EQ(SerializeToVector(item), expected.data);
    EXPECT_EQ(item.SerializedSize(), expected.data.size());
}

TEST(PasswordItem, RoundTripsByteForByte) {
    const PasswordItem item = FullItem();
    const auto first = SerializeToVector(item);
    ClockOverride clock(42);
    PasswordItem read;
    ByteStream stream(first.data(), first.size());
    read.Deserialize(stream);
    EXPECT_TRUE(stream.AtEnd());
    EXPECT_EQ(SerializeToVector(read), first);
    EXPECT_EQ(read.GetDescription().View(), u"Bank – Girokonto");
    EXPECT_TRUE(read.GetPassword().Equals(std::u16string_view(u"P@ß wörd!{} €")));
    EXPECT_EQ(read.GetPasteMethod(), 2);
    EXPECT_EQ(read.GetUserDefinedFields().Get(u"Kundennummer").View(), u"K-77");
    EXPECT_EQ(read.GetPasswordHistory().Count(), 2u);
    EXPECT_TRUE(read.GetUserDefinedFields() == item.GetUserDefinedFields());
    EXPECT_TRUE(read.GetPasswordHistory() == item.GetPasswordHistory());

    // Copies carry every field, the password included.
    PasswordItem copy(read);
    EXPECT_EQ(SerializeToVector(copy), first);
    ClockOverride later(43);
    PasswordItem assigned;
    assigned = copy;
    EXPECT_EQ(SerializeToVector(assigned), first);
}

TEST(PasswordItem, MaximaAreEnforcedOnWrite) {
    ClockOverride clock(1000);
    struct Limit {
        void (PasswordItem::*set)(std::u16string_view);
        std::size_t max;
    };
    const Limit limits[] = {
        {&PasswordItem::SetDescription, 512}, {&PasswordItem::SetUserName, 512}, {&PasswordItem::SetComment, 16384},
        {&PasswordItem::SetUrl, 3072},        {&PasswordItem::SetEmail, 320},    {&PasswordItem::SetTargetWindow, 510},
        {&PasswordItem::SetSequence, 255},    {&PasswordItem::SetSymbol, 530},
    };
    for (const auto& limit : limits) {
        PasswordItem item;
        (item.*limit.set)(std::u16string(limit.max, u'x'));
        EXPECT_NO_THROW(SerializeToVector(item));
        (item.*limit.set)(std::u16string(limit.max + 1, u'x'));
        try {
            SerializeToVector(item);
            ADD_FAILURE() << limit.max;
        } catch (const Exception& e) {
            EXPECT_EQ(e.GetTarget().View(), u"PasswordItem::SerializeString()");
            EXPECT_EQ(e.GetMessage().View(), u"Maximale Länge überschritten.");
        }
    }
    PasswordItem item;
    item.SetPassword(1, SecureString(std::u16string(1024, u'p')));
    EXPECT_NO_THROW(SerializeToVector(item));
    item.SetPassword(1, SecureString(std::u16string(1025, u'p')));
    EXPECT_THROW(SerializeToVector(item), Exception);
    EXPECT_THROW(item.SetPasteMethod(10), Exception);
}

TEST(PasswordItem, MaximaAreEnforcedOnRead) {
    ClockOverride clock(1000);
    PasswordItem item;
    item.SetDescription(std::u16string(512, u'd'));
    auto bytes = SerializeToVector(item);
    EXPECT_EQ(ReadError(bytes), u"");
    // Raise the stored length to 513 and add one code unit.
    bytes[42] = 0x01;
    bytes[43] = 0x02;
    bytes.insert(bytes.begin() + 46 + 1024, {u'd', 0});
    EXPECT_EQ(ReadError(bytes), u"PasswordItem::DeserializeString()|Maximale Länge überschritten.");
}

TEST(PasswordItem, TwoDigitPasteMethodOrReservedTextIsUnreadable) {
    ClockOverride clock(1000);
    const PasswordItem item;
    const auto good = SerializeToVector(item);
    // Paste method "0" sits at offset 42 + 9 * 4 = 78: count, then one code unit.
    auto twoDigits = good;
    twoDigits[78] = 2;
    twoDigits.insert(twoDigits.begin() + 84, {u'1', 0});
    EXPECT_EQ(ReadError(twoDigits), u"PasswordItem::DeserializeString()|Maximale Länge überschritten.");
    auto reserved = good;
    reserved[84] = 1;
    reserved.insert(reserved.begin() + 88, {u'x', 0});
    EXPECT_EQ(ReadError(reserved), u"PasswordItem::DeserializeString()|Maximale Länge überschritten.");
    // An empty paste method reads as 0.
    auto empty = good;
    empty[78] = 0;
    empty.erase(empty.begin() + 82, empty.begin() + 84);
    EXPECT_EQ(ReadError(empty), u"");
}

TEST(PasswordItem, DuplicateFieldNamesAndUnorderedHistoryAreRefused) {
    Bytes tail;
    // A new entry up to the collections, then hand-made collections.
    ClockOverride clock(1000);
    auto base = SerializeToVector(PasswordItem());
    base.resize(base.size() - 8);

    Bytes duplicate;
    duplicate.Int(2, 4);
    duplicate.Str(u"PIN");
    duplicate.Str(u"1");
    duplicate.Str(u"PIN");
    duplicate.Str(u"2");
    duplicate.Int(0, 4);
    auto record = base;
    record.insert(record.end(), duplicate.data.begin(), duplicate.data.end());
    EXPECT_EQ(ReadError(record), u"UserDefinedFields::Deserialize|Fehler bei der Deserialisierung der "
                                 u"benutzerdefinierten Datenfelder. Der Schlüssel ist bereits vorhanden.");

    for (const std::int64_t second : {std::int64_t{100}, std::int64_t{99}}) {
        Bytes history;
        history.Int(0, 4);
        history.Int(2, 4);
        history.Int(100, 8);
        history.Str(u"a");
        history.Int(static_cast<std::uint64_t>(second), 8);
        history.Str(u"b");
        record = base;
        record.insert(record.end(), history.data.begin(), history.data.end());
        EXPECT_EQ(ReadError(record), u"PasswordHistoryMap::AddPasswordHistoryEntry()|Der Zeitstempel muss größer "
                                     u"als der zuletzt eingefügte sein.");
    }

    Bytes emptyPassword;
    emptyPassword.Int(0, 4);
    emptyPassword.Int(1, 4);
    emptyPassword.Int(100, 8);
    emptyPassword.Str(u"");
    record = base;
    record.insert(record.end(), emptyPassword.data.begin(), emptyPassword.data.end());
    EXPECT_EQ(ReadError(record),
              u"PasswordHistoryMap::Add|Es dürfen keine leeren Schlüssel-Wert-Paare eingefügt werden.");

    Bytes longPassword;
    longPassword.Int(0, 4);
    longPassword.Int(1, 4);
    longPassword.Int(100, 8);
    longPassword.Str(std::u16string(1025, u'x'));
    record = base;
    record.insert(record.end(), longPassword.data.begin(), longPassword.data.end());
    EXPECT_EQ(ReadError(record),
              u"PasswordHistoryEntry::PasswordHistoryEntry()|Passwort überschreitet die max. zulässige Größe.");

    Bytes longField;
    longField.Int(1, 4);
    longField.Str(std::u16string(256, u'n'));
    longField.Str(u"v");
    longField.Int(0, 4);
    record = base;
    record.insert(record.end(), longField.data.begin(), longField.data.end());
    EXPECT_EQ(ReadError(record), u"UserDefinedFields::Add|Eintrag überschreitet die maximale Größe.");
}

TEST(PasswordItem, EveryTruncationFailsCleanly) {
    const auto bytes = SerializeToVector(FullItem());
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
        const std::u16string error = ReadError(cut);
        ASSERT_FALSE(error.empty()) << length;
    }
    EXPECT_EQ(ReadError({}), u"PasswordItem::Deserialize|Es wurden keine Daten aus dem Stream gelesen.");
    EXPECT_EQ(ReadError({1, 0, 3}),
              u"PasswordItem::Deserialize|Anzahl der gelesenen Bytes ist kleiner als die erforderliche Größe.");
    // Cut right before the description: the string reader reports the end of the stream.
    EXPECT_EQ(ReadError(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 42)),
              u"PasswordItem::DeserializeString()|Fehler beim Deserialisieren einer Zeichenfolge. Das Ende des "
              u"Streams wurde erreicht.");
}

TEST(PasswordItem, HugeCountsAndLengthsAllocateNothing) {
    ClockOverride clock(1000);
    auto base = SerializeToVector(PasswordItem());
    // Description length 0xFFFFFFFF: over the maximum.
    auto record = base;
    record[42] = record[43] = record[44] = record[45] = 0xFF;
    EXPECT_NE(ReadError(record), u"");
    // Field count of four billion with nothing behind it.
    record = base;
    const std::size_t udfCount = record.size() - 8;
    record[udfCount] = record[udfCount + 1] = record[udfCount + 2] = record[udfCount + 3] = 0xFF;
    EXPECT_NE(ReadError(record), u"");
    // A history password claiming two billion code units.
    Bytes history;
    history.Int(1, 4);
    history.Int(5, 8);
    history.Int(0x7FFFFFFF, 4);
    record = base;
    record.resize(record.size() - 4);
    record.insert(record.end(), history.data.begin(), history.data.end());
    EXPECT_EQ(ReadError(record), u"PasswordItem::DeserializeString()|Anzahl der gelesenen Bytes ist kleiner als die "
                                 u"erforderliche Größe.");
}

TEST(PasswordItem, RandomBytesNeverCrash) {
    std::mt19937 random(20101207);
    const auto good = SerializeToVector(FullItem());
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> bytes = good;
        if (round % 3 == 0) {
            bytes.resize(random() % 400);
            for (auto& b : bytes) {
                b = static_cast<std::uint8_t>(random());
            }
        } else {
            for (int flips = 0; flips < 1 + round % 5; ++flips) {
                bytes[random() % bytes.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
            }
        }
        (void)ReadError(bytes);
    }
}

TEST(PasswordItem, ExpiryStates) {
    ClockOverride clock(1000000);
    PasswordItem item;
    EXPECT_EQ(item.GetExpiryState(2000000), ExpiryState::None);
    const std::int64_t day = 86400;
    const std::int64_t changed = 1600000000;
    item.SetPassword(changed, SecureString(std::u16string_view(u"x")));
    item.SetValidityMode(2);
    item.SetExpiry(10);
    EXPECT_EQ(item.GetExpiryState(changed + 4 * day), ExpiryState::Valid);
    EXPECT_EQ(item.GetExpiryState(changed + 6 * day), ExpiryState::ExpiresSoon);
    EXPECT_EQ(item.GetExpiryState(changed + 5 * day), ExpiryState::ExpiresSoon);
    EXPECT_EQ(item.GetExpiryState(changed + 10 * day), ExpiryState::ExpiresSoon);
    EXPECT_EQ(item.GetExpiryState(changed + 11 * day), ExpiryState::Expired);
    item.SetValidityMode(1);
    item.SetExpiry(changed);
    EXPECT_EQ(item.GetExpiryState(changed + 1), ExpiryState::Expired);
    EXPECT_EQ(item.GetExpiryState(changed), ExpiryState::ExpiresSoon);
    EXPECT_EQ(item.GetExpiryState(changed - 432001), ExpiryState::Valid);
}
