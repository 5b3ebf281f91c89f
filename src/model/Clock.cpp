#include "model/Clock.h"

#include <atomic>
#include <chrono>

namespace Tarnwick::PasswordADT {

namespace {

std::int64_t SystemTime() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::atomic<TimeSource> g_source{nullptr};

} // namespace

std::int64_t CurrentTime() {
    const TimeSource source = g_source.load(std::memory_order_acquire);
    return source != nullptr ? source() : SystemTime();
}

TimeSource SetTimeSource(TimeSource source) noexcept { return g_source.exchange(source); }

} // namespace Tarnwick::PasswordADT
