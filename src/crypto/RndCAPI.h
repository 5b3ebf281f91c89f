#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/RandomBase.h"

namespace CryptoServiceProvider::Random::CAPI {

// Fills a buffer from the system's random source; 0 or the errno of the failure.
using RandomFill = int (*)(void* buffer, std::size_t length) noexcept;

// The kernel's cryptographic random source (getrandom). It keeps no state: seeding,
// generating and clearing do nothing.
class RndCAPI final : public RandomBase {
public:
    // fill: the source to draw from; tests hand in a failing one.
    explicit RndCAPI(RandomFill fill = nullptr) noexcept;
    ~RndCAPI() override;

    void Seed(const std::uint8_t* seed, std::size_t& length) override;
    void AddSeed(std::int32_t value) override;
    void NextBytes(std::uint8_t* buffer, std::size_t length) override;
    // Four bytes, the first one most significant.
    std::uint32_t Next() override;
    void Generate() override;
    void Clear() override;

private:
    RandomFill m_fill;
};

} // namespace CryptoServiceProvider::Random::CAPI
