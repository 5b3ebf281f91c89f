#pragma once

#include <cstdint>

#include "log/exceptions/Exception.h"

namespace EmberkiteDatabase {

// A failure of the database engine: an error code and, often, a context ("Class::Operation")
// as the first text and a description as the second. Many carry only the code.
class DBException : public Utilities::Exceptions::Exception {
public:
    explicit DBException(std::int32_t code, std::u16string_view context = {}, std::u16string_view description = {});
    ~DBException() override;

    // "Error: %08x\nMessage: %s\nTarget: %s" with the code and the two texts.
    Utilities::Exceptions::PlainString ToString() const override;

    std::int32_t GetErrorCode() const noexcept { return m_code; }
    const Utilities::Exceptions::PlainString& GetContext() const { return GetMessage(); }
    const Utilities::Exceptions::PlainString& GetDescription() const { return GetTarget(); }

private:
    std::int32_t m_code;
};

} // namespace EmberkiteDatabase
