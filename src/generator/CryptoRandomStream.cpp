#include "generator/CryptoRandomStream.h"

#include <algorithm>

#include "crypto/HashBaseWin.h"
#include "crypto/ScopedWipe.h"

namespace Tarnwick::PasswordGenerator::Crypto {

using CryptoServiceProvider::ScopedWipe;

CryptoRandomStream::CryptoRandomStream(const std::uint8_t* key, std::size_t keyLength) {
    m_cipher.InitializeCipher(key, keyLength, kNonce.data(), kNonce.size());
}

CryptoRandomStream::~CryptoRandomStream() = default; // the cipher wipes its key

void CryptoRandomStream::Fill(std::vector<std::uint8_t>& buffer) {
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    m_cipher.Process(buffer.data(), buffer.size());
}

void CryptoRandomStream::Reset() {
    m_cipher.ClearKey();
}

void CryptoRandomStream::DeriveKey(const std::uint8_t* strongBytes, const std::uint8_t* mouseEntropy,
                                   const std::uint8_t* systemEntropy, std::uint8_t (&key)[kKeySize]) {
    CryptoServiceProvider::Hashing::Sha256Win sha;
    try {
        sha.Initialize();
        sha.Update(strongBytes, kKeySize);
        if (mouseEntropy != nullptr) {
            sha.Update(mouseEntropy, kDigestSize);
        }
        if (systemEntropy != nullptr) {
            sha.Update(systemEntropy, kDigestSize);
        }
        std::size_t length = sizeof key;
        sha.Finish(key, length);
    } catch (...) {
        sha.Release();
        throw;
    }
    sha.Release();
}

std::unique_ptr<CryptoRandomStream>
CryptoRandomStream::Create(CryptoServiceProvider::Random::RandomBase& strong,
                           const std::uint8_t* mouseEntropy, const std::uint8_t* systemEntropy) {
    std::uint8_t seed[kKeySize];
    std::uint8_t key[kKeySize];
    const ScopedWipe wipeSeed(seed, sizeof seed);
    const ScopedWipe wipeKey(key, sizeof key);
    strong.NextBytes(seed, sizeof seed);
    DeriveKey(seed, mouseEntropy, systemEntropy, key);
    return std::make_unique<CryptoRandomStream>(key, sizeof key);
}

} // namespace Tarnwick::PasswordGenerator::Crypto
