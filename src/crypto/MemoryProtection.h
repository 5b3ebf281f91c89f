#pragma once

#include <cstddef>
#include <cstdint>

namespace CryptoServiceProvider {

// In-place encryption of memory at rest, valid within this process only.
class IMemoryProtection {
public:
    virtual ~IMemoryProtection() = default;
    // Encrypts in place under a fresh nonce, which is returned through nonce. 0 or an error code.
    virtual int Protect(std::uint8_t* buffer, std::size_t size, std::uint64_t& nonce) noexcept = 0;
    // Decrypts what Protect encrypted with that nonce. 0 or an error code.
    virtual int Unprotect(std::uint8_t* buffer, std::size_t size, std::uint64_t nonce) noexcept = 0;
};

// ChaCha20 under a random per-process key that lives in a locked, non-dumpable page.
IMemoryProtection& GetMemoryProtection() noexcept;
// Replaces the protection (tests); returns the previous one. nullptr restores the default.
IMemoryProtection* SetMemoryProtection(IMemoryProtection* protection) noexcept;

} // namespace CryptoServiceProvider
