#pragma once

#include <cstddef>
#include <cstdint>

namespace CryptoServiceProvider::Encryption {

// A stream cipher: keyed once, then its keystream is XORed over the data. Not shared
// between threads.
class StreamCipherBase {
public:
    StreamCipherBase() = default;
    StreamCipherBase(const StreamCipherBase&) = delete;
    StreamCipherBase& operator=(const StreamCipherBase&) = delete;
    virtual ~StreamCipherBase();

    virtual void InitializeCipher(const std::uint8_t* key, std::size_t keyLength, const std::uint8_t* nonce,
                                  std::size_t nonceLength) = 0;
    // XORs the keystream over the buffer in place.
    virtual void Process(std::uint8_t* buffer, std::size_t length) = 0;
    // Known-answer test; true when every vector matches.
    virtual bool SelfTest() = 0;
    // Wipes the key and the keystream.
    virtual void ClearKey() noexcept = 0;
    virtual std::size_t GetKeySize() const = 0;
    // Raises the common exception unless keyLength equals GetKeySize.
    virtual void VerifyKeySize(std::size_t keyLength) const;
};

} // namespace CryptoServiceProvider::Encryption
