#pragma once

#include <cstdint>

#include "log/exceptions/Exception.h"

namespace EmberkiteDatabase {

// A failure of the database engine: an engine code and the two texts of the base class. By the
// engine's convention the first text is the context ("HeaderVerifier::VerifyMainHeader") and
// the second the description; many failures carry only the code.
class DBException : public Utilities::Exceptions::Exception {
public:
    explicit DBException(std::int32_t errorCode, const char16_t* context = nullptr,
                         const char16_t* description = nullptr);
    DBException(std::int32_t errorCode, std::u16string_view context, std::u16string_view description);
    ~DBException() override;

    // "Error: %08x\nMessage: %s\nTarget: %s" with the code, the first and the second text.
    Utilities::Exceptions::PlainString ToString() const override;

    std::int32_t GetErrorCode() const { return m_errorCode; }

private:
    std::int32_t m_errorCode;
};

} // namespace EmberkiteDatabase
