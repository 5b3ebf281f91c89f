#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "crypto/String.h"

namespace Utilities::Exceptions {

using StringServiceProvider::PlainString;

// The common exception of the whole system: a message and the place that raised it
// ("Class::Operation"). Thrown by value, caught by reference. A std::exception too, so code
// that knows only the standard type still gets a readable text.
class Exception : public std::exception {
public:
    // A null message or target becomes empty.
    Exception(const char16_t* message, const char16_t* target);
    Exception(std::u16string_view message, std::u16string_view target);
    Exception(const Exception&) = default;
    Exception& operator=(const Exception&) = default;
    Exception(Exception&&) noexcept = default;
    Exception& operator=(Exception&&) noexcept = default;
    virtual ~Exception();

    virtual const PlainString& GetMessage() const;
    // "Message: %s\nTarget: %s"
    virtual PlainString ToString() const;

    const PlainString& GetTarget() const { return m_target; }

    // The message as UTF-8 (an unpaired surrogate becomes U+FFFD); the target is not part of it.
    const char* what() const noexcept override;

private:
    PlainString m_message;
    PlainString m_target;
    std::string m_what;
};

// A failed system call: the function that failed and its error code (errno, or a library's
// code). The code is 64 bits wide and signed, so a negative code prints as such.
class WindowsException : public Exception {
public:
    WindowsException(const char16_t* message, std::int64_t errorCode, const char16_t* function,
                     const char16_t* target);
    WindowsException(std::u16string_view message, std::int64_t errorCode, std::u16string_view function,
                     std::u16string_view target);
    ~WindowsException() override;

    // "Error: %I64d\nMessage: %s\nFunction: %s\nTarget: %s"
    PlainString ToString() const override;

    std::int64_t GetErrorCode() const { return m_errorCode; }
    const PlainString& GetFunction() const { return m_function; }

private:
    std::int64_t m_errorCode;
    PlainString m_function;
};

} // namespace Utilities::Exceptions
