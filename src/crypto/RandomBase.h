#pragma once

#include <cstddef>
#include <cstdint>

namespace CryptoServiceProvider::Random {

// A source of 32-bit words and byte strings. Not shared between threads.
class RandomBase {
public:
    RandomBase() = default;
    RandomBase(const RandomBase&) = delete;
    RandomBase& operator=(const RandomBase&) = delete;
    virtual ~RandomBase();

    // (Re)initialises from length seed bytes; on return length is the number of bytes taken.
    virtual void Seed(const std::uint8_t* seed, std::size_t& length) = 0;
    // Reseeds with the four bytes of value.
    virtual void AddSeed(std::int32_t value) = 0;
    virtual void NextBytes(std::uint8_t* buffer, std::size_t length) = 0;
    virtual std::uint32_t Next() = 0;
    // Computes the next batch of results.
    virtual void Generate() = 0;
    // Wipes the state.
    virtual void Clear() = 0;
};

} // namespace CryptoServiceProvider::Random
