#include "crypto/SecureAllocator.h"

#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "platform/LockedMemory.h"

namespace CryptoServiceProvider {

namespace {

constexpr std::size_t kSmallestBlock = 16;
constexpr std::size_t kClassCount = 11; // 16 bytes .. 16 KiB
constexpr std::size_t kLargestBlock = kSmallestBlock << (kClassCount - 1);
constexpr std::size_t kChunkBytes = 64 * 1024;

std::size_t ClassOf(std::size_t bytes) {
    std::size_t index = 0;
    std::size_t size = kSmallestBlock;
    while (size < bytes) {
        size <<= 1;
        ++index;
    }
    return index;
}

std::size_t LargeMappingBytes(std::size_t bytes) {
    const std::size_t page = Tarnwick::Platform::PageSize();
    return (bytes + page - 1) / page * page;
}

struct Pool {
    std::mutex lock;
    // Free blocks are listed here, never inside the blocks, so a released block stays zero.
    std::vector<void*> freeBlocks[kClassCount];
};

Pool& ThePool() {
    // Never destroyed: secrets in static objects may be released after exit handlers ran.
    static Pool* pool = new Pool;
    return *pool;
}

} // namespace

void* SecureAllocator::Allocate(std::size_t bytes) {
    if (bytes == 0) {
        bytes = kSmallestBlock;
    }
    if (bytes > kLargestBlock) {
        void* pages = Tarnwick::Platform::MapSecretPages(LargeMappingBytes(bytes));
        if (pages == nullptr) {
            throw std::bad_alloc();
        }
        return pages;
    }
    const std::size_t index = ClassOf(bytes);
    const std::size_t blockBytes = kSmallestBlock << index;
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> guard(pool.lock);
    auto& list = pool.freeBlocks[index];
    if (list.empty()) {
        auto* chunk = static_cast<unsigned char*>(Tarnwick::Platform::MapSecretPages(kChunkBytes));
        if (chunk == nullptr) {
            throw std::bad_alloc();
        }
        const std::size_t count = kChunkBytes / blockBytes;
        list.reserve(list.size() + count);
        for (std::size_t i = count; i-- > 0;) {
            list.push_back(chunk + i * blockBytes);
        }
    }
    void* block = list.back();
    list.pop_back();
    return block;
}

void SecureAllocator::Release(void* block, std::size_t bytes) noexcept {
    if (block == nullptr) {
        return;
    }
    if (bytes == 0) {
        bytes = kSmallestBlock;
    }
    if (bytes > kLargestBlock) {
        Tarnwick::Platform::UnmapSecretPages(block, LargeMappingBytes(bytes));
        return;
    }
    const std::size_t index = ClassOf(bytes);
    std::memset(block, 0, kSmallestBlock << index);
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> guard(pool.lock);
    try {
        pool.freeBlocks[index].push_back(block);
    } catch (...) {
        // The block is zero and simply stays unused.
    }
}

} // namespace CryptoServiceProvider
