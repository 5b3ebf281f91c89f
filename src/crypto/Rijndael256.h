#pragma once

#include <cstddef>

#include "crypto/RijndaelBase.h"

namespace CryptoServiceProvider::Encryption {

// AES with a 256-bit key (14 rounds); a 16- or 24-byte key is refused.
class Rijndael256 final : public RijndaelBase {
public:
    static constexpr std::size_t kKeySize = 32;

    Rijndael256() noexcept : RijndaelBase(kKeySize) {}

    // Three vectors of the variable-key known-answer test for 256-bit keys.
    bool SelfTest() override;
    // The CBC-AES256 example of NIST SP 800-38A, encrypted and decrypted.
    bool SelfTestCBC() override;
};

} // namespace CryptoServiceProvider::Encryption
