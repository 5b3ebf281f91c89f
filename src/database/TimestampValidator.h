#pragma once

#include <cstdint>

namespace EmberkiteDatabase {

// The current time for every time stamp of the database, in seconds since 1970 (UTC).
class TimestampValidator {
public:
    // Raises the common exception when the clock gives no usable time.
    static std::int64_t GetValidTimestamp();
};

} // namespace EmberkiteDatabase
