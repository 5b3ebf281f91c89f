#pragma once

#include <cstddef>
#include <cstdint>

namespace CryptoServiceProvider::Encryption {

// Key schedules and chaining state are wiped with the zero, 0xFF, zero pattern this many
// times; temporaries that held key or data bytes get the full secure wipe.
inline constexpr unsigned kKeyScheduleWipePasses = 3;

// A block cipher behind the database: keying, whole-buffer (each block on its own) and CBC
// encryption in place, a known-answer self-test and an explicit wipe of the key material.
// Callers key it, make one call and clear it again. Failures raise
// Utilities::Exceptions::Exception and leave the buffer untouched. Not thread-safe.
class CipherBase {
public:
    CipherBase() noexcept = default;
    CipherBase(const CipherBase&) = delete;
    CipherBase& operator=(const CipherBase&) = delete;
    // Subclasses wipe their key material when it has not been cleared yet.
    virtual ~CipherBase();

    virtual void InitializeCipher(const std::uint8_t* key, std::size_t keyLength) = 0;
    virtual void BlockEncrypt(std::uint8_t* buffer, std::size_t length) = 0;
    virtual void BlockDecrypt(std::uint8_t* buffer, std::size_t length) = 0;
    // The first GetBlockSize() bytes of the vector start the chain.
    virtual void BlockEncryptInCBCMode(std::uint8_t* buffer, std::size_t length, const std::uint8_t* iv,
                                       std::size_t ivLength) = 0;
    virtual void BlockDecryptInCBCMode(std::uint8_t* buffer, std::size_t length, const std::uint8_t* iv,
                                       std::size_t ivLength) = 0;
    // Known answers in whole-buffer mode, on a fresh object; true when all match.
    virtual bool SelfTest() = 0;
    virtual bool SelfTestCBC() = 0;
    virtual void ClearKey() = 0;
    virtual std::size_t GetBlockSize() const = 0;
    virtual std::size_t GetKeySize() const = 0;

    // True until InitializeCipher succeeds and again after ClearKey.
    bool IsCleared() const noexcept { return m_cleared; }

protected:
    // Key present and 1 to GetKeySize() bytes long.
    void VerifyKeySize(const std::uint8_t* key, std::size_t keyLength) const;
    // Length a whole number of blocks.
    void VerifyValidBlockSize(std::size_t length) const;
    // Vector present and at least one block long.
    void VerifyIVMinimumSize(const std::uint8_t* iv, std::size_t ivLength) const;
    // A wiped schedule would encrypt under no key at all, so an unkeyed object refuses.
    void VerifyKeyInitialized() const;

    [[noreturn]] static void Fail(const char16_t* message, const char16_t* target);

    bool m_cleared = true;
};

} // namespace CryptoServiceProvider::Encryption
