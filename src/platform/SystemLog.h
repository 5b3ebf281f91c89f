#pragma once

#include <string>

namespace Tarnwick::Platform {

// The system log (syslog). An interface so that tests can watch what would be reported.
class ISystemLog {
public:
    virtual ~ISystemLog() = default;
    // Reports one message under the given source name and syslog priority (facility | level).
    // The text is passed as data, never as a format.
    virtual void Report(const char* source, int priority, const std::string& text) noexcept = 0;
};

// The process's syslog connection.
ISystemLog& DefaultSystemLog() noexcept;

} // namespace Tarnwick::Platform
