#include "platform/LockedMemory.h"

#include <sys/mman.h>
#include <unistd.h>

namespace Tarnwick::Platform {

std::size_t PageSize() noexcept {
    static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

void* MapSecretPages(std::size_t bytes) noexcept {
    if (bytes == 0) {
        return nullptr;
    }
    void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) {
        return nullptr;
    }
    madvise(pages, bytes, MADV_DONTDUMP);
    // Past RLIMIT_MEMLOCK the pages stay unlocked; they are still left out of dumps.
    (void)mlock(pages, bytes);
    return pages;
}

void UnmapSecretPages(void* pages, std::size_t bytes) noexcept {
    if (pages == nullptr) {
        return;
    }
    (void)munlock(pages, bytes);
    munmap(pages, bytes);
}

} // namespace Tarnwick::Platform
