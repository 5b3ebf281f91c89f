#include "database/DBException.h"

#include "core/text/Format.h"

namespace EmberkiteDatabase {

DBException::DBException(std::int32_t code, std::u16string_view context, std::u16string_view description)
    : Exception(context, description), m_code(code) {}

DBException::~DBException() = default;

Utilities::Exceptions::PlainString DBException::ToString() const {
    return Tarnwick::Text::Format(u"Error: %08x\nMessage: %s\nTarget: %s", static_cast<std::uint32_t>(m_code),
                                  GetMessage(), GetTarget());
}

} // namespace EmberkiteDatabase
