#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/CipherBase.h"

namespace CryptoServiceProvider::Encryption {

// Blowfish with up to 448-bit keys (16 rounds, 64-bit blocks); each block is read and
// written as two big-endian 32-bit words, as in the published reference.
class Blowfish final : public CipherBase {
public:
    static constexpr std::size_t kBlockSize = 8;
    static constexpr std::size_t kKeySize = 56;

    Blowfish() noexcept;
    ~Blowfish() override;

    // 1 to 56 key bytes.
    void InitializeCipher(const std::uint8_t* key, std::size_t keyLength) override;
    // A length of 0 is nothing to do.
    void BlockEncrypt(std::uint8_t* buffer, std::size_t length) override;
    void BlockDecrypt(std::uint8_t* buffer, std::size_t length) override;
    void BlockEncryptInCBCMode(std::uint8_t* buffer, std::size_t length, const std::uint8_t* iv,
                               std::size_t ivLength) override;
    void BlockDecryptInCBCMode(std::uint8_t* buffer, std::size_t length, const std::uint8_t* iv,
                               std::size_t ivLength) override;
    // Three vectors of the published set with 8-byte keys, each encrypted and decrypted.
    bool SelfTest() override;
    // Round trip of 32 bytes under a 56-byte key and an 8-byte vector.
    bool SelfTestCBC() override;
    void ClearKey() override;
    std::size_t GetBlockSize() const override { return kBlockSize; }
    std::size_t GetKeySize() const override { return kKeySize; }

private:
    void CheckBuffer(const std::uint8_t* buffer, std::size_t length, const char16_t* target) const;
    void WipeKeyMaterial() noexcept;
    std::uint32_t F(std::uint32_t x) const noexcept;
    void EncryptWords(std::uint32_t& left, std::uint32_t& right) const noexcept;
    void DecryptWords(std::uint32_t& left, std::uint32_t& right) const noexcept;

    std::uint32_t m_p[18];
    std::uint32_t m_s[4][256];
};

} // namespace CryptoServiceProvider::Encryption
