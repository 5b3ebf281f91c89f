#include "crypto/StreamCipherBase.h"

#include "base/exceptions/Exception.h"

namespace CryptoServiceProvider::Encryption {

StreamCipherBase::~StreamCipherBase() = default;

void StreamCipherBase::VerifyKeySize(std::size_t keyLength) const {
    if (keyLength != GetKeySize()) {
        throw Utilities::Exceptions::Exception(u"", u"StreamCipherBase::VerifyKeySize");
    }
}

} // namespace CryptoServiceProvider::Encryption
