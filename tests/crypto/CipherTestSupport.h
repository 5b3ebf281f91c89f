#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/exceptions/Exception.h"

namespace CipherTest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes FromHex(std::string_view hex) {
    auto nibble = [](char c) -> std::uint8_t {
        if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
        if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
        return static_cast<std::uint8_t>(c - 'A' + 10);
    };
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>((nibble(hex[i]) << 4) | nibble(hex[i + 1])));
    }
    return bytes;
}

inline std::string ToHex(const std::uint8_t* data, std::size_t length) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 0x0F];
    }
    return text;
}

inline std::string ToHex(const Bytes& bytes) { return ToHex(bytes.data(), bytes.size()); }

// Message and target of the common exception an action raises, or "(none)".
struct Failure {
    std::u16string message;
    std::u16string target;
    bool operator==(const Failure&) const = default;
};

inline Failure FailureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Utilities::Exceptions::Exception& e) {
        return {e.GetMessage().ToStdString(), e.GetTarget().ToStdString()};
    }
    return {u"(none)", u"(none)"};
}

// Deterministic filler for round trips.
inline Bytes Pattern(std::size_t length, std::uint32_t seed) {
    Bytes bytes(length);
    for (std::uint8_t& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(seed >> 24);
    }
    return bytes;
}

inline std::size_t CountNonZero(const void* data, std::size_t length) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t count = 0;
    for (std::size_t i = 0; i < length; ++i) {
        count += bytes[i] != 0;
    }
    return count;
}

} // namespace CipherTest
