#pragma once

#include <cstdint>

namespace Tarnwick::PasswordADT {

// Seconds since 1970-01-01 UTC.
std::int64_t CurrentTime();

using TimeSource = std::int64_t (*)();
// Replaces the clock (tests); nullptr restores the system clock. Returns the previous one.
TimeSource SetTimeSource(TimeSource source) noexcept;

} // namespace Tarnwick::PasswordADT
