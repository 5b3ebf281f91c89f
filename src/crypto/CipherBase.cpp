#include "crypto/CipherBase.h"

#include "base/exceptions/Exception.h"

namespace CryptoServiceProvider::Encryption {

CipherBase::~CipherBase() = default;

void CipherBase::Fail(const char16_t* message, const char16_t* target) {
    throw Utilities::Exceptions::Exception(message, target);
}

void CipherBase::VerifyKeySize(const std::uint8_t* key, std::size_t keyLength) const {
    if (key == nullptr || keyLength == 0 || keyLength > GetKeySize()) {
        Fail(u"", u"CipherBase::VerifyKeySize");
    }
}

void CipherBase::VerifyValidBlockSize(std::size_t length) const {
    if (length % GetBlockSize() != 0) {
        Fail(u"", u"CipherBase::VerifyValidBlockSize");
    }
}

void CipherBase::VerifyIVMinimumSize(const std::uint8_t* iv, std::size_t ivLength) const {
    if (iv == nullptr) {
        Fail(u"Der Initialisierungsvektor darf nicht NULL sein.", u"CipherBase::VerifyIVMinimumSize");
    }
    if (ivLength < GetBlockSize()) {
        Fail(u"Ungültige Größe des Initialisierungsvektor.", u"CipherBase::VerifyIVMinimumSize");
    }
}

void CipherBase::VerifyKeyInitialized() const {
    if (m_cleared) {
        Fail(u"", u"CipherBase::VerifyKeyInitialized");
    }
}

} // namespace CryptoServiceProvider::Encryption
