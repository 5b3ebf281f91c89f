#include "database/MasterKeyKDF.h"

#include <bit>
#include <cstring>
#include <exception>
#include <memory>
#include <thread>

#include "crypto/Rijndael256.h"
#include "crypto/SecureWipe.h"
#include "crypto/HashBaseWin.h"
#include "base/exceptions/DBException.h"

namespace EmberkiteDatabase {

using CryptoServiceProvider::SecureWipe;

static_assert(std::endian::native == std::endian::little, "the password is hashed as UTF-16LE in place");

namespace {

constexpr std::size_t kHashSize = 64;
constexpr std::size_t kQuarter = 16;

} // namespace

void MasterKeyKDF::TransformBlock(std::uint8_t* block, const std::uint8_t* key, std::size_t keyLength) const {
    CryptoServiceProvider::Encryption::Rijndael256 cipher;
    cipher.InitializeCipher(key, keyLength);
    try {
        for (std::int32_t round = 0; round < m_rounds; ++round) {
            cipher.BlockEncrypt(block, kQuarter);
        }
    } catch (...) {
        cipher.ClearKey();
        throw;
    }
    cipher.ClearKey();
}

void MasterKeyKDF::Derive(KeyStore& keyStore, std::size_t keySize, const std::uint8_t* salt,
                          std::size_t saltLength) const {
    if (keySize > kHashSize) {
        throw DBException(DBError::KeyTooLong);
    }
    // Both working buffers live in locked memory and are wiped on every path.
    KeyStore transformedStore;
    std::uint8_t* const transformed = transformedStore.Allocate(kHashSize);
    {
        CryptoServiceProvider::Hashing::Sha512Win sha;
        sha.ComputeHash(transformed, kHashSize, reinterpret_cast<const std::uint8_t*>(m_password.data()),
                        m_password.size() * sizeof(char16_t));
    }

    // Three workers take the first three quarters; this thread takes the last.
    std::exception_ptr failures[4];
    std::thread workers[3];
    std::exception_ptr startFailure;
    for (int i = 0; i < 3; ++i) {
        try {
            workers[i] = std::thread([&, i] {
                try {
                    TransformBlock(transformed + i * kQuarter, salt, saltLength);
                } catch (...) {
                    failures[i] = std::current_exception();
                }
            });
        } catch (...) {
            startFailure = std::current_exception();
            break;
        }
    }
    if (!startFailure) {
        try {
            TransformBlock(transformed + 3 * kQuarter, salt, saltLength);
        } catch (...) {
            failures[3] = std::current_exception();
        }
    }
    for (auto& worker : workers) {
        if (worker.joinable()) {
            worker.join();
        }
    }
    if (startFailure) {
        std::rethrow_exception(startFailure);
    }
    for (const auto& failure : failures) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }

    KeyStore digestStore;
    std::uint8_t* const digest = digestStore.Allocate(kHashSize);
    {
        CryptoServiceProvider::Hashing::Sha512Win sha;
        sha.ComputeHash(digest, kHashSize, transformed, kHashSize, salt, saltLength);
    }
    std::uint8_t* key = keyStore.Allocate(keySize);
    std::memcpy(key, digest, keySize);
}

} // namespace EmberkiteDatabase
