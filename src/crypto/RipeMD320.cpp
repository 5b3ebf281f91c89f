#include "crypto/RipeMD320.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "crypto/ScopedWipe.h"

namespace CryptoServiceProvider::Hashing {

namespace {

constexpr std::uint32_t kInitial[10] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0,
                                        0x76543210, 0xFEDCBA98, 0x89ABCDEF, 0x01234567, 0x3C2D1E0F};

// Message word order and rotations of the left and the right line, five rounds of 16 steps.
constexpr std::uint8_t kLeftWord[80] = {
    0,  1, 2,  3,  4, 5,  6,  7,  8, 9, 10, 11, 12, 13, 14, 15, 7, 4,  13, 1, 10, 6, 15, 3,  12, 0, 9,
    5,  2, 14, 11, 8, 3,  10, 14, 4, 9, 15, 8,  1,  2,  7,  0,  6, 13, 11, 5, 12, 1, 9,  11, 10, 0, 8,
    12, 4, 13, 3,  7, 15, 14, 5,  6, 2, 4,  0,  5,  9,  7,  12, 2, 10, 14, 1, 3,  8, 11, 6,  15, 13};
constexpr std::uint8_t kRightWord[80] = {
    5,  14, 7, 0,  9, 2,  11, 4, 13, 6,  15, 8,  1,  10, 3, 12, 6, 11, 3, 7, 0,  13, 5, 10, 14, 15, 8,
    12, 4,  9, 1,  2, 15, 5,  1, 3,  7,  14, 6,  9,  11, 8, 12, 2, 10, 0, 4, 13, 8,  6, 4,  1,  3,  11,
    15, 0,  5, 12, 2, 13, 9,  7, 10, 14, 12, 15, 10, 4,  1, 5,  8, 7,  6, 2, 13, 14, 0, 3,  9,  11};
constexpr std::uint8_t kLeftShift[80] = {
    11, 14, 15, 12, 5,  8,  7,  9, 11, 13, 14, 15, 6,  7,  9, 8,  7,  6,  8,  13, 11, 9,  7,  15, 7,  12, 15,
    9,  11, 7,  13, 12, 11, 13, 6, 7,  14, 9,  13, 15, 14, 8, 13, 6,  5,  12, 7,  5,  11, 12, 14, 15, 14, 15,
    9,  8,  9,  14, 5,  6,  8,  6, 5,  12, 9,  15, 5,  11, 6, 8,  13, 12, 5,  12, 13, 14, 11, 8,  5,  6};
constexpr std::uint8_t kRightShift[80] = {
    8, 9,  9,  11, 13, 15, 15, 5,  7,  7, 8, 11, 14, 14, 12, 6, 9,  13, 15, 7,  12, 8,  9,  11, 7,  7,  12,
    7, 6,  15, 13, 11, 9,  7,  15, 11, 8, 6, 6,  14, 12, 13, 5, 14, 13, 13, 7,  5,  15, 5,  8,  11, 14, 14,
    6, 14, 6,  9,  12, 9,  12, 5,  15, 8, 8, 5,  12, 9,  12, 5, 14, 6,  8,  13, 6,  5,  15, 13, 11, 11};
constexpr std::uint32_t kLeftConstant[5] = {0x00000000, 0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xA953FD4E};
constexpr std::uint32_t kRightConstant[5] = {0x50A28BE6, 0x5C4DD124, 0x6D703EF3, 0x7A6D76E9, 0x00000000};

constexpr std::uint32_t Rotl(std::uint32_t x, unsigned n) noexcept {
    return (x << n) | (x >> (32 - n));
}

// The five boolean functions; the left line uses them in order 0..4, the right in 4..0.
constexpr std::uint32_t F(unsigned round, std::uint32_t x, std::uint32_t y, std::uint32_t z) noexcept {
    switch (round) {
    case 0:
        return x ^ y ^ z;
    case 1:
        return (x & y) | (~x & z);
    case 2:
        return (x | ~y) ^ z;
    case 3:
        return (x & z) | (y & ~z);
    default:
        return x ^ (y | ~z);
    }
}

std::uint32_t LoadLittleEndian(const std::uint8_t* p) noexcept {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

constexpr char kAbc[] = "abc";
constexpr char k448Bits[] = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
constexpr char kAlphanumeric[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::uint8_t kDigestAbc[40] = {0xde, 0x4c, 0x01, 0xb3, 0x05, 0x4f, 0x89, 0x30, 0xa7, 0x9d,
                                         0x09, 0xae, 0x73, 0x8e, 0x92, 0x30, 0x1e, 0x5a, 0x17, 0x08,
                                         0x5b, 0xef, 0xfd, 0xc1, 0xb8, 0xd1, 0x16, 0x71, 0x3e, 0x74,
                                         0xf8, 0x2f, 0xa9, 0x42, 0xd6, 0x4c, 0xdb, 0xc4, 0x68, 0x2d};
constexpr std::uint8_t kDigest448[40] = {0xd0, 0x34, 0xa7, 0x95, 0x0c, 0xf7, 0x22, 0x02, 0x1b, 0xa4,
                                         0xb8, 0x4d, 0xf7, 0x69, 0xa5, 0xde, 0x20, 0x60, 0xe2, 0x59,
                                         0xdf, 0x4c, 0x9b, 0xb4, 0xa4, 0x26, 0x8c, 0x0e, 0x93, 0x5b,
                                         0xbc, 0x74, 0x70, 0xa9, 0x69, 0xc9, 0xd0, 0x72, 0xa1, 0xac};
constexpr std::uint8_t kDigestAlphanumeric[40] = {0xed, 0x54, 0x49, 0x40, 0xc8, 0x6d, 0x67, 0xf2, 0x50, 0xd2,
                                                  0x32, 0xc3, 0x0b, 0x7b, 0x3e, 0x57, 0x70, 0xe0, 0xc6, 0x0c,
                                                  0x8c, 0xb9, 0xa4, 0xca, 0xfe, 0x3b, 0x11, 0x38, 0x8a, 0xf9,
                                                  0x92, 0x0e, 0x1b, 0x99, 0x23, 0x0b, 0x84, 0x3c, 0x86, 0xa4};

} // namespace

RipeMD320::RipeMD320() noexcept {
    Initialize();
}

RipeMD320::~RipeMD320() {
    SecureWipe(&m_state, sizeof m_state);
}

void RipeMD320::Initialize() noexcept {
    SecureWipe(&m_state, sizeof m_state);
    std::memcpy(m_state.chain, kInitial, sizeof kInitial);
}

void RipeMD320::Release() noexcept {
    Initialize();
}

void RipeMD320::Compress(const std::uint8_t* block) noexcept {
    std::uint32_t* x = m_state.words;
    for (unsigned i = 0; i < 16; ++i) {
        x[i] = LoadLittleEndian(block + 4 * i);
    }
    std::uint32_t* h = m_state.chain;
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    std::uint32_t aa = h[5], bb = h[6], cc = h[7], dd = h[8], ee = h[9];
    for (unsigned j = 0; j < 80; ++j) {
        const unsigned round = j / 16;
        std::uint32_t t =
            Rotl(a + F(round, b, c, d) + x[kLeftWord[j]] + kLeftConstant[round], kLeftShift[j]) + e;
        a = e;
        e = d;
        d = Rotl(c, 10);
        c = b;
        b = t;
        t = Rotl(aa + F(4 - round, bb, cc, dd) + x[kRightWord[j]] + kRightConstant[round], kRightShift[j]) +
            ee;
        aa = ee;
        ee = dd;
        dd = Rotl(cc, 10);
        cc = bb;
        bb = t;
        // After each round the lines trade one word: the reference's a, b, c, d, e in turn,
        // which (its names rotate one place per step, 16 steps a round) sit in positions
        // B, D, A, C, E here.
        if (j % 16 == 15) {
            switch (round) {
            case 0:
                std::swap(b, bb);
                break;
            case 1:
                std::swap(d, dd);
                break;
            case 2:
                std::swap(a, aa);
                break;
            case 3:
                std::swap(c, cc);
                break;
            default:
                std::swap(e, ee);
                break;
            }
        }
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
    h[5] += aa;
    h[6] += bb;
    h[7] += cc;
    h[8] += dd;
    h[9] += ee;
}

void RipeMD320::Update(const void* data, std::size_t length) {
    if (length == 0) {
        return;
    }
    const auto* in = static_cast<const std::uint8_t*>(data);
    m_state.length += length;
    if (m_state.buffered != 0) {
        const std::size_t take = std::min(length, kBlockSize - m_state.buffered);
        std::memcpy(m_state.buffer + m_state.buffered, in, take);
        m_state.buffered += take;
        in += take;
        length -= take;
        if (m_state.buffered < kBlockSize) {
            return;
        }
        Compress(m_state.buffer);
        m_state.buffered = 0;
    }
    for (; length >= kBlockSize; in += kBlockSize, length -= kBlockSize) {
        Compress(in);
    }
    if (length != 0) {
        std::memcpy(m_state.buffer, in, length);
        m_state.buffered = length;
    }
}

void RipeMD320::Finish(std::uint8_t* output, std::size_t& outputLength) {
    VerifyHashOutputSize(outputLength);
    // Padding: 0x80, zeros up to 56 bytes of the last block, the bit length little-endian.
    const std::uint64_t bits = m_state.length * 8;
    std::uint8_t tail[2 * kBlockSize] = {};
    const ScopedWipe wipe(tail, sizeof tail);
    std::memcpy(tail, m_state.buffer, m_state.buffered);
    tail[m_state.buffered] = 0x80;
    const std::size_t tailLength = m_state.buffered < 56 ? kBlockSize : 2 * kBlockSize;
    for (unsigned i = 0; i < 8; ++i) {
        tail[tailLength - 8 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
    Compress(tail);
    if (tailLength == 2 * kBlockSize) {
        Compress(tail + kBlockSize);
    }
    for (unsigned i = 0; i < 10; ++i) {
        for (unsigned k = 0; k < 4; ++k) {
            output[4 * i + k] = static_cast<std::uint8_t>(m_state.chain[i] >> (8 * k));
        }
    }
    outputLength = kHashSize;
    Initialize();
}

bool RipeMD320::SelfTest() {
    RipeMD320 hash;
    return hash.MatchesKnownAnswer(kAbc, kDigestAbc) && hash.MatchesKnownAnswer(k448Bits, kDigest448) &&
           hash.MatchesKnownAnswer(kAlphanumeric, kDigestAlphanumeric);
}

} // namespace CryptoServiceProvider::Hashing
