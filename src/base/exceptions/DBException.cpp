#include "base/exceptions/DBException.h"

#include "base/text/Format.h"

namespace EmberkiteDatabase {

DBException::DBException(std::int32_t errorCode, const char16_t* context, const char16_t* description)
    : Exception(context, description), m_errorCode(errorCode) {}

DBException::DBException(std::int32_t errorCode, std::u16string_view context, std::u16string_view description)
    : Exception(context, description), m_errorCode(errorCode) {}

DBException::~DBException() = default;

Utilities::Exceptions::PlainString DBException::ToString() const {
    // The code prints as its 32-bit pattern, so negative codes show eight digits.
    return Tarnwick::Text::Format(u"Error: %08x\nMessage: %s\nTarget: %s",
                                  static_cast<std::uint32_t>(m_errorCode), GetMessage(), GetTarget());
}

} // namespace EmberkiteDatabase
