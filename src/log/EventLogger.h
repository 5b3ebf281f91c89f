#pragma once

#include <cstdint>
#include <string_view>

#include "platform/SystemLog.h"

namespace Tarnwick::LogProvider {

// The fallback when the log file cannot be written: the system log, as the source "Tarnwick"
// with error priority. The text goes unencoded: "<time> <kind> <code> <text>\n".
class EventLogger {
public:
    static void LogEvent(std::int64_t time, std::uint32_t kind, std::int64_t code,
                         std::u16string_view text) noexcept;

    // Tests: replaces the system log; nullptr restores syslog. Returns the previous one.
    static Platform::ISystemLog* SetSystemLog(Platform::ISystemLog* log) noexcept;
};

} // namespace Tarnwick::LogProvider
