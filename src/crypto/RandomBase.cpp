#include "crypto/RandomBase.h"

namespace CryptoServiceProvider::Random {

RandomBase::~RandomBase() = default;

} // namespace CryptoServiceProvider::Random
