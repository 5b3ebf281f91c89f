#include "crypto/MemoryProtection.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <openssl/err.h>
#include <openssl/evp.h>

#include "platform/LockedMemory.h"
#include "platform/SystemRandom.h"

namespace CryptoServiceProvider {

namespace {

constexpr std::size_t kKeyBytes = 32;

class ChaChaProtection final : public IMemoryProtection {
public:
    int Protect(std::uint8_t* buffer, std::size_t size, std::uint64_t& nonce) noexcept override {
        // A counter never repeats a nonce under the one key, so equal secrets never look alike.
        const std::uint64_t fresh = m_counter.fetch_add(1, std::memory_order_relaxed) + 1;
        const int error = Apply(buffer, size, fresh);
        if (error == 0) {
            nonce = fresh;
        }
        return error;
    }

    int Unprotect(std::uint8_t* buffer, std::size_t size, std::uint64_t nonce) noexcept override {
        return Apply(buffer, size, nonce);
    }

private:
    // The key is made on first use; a failure to make it is reported by every call.
    int Key(const unsigned char*& key) noexcept {
        std::call_once(m_once, [this] {
            auto* page = static_cast<unsigned char*>(Tarnwick::Platform::MapSecretPages(Tarnwick::Platform::PageSize()));
            if (page == nullptr) {
                m_keyError = ENOMEM;
                return;
            }
            m_keyError = Tarnwick::Platform::FillRandom(page, kKeyBytes);
            m_key = page;
        });
        key = m_key;
        return m_keyError;
    }

    int Apply(std::uint8_t* buffer, std::size_t size, std::uint64_t nonce) noexcept {
        const unsigned char* key = nullptr;
        if (const int error = Key(key); error != 0) {
            return error;
        }
        // Block counter 0, then a 96-bit nonce whose low 64 bits are the sequence number.
        unsigned char iv[16] = {};
        std::memcpy(iv + 8, &nonce, sizeof nonce);
        EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
        if (context == nullptr) {
            return ENOMEM;
        }
        int error = 0;
        if (EVP_EncryptInit_ex(context, EVP_chacha20(), nullptr, key, iv) != 1) {
            error = Failure();
        }
        std::size_t done = 0;
        while (error == 0 && done < size) {
            const std::size_t step = std::min<std::size_t>(size - done, INT_MAX / 2);
            int written = 0;
            if (EVP_EncryptUpdate(context, buffer + done, &written, buffer + done, static_cast<int>(step)) != 1 ||
                written != static_cast<int>(step)) {
                error = Failure();
            }
            done += step;
        }
        EVP_CIPHER_CTX_free(context);
        return error;
    }

    static int Failure() noexcept {
        const unsigned long code = ERR_get_error();
        ERR_clear_error();
        const int reason = static_cast<int>(ERR_GET_REASON(code));
        return reason != 0 ? reason : -1;
    }

    std::once_flag m_once;
    const unsigned char* m_key = nullptr;
    int m_keyError = 0;
    std::atomic<std::uint64_t> m_counter{0};
};

ChaChaProtection& DefaultProtection() noexcept {
    static ChaChaProtection* protection = new ChaChaProtection;
    return *protection;
}

std::atomic<IMemoryProtection*> g_override{nullptr};

} // namespace

IMemoryProtection& GetMemoryProtection() noexcept {
    IMemoryProtection* active = g_override.load(std::memory_order_acquire);
    return active != nullptr ? *active : DefaultProtection();
}

IMemoryProtection* SetMemoryProtection(IMemoryProtection* protection) noexcept {
    return g_override.exchange(protection, std::memory_order_acq_rel);
}

} // namespace CryptoServiceProvider
