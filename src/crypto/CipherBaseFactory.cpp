#include "crypto/CipherBaseFactory.h"

#include "crypto/Blowfish.h"
#include "crypto/Rijndael256.h"
#include "base/exceptions/Exception.h"

namespace CryptoServiceProvider::Encryption {

CipherBaseFactory::CipherBaseFactory(std::int32_t identifier) {
    switch (identifier) {
    case kCipherBlowfish: m_cipher = std::make_unique<Blowfish>(); break;
    case kCipherRijndael256: m_cipher = std::make_unique<Rijndael256>(); break;
    default: throw Utilities::Exceptions::Exception(u"", u"CipherBaseFactory::CipherBaseFactory");
    }
}

std::u16string_view CipherBaseFactory::GetDisplayName(std::int32_t identifier) {
    switch (identifier) {
    case kCipherBlowfish: return u"Blowfish (448-Bit)";
    case kCipherRijndael256: return u"AES (Rijndael 256-Bit)";
    default: throw Utilities::Exceptions::Exception(u"", u"CipherBaseFactory::GetDisplayName");
    }
}

} // namespace CryptoServiceProvider::Encryption
