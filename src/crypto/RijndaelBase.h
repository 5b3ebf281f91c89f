#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/CipherBase.h"

namespace CryptoServiceProvider::Encryption {

// AES (FIPS-197) with a key length fixed by the subclass; 128-bit blocks, table-driven.
// Decryption derives the equivalent inverse key schedule on demand for each call.
class RijndaelBase : public CipherBase {
public:
    static constexpr std::size_t kBlockSize = 16;

    ~RijndaelBase() override;

    // The key must be exactly the fixed length, which must be 16, 24 or 32 bytes.
    void InitializeCipher(const std::uint8_t* key, std::size_t keyLength) override;
    void BlockEncrypt(std::uint8_t* buffer, std::size_t length) override;
    void BlockDecrypt(std::uint8_t* buffer, std::size_t length) override;
    void BlockEncryptInCBCMode(std::uint8_t* buffer, std::size_t length, const std::uint8_t* iv,
                               std::size_t ivLength) override;
    void BlockDecryptInCBCMode(std::uint8_t* buffer, std::size_t length, const std::uint8_t* iv,
                               std::size_t ivLength) override;
    void ClearKey() override;
    std::size_t GetBlockSize() const override { return kBlockSize; }
    std::size_t GetKeySize() const override { return m_keyLength; }

    // 10, 12 or 14 while keyed, 0 when cleared.
    unsigned GetRounds() const noexcept { return m_rounds; }

protected:
    explicit RijndaelBase(std::size_t keyLength) noexcept;
    void AssureExtactKeySize(std::size_t keyLength) const;

private:
    void CheckBuffer(const std::uint8_t* buffer, std::size_t length, const char16_t* target) const;
    void WipeKeyMaterial() noexcept;

    std::size_t m_keyLength;
    unsigned m_rounds = 0;
    std::uint32_t m_roundKeys[60]; // 240 bytes: up to 15 round keys
    std::uint8_t m_chain[kBlockSize];
};

} // namespace CryptoServiceProvider::Encryption
