#include "base/exceptions/Exception.h"

#include "base/text/Format.h"
#include "base/text/Utf.h"

namespace Utilities::Exceptions {

Exception::Exception(const char16_t* message, const char16_t* target)
    : m_message(message), m_target(target), m_what(Tarnwick::Text::ToUtf8(m_message.View())) {}

Exception::Exception(std::u16string_view message, std::u16string_view target)
    : m_message(message), m_target(target), m_what(Tarnwick::Text::ToUtf8(message)) {}

// Out of line: the key function anchors one type identity for every library.
Exception::~Exception() = default;

const PlainString& Exception::GetMessage() const { return m_message; }

const char* Exception::what() const noexcept { return m_what.c_str(); }

PlainString Exception::ToString() const {
    return Tarnwick::Text::Format(u"Message: %s\nTarget: %s", m_message, m_target);
}

WindowsException::WindowsException(const char16_t* message, std::int64_t errorCode, const char16_t* function,
                                   const char16_t* target)
    : Exception(message, target), m_errorCode(errorCode), m_function(function) {}

WindowsException::WindowsException(std::u16string_view message, std::int64_t errorCode,
                                   std::u16string_view function, std::u16string_view target)
    : Exception(message, target), m_errorCode(errorCode), m_function(function) {}

WindowsException::~WindowsException() = default;

PlainString WindowsException::ToString() const {
    return Tarnwick::Text::Format(u"Error: %I64d\nMessage: %s\nFunction: %s\nTarget: %s", m_errorCode,
                                  GetMessage(), m_function, GetTarget());
}

} // namespace Utilities::Exceptions
