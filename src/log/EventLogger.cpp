#include "log/EventLogger.h"

#include <atomic>
#include <string>
#include <syslog.h>

#include "base/text/Utf.h"

namespace Tarnwick::LogProvider {

namespace {

std::atomic<Platform::ISystemLog*> s_override{nullptr};

} // namespace

void EventLogger::LogEvent(std::int64_t time, std::uint32_t kind, std::int64_t code,
                           std::u16string_view text) noexcept {
    try {
        const std::string line = std::to_string(time) + ' ' + std::to_string(kind) + ' ' +
                                 std::to_string(code) + ' ' + Text::ToUtf8(text) + '\n';
        Platform::ISystemLog* log = s_override.load();
        (log != nullptr ? *log : Platform::DefaultSystemLog()).Report("Tarnwick", LOG_USER | LOG_ERR, line);
    } catch (...) {
        // The last resort: a failure here has nowhere left to go.
    }
}

Platform::ISystemLog* EventLogger::SetSystemLog(Platform::ISystemLog* log) noexcept {
    return s_override.exchange(log);
}

} // namespace Tarnwick::LogProvider
