#include <gtest/gtest.h>

#include "base/exceptions/Exception.h"

using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;

TEST(Exception, TextForms) {
    const Exception plain(nullptr, u"HeaderVerifier::VerifyMainHeader");
    EXPECT_EQ(plain.GetMessage().View(), u"");
    EXPECT_EQ(plain.ToString().View(), u"Message: \nTarget: HeaderVerifier::VerifyMainHeader");

    const Exception both(u"Maximale Größe erreicht.", nullptr);
    EXPECT_EQ(both.ToString().View(), u"Message: Maximale Größe erreicht.\nTarget: ");

    const WindowsException clip(u"", 5, u"OpenClipboard", u"ClipboardBase::Open");
    EXPECT_EQ(clip.ToString().View(), u"Error: 5\nMessage: \nFunction: OpenClipboard\nTarget: ClipboardBase::Open");
}

TEST(Exception, ErrorCodesKeepTheirSign) {
    // A 32-bit status with the high bit set is stored sign-extended; errno values zero-extended.
    const auto hresult = static_cast<std::int64_t>(static_cast<std::int32_t>(0x80090019u));
    EXPECT_EQ(WindowsException(u"", hresult, u"f", u"t").ToString().View(),
              u"Error: -2146893799\nMessage: \nFunction: f\nTarget: t");
    EXPECT_EQ(WindowsException(u"", std::int64_t{0xFFFFFFFFu}, u"f", u"t").ToString().View().substr(0, 17),
              u"Error: 4294967295");
}

TEST(Exception, CaughtAsBaseStillFormatsFully) {
    try {
        throw WindowsException(u"m", 13, u"open", u"FileBackup::Create");
    } catch (const Exception& e) {
        EXPECT_EQ(e.ToString().View(), u"Error: 13\nMessage: m\nFunction: open\nTarget: FileBackup::Create");
        EXPECT_NE(dynamic_cast<const WindowsException*>(&e), nullptr);
    }
}

TEST(Exception, CopiesAreIndependent) {
    Exception a(u"eins", u"A::B");
    Exception b = a;
    a = Exception(u"zwei", u"C::D");
    EXPECT_EQ(b.GetMessage().View(), u"eins");
    EXPECT_EQ(a.GetTarget().View(), u"C::D");
}

TEST(Exception, IsAStandardExceptionWhoseWhatIsTheMessageInUtf8) {
    try {
        throw WindowsException(u"Größe €", 5, u"open", u"A::B");
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC");
    }
    // Neither the target nor the formatted text is part of it; a lone surrogate cannot break it.
    EXPECT_STREQ(Exception(nullptr, u"Class::Operation").what(), "");
    const char16_t lone[] = {u'a', 0xD800, u'b', 0};
    EXPECT_STREQ(Exception(lone, u"t").what(), "a\xEF\xBF\xBD" "b");
    // Copies carry their own text.
    Exception copy = Exception(u"eins", u"t");
    copy = Exception(u"zwei", u"t");
    EXPECT_STREQ(copy.what(), "zwei");
}
