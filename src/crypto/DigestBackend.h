#pragma once

#include <cstddef>
#include <openssl/types.h>

namespace CryptoServiceProvider::Hashing {

// The library digest calls under HashBaseWin. Each returns 0 on success, otherwise the
// library's error code (never 0). Tests put a backend in place that fails single steps.
class IDigestBackend {
public:
    virtual ~IDigestBackend() = default;
    // The digest from the providers the library is configured with.
    virtual unsigned long Fetch(const char* name, EVP_MD*& digest) noexcept = 0;
    // The digest from the built-in default provider, for configurations that leave it out.
    virtual unsigned long FetchBuiltIn(const char* name, EVP_MD*& digest) noexcept = 0;
    virtual void FreeDigest(EVP_MD* digest) noexcept = 0;
    // A new context, initialised for the digest.
    virtual unsigned long CreateContext(const EVP_MD* digest, EVP_MD_CTX*& context) noexcept = 0;
    virtual unsigned long Update(EVP_MD_CTX* context, const void* data, std::size_t length) noexcept = 0;
    // Writes at most EVP_MAX_MD_SIZE bytes and their count.
    virtual unsigned long Final(EVP_MD_CTX* context, unsigned char* output,
                                unsigned int& length) noexcept = 0;
    // Frees the context; the library cleanses the digest state with it.
    virtual void FreeContext(EVP_MD_CTX* context) noexcept = 0;
};

// The OpenSSL EVP implementation.
IDigestBackend& DefaultDigestBackend() noexcept;

// True when a Fetch error says that no loaded provider offers the digest.
bool IsDigestUnavailable(unsigned long error) noexcept;

} // namespace CryptoServiceProvider::Hashing
