#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "crypto/CryptoRandomStreamBase.h"
#include "crypto/RandomBase.h"
#include "crypto/Salsa20.h"

namespace Tarnwick::PasswordGenerator::Crypto {

// The generator's random bytes: the Salsa20 keystream under a 32-byte key and a fixed nonce.
// Lives for one generation call; not shared between threads.
class CryptoRandomStream final : public CryptoServiceProvider::Random::CryptoRandomStreamBase {
public:
    static constexpr std::size_t kKeySize = 32;
    static constexpr std::size_t kDigestSize = 32;
    // Any constant will do: every stream has a fresh key.
    static constexpr std::array<std::uint8_t, 8> kNonce = {0x54, 0x77, 0x50, 0x77, 0x47, 0x65, 0x6E, 0x31};

    // Keys the cipher directly (tests use a fixed key for repeatable draws).
    CryptoRandomStream(const std::uint8_t* key, std::size_t keyLength);
    ~CryptoRandomStream() override;

    // Overwrites the buffer with the next keystream bytes.
    void Fill(std::vector<std::uint8_t>& buffer) override;
    // Wipes the cipher's key; the stream refuses to fill afterwards.
    void Reset() override;

    // Key = SHA-256 over 32 bytes of the strong source, then the mouse entropy and the
    // system entropy digest (32 bytes each, left out when null). Every intermediate buffer
    // is wiped.
    static std::unique_ptr<CryptoRandomStream> Create(CryptoServiceProvider::Random::RandomBase& strong,
                                                      const std::uint8_t* mouseEntropy,
                                                      const std::uint8_t* systemEntropy);
    // The key Create would derive from these inputs (strongBytes: 32 bytes).
    static void DeriveKey(const std::uint8_t* strongBytes, const std::uint8_t* mouseEntropy,
                          const std::uint8_t* systemEntropy, std::uint8_t (&key)[kKeySize]);

private:
    CryptoServiceProvider::Encryption::Salsa20 m_cipher;
};

} // namespace Tarnwick::PasswordGenerator::Crypto
