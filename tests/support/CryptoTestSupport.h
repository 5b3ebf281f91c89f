#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/exceptions/Exception.h"

namespace Tarnwick::Testing {

// Bytes from hexadecimal text; spaces and line breaks are skipped.
inline std::vector<std::uint8_t> FromHex(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (const char c : text) {
        int value;
        if (c >= '0' && c <= '9') {
            value = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            value = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            value = c - 'A' + 10;
        } else if (c == ' ' || c == '\n') {
            continue;
        } else {
            throw std::invalid_argument("not hexadecimal");
        }
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + value));
            high = -1;
        }
    }
    if (high >= 0) {
        throw std::invalid_argument("odd number of digits");
    }
    return bytes;
}

inline std::string ToHex(const std::uint8_t* data, std::size_t length) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 15];
    }
    return text;
}

inline std::string ToHex(const std::vector<std::uint8_t>& bytes) {
    return ToHex(bytes.data(), bytes.size());
}

// What an action threw: the common exception's message and target, and for a system
// failure its function and code. kind is "none" when nothing was thrown.
struct Thrown {
    std::string kind = "none";
    std::u16string message;
    std::u16string target;
    std::u16string function;
    std::int64_t code = 0;
};

inline Thrown Capture(const std::function<void()>& action) {
    Thrown thrown;
    try {
        action();
    } catch (const Utilities::Exceptions::WindowsException& e) {
        thrown.kind = "WindowsException";
        thrown.message = e.GetMessage().ToStdString();
        thrown.target = e.GetTarget().ToStdString();
        thrown.function = e.GetFunction().ToStdString();
        thrown.code = e.GetErrorCode();
    } catch (const Utilities::Exceptions::Exception& e) {
        thrown.kind = "Exception";
        thrown.message = e.GetMessage().ToStdString();
        thrown.target = e.GetTarget().ToStdString();
    }
    return thrown;
}

} // namespace Tarnwick::Testing
