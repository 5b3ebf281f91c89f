#include "database/KeyStore.h"

#include "crypto/SecureAllocator.h"
#include "crypto/SecureWipe.h"

namespace EmberkiteDatabase {

std::uint8_t* KeyStore::Allocate(std::size_t length) {
    Clear();
    m_key = static_cast<std::uint8_t*>(CryptoServiceProvider::SecureAllocator::Allocate(length));
    m_length = length;
    return m_key;
}

void KeyStore::Clear() noexcept {
    if (m_key != nullptr) {
        CryptoServiceProvider::SecureWipe(m_key, m_length);
        CryptoServiceProvider::SecureAllocator::Release(m_key, m_length);
        m_key = nullptr;
        m_length = 0;
    }
}

} // namespace EmberkiteDatabase
