#include "crypto/HashBase.h"

#include <cstring>
#include <vector>

#include "crypto/ScopedWipe.h"
#include "base/exceptions/Exception.h"

namespace CryptoServiceProvider::Hashing {

HashBase::~HashBase() = default;

void HashBase::VerifyHashOutputSize(std::size_t outputLength) const {
    if (outputLength < GetHashSize()) {
        throw Utilities::Exceptions::Exception(u"HashBase::VerifyHashOutputSize", u"");
    }
}

void HashBase::ComputeHash(std::uint8_t* output, std::size_t outputLength, const void* data,
                           std::size_t length) {
    ComputeHash(output, outputLength, data, length, nullptr, 0);
}

void HashBase::ComputeHash(std::uint8_t* output, std::size_t outputLength, const void* data,
                           std::size_t length, const void* data2, std::size_t length2) {
    VerifyHashOutputSize(outputLength);
    try {
        Initialize();
        Update(data, length);
        if (data2 != nullptr || length2 != 0) {
            Update(data2, length2);
        }
        std::size_t written = outputLength;
        Finish(output, written);
    } catch (...) {
        // Whatever the computation held (partial state, library handles) goes now.
        Release();
        throw;
    }
    Release();
}

bool HashBase::MatchesKnownAnswer(const char* message, const std::uint8_t* expected) {
    std::vector<std::uint8_t> digest(GetHashSize());
    const ScopedWipe wipe(digest.data(), digest.size());
    ComputeHash(digest.data(), digest.size(), message, std::strlen(message));
    return std::memcmp(digest.data(), expected, digest.size()) == 0;
}

} // namespace CryptoServiceProvider::Hashing
