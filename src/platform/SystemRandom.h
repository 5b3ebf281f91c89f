#pragma once

#include <cstddef>

namespace Tarnwick::Platform {

// Fills the buffer from the kernel's random source (getrandom). Returns 0 on success,
// otherwise the errno of the failure.
int FillRandom(void* buffer, std::size_t length) noexcept;

} // namespace Tarnwick::Platform
