#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>

#include "crypto/CipherBase.h"

namespace CryptoServiceProvider::Encryption {

// Algorithm identifiers as stored in the database file.
enum CipherAlgorithm : std::int32_t {
    kCipherBlowfish = 0,    // Blowfish, 56-byte key, 8-byte block
    kCipherRijndael256 = 1, // AES, 32-byte key, 16-byte block
};

// Makes the cipher object for an algorithm identifier; any other identifier raises the
// common exception. The caller owns the object:
//   std::unique_ptr<CipherBase> cipher = CipherBaseFactory(identifier);
class CipherBaseFactory {
public:
    explicit CipherBaseFactory(std::int32_t identifier);

    // Hands the cipher over; afterwards the factory holds nothing.
    std::unique_ptr<CipherBase> Release() noexcept { return std::move(m_cipher); }
    operator std::unique_ptr<CipherBase>() && noexcept { return std::move(m_cipher); } // NOLINT

    static std::unique_ptr<CipherBase> Create(std::int32_t identifier) { return CipherBaseFactory(identifier).Release(); }
    // "Blowfish (448-Bit)" or "AES (Rijndael 256-Bit)", as shown in the database properties.
    static std::u16string_view GetDisplayName(std::int32_t identifier);

private:
    std::unique_ptr<CipherBase> m_cipher;
};

} // namespace CryptoServiceProvider::Encryption
