#pragma once

#include <cstddef>
#include <cstdint>

namespace CryptoServiceProvider {

// Argument checks of ProtectedMemory; each raises the common exception with an empty text.
class ProtectedMemoryDataVerfier {
public:
    static void AssureValidByteSize(std::int64_t bytes);
    static void AssureMemoryIsNotProtected(bool isProtected);
    static void AssureByteSizeIsNotNegative(std::int64_t bytes);
};

// A growable byte buffer with a 4-byte little-endian length prefix, encrypted in place
// while at rest. The allocated size is always a multiple of 16. Not thread-safe.
class ProtectedMemory {
public:
    static constexpr std::int32_t kPrefixLength = 4;
    static constexpr std::int64_t kMaximumSize = 2147483647;

    ProtectedMemory() noexcept = default;
    ProtectedMemory(const ProtectedMemory&) = delete;
    ProtectedMemory& operator=(const ProtectedMemory&) = delete;
    ProtectedMemory(ProtectedMemory&& other) noexcept;
    ProtectedMemory& operator=(ProtectedMemory&& other) noexcept;
    ~ProtectedMemory();

    // Frees the old buffer and allocates (content + 4) rounded up to 16, content length 0.
    void Allocate(std::int64_t contentBytes);
    void SetSize(std::int64_t contentBytes);
    // Copies data to the content start; grows (wiping the old buffer) when it does not fit.
    void WriteIntoMemory(const void* data, std::int64_t bytes);
    // Copies bytes of content out; refuses to read past the allocated size.
    void ReadAt(void* destination, std::int64_t bytes) const;
    // Copies exactly bytes of content out; refuses when the content is shorter.
    void ReadFromMemory(void* destination, std::int64_t bytes) const;
    // 0 without a buffer, else the length prefix.
    std::int32_t ContentLength() const;

    void Protect();
    void Unprotect();
    // Wipes (35 passes) and releases the buffer.
    void Free() noexcept;

    bool IsProtected() const noexcept { return m_protected; }
    std::size_t AllocatedSize() const noexcept { return m_size; }
    // The raw buffer, for inspection while protected (tests) and in-place use.
    const std::uint8_t* RawBuffer() const noexcept { return m_buffer; }

private:
    void WriteIntegerIntoMemory(std::int64_t value);

    std::int32_t m_prefixLength = kPrefixLength;
    bool m_protected = false;
    std::uint32_t m_protectionFlags = 0;
    std::uint8_t* m_buffer = nullptr;
    std::size_t m_size = 0;
    std::uint64_t m_nonce = 0;
};

} // namespace CryptoServiceProvider
