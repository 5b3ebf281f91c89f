#include "crypto/Blowfish.h"

#include <bit>
#include <cstring>

#include "crypto/ScopedWipe.h"
#include "crypto/SecureWipe.h"
#include "base/exceptions/Exception.h"

namespace CryptoServiceProvider::Encryption {

namespace {

#include "crypto/BlowfishTables.inc"

inline std::uint32_t LoadBigEndian(const std::uint8_t* bytes) noexcept {
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    if constexpr (std::endian::native == std::endian::little) {
        value = __builtin_bswap32(value);
    }
    return value;
}

inline void StoreBigEndian(std::uint8_t* bytes, std::uint32_t value) noexcept {
    if constexpr (std::endian::native == std::endian::little) {
        value = __builtin_bswap32(value);
    }
    std::memcpy(bytes, &value, sizeof value);
}

struct EcbVector {
    std::uint8_t key[8];
    std::uint8_t plain[8];
    std::uint8_t cipher[8];
};

// From the designer's published test set (Eric Young's ECB data).
constexpr EcbVector kSelfTestVectors[] = {
    {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
     {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
     {0x4E, 0xF9, 0x97, 0x45, 0x61, 0x98, 0xDD, 0x78}},
    {{0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10},
     {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF},
     {0x0A, 0xCE, 0xAB, 0x0F, 0xC6, 0xA0, 0xA2, 0x8D}},
    {{0x7C, 0xA1, 0x10, 0x45, 0x4A, 0x1A, 0x6E, 0x57},
     {0x01, 0xA1, 0xD6, 0xD0, 0x39, 0x77, 0x67, 0x42},
     {0x59, 0xC6, 0x82, 0x45, 0xEB, 0x05, 0x28, 0x2B}},
};

} // namespace

Blowfish::Blowfish() noexcept : m_p{}, m_s{} {}

Blowfish::~Blowfish() {
    WipeKeyMaterial();
}

void Blowfish::WipeKeyMaterial() noexcept {
    SecureWipe(m_p, sizeof m_p, kKeyScheduleWipePasses);
    SecureWipe(m_s, sizeof m_s, kKeyScheduleWipePasses);
}

void Blowfish::ClearKey() {
    WipeKeyMaterial();
    m_cleared = true;
}

inline std::uint32_t Blowfish::F(std::uint32_t x) const noexcept {
    return ((m_s[0][x >> 24] + m_s[1][(x >> 16) & 0xFF]) ^ m_s[2][(x >> 8) & 0xFF]) + m_s[3][x & 0xFF];
}

inline void Blowfish::EncryptWords(std::uint32_t& left, std::uint32_t& right) const noexcept {
    std::uint32_t l = left ^ m_p[0];
    std::uint32_t r = right;
    for (int i = 1; i <= 15; i += 2) {
        r ^= F(l) ^ m_p[i];
        l ^= F(r) ^ m_p[i + 1];
    }
    left = r ^ m_p[17];
    right = l;
}

inline void Blowfish::DecryptWords(std::uint32_t& left, std::uint32_t& right) const noexcept {
    std::uint32_t l = left ^ m_p[17];
    std::uint32_t r = right;
    for (int i = 16; i >= 2; i -= 2) {
        r ^= F(l) ^ m_p[i];
        l ^= F(r) ^ m_p[i - 1];
    }
    left = r ^ m_p[0];
    right = l;
}

void Blowfish::InitializeCipher(const std::uint8_t* key, std::size_t keyLength) {
    // A failed re-key must not leave the previous key usable.
    ClearKey();
    VerifyKeySize(key, keyLength);

    std::memcpy(m_p, kInitialP, sizeof m_p);
    std::memcpy(m_s, kInitialS, sizeof m_s);

    // block[0..1] is the running block, block[2] the key word being gathered.
    std::uint32_t block[3] = {0, 0, 0};
    ScopedWipe wipeBlock(block, sizeof block);

    std::size_t position = 0;
    for (std::uint32_t& word : m_p) {
        block[2] = 0;
        for (int i = 0; i < 4; ++i) {
            block[2] = (block[2] << 8) | key[position];
            position = (position + 1) % keyLength;
        }
        word ^= block[2];
    }
    for (std::size_t i = 0; i < 18; i += 2) {
        EncryptWords(block[0], block[1]);
        m_p[i] = block[0];
        m_p[i + 1] = block[1];
    }
    for (auto& box : m_s) {
        for (std::size_t i = 0; i < 256; i += 2) {
            EncryptWords(block[0], block[1]);
            box[i] = block[0];
            box[i + 1] = block[1];
        }
    }
    m_cleared = false;
}

void Blowfish::CheckBuffer(const std::uint8_t* buffer, std::size_t length, const char16_t* target) const {
    VerifyValidBlockSize(length);
    if (buffer == nullptr && length != 0) {
        Fail(u"", target);
    }
}

void Blowfish::BlockEncrypt(std::uint8_t* buffer, std::size_t length) {
    CheckBuffer(buffer, length, u"Blowfish::BlockEncrypt");
    VerifyKeyInitialized();
    for (std::size_t offset = 0; offset < length; offset += kBlockSize) {
        std::uint32_t left = LoadBigEndian(buffer + offset);
        std::uint32_t right = LoadBigEndian(buffer + offset + 4);
        EncryptWords(left, right);
        StoreBigEndian(buffer + offset, left);
        StoreBigEndian(buffer + offset + 4, right);
    }
}

void Blowfish::BlockDecrypt(std::uint8_t* buffer, std::size_t length) {
    CheckBuffer(buffer, length, u"Blowfish::BlockDecrypt");
    VerifyKeyInitialized();
    for (std::size_t offset = 0; offset < length; offset += kBlockSize) {
        std::uint32_t left = LoadBigEndian(buffer + offset);
        std::uint32_t right = LoadBigEndian(buffer + offset + 4);
        DecryptWords(left, right);
        StoreBigEndian(buffer + offset, left);
        StoreBigEndian(buffer + offset + 4, right);
    }
}

void Blowfish::BlockEncryptInCBCMode(std::uint8_t* buffer, std::size_t length, const std::uint8_t* iv,
                                     std::size_t ivLength) {
    CheckBuffer(buffer, length, u"Blowfish::BlockEncryptInCBCMode");
    VerifyIVMinimumSize(iv, ivLength);
    VerifyKeyInitialized();

    std::uint32_t chain[2] = {LoadBigEndian(iv), LoadBigEndian(iv + 4)};
    ScopedWipe wipeChain(chain, sizeof chain);
    for (std::size_t offset = 0; offset < length; offset += kBlockSize) {
        chain[0] ^= LoadBigEndian(buffer + offset);
        chain[1] ^= LoadBigEndian(buffer + offset + 4);
        EncryptWords(chain[0], chain[1]);
        StoreBigEndian(buffer + offset, chain[0]);
        StoreBigEndian(buffer + offset + 4, chain[1]);
    }
}

void Blowfish::BlockDecryptInCBCMode(std::uint8_t* buffer, std::size_t length, const std::uint8_t* iv,
                                     std::size_t ivLength) {
    CheckBuffer(buffer, length, u"Blowfish::BlockDecryptInCBCMode");
    VerifyIVMinimumSize(iv, ivLength);
    VerifyKeyInitialized();

    // chain[0..1]: previous ciphertext block, chain[2..3]: the block being deciphered.
    std::uint32_t chain[4] = {LoadBigEndian(iv), LoadBigEndian(iv + 4), 0, 0};
    ScopedWipe wipeChain(chain, sizeof chain);
    for (std::size_t offset = 0; offset < length; offset += kBlockSize) {
        const std::uint32_t cipherLeft = LoadBigEndian(buffer + offset);
        const std::uint32_t cipherRight = LoadBigEndian(buffer + offset + 4);
        chain[2] = cipherLeft;
        chain[3] = cipherRight;
        DecryptWords(chain[2], chain[3]);
        StoreBigEndian(buffer + offset, chain[2] ^ chain[0]);
        StoreBigEndian(buffer + offset + 4, chain[3] ^ chain[1]);
        chain[0] = cipherLeft;
        chain[1] = cipherRight;
    }
}

bool Blowfish::SelfTest() {
    try {
        Blowfish cipher;
        for (const EcbVector& vector : kSelfTestVectors) {
            std::uint8_t block[kBlockSize];
            std::memcpy(block, vector.plain, sizeof block);
            cipher.InitializeCipher(vector.key, sizeof vector.key);
            cipher.BlockEncrypt(block, sizeof block);
            if (std::memcmp(block, vector.cipher, sizeof block) != 0) {
                return false;
            }
            cipher.BlockDecrypt(block, sizeof block);
            if (std::memcmp(block, vector.plain, sizeof block) != 0) {
                return false;
            }
            cipher.ClearKey();
        }
        return true;
    } catch (const Utilities::Exceptions::Exception&) {
        return false;
    }
}

bool Blowfish::SelfTestCBC() {
    // The 32-byte chaining text of the published set, under a full-length key.
    static constexpr std::uint8_t kPlain[32] = {
        0x37, 0x36, 0x35, 0x34, 0x33, 0x32, 0x31, 0x20, 0x4E, 0x6F, 0x77, 0x20, 0x69, 0x73, 0x20, 0x74,
        0x68, 0x65, 0x20, 0x74, 0x69, 0x6D, 0x65, 0x20, 0x66, 0x6F, 0x72, 0x20, 0x00, 0x00, 0x00, 0x00};
    static constexpr std::uint8_t kIv[8] = {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};
    try {
        std::uint8_t key[kKeySize];
        for (std::size_t i = 0; i < sizeof key; ++i) {
            key[i] = static_cast<std::uint8_t>(0xF0 - 0x0F * i);
        }
        Blowfish cipher;
        std::uint8_t buffer[sizeof kPlain];
        std::memcpy(buffer, kPlain, sizeof buffer);
        cipher.InitializeCipher(key, sizeof key);
        cipher.BlockEncryptInCBCMode(buffer, sizeof buffer, kIv, sizeof kIv);
        // A cipher that changed nothing would pass a bare round trip.
        const bool changed = std::memcmp(buffer, kPlain, sizeof buffer) != 0;
        cipher.BlockDecryptInCBCMode(buffer, sizeof buffer, kIv, sizeof kIv);
        cipher.ClearKey();
        return changed && std::memcmp(buffer, kPlain, sizeof buffer) == 0;
    } catch (const Utilities::Exceptions::Exception&) {
        return false;
    }
}

} // namespace CryptoServiceProvider::Encryption
