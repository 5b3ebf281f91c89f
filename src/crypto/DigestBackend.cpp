#include "crypto/DigestBackend.h"

#include <mutex>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

namespace CryptoServiceProvider::Hashing {

namespace {

// Takes the queued errors off this thread's queue and returns the latest; a failure that
// queued nothing still reports a non-zero code.
unsigned long TakeError() noexcept {
    unsigned long last = 0;
    while (const unsigned long error = ERR_get_error()) {
        last = error;
    }
    return last != 0 ? last : ERR_PACK(ERR_LIB_EVP, 0, ERR_R_INTERNAL_ERROR);
}

// A library context of its own with only the built-in default provider, independent of the
// system configuration. Made once and kept for the life of the process.
OSSL_LIB_CTX* BuiltInContext() noexcept {
    static OSSL_LIB_CTX* context = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        OSSL_LIB_CTX* fresh = OSSL_LIB_CTX_new();
        if (fresh != nullptr && OSSL_PROVIDER_load(fresh, "default") == nullptr) {
            OSSL_LIB_CTX_free(fresh);
            fresh = nullptr;
        }
        context = fresh;
    });
    return context;
}

class EvpDigestBackend final : public IDigestBackend {
public:
    unsigned long Fetch(const char* name, EVP_MD*& digest) noexcept override {
        digest = EVP_MD_fetch(nullptr, name, nullptr);
        return digest != nullptr ? 0 : TakeError();
    }

    unsigned long FetchBuiltIn(const char* name, EVP_MD*& digest) noexcept override {
        OSSL_LIB_CTX* context = BuiltInContext();
        if (context == nullptr) {
            digest = nullptr;
            return TakeError();
        }
        digest = EVP_MD_fetch(context, name, "provider=default");
        return digest != nullptr ? 0 : TakeError();
    }

    void FreeDigest(EVP_MD* digest) noexcept override { EVP_MD_free(digest); }

    unsigned long CreateContext(const EVP_MD* digest, EVP_MD_CTX*& context) noexcept override {
        context = EVP_MD_CTX_new();
        if (context == nullptr) {
            return TakeError();
        }
        if (EVP_DigestInit_ex(context, digest, nullptr) != 1) {
            const unsigned long error = TakeError();
            EVP_MD_CTX_free(context);
            context = nullptr;
            return error;
        }
        return 0;
    }

    unsigned long Update(EVP_MD_CTX* context, const void* data, std::size_t length) noexcept override {
        return EVP_DigestUpdate(context, data, length) == 1 ? 0 : TakeError();
    }

    unsigned long Final(EVP_MD_CTX* context, unsigned char* output, unsigned int& length) noexcept override {
        return EVP_DigestFinal_ex(context, output, &length) == 1 ? 0 : TakeError();
    }

    void FreeContext(EVP_MD_CTX* context) noexcept override { EVP_MD_CTX_free(context); }
};

} // namespace

IDigestBackend& DefaultDigestBackend() noexcept {
    // Never destroyed: hash objects with static lifetime may still release through it at exit.
    static auto* backend = new EvpDigestBackend();
    return *backend;
}

bool IsDigestUnavailable(unsigned long error) noexcept {
    return ERR_GET_REASON(error) == ERR_R_UNSUPPORTED;
}

} // namespace CryptoServiceProvider::Hashing
