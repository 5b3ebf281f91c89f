#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/HashBase.h"

namespace CryptoServiceProvider::Hashing {

// RIPEMD-320 (Dobbertin, Bosselaers, Preneel): two RIPEMD-160 lines that swap one chaining
// word after each round; 40-byte digest.
class RipeMD320 final : public HashBase {
public:
    static constexpr std::size_t kHashSize = 40;
    static constexpr std::size_t kBlockSize = 64;

    RipeMD320() noexcept;
    ~RipeMD320() override;

    void Initialize() noexcept override;
    void Update(const void* data, std::size_t length) override;
    // Writes the digest and starts over, so the next Update begins a new message.
    void Finish(std::uint8_t* output, std::size_t& outputLength) override;
    // "abc", the 448-bit message and A-Z a-z 0-9, with the digests of the RIPEMD publication.
    bool SelfTest() override;
    // Wipes the state (chaining words, buffered bytes, message words) and starts over.
    void Release() noexcept override;
    std::size_t GetHashSize() const override { return kHashSize; }

private:
    void Compress(const std::uint8_t* block) noexcept;

    struct State {
        std::uint32_t chain[10];
        std::uint32_t words[16]; // the message block being compressed
        std::uint8_t buffer[kBlockSize];
        std::uint64_t length; // bytes hashed so far
        std::size_t buffered;
    };
    State m_state{};
};

} // namespace CryptoServiceProvider::Hashing
