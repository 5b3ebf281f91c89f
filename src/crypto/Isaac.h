#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/RandomBase.h"

namespace CryptoServiceProvider::Random {

// Bob Jenkins' ISAAC. Seed bytes are condensed with RIPEMD-320 and enter through the memory
// array. Constructed unseeded: seed before drawing.
class Isaac final : public RandomBase {
public:
    static constexpr std::size_t kSize = 256;

    Isaac() noexcept = default;
    ~Isaac() override;

    // Resets the accumulators, hashes the seed to ten words (most significant byte first),
    // stores them into the memory array at the seeding cursor and runs the initialisation.
    void Seed(const std::uint8_t* seed, std::size_t& length) override;
    // Seeds with the value's four bytes in memory (little-endian) order.
    void AddSeed(std::int32_t value) override;
    // Successive words, each most significant byte first; the last one cut to what is needed.
    void NextBytes(std::uint8_t* buffer, std::size_t length) override;
    // Hands out the current results from the last one down, then generates the next batch.
    std::uint32_t Next() override;
    void Generate() noexcept override;
    // Overwrites the whole state with zero, 0xFF, zero, three times.
    void Clear() noexcept override;

    // ISAAC's own initialisation over the given memory words, accumulators reset, without
    // the hash and the seeding cursor: how the reference test drives the generator.
    void SeedCore(const std::uint32_t (&memory)[kSize]) noexcept;

private:
    void Initialize() noexcept;

    struct State {
        std::uint32_t results[kSize];
        std::uint32_t memory[kSize];
        std::uint32_t a;
        std::uint32_t b;
        std::uint32_t c;
        std::uint32_t counter;
    };
    static_assert(sizeof(State) == 2064);

    State m_state{};
    std::size_t m_cursor = 0;
    bool m_wiped = true;
};

} // namespace CryptoServiceProvider::Random
