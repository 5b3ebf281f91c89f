#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "database/KeyStore.h"

namespace EmberkiteDatabase {

// Turns the database password into the cipher key: SHA-512 of the UTF-16LE password, its four
// 16-byte quarters each encrypted rounds times with AES-256 under the salt (three worker
// threads and the caller), then SHA-512 over the result and the salt; the first k bytes.
class MasterKeyKDF {
public:
    MasterKeyKDF(std::u16string_view password, std::int16_t rounds) : m_password(password), m_rounds(rounds) {}

    // k above 64 raises DBException 1 and derives nothing.
    void Derive(KeyStore& keyStore, std::size_t keySize, const std::uint8_t* salt, std::size_t saltLength) const;

    // One quarter: a fresh AES-256 keyed with the salt encrypts the block rounds times.
    void TransformBlock(std::uint8_t* block, const std::uint8_t* key, std::size_t keyLength) const;

private:
    std::u16string_view m_password;
    std::int16_t m_rounds;
};

} // namespace EmberkiteDatabase
