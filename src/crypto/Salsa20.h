#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/StreamCipherBase.h"

namespace CryptoServiceProvider::Encryption {

// Salsa20/20 (Bernstein) with a 256-bit key and a 64-bit nonce; the block counter starts at 0.
class Salsa20 final : public StreamCipherBase {
public:
    static constexpr std::size_t kKeySize = 32;
    static constexpr std::size_t kNonceSize = 8;
    static constexpr std::size_t kBlockSize = 64;

    Salsa20() noexcept = default;
    ~Salsa20() override;

    // key: 32 bytes; nonce: 8 bytes. Restarts the keystream at block 0.
    void InitializeCipher(const std::uint8_t* key, std::size_t keyLength, const std::uint8_t* nonce,
                          std::size_t nonceLength) override;
    // Refuses to run without a key: an unkeyed stream would pass the data through unchanged.
    void Process(std::uint8_t* buffer, std::size_t length) override;
    // eSTREAM 256-bit-key vectors of set 1 (keys with one bit set).
    bool SelfTest() override;
    // Overwrites the input matrix and the keystream block with zero, 0xFF, zero, 30 times.
    void ClearKey() noexcept override;
    std::size_t GetKeySize() const override { return kKeySize; }
    void VerifyKeySize(std::size_t keyLength) const override;

    bool IsKeyed() const noexcept { return m_keyed; }

private:
    void NextBlock() noexcept;

    struct State {
        std::uint32_t input[16];   // constants, key, nonce, block counter
        std::uint32_t working[16]; // the rounds run here
        std::uint8_t keystream[kBlockSize];
        std::size_t position; // next unused keystream byte; kBlockSize when spent
    };
    State m_state{};
    bool m_keyed = false;
    bool m_wiped = true;
};

} // namespace CryptoServiceProvider::Encryption
