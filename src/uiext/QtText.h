#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <QString>

// The conversions between the program's UTF-16 text and Qt's; both are UTF-16, so nothing is
// re-encoded.
namespace Tarnwick::UiText {

inline QString Q(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string U(const QString& text) {
    return text.toStdU16String();
}

// The string's own characters without a copy: for text that must not leave a stray copy
// behind. Valid while the string is neither changed nor destroyed.
inline std::u16string_view View(const QString& text) noexcept {
    return std::u16string_view(reinterpret_cast<const char16_t*>(text.constData()), static_cast<std::size_t>(text.size()));
}

} // namespace Tarnwick::UiText
