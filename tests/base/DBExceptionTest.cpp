#include <gtest/gtest.h>

#include "base/exceptions/DBException.h"

using EmberkiteDatabase::DBException;

TEST(DBException, TextForm) {
    const DBException header(31, u"HeaderVerifier::VerifyMainHeader", u"Ungültige Datenbanksignatur");
    EXPECT_EQ(
        header.ToString().View(),
        u"Error: 0000001f\nMessage: HeaderVerifier::VerifyMainHeader\nTarget: Ungültige Datenbanksignatur");
    EXPECT_EQ(header.GetErrorCode(), 31);

    // Only a code: both texts empty; a negative code shows its 32-bit pattern.
    EXPECT_EQ(DBException(-1).ToString().View(), u"Error: ffffffff\nMessage: \nTarget: ");
    EXPECT_EQ(DBException(0x7FFFFFFF).ToString().View(), u"Error: 7fffffff\nMessage: \nTarget: ");
}

TEST(DBException, CaughtAsTheCommonExceptionKeepsItsText) {
    try {
        throw DBException(26, u"PasswordRecord::Write",
                          u"Der Stream wurde während der Serialisierung vergrößert.");
    } catch (const Utilities::Exceptions::Exception& e) {
        EXPECT_EQ(e.ToString().View(),
                  u"Error: 0000001a\nMessage: PasswordRecord::Write\nTarget: Der Stream wurde "
                  u"während der Serialisierung vergrößert.");
        ASSERT_NE(dynamic_cast<const DBException*>(&e), nullptr);
    }
}
