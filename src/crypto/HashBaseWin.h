#pragma once

#include <cstddef>
#include <cstdint>
#include <openssl/types.h>

#include "crypto/DigestBackend.h"
#include "crypto/HashBase.h"

namespace CryptoServiceProvider::Hashing {

// A hash computed by the system's crypto library. The "provider handle" is the fetched
// digest, the "hash handle" the digest context of the running computation. The algorithm
// identifiers are the classic CryptoAPI ones, which decide the digest length.
class HashBaseWin : public HashBase {
public:
    static constexpr std::uint32_t kMd2 = 0x8001;
    static constexpr std::uint32_t kMd4 = 0x8002;
    static constexpr std::uint32_t kMd5 = 0x8003;
    static constexpr std::uint32_t kSha1 = 0x8004;
    static constexpr std::uint32_t kSha256 = 0x800C;
    static constexpr std::uint32_t kSha384 = 0x800D;
    static constexpr std::uint32_t kSha512 = 0x800E;

    ~HashBaseWin() override;

    // Fetches the digest (falling back to the built-in provider when the configured ones do
    // not offer it) and creates a fresh context. A computation still held is released first.
    void Initialize() override;
    void Update(const void* data, std::size_t length) override;
    // Writes the digest and spends the context: Update or Finish need a new Initialize.
    void Finish(std::uint8_t* output, std::size_t& outputLength) override;
    void Release() noexcept override;
    std::size_t GetHashSize() const override;

    // Digest length of an algorithm identifier; 0 for one not in the table.
    static std::size_t DigestSizeOf(std::uint32_t algorithm) noexcept;

    std::uint32_t GetAlgorithm() const noexcept { return m_algorithm; }
    std::size_t GetBlockLength() const noexcept { return m_blockLength; }
    bool IsReleased() const noexcept { return m_released; }

protected:
    HashBaseWin(std::uint32_t algorithm, std::size_t blockLength, IDigestBackend& backend) noexcept;

    IDigestBackend& Backend() const noexcept { return *m_backend; }

private:
    void CreateCspHandle();
    void CreateCspHandleXP();
    void CreateHashHandle();
    void VerifyCspHandle() const;
    void VerifyHashHandle() const;

    bool m_released = true;
    std::size_t m_blockLength;
    std::uint32_t m_algorithm;
    EVP_MD* m_cspHandle = nullptr;
    EVP_MD_CTX* m_hashHandle = nullptr;
    IDigestBackend* m_backend;
};

class Sha1Win final : public HashBaseWin {
public:
    explicit Sha1Win(IDigestBackend& backend = DefaultDigestBackend()) noexcept;
    // FIPS 180 "abc", the 448-bit message and 64 letters "a".
    bool SelfTest() override;
};

class Sha256Win final : public HashBaseWin {
public:
    explicit Sha256Win(IDigestBackend& backend = DefaultDigestBackend()) noexcept;
    // FIPS 180 "abc" and the 448-bit message.
    bool SelfTest() override;
};

class Sha512Win final : public HashBaseWin {
public:
    explicit Sha512Win(IDigestBackend& backend = DefaultDigestBackend()) noexcept;
    // FIPS 180 "abc", the 448-bit and the 896-bit message.
    bool SelfTest() override;
};

} // namespace CryptoServiceProvider::Hashing
