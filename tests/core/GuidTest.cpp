#include <gtest/gtest.h>

#include <set>

#include "core/Guid.h"
#include "base/exceptions/Exception.h"

using WindowsServiceProvider::Guid;
using WindowsServiceProvider::GUID;

TEST(Guid, NilIsThirtyTwoZerosInGroups) {
    const Guid nil;
    EXPECT_TRUE(nil.IsNil());
    EXPECT_TRUE(nil.IsEmpty());
    EXPECT_EQ(nil.ToString(), u"00000000-0000-0000-0000-000000000000");
    EXPECT_EQ(Guid::CreateNil(), nil);
    EXPECT_EQ(Guid(u"00000000-0000-0000-0000-000000000000"), nil);
}

TEST(Guid, TextFormKeepsRfcByteOrder) {
    // The DNS namespace identifier of RFC 4122.
    const GUID bytes = {0x6b, 0xa7, 0xb8, 0x10, 0x9d, 0xad, 0x11, 0xd1,
                        0x80, 0xb4, 0x00, 0xc0, 0x4f, 0xd4, 0x30, 0xc8};
    const Guid known(bytes);
    EXPECT_EQ(known.ToString(), u"6ba7b810-9dad-11d1-80b4-00c04fd430c8");
    const Guid parsed(u"6BA7B810-9DAD-11D1-80B4-00C04FD430C8");
    EXPECT_TRUE(parsed.IsEqual(bytes));
    EXPECT_EQ(parsed, known);
    EXPECT_EQ(static_cast<const GUID&>(parsed), bytes);
    EXPECT_FALSE(parsed.IsNil());
    EXPECT_EQ(parsed.HashKey(), known.HashKey());
}

TEST(Guid, NewIdentifiersRoundTripThroughText) {
    std::set<std::u16string> seen;
    for (int i = 0; i < 64; ++i) {
        const Guid random = Guid::CreateNew();
        const Guid sequential = Guid::CreateNewSequential();
        for (const Guid& g : {random, sequential}) {
            const std::u16string text = g.ToString();
            ASSERT_EQ(text.size(), 36u);
            EXPECT_EQ(Guid(text), g);
            EXPECT_TRUE(seen.insert(text).second) << "repeated identifier";
        }
        EXPECT_EQ(random.Value()[6] >> 4, 4) << "random identifiers are version 4";
        EXPECT_EQ(sequential.Value()[6] >> 4, 1) << "sequential identifiers are version 1";
        EXPECT_EQ(random.Value()[8] & 0xC0, 0x80) << "RFC 4122 variant";
    }
    const Guid a = Guid::CreateNew();
    Guid b = Guid::CreateNew();
    EXPECT_NE(a, b);
    b = a;
    EXPECT_EQ(a, b);
}

TEST(Guid, MalformedTextIsRefused) {
    const std::u16string embeddedZero(u"00000000-0000-0000-0000-000000000000\0ab", 39);
    const std::u16string zeroInside(u"6ba7b810-9dad-11d1-80b4-00c04fd4\0\0\0\0", 36);
    for (const std::u16string& text :
         {std::u16string(u""), std::u16string(u"{6ba7b810-9dad-11d1-80b4-00c04fd430c8}"),
          std::u16string(u"6ba7b810-9dad-11d1-80b4-00c04fd430c"),
          std::u16string(u"6ba7b810-9dad-11d1-80b4-00c04fd430c8a"),
          std::u16string(u"6ba7b810x9dad-11d1-80b4-00c04fd430c8"),
          std::u16string(u"6ba7b810-9dad-11d1-80b4-00c04fd430cg"),
          std::u16string(u"6ba7b810-9dad-11d1-80b4-00c04fd430cä"),
          std::u16string(u"6ba7b810-9dad-11d1-80b4-00c04fd430c\u0138"), embeddedZero, zeroInside}) {
        try {
            Guid parsed(text);
            ADD_FAILURE() << "accepted a malformed identifier of length " << text.size();
        } catch (const Utilities::Exceptions::WindowsException& e) {
            EXPECT_EQ(e.GetFunction().View(), u"uuid_parse");
            EXPECT_EQ(e.GetTarget().View(), u"Guid::Guid");
        }
    }
}
