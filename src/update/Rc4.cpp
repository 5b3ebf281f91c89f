#include "update/Rc4.h"

#include <utility>

#include "crypto/SecureWipe.h"

namespace Tarnwick::UpdateProvider {

Rc4::Rc4(const std::uint8_t* key, std::size_t keyLength) noexcept {
    for (std::size_t k = 0; k < m_state.size(); ++k) {
        m_state[k] = static_cast<std::uint8_t>(k);
    }
    std::uint8_t j = 0;
    for (std::size_t k = 0; k < m_state.size(); ++k) {
        j = static_cast<std::uint8_t>(j + m_state[k] + key[k % keyLength]);
        std::swap(m_state[k], m_state[j]);
    }
}

Rc4::~Rc4() {
    CryptoServiceProvider::SecureWipe(m_state.data(), m_state.size());
}

void Rc4::Apply(std::uint8_t* data, std::size_t length) noexcept {
    for (std::size_t k = 0; k < length; ++k) {
        m_i = static_cast<std::uint8_t>(m_i + 1);
        m_j = static_cast<std::uint8_t>(m_j + m_state[m_i]);
        std::swap(m_state[m_i], m_state[m_j]);
        data[k] ^= m_state[static_cast<std::uint8_t>(m_state[m_i] + m_state[m_j])];
    }
}

} // namespace Tarnwick::UpdateProvider
