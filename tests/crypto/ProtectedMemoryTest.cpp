#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "crypto/MemoryProtection.h"
#include "crypto/ProtectedMemory.h"
#include "crypto/ScopedWipe.h"
#include "crypto/SecureString.h"
#include "crypto/SecureWipe.h"
#include "base/exceptions/Exception.h"

using CryptoServiceProvider::IMemoryProtection;
using CryptoServiceProvider::ProtectedMemory;
using StringServiceProvider::PlainString;
using StringServiceProvider::SecureString;
using Utilities::Exceptions::Exception;

namespace {

std::u16string TargetOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.GetTarget().ToStdString();
    }
    return u"(none)";
}

bool Contains(const std::uint8_t* haystack, std::size_t size, const void* needle, std::size_t length) {
    for (std::size_t i = 0; i + length <= size; ++i) {
        if (std::memcmp(haystack + i, needle, length) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST(SecureWipe, EndsWithZeros) {
    unsigned char buffer[64];
    std::memset(buffer, 0xA5, sizeof buffer);
    CryptoServiceProvider::SecureWipe(buffer, sizeof buffer);
    for (unsigned char b : buffer) {
        ASSERT_EQ(b, 0);
    }
    CryptoServiceProvider::SecureWipe(nullptr, 10); // harmless
}

TEST(SecureWipe, StringsLoseTheirWholeBufferIncludingWhatEraseLeftBehind) {
    std::u16string text(100, u'x');
    text.erase(10);
    const char16_t* buffer = text.data();
    const std::size_t capacity = text.capacity();
    CryptoServiceProvider::WipeString(text);
    EXPECT_TRUE(text.empty());
    ASSERT_EQ(text.data(), buffer); // wiped where it was, not moved
    for (std::size_t i = 0; i < capacity; ++i) {
        ASSERT_EQ(buffer[i], u'\0') << i;
    }

    std::string line = "geheim";
    {
        const CryptoServiceProvider::ScopedStringWipe<char> wipe(line);
    }
    EXPECT_TRUE(line.empty());
}

TEST(ProtectedMemory, SizesRoundToSixteen) {
    ProtectedMemory memory;
    memory.Allocate(12); // a 6-character secret
    EXPECT_EQ(memory.AllocatedSize(), 16u);
    EXPECT_EQ(memory.ContentLength(), 0);
    memory.Allocate(14); // 7 characters
    EXPECT_EQ(memory.AllocatedSize(), 32u);
    memory.Allocate(0);
    EXPECT_EQ(memory.AllocatedSize(), 16u);
    memory.Allocate(28);
    EXPECT_EQ(memory.AllocatedSize(), 32u);
    memory.Allocate(29);
    EXPECT_EQ(memory.AllocatedSize(), 48u);
}

TEST(ProtectedMemory, WriteReadAndGrow) {
    ProtectedMemory memory;
    EXPECT_EQ(memory.ContentLength(), 0);
    memory.Allocate(4);
    memory.WriteIntoMemory("abcd", 4);
    EXPECT_EQ(memory.ContentLength(), 4);
    const std::string longer(100, 'x');
    memory.WriteIntoMemory(longer.data(), 100); // grows
    EXPECT_EQ(memory.AllocatedSize(), 112u);
    EXPECT_EQ(memory.ContentLength(), 100);
    std::string out(100, '\0');
    memory.ReadFromMemory(out.data(), 100);
    EXPECT_EQ(out, longer);
    // A shorter write keeps the longer length.
    memory.WriteIntoMemory("yy", 2);
    EXPECT_EQ(memory.ContentLength(), 100);
    memory.SetSize(2);
    EXPECT_EQ(memory.ContentLength(), 2);
}

TEST(ProtectedMemory, RefusalsNameTheirPlace) {
    ProtectedMemory memory;
    memory.Allocate(8);
    char out[64];
    EXPECT_EQ(TargetOf([&] { memory.ReadAt(out, 13); }), u"ProtectedMemory::ReadAt");
    EXPECT_EQ(TargetOf([&] { memory.ReadFromMemory(out, 4); }), u"ProtectedMemory::ReadFromMemory");
    EXPECT_EQ(TargetOf([&] { memory.SetSize(13); }), u"ProtectedMemory::SetSize");
    EXPECT_EQ(TargetOf([&] { memory.SetSize(-1); }), u"ProtectedMemoryDataVerfier::AssureByteSizeIsNotNegative");
    EXPECT_EQ(TargetOf([&] { memory.Allocate(2147483647); }), u"ProtectedMemoryDataVerfier::AssureValidByteSize");
    EXPECT_EQ(TargetOf([&] { memory.WriteIntoMemory(out, -4); }),
              u"ProtectedMemoryDataVerfier::AssureByteSizeIsNotNegative");
    ProtectedMemory empty;
    EXPECT_EQ(TargetOf([&] { empty.SetSize(0); }), u"ProtectedMemory::SetSize");

    memory.WriteIntoMemory("secret!!", 8);
    memory.Protect();
    EXPECT_TRUE(memory.IsProtected());
    const std::u16string notProtected = u"ProtectedMemoryDataVerfier::AssureMemoryIsNotProtected";
    EXPECT_EQ(TargetOf([&] { memory.WriteIntoMemory("x", 1); }), notProtected);
    EXPECT_EQ(TargetOf([&] { memory.ReadAt(out, 1); }), notProtected);
    EXPECT_EQ(TargetOf([&] { memory.SetSize(1); }), notProtected);
    EXPECT_EQ(TargetOf([&] { memory.Allocate(1); }), notProtected);
    EXPECT_EQ(TargetOf([&] { (void)memory.ContentLength(); }), notProtected);
    memory.Protect(); // already protected: nothing happens
    memory.Unprotect();
    memory.Unprotect();
    memory.ReadFromMemory(out, 8);
    EXPECT_EQ(std::memcmp(out, "secret!!", 8), 0);
}

TEST(ProtectedMemory, ContentIsEncryptedAtRest) {
    ProtectedMemory memory;
    const char secret[] = "correct horse battery staple";
    memory.WriteIntoMemory(secret, sizeof secret);
    memory.Protect();
    const std::uint8_t* raw = memory.RawBuffer();
    EXPECT_FALSE(Contains(raw, memory.AllocatedSize(), "horse", 5));
    // The length prefix is encrypted too.
    const std::uint8_t prefix[4] = {sizeof secret, 0, 0, 0};
    EXPECT_NE(std::memcmp(raw, prefix, 4), 0);
    memory.Unprotect();
    EXPECT_EQ(std::memcmp(memory.RawBuffer() + 4, secret, sizeof secret), 0);
}

TEST(ProtectedMemory, FreedBufferReadsZero) {
    ProtectedMemory memory;
    memory.WriteIntoMemory("0123456789abcdef0123", 20);
    const std::uint8_t* raw = memory.RawBuffer();
    const std::size_t size = memory.AllocatedSize();
    memory.Free();
    EXPECT_EQ(memory.RawBuffer(), nullptr);
    EXPECT_EQ(memory.ContentLength(), 0);
    // The block stays mapped in the secure pool, so its old bytes can be inspected.
    for (std::size_t i = 0; i < size; ++i) {
        ASSERT_EQ(raw[i], 0) << i;
    }
}

TEST(ProtectedMemory, LargeBuffersUseTheirOwnPages) {
    ProtectedMemory memory;
    const std::string big(100000, 'q');
    memory.WriteIntoMemory(big.data(), static_cast<std::int64_t>(big.size()));
    memory.Protect();
    EXPECT_FALSE(Contains(memory.RawBuffer(), memory.AllocatedSize(), "qqqqqqqq", 8));
    memory.Unprotect();
    std::string out(big.size(), '\0');
    memory.ReadFromMemory(out.data(), static_cast<std::int64_t>(out.size()));
    EXPECT_EQ(out, big);
}

namespace {

class FailingProtection : public IMemoryProtection {
public:
    int Protect(std::uint8_t*, std::size_t, std::uint64_t&) noexcept override { return protectError; }
    int Unprotect(std::uint8_t*, std::size_t, std::uint64_t) noexcept override { return unprotectError; }
    int protectError = 0;
    int unprotectError = 0;
};

struct ProtectionOverride {
    explicit ProtectionOverride(IMemoryProtection* p) : previous(CryptoServiceProvider::SetMemoryProtection(p)) {}
    ~ProtectionOverride() { CryptoServiceProvider::SetMemoryProtection(previous); }
    IMemoryProtection* previous;
};

} // namespace

TEST(ProtectedMemory, PlatformFailuresCarryTheirCode) {
    FailingProtection failing;
    ProtectionOverride scope(&failing);
    ProtectedMemory memory;
    memory.WriteIntoMemory("abc", 3);
    failing.protectError = 87;
    try {
        memory.Protect();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.GetMessage().View(), u"Es ist Fehler 87 beim Verschlüsseln aufgetreten.");
        EXPECT_EQ(e.GetTarget().View(), u"ProtectedMemory::Protect");
    }
    EXPECT_FALSE(memory.IsProtected()); // left in the clear, unflagged
    failing.protectError = 0;
    memory.Protect();
    failing.unprotectError = 13;
    try {
        memory.Unprotect();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.GetMessage().View(), u"Es ist Fehler 13 beim Entschlüsseln aufgetreten.");
        EXPECT_EQ(e.GetTarget().View(), u"ProtectedMemory::Unprotect");
    }
    EXPECT_TRUE(memory.IsProtected());
}

TEST(SecureString, EmptyHasNoBuffer) {
    SecureString empty;
    EXPECT_EQ(empty.Memory().RawBuffer(), nullptr);
    SecureString assigned(std::u16string_view(u""));
    EXPECT_EQ(assigned.Memory().RawBuffer(), nullptr);
    PlainString out(u"altes Geheimnis");
    empty.Read(out);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_TRUE(empty.Equals(std::u16string_view()));
}

TEST(SecureString, HoldsTextProtected) {
    const SecureString six(std::u16string_view(u"geheim"));
    EXPECT_EQ(six.Length(), 6u);
    EXPECT_EQ(six.Memory().AllocatedSize(), 16u);
    EXPECT_TRUE(six.Memory().IsProtected());
    const SecureString seven(std::u16string_view(u"Geheim!"));
    EXPECT_EQ(seven.Memory().AllocatedSize(), 32u);
    EXPECT_EQ(seven.Reveal().View(), u"Geheim!");
    EXPECT_TRUE(seven.Memory().IsProtected());
    EXPECT_FALSE(Contains(seven.Memory().RawBuffer(), 32, u"Geheim", 12));
}

TEST(SecureString, EqualSecretsLookDifferentAtRest) {
    const SecureString a(std::u16string_view(u"P@ß wörd!"));
    const SecureString b(std::u16string_view(u"P@ß wörd!"));
    EXPECT_NE(std::memcmp(a.Memory().RawBuffer(), b.Memory().RawBuffer(), a.Memory().AllocatedSize()), 0);
    EXPECT_TRUE(a.Equals(b));
    EXPECT_FALSE(a.Equals(SecureString(std::u16string_view(u"P@ß wörd?"))));
    EXPECT_FALSE(a.Equals(SecureString(std::u16string_view(u"P@ß wörd"))));
}

TEST(SecureString, CopiesMovesAndClear) {
    SecureString original(std::u16string_view(u"Sesam öffne dich"));
    SecureString copy = original;
    EXPECT_NE(copy.Memory().RawBuffer(), original.Memory().RawBuffer());
    EXPECT_EQ(copy.Reveal().View(), u"Sesam öffne dich");
    SecureString moved = std::move(copy);
    EXPECT_EQ(moved.Reveal().View(), u"Sesam öffne dich");
    EXPECT_TRUE(copy.IsEmpty());
    original = moved;
    original.Assign(std::u16string_view(u"neu"));
    EXPECT_EQ(original.Reveal().View(), u"neu");
    EXPECT_EQ(moved.Reveal().View(), u"Sesam öffne dich");
    original.Clear();
    EXPECT_TRUE(original.IsEmpty());
    EXPECT_EQ(original.Memory().RawBuffer(), nullptr);
}

TEST(SecureString, ManySecretsShareLockedPages) {
    // 100,000 small secrets must be cheap: they come from a pool, not a page each.
    std::vector<SecureString> secrets;
    secrets.reserve(100000);
    for (int i = 0; i < 100000; ++i) {
        secrets.emplace_back(std::u16string_view(u"pw-12345"));
    }
    EXPECT_TRUE(secrets.back().Equals(std::u16string_view(u"pw-12345")));
}

TEST(PlainString, WipesAndCompares) {
    PlainString text(u"Kontonummer");
    EXPECT_EQ(text.Length(), 11u);
    EXPECT_TRUE(text == u"Kontonummer");
    text.Append(u" 42");
    EXPECT_EQ(text.View(), u"Kontonummer 42");
    PlainString other = text;
    text.Clear();
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(*text.c_str(), u'\0');
    EXPECT_EQ(other.View(), u"Kontonummer 42");
    PlainString fromNull(static_cast<const char16_t*>(nullptr));
    EXPECT_TRUE(fromNull.IsEmpty());
}
