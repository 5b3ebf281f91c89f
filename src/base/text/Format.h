#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "crypto/String.h"

namespace Tarnwick::Text {

// One argument of the printf-style formatter: an integer or a text.
class FormatArgument {
public:
    enum class Kind { Signed, Unsigned, Text };

    template <typename T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T>, int> = 0>
    FormatArgument(T value) : m_kind(Kind::Signed), m_signed(value) {}
    template <typename T, std::enable_if_t<std::is_integral_v<T> && !std::is_signed_v<T> &&
                                               !std::is_same_v<T, bool>,
                                           int> = 0>
    FormatArgument(T value) : m_kind(Kind::Unsigned), m_unsigned(value) {}
    FormatArgument(std::u16string_view text) : m_kind(Kind::Text), m_text(text) {}
    FormatArgument(const char16_t* text) : m_kind(Kind::Text), m_text(text ? text : u"") {}
    FormatArgument(const std::u16string& text) : m_kind(Kind::Text), m_text(text) {}
    FormatArgument(const StringServiceProvider::PlainString& text) : m_kind(Kind::Text), m_text(text.View()) {}

    Kind GetKind() const { return m_kind; }
    std::int64_t Signed() const { return m_signed; }
    std::uint64_t Unsigned() const { return m_unsigned; }
    std::u16string_view Text() const { return m_text; }

private:
    Kind m_kind;
    std::int64_t m_signed = 0;
    std::uint64_t m_unsigned = 0;
    std::u16string_view m_text;
};

// Formats like the wide printf family: %s (text), %d %i %I64d %lld %ld (signed), %u %x %X
// (unsigned), %c, %% and an optional zero-padded width ("%03d"). The result is measured
// first and then written; a malformed format raises "Fehler bei _vsc(w)printf".
StringServiceProvider::PlainString FormatArguments(std::u16string_view format,
                                                   const std::vector<FormatArgument>& arguments);

template <typename... Args>
StringServiceProvider::PlainString Format(std::u16string_view format, const Args&... args) {
    return FormatArguments(format, std::vector<FormatArgument>{FormatArgument(args)...});
}

} // namespace Tarnwick::Text
