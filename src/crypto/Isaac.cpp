#include "crypto/Isaac.h"

#include "crypto/RipeMD320.h"
#include "crypto/ScopedWipe.h"

namespace CryptoServiceProvider::Random {

namespace {

constexpr std::uint32_t kGoldenRatio = 0x9E3779B9;
constexpr unsigned kClearPasses = 3;
// The seeding cursor starts over here, so the ten words always fit below the array's end.
constexpr std::size_t kCursorWrap = 252;

void Mix(std::uint32_t (&s)[8]) noexcept {
    s[0] ^= s[1] << 11;
    s[3] += s[0];
    s[1] += s[2];
    s[1] ^= s[2] >> 2;
    s[4] += s[1];
    s[2] += s[3];
    s[2] ^= s[3] << 8;
    s[5] += s[2];
    s[3] += s[4];
    s[3] ^= s[4] >> 16;
    s[6] += s[3];
    s[4] += s[5];
    s[4] ^= s[5] << 10;
    s[7] += s[4];
    s[5] += s[6];
    s[5] ^= s[6] >> 4;
    s[0] += s[5];
    s[6] += s[7];
    s[6] ^= s[7] << 8;
    s[1] += s[6];
    s[7] += s[0];
    s[7] ^= s[0] >> 9;
    s[2] += s[7];
    s[0] += s[1];
}

} // namespace

Isaac::~Isaac() {
    if (!m_wiped) {
        Clear();
    }
}

void Isaac::Clear() noexcept {
    SecureWipe(&m_state, sizeof m_state, kClearPasses);
    m_wiped = true;
}

void Isaac::Generate() noexcept {
    m_wiped = false;
    State& s = m_state;
    std::uint32_t a = s.a;
    std::uint32_t b = s.b + (++s.c);
    for (std::size_t i = 0; i < kSize; ++i) {
        const std::uint32_t x = s.memory[i];
        switch (i % 4) {
        case 0:
            a ^= a << 13;
            break;
        case 1:
            a ^= a >> 6;
            break;
        case 2:
            a ^= a << 2;
            break;
        default:
            a ^= a >> 16;
            break;
        }
        a += s.memory[(i + kSize / 2) % kSize];
        const std::uint32_t y = s.memory[(x >> 2) % kSize] + a + b;
        s.memory[i] = y;
        b = s.memory[(y >> 10) % kSize] + x;
        s.results[i] = b;
    }
    s.a = a;
    s.b = b;
}

void Isaac::Initialize() noexcept {
    m_wiped = false;
    std::uint32_t s[8];
    const ScopedWipe wipe(s, sizeof s);
    for (auto& word : s) {
        word = kGoldenRatio;
    }
    for (int i = 0; i < 4; ++i) {
        Mix(s);
    }
    // Both passes read the memory array: the seed lives there, not in the results.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < kSize; i += 8) {
            for (std::size_t k = 0; k < 8; ++k) {
                s[k] += m_state.memory[i + k];
            }
            Mix(s);
            for (std::size_t k = 0; k < 8; ++k) {
                m_state.memory[i + k] = s[k];
            }
        }
    }
    Generate();
    m_state.counter = kSize;
}

void Isaac::SeedCore(const std::uint32_t (&memory)[kSize]) noexcept {
    m_state.a = m_state.b = m_state.c = 0;
    for (std::size_t i = 0; i < kSize; ++i) {
        m_state.memory[i] = memory[i];
    }
    Initialize();
}

void Isaac::Seed(const std::uint8_t* seed, std::size_t& length) {
    m_wiped = false;
    m_state.a = m_state.b = m_state.c = 0;
    std::uint8_t digest[Hashing::RipeMD320::kHashSize];
    const ScopedWipe wipe(digest, sizeof digest);
    Hashing::RipeMD320 hash;
    hash.ComputeHash(digest, sizeof digest, seed, length);
    for (std::size_t i = 0; i < sizeof digest; i += 4) {
        m_state.memory[m_cursor] = (static_cast<std::uint32_t>(digest[i]) << 24) |
                                   (static_cast<std::uint32_t>(digest[i + 1]) << 16) |
                                   (static_cast<std::uint32_t>(digest[i + 2]) << 8) |
                                   static_cast<std::uint32_t>(digest[i + 3]);
        if (++m_cursor == kCursorWrap) {
            m_cursor = 0;
        }
    }
    Initialize();
}

void Isaac::AddSeed(std::int32_t value) {
    const auto word = static_cast<std::uint32_t>(value);
    std::uint8_t bytes[4] = {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
                             static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)};
    const ScopedWipe wipe(bytes, sizeof bytes);
    std::size_t length = sizeof bytes;
    Seed(bytes, length);
}

std::uint32_t Isaac::Next() {
    if (m_state.counter == 0) {
        Generate();
        m_state.counter = kSize - 1;
    } else {
        --m_state.counter;
    }
    return m_state.results[m_state.counter];
}

void Isaac::NextBytes(std::uint8_t* buffer, std::size_t length) {
    while (length > 0) {
        const std::uint32_t word = Next();
        const std::size_t take = length < 4 ? length : 4;
        for (std::size_t k = 0; k < take; ++k) {
            buffer[k] = static_cast<std::uint8_t>(word >> (24 - 8 * k));
        }
        buffer += take;
        length -= take;
    }
}

} // namespace CryptoServiceProvider::Random
