#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace CryptoServiceProvider::Random {

// A stream of random bytes, and the unbiased choice of a number below a bound drawn from it.
class CryptoRandomStreamBase {
public:
    CryptoRandomStreamBase() = default;
    CryptoRandomStreamBase(const CryptoRandomStreamBase&) = delete;
    CryptoRandomStreamBase& operator=(const CryptoRandomStreamBase&) = delete;
    virtual ~CryptoRandomStreamBase();

    // Overwrites every byte of the buffer (its size is the number wanted) with the next
    // bytes of the stream.
    virtual void Fill(std::vector<std::uint8_t>& buffer) = 0;
    // For streams that can start over; nothing to do here.
    virtual void Reset() {}

    // A number in [0, n), every value equally likely: four bytes, most significant first,
    // redrawn while above RejectionLimit(n). n = 0 is refused.
    std::uint32_t UniformBelow(std::uint32_t n);

    // The largest accepted draw: 0..limit holds a whole multiple of n values.
    static std::uint32_t RejectionLimit(std::uint32_t n);
};

} // namespace CryptoServiceProvider::Random
