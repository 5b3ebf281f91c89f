#pragma once

#include <cstddef>

namespace Tarnwick::Platform {

// Private anonymous pages for secrets: kept out of core dumps and, while the lock limit
// allows, out of swap. Returns nullptr when no memory can be mapped.
void* MapSecretPages(std::size_t bytes) noexcept;
// Releases pages from MapSecretPages (bytes as given there).
void UnmapSecretPages(void* pages, std::size_t bytes) noexcept;
std::size_t PageSize() noexcept;

} // namespace Tarnwick::Platform
