#include "crypto/RijndaelBase.h"

#include <array>
#include <bit>
#include <cstring>

#include "crypto/ScopedWipe.h"
#include "crypto/SecureWipe.h"
#include "base/exceptions/Exception.h"

namespace CryptoServiceProvider::Encryption {

namespace {

constexpr std::uint8_t kSBox[256] = {
    0x63, 0x7c, 0x77, 0x7b, 0xf2, 0x6b, 0x6f, 0xc5, 0x30, 0x01, 0x67, 0x2b, 0xfe, 0xd7, 0xab, 0x76,
    0xca, 0x82, 0xc9, 0x7d, 0xfa, 0x59, 0x47, 0xf0, 0xad, 0xd4, 0xa2, 0xaf, 0x9c, 0xa4, 0x72, 0xc0,
    0xb7, 0xfd, 0x93, 0x26, 0x36, 0x3f, 0xf7, 0xcc, 0x34, 0xa5, 0xe5, 0xf1, 0x71, 0xd8, 0x31, 0x15,
    0x04, 0xc7, 0x23, 0xc3, 0x18, 0x96, 0x05, 0x9a, 0x07, 0x12, 0x80, 0xe2, 0xeb, 0x27, 0xb2, 0x75,
    0x09, 0x83, 0x2c, 0x1a, 0x1b, 0x6e, 0x5a, 0xa0, 0x52, 0x3b, 0xd6, 0xb3, 0x29, 0xe3, 0x2f, 0x84,
    0x53, 0xd1, 0x00, 0xed, 0x20, 0xfc, 0xb1, 0x5b, 0x6a, 0xcb, 0xbe, 0x39, 0x4a, 0x4c, 0x58, 0xcf,
    0xd0, 0xef, 0xaa, 0xfb, 0x43, 0x4d, 0x33, 0x85, 0x45, 0xf9, 0x02, 0x7f, 0x50, 0x3c, 0x9f, 0xa8,
    0x51, 0xa3, 0x40, 0x8f, 0x92, 0x9d, 0x38, 0xf5, 0xbc, 0xb6, 0xda, 0x21, 0x10, 0xff, 0xf3, 0xd2,
    0xcd, 0x0c, 0x13, 0xec, 0x5f, 0x97, 0x44, 0x17, 0xc4, 0xa7, 0x7e, 0x3d, 0x64, 0x5d, 0x19, 0x73,
    0x60, 0x81, 0x4f, 0xdc, 0x22, 0x2a, 0x90, 0x88, 0x46, 0xee, 0xb8, 0x14, 0xde, 0x5e, 0x0b, 0xdb,
    0xe0, 0x32, 0x3a, 0x0a, 0x49, 0x06, 0x24, 0x5c, 0xc2, 0xd3, 0xac, 0x62, 0x91, 0x95, 0xe4, 0x79,
    0xe7, 0xc8, 0x37, 0x6d, 0x8d, 0xd5, 0x4e, 0xa9, 0x6c, 0x56, 0xf4, 0xea, 0x65, 0x7a, 0xae, 0x08,
    0xba, 0x78, 0x25, 0x2e, 0x1c, 0xa6, 0xb4, 0xc6, 0xe8, 0xdd, 0x74, 0x1f, 0x4b, 0xbd, 0x8b, 0x8a,
    0x70, 0x3e, 0xb5, 0x66, 0x48, 0x03, 0xf6, 0x0e, 0x61, 0x35, 0x57, 0xb9, 0x86, 0xc1, 0x1d, 0x9e,
    0xe1, 0xf8, 0x98, 0x11, 0x69, 0xd9, 0x8e, 0x94, 0x9b, 0x1e, 0x87, 0xe9, 0xce, 0x55, 0x28, 0xdf,
    0x8c, 0xa1, 0x89, 0x0d, 0xbf, 0xe6, 0x42, 0x68, 0x41, 0x99, 0x2d, 0x0f, 0xb0, 0x54, 0xbb, 0x16,
};

constexpr std::uint8_t kInverseSBox[256] = {
    0x52, 0x09, 0x6a, 0xd5, 0x30, 0x36, 0xa5, 0x38, 0xbf, 0x40, 0xa3, 0x9e, 0x81, 0xf3, 0xd7, 0xfb,
    0x7c, 0xe3, 0x39, 0x82, 0x9b, 0x2f, 0xff, 0x87, 0x34, 0x8e, 0x43, 0x44, 0xc4, 0xde, 0xe9, 0xcb,
    0x54, 0x7b, 0x94, 0x32, 0xa6, 0xc2, 0x23, 0x3d, 0xee, 0x4c, 0x95, 0x0b, 0x42, 0xfa, 0xc3, 0x4e,
    0x08, 0x2e, 0xa1, 0x66, 0x28, 0xd9, 0x24, 0xb2, 0x76, 0x5b, 0xa2, 0x49, 0x6d, 0x8b, 0xd1, 0x25,
    0x72, 0xf8, 0xf6, 0x64, 0x86, 0x68, 0x98, 0x16, 0xd4, 0xa4, 0x5c, 0xcc, 0x5d, 0x65, 0xb6, 0x92,
    0x6c, 0x70, 0x48, 0x50, 0xfd, 0xed, 0xb9, 0xda, 0x5e, 0x15, 0x46, 0x57, 0xa7, 0x8d, 0x9d, 0x84,
    0x90, 0xd8, 0xab, 0x00, 0x8c, 0xbc, 0xd3, 0x0a, 0xf7, 0xe4, 0x58, 0x05, 0xb8, 0xb3, 0x45, 0x06,
    0xd0, 0x2c, 0x1e, 0x8f, 0xca, 0x3f, 0x0f, 0x02, 0xc1, 0xaf, 0xbd, 0x03, 0x01, 0x13, 0x8a, 0x6b,
    0x3a, 0x91, 0x11, 0x41, 0x4f, 0x67, 0xdc, 0xea, 0x97, 0xf2, 0xcf, 0xce, 0xf0, 0xb4, 0xe6, 0x73,
    0x96, 0xac, 0x74, 0x22, 0xe7, 0xad, 0x35, 0x85, 0xe2, 0xf9, 0x37, 0xe8, 0x1c, 0x75, 0xdf, 0x6e,
    0x47, 0xf1, 0x1a, 0x71, 0x1d, 0x29, 0xc5, 0x89, 0x6f, 0xb7, 0x62, 0x0e, 0xaa, 0x18, 0xbe, 0x1b,
    0xfc, 0x56, 0x3e, 0x4b, 0xc6, 0xd2, 0x79, 0x20, 0x9a, 0xdb, 0xc0, 0xfe, 0x78, 0xcd, 0x5a, 0xf4,
    0x1f, 0xdd, 0xa8, 0x33, 0x88, 0x07, 0xc7, 0x31, 0xb1, 0x12, 0x10, 0x59, 0x27, 0x80, 0xec, 0x5f,
    0x60, 0x51, 0x7f, 0xa9, 0x19, 0xb5, 0x4a, 0x0d, 0x2d, 0xe5, 0x7a, 0x9f, 0x93, 0xc9, 0x9c, 0xef,
    0xa0, 0xe0, 0x3b, 0x4d, 0xae, 0x2a, 0xf5, 0xb0, 0xc8, 0xeb, 0xbb, 0x3c, 0x83, 0x53, 0x99, 0x61,
    0x17, 0x2b, 0x04, 0x7e, 0xba, 0x77, 0xd6, 0x26, 0xe1, 0x69, 0x14, 0x63, 0x55, 0x21, 0x0c, 0x7d,
};

constexpr std::uint8_t Times(std::uint8_t a, std::uint8_t b) {
    std::uint8_t product = 0;
    while (b != 0) {
        if (b & 1) {
            product ^= a;
        }
        a = static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0x00));
        b >>= 1;
    }
    return product;
}

using Table = std::array<std::uint32_t, 256>;

// Round table for one row position: the S-box output times one MixColumns column,
// rotated right by 8 * rotation bits.
constexpr Table MakeEncryptTable(unsigned rotation) {
    Table table{};
    for (unsigned x = 0; x < 256; ++x) {
        const std::uint8_t s = kSBox[x];
        const std::uint32_t word = (std::uint32_t{Times(s, 2)} << 24) | (std::uint32_t{s} << 16) |
                                   (std::uint32_t{s} << 8) | std::uint32_t{Times(s, 3)};
        table[x] = std::rotr(word, static_cast<int>(8 * rotation));
    }
    return table;
}

constexpr Table MakeDecryptTable(unsigned rotation) {
    Table table{};
    for (unsigned x = 0; x < 256; ++x) {
        const std::uint8_t s = kInverseSBox[x];
        const std::uint32_t word = (std::uint32_t{Times(s, 14)} << 24) | (std::uint32_t{Times(s, 9)} << 16) |
                                   (std::uint32_t{Times(s, 13)} << 8) | std::uint32_t{Times(s, 11)};
        table[x] = std::rotr(word, static_cast<int>(8 * rotation));
    }
    return table;
}

alignas(64) constexpr Table kTe0 = MakeEncryptTable(0);
alignas(64) constexpr Table kTe1 = MakeEncryptTable(1);
alignas(64) constexpr Table kTe2 = MakeEncryptTable(2);
alignas(64) constexpr Table kTe3 = MakeEncryptTable(3);
alignas(64) constexpr Table kTd0 = MakeDecryptTable(0);
alignas(64) constexpr Table kTd1 = MakeDecryptTable(1);
alignas(64) constexpr Table kTd2 = MakeDecryptTable(2);
alignas(64) constexpr Table kTd3 = MakeDecryptTable(3);

static_assert(kTe0[0] == 0xC66363A5 && kTe1[0] == 0xA5C66363 && kTd0[0] == 0x51F4A750);

constexpr std::uint32_t kRoundConstants[10] = {0x01000000, 0x02000000, 0x04000000, 0x08000000, 0x10000000,
                                               0x20000000, 0x40000000, 0x80000000, 0x1B000000, 0x36000000};

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

inline std::uint32_t Byte(std::uint32_t word, unsigned index) noexcept {
    return (word >> (24 - 8 * index)) & 0xFF;
}

inline std::uint32_t SubWord(std::uint32_t word) noexcept {
    return (std::uint32_t{kSBox[Byte(word, 0)]} << 24) | (std::uint32_t{kSBox[Byte(word, 1)]} << 16) |
           (std::uint32_t{kSBox[Byte(word, 2)]} << 8) | std::uint32_t{kSBox[Byte(word, 3)]};
}

// Encrypts the four state words in place (rounds is 10, 12 or 14).
[[gnu::always_inline]] inline void EncryptState(const std::uint32_t* rk, unsigned rounds, std::uint32_t& s0,
                                                std::uint32_t& s1, std::uint32_t& s2, std::uint32_t& s3) noexcept {
    s0 ^= rk[0];
    s1 ^= rk[1];
    s2 ^= rk[2];
    s3 ^= rk[3];
    std::uint32_t t0, t1, t2, t3;
    for (unsigned pairs = rounds / 2;;) {
        t0 = kTe0[s0 >> 24] ^ kTe1[(s1 >> 16) & 0xFF] ^ kTe2[(s2 >> 8) & 0xFF] ^ kTe3[s3 & 0xFF] ^ rk[4];
        t1 = kTe0[s1 >> 24] ^ kTe1[(s2 >> 16) & 0xFF] ^ kTe2[(s3 >> 8) & 0xFF] ^ kTe3[s0 & 0xFF] ^ rk[5];
        t2 = kTe0[s2 >> 24] ^ kTe1[(s3 >> 16) & 0xFF] ^ kTe2[(s0 >> 8) & 0xFF] ^ kTe3[s1 & 0xFF] ^ rk[6];
        t3 = kTe0[s3 >> 24] ^ kTe1[(s0 >> 16) & 0xFF] ^ kTe2[(s1 >> 8) & 0xFF] ^ kTe3[s2 & 0xFF] ^ rk[7];
        rk += 8;
        if (--pairs == 0) {
            break;
        }
        s0 = kTe0[t0 >> 24] ^ kTe1[(t1 >> 16) & 0xFF] ^ kTe2[(t2 >> 8) & 0xFF] ^ kTe3[t3 & 0xFF] ^ rk[0];
        s1 = kTe0[t1 >> 24] ^ kTe1[(t2 >> 16) & 0xFF] ^ kTe2[(t3 >> 8) & 0xFF] ^ kTe3[t0 & 0xFF] ^ rk[1];
        s2 = kTe0[t2 >> 24] ^ kTe1[(t3 >> 16) & 0xFF] ^ kTe2[(t0 >> 8) & 0xFF] ^ kTe3[t1 & 0xFF] ^ rk[2];
        s3 = kTe0[t3 >> 24] ^ kTe1[(t0 >> 16) & 0xFF] ^ kTe2[(t1 >> 8) & 0xFF] ^ kTe3[t2 & 0xFF] ^ rk[3];
    }
    // Last round: no MixColumns.
    s0 = (std::uint32_t{kSBox[t0 >> 24]} << 24) ^ (std::uint32_t{kSBox[(t1 >> 16) & 0xFF]} << 16) ^
         (std::uint32_t{kSBox[(t2 >> 8) & 0xFF]} << 8) ^ std::uint32_t{kSBox[t3 & 0xFF]} ^ rk[0];
    s1 = (std::uint32_t{kSBox[t1 >> 24]} << 24) ^ (std::uint32_t{kSBox[(t2 >> 16) & 0xFF]} << 16) ^
         (std::uint32_t{kSBox[(t3 >> 8) & 0xFF]} << 8) ^ std::uint32_t{kSBox[t0 & 0xFF]} ^ rk[1];
    s2 = (std::uint32_t{kSBox[t2 >> 24]} << 24) ^ (std::uint32_t{kSBox[(t3 >> 16) & 0xFF]} << 16) ^
         (std::uint32_t{kSBox[(t0 >> 8) & 0xFF]} << 8) ^ std::uint32_t{kSBox[t1 & 0xFF]} ^ rk[2];
    s3 = (std::uint32_t{kSBox[t3 >> 24]} << 24) ^ (std::uint32_t{kSBox[(t0 >> 16) & 0xFF]} << 16) ^
         (std::uint32_t{kSBox[(t1 >> 8) & 0xFF]} << 8) ^ std::uint32_t{kSBox[t2 & 0xFF]} ^ rk[3];
}

// The inverse cipher over the equivalent decryption key schedule.
[[gnu::always_inline]] inline void DecryptState(const std::uint32_t* rk, unsigned rounds, std::uint32_t& s0,
                                                std::uint32_t& s1, std::uint32_t& s2, std::uint32_t& s3) noexcept {
    s0 ^= rk[0];
    s1 ^= rk[1];
    s2 ^= rk[2];
    s3 ^= rk[3];
    std::uint32_t t0, t1, t2, t3;
    for (unsigned pairs = rounds / 2;;) {
        t0 = kTd0[s0 >> 24] ^ kTd1[(s3 >> 16) & 0xFF] ^ kTd2[(s2 >> 8) & 0xFF] ^ kTd3[s1 & 0xFF] ^ rk[4];
        t1 = kTd0[s1 >> 24] ^ kTd1[(s0 >> 16) & 0xFF] ^ kTd2[(s3 >> 8) & 0xFF] ^ kTd3[s2 & 0xFF] ^ rk[5];
        t2 = kTd0[s2 >> 24] ^ kTd1[(s1 >> 16) & 0xFF] ^ kTd2[(s0 >> 8) & 0xFF] ^ kTd3[s3 & 0xFF] ^ rk[6];
        t3 = kTd0[s3 >> 24] ^ kTd1[(s2 >> 16) & 0xFF] ^ kTd2[(s1 >> 8) & 0xFF] ^ kTd3[s0 & 0xFF] ^ rk[7];
        rk += 8;
        if (--pairs == 0) {
            break;
        }
        s0 = kTd0[t0 >> 24] ^ kTd1[(t3 >> 16) & 0xFF] ^ kTd2[(t2 >> 8) & 0xFF] ^ kTd3[t1 & 0xFF] ^ rk[0];
        s1 = kTd0[t1 >> 24] ^ kTd1[(t0 >> 16) & 0xFF] ^ kTd2[(t3 >> 8) & 0xFF] ^ kTd3[t2 & 0xFF] ^ rk[1];
        s2 = kTd0[t2 >> 24] ^ kTd1[(t1 >> 16) & 0xFF] ^ kTd2[(t0 >> 8) & 0xFF] ^ kTd3[t3 & 0xFF] ^ rk[2];
        s3 = kTd0[t3 >> 24] ^ kTd1[(t2 >> 16) & 0xFF] ^ kTd2[(t1 >> 8) & 0xFF] ^ kTd3[t0 & 0xFF] ^ rk[3];
    }
    s0 = (std::uint32_t{kInverseSBox[t0 >> 24]} << 24) ^ (std::uint32_t{kInverseSBox[(t3 >> 16) & 0xFF]} << 16) ^
         (std::uint32_t{kInverseSBox[(t2 >> 8) & 0xFF]} << 8) ^ std::uint32_t{kInverseSBox[t1 & 0xFF]} ^ rk[0];
    s1 = (std::uint32_t{kInverseSBox[t1 >> 24]} << 24) ^ (std::uint32_t{kInverseSBox[(t0 >> 16) & 0xFF]} << 16) ^
         (std::uint32_t{kInverseSBox[(t3 >> 8) & 0xFF]} << 8) ^ std::uint32_t{kInverseSBox[t2 & 0xFF]} ^ rk[1];
    s2 = (std::uint32_t{kInverseSBox[t2 >> 24]} << 24) ^ (std::uint32_t{kInverseSBox[(t1 >> 16) & 0xFF]} << 16) ^
         (std::uint32_t{kInverseSBox[(t0 >> 8) & 0xFF]} << 8) ^ std::uint32_t{kInverseSBox[t3 & 0xFF]} ^ rk[2];
    s3 = (std::uint32_t{kInverseSBox[t3 >> 24]} << 24) ^ (std::uint32_t{kInverseSBox[(t2 >> 16) & 0xFF]} << 16) ^
         (std::uint32_t{kInverseSBox[(t1 >> 8) & 0xFF]} << 8) ^ std::uint32_t{kInverseSBox[t0 & 0xFF]} ^ rk[3];
}

// Reverses the round keys and runs InvMixColumns over the inner ones.
void DeriveDecryptionSchedule(const std::uint32_t* encryption, unsigned rounds, std::uint32_t* decryption) noexcept {
    for (unsigned round = 0; round <= rounds; ++round) {
        std::memcpy(decryption + 4 * round, encryption + 4 * (rounds - round), 4 * sizeof(std::uint32_t));
    }
    for (unsigned i = 4; i < 4 * rounds; ++i) {
        const std::uint32_t w = decryption[i];
        decryption[i] = kTd0[kSBox[Byte(w, 0)]] ^ kTd1[kSBox[Byte(w, 1)]] ^ kTd2[kSBox[Byte(w, 2)]] ^
                        kTd3[kSBox[Byte(w, 3)]];
    }
}

} // namespace

RijndaelBase::RijndaelBase(std::size_t keyLength) noexcept : m_keyLength(keyLength), m_roundKeys{}, m_chain{} {}

RijndaelBase::~RijndaelBase() {
    WipeKeyMaterial();
}

void RijndaelBase::WipeKeyMaterial() noexcept {
    SecureWipe(m_roundKeys, sizeof m_roundKeys, kKeyScheduleWipePasses);
    SecureWipe(m_chain, sizeof m_chain, kKeyScheduleWipePasses);
    m_rounds = 0;
}

void RijndaelBase::ClearKey() {
    WipeKeyMaterial();
    m_cleared = true;
}

void RijndaelBase::AssureExtactKeySize(std::size_t keyLength) const {
    if (keyLength != m_keyLength) {
        Fail(u"invalid key size", u"RijndaelBase::AssureExtactKeySize");
    }
}

void RijndaelBase::InitializeCipher(const std::uint8_t* key, std::size_t keyLength) {
    // A failed re-key must not leave the previous key usable.
    ClearKey();
    VerifyKeySize(key, keyLength);
    AssureExtactKeySize(keyLength);
    unsigned rounds = 0;
    switch (keyLength) {
    case 16: rounds = 10; break;
    case 24: rounds = 12; break;
    case 32: rounds = 14; break;
    default: Fail(u"invalid key size", u"RijndaelBase::InitializeCipher");
    }

    const std::size_t keyWords = keyLength / 4;
    const std::size_t totalWords = 4 * (rounds + 1);
    for (std::size_t i = 0; i < keyWords; ++i) {
        m_roundKeys[i] = LoadBigEndian(key + 4 * i);
    }
    for (std::size_t i = keyWords; i < totalWords; ++i) {
        std::uint32_t temp = m_roundKeys[i - 1];
        if (i % keyWords == 0) {
            temp = SubWord(std::rotl(temp, 8)) ^ kRoundConstants[i / keyWords - 1];
        } else if (keyWords > 6 && i % keyWords == 4) {
            temp = SubWord(temp);
        }
        m_roundKeys[i] = m_roundKeys[i - keyWords] ^ temp;
    }
    m_rounds = rounds;
    m_cleared = false;
}

void RijndaelBase::CheckBuffer(const std::uint8_t* buffer, std::size_t length, const char16_t* target) const {
    VerifyValidBlockSize(length);
    if (buffer == nullptr || length == 0) {
        Fail(u"", target);
    }
}

void RijndaelBase::BlockEncrypt(std::uint8_t* buffer, std::size_t length) {
    CheckBuffer(buffer, length, u"RijndaelBase::BlockEncrypt");
    VerifyKeyInitialized();
    std::uint8_t temp[kBlockSize];
    ScopedWipe wipeTemp(temp, sizeof temp);
    for (std::size_t offset = 0; offset < length; offset += kBlockSize) {
        std::uint32_t s0 = LoadBigEndian(buffer + offset), s1 = LoadBigEndian(buffer + offset + 4);
        std::uint32_t s2 = LoadBigEndian(buffer + offset + 8), s3 = LoadBigEndian(buffer + offset + 12);
        EncryptState(m_roundKeys, m_rounds, s0, s1, s2, s3);
        StoreBigEndian(temp, s0);
        StoreBigEndian(temp + 4, s1);
        StoreBigEndian(temp + 8, s2);
        StoreBigEndian(temp + 12, s3);
        std::memcpy(buffer + offset, temp, kBlockSize);
    }
}

void RijndaelBase::BlockDecrypt(std::uint8_t* buffer, std::size_t length) {
    CheckBuffer(buffer, length, u"RijndaelBase::BlockDecrypt");
    VerifyKeyInitialized();
    std::uint32_t schedule[60];
    ScopedWipe wipeSchedule(schedule, sizeof schedule);
    DeriveDecryptionSchedule(m_roundKeys, m_rounds, schedule);
    std::uint8_t temp[kBlockSize];
    ScopedWipe wipeTemp(temp, sizeof temp);
    for (std::size_t offset = 0; offset < length; offset += kBlockSize) {
        std::uint32_t s0 = LoadBigEndian(buffer + offset), s1 = LoadBigEndian(buffer + offset + 4);
        std::uint32_t s2 = LoadBigEndian(buffer + offset + 8), s3 = LoadBigEndian(buffer + offset + 12);
        DecryptState(schedule, m_rounds, s0, s1, s2, s3);
        StoreBigEndian(temp, s0);
        StoreBigEndian(temp + 4, s1);
        StoreBigEndian(temp + 8, s2);
        StoreBigEndian(temp + 12, s3);
        std::memcpy(buffer + offset, temp, kBlockSize);
    }
}

void RijndaelBase::BlockEncryptInCBCMode(std::uint8_t* buffer, std::size_t length, const std::uint8_t* iv,
                                         std::size_t ivLength) {
    CheckBuffer(buffer, length, u"RijndaelBase::BlockEncryptInCBCMode");
    VerifyIVMinimumSize(iv, ivLength);
    VerifyKeyInitialized();
    std::memcpy(m_chain, iv, kBlockSize);
    std::uint32_t c0 = LoadBigEndian(m_chain), c1 = LoadBigEndian(m_chain + 4);
    std::uint32_t c2 = LoadBigEndian(m_chain + 8), c3 = LoadBigEndian(m_chain + 12);
    for (std::size_t offset = 0; offset < length; offset += kBlockSize) {
        std::uint8_t* block = buffer + offset;
        c0 ^= LoadBigEndian(block);
        c1 ^= LoadBigEndian(block + 4);
        c2 ^= LoadBigEndian(block + 8);
        c3 ^= LoadBigEndian(block + 12);
        EncryptState(m_roundKeys, m_rounds, c0, c1, c2, c3);
        StoreBigEndian(block, c0);
        StoreBigEndian(block + 4, c1);
        StoreBigEndian(block + 8, c2);
        StoreBigEndian(block + 12, c3);
    }
    StoreBigEndian(m_chain, c0);
    StoreBigEndian(m_chain + 4, c1);
    StoreBigEndian(m_chain + 8, c2);
    StoreBigEndian(m_chain + 12, c3);
}

void RijndaelBase::BlockDecryptInCBCMode(std::uint8_t* buffer, std::size_t length, const std::uint8_t* iv,
                                         std::size_t ivLength) {
    CheckBuffer(buffer, length, u"RijndaelBase::BlockDecryptInCBCMode");
    VerifyIVMinimumSize(iv, ivLength);
    VerifyKeyInitialized();
    std::uint32_t schedule[60];
    ScopedWipe wipeSchedule(schedule, sizeof schedule);
    DeriveDecryptionSchedule(m_roundKeys, m_rounds, schedule);
    std::memcpy(m_chain, iv, kBlockSize);
    std::uint32_t c0 = LoadBigEndian(m_chain), c1 = LoadBigEndian(m_chain + 4);
    std::uint32_t c2 = LoadBigEndian(m_chain + 8), c3 = LoadBigEndian(m_chain + 12);
    for (std::size_t offset = 0; offset < length; offset += kBlockSize) {
        std::uint8_t* block = buffer + offset;
        const std::uint32_t in0 = LoadBigEndian(block), in1 = LoadBigEndian(block + 4);
        const std::uint32_t in2 = LoadBigEndian(block + 8), in3 = LoadBigEndian(block + 12);
        std::uint32_t s0 = in0, s1 = in1, s2 = in2, s3 = in3;
        DecryptState(schedule, m_rounds, s0, s1, s2, s3);
        StoreBigEndian(block, s0 ^ c0);
        StoreBigEndian(block + 4, s1 ^ c1);
        StoreBigEndian(block + 8, s2 ^ c2);
        StoreBigEndian(block + 12, s3 ^ c3);
        c0 = in0;
        c1 = in1;
        c2 = in2;
        c3 = in3;
    }
    StoreBigEndian(m_chain, c0);
    StoreBigEndian(m_chain + 4, c1);
    StoreBigEndian(m_chain + 8, c2);
    StoreBigEndian(m_chain + 12, c3);
}

} // namespace CryptoServiceProvider::Encryption
