#include "database/MasterKeyKDF.h"

#include <bit>
#include <cstring>
#include <exception>
#include <memory>
#include <thread>

#include "crypto/Rijndael256.h"
#include "crypto/SecureAllocator.h"
#include "crypto/SecureWipe.h"
#include "crypto/HashBaseWin.h"
#include "log/exceptions/DBException.h"

namespace EmberkiteDatabase {

using CryptoServiceProvider::SecureWipe;

static_assert(std::endian::native == std::endian::little, "the password is hashed as UTF-16LE in place");

namespace {

constexpr std::size_t kHashSize = 64;
constexpr std::size_t kQuarter = 16;

// A buffer in locked memory, wiped and released on every path.
class SecretBuffer {
public:
    explicit SecretBuffer(std::size_t size)
        : m_size(size), m_data(static_cast<std::uint8_t*>(CryptoServiceProvider::SecureAllocator::Allocate(size))) {}
    ~SecretBuffer() {
        SecureWipe(m_data, m_size);
        CryptoServiceProvider::SecureAllocator::Release(m_data, m_size);
    }
    SecretBuffer(const SecretBuffer&) = delete;
    SecretBuffer& operator=(const SecretBuffer&) = delete;
    std::uint8_t* Data() { return m_data; }

private:
    std::size_t m_size;
    std::uint8_t* m_data;
};

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
        throw DBException(1);
    }
    SecretBuffer transformed(kHashSize);
    {
        CryptoServiceProvider::Hashing::Sha512Win sha;
        sha.ComputeHash(transformed.Data(), kHashSize, reinterpret_cast<const std::uint8_t*>(m_password.data()),
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
                    TransformBlock(transformed.Data() + i * kQuarter, salt, saltLength);
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
            TransformBlock(transformed.Data() + 3 * kQuarter, salt, saltLength);
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

    SecretBuffer digest(kHashSize);
    {
        CryptoServiceProvider::Hashing::Sha512Win sha;
        sha.ComputeHash(digest.Data(), kHashSize, transformed.Data(), kHashSize, salt, saltLength);
    }
    std::uint8_t* key = keyStore.Allocate(keySize);
    std::memcpy(key, digest.Data(), keySize);
}

} // namespace EmberkiteDatabase
