#include "database/TimestampValidator.h"

#include "base/exceptions/Exception.h"
#include "model/Clock.h"

namespace EmberkiteDatabase {

std::int64_t TimestampValidator::GetValidTimestamp() {
    const std::int64_t now = Tarnwick::PasswordADT::CurrentTime();
    if (now < 0) {
        throw Utilities::Exceptions::Exception(u"", u"TimestampValidator::GetValidTimestamp");
    }
    return now;
}

} // namespace EmberkiteDatabase
