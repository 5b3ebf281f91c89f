#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace Tarnwick::UpdateProvider {

// The RC4 stream cipher (the update service's request format needs it; OpenSSL 3 keeps it only
// in its legacy provider). Not for secrets: the request it hides is no secret.
class Rc4 {
public:
    Rc4(const std::uint8_t* key, std::size_t keyLength) noexcept;
    ~Rc4();
    Rc4(const Rc4&) = delete;
    Rc4& operator=(const Rc4&) = delete;

    // XORs the next keystream bytes into data.
    void Apply(std::uint8_t* data, std::size_t length) noexcept;

private:
    std::array<std::uint8_t, 256> m_state{};
    std::uint8_t m_i = 0;
    std::uint8_t m_j = 0;
};

} // namespace Tarnwick::UpdateProvider
