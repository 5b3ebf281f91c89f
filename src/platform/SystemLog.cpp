#include "platform/SystemLog.h"

#include <mutex>
#include <syslog.h>

namespace Tarnwick::Platform {

namespace {

class SysLog final : public ISystemLog {
public:
    void Report(const char* source, int priority, const std::string& text) noexcept override {
        // openlog keeps the pointer to the name until closelog, so the three calls stay together.
        std::lock_guard<std::mutex> guard(m_lock);
        ::openlog(source, LOG_PID, LOG_USER);
        ::syslog(priority, "%s", text.c_str());
        ::closelog();
    }

private:
    std::mutex m_lock;
};

} // namespace

ISystemLog& DefaultSystemLog() noexcept {
    static SysLog log;
    return log;
}

} // namespace Tarnwick::Platform
