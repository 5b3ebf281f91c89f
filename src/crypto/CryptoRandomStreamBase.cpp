#include "crypto/CryptoRandomStreamBase.h"

#include "crypto/SecureWipe.h"
#include "base/exceptions/Exception.h"

namespace CryptoServiceProvider::Random {

namespace {

constexpr char16_t kTarget[] = u"CryptoRandomStreamBase::UniformBelow";

// Wipes the drawn bytes however the draw ends.
struct DrawBuffer {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(4);
    DrawBuffer() = default;
    DrawBuffer(const DrawBuffer&) = delete;
    DrawBuffer& operator=(const DrawBuffer&) = delete;
    ~DrawBuffer() { SecureWipe(bytes.data(), bytes.size()); }
};

} // namespace

CryptoRandomStreamBase::~CryptoRandomStreamBase() = default;

std::uint32_t CryptoRandomStreamBase::RejectionLimit(std::uint32_t n) {
    if (n == 0) {
        // Nothing lies below 0; the modulo would divide by zero.
        throw Utilities::Exceptions::Exception(u"", kTarget);
    }
    return 0xFFFFFFFEu - (0xFFFFFFFFu % n);
}

std::uint32_t CryptoRandomStreamBase::UniformBelow(std::uint32_t n) {
    const std::uint32_t limit = RejectionLimit(n);
    for (;;) {
        std::uint32_t value = 0;
        {
            DrawBuffer draw;
            Fill(draw.bytes);
            if (draw.bytes.size() != 4) {
                throw Utilities::Exceptions::Exception(u"", kTarget);
            }
            value = (static_cast<std::uint32_t>(draw.bytes[0]) << 24) |
                    (static_cast<std::uint32_t>(draw.bytes[1]) << 16) |
                    (static_cast<std::uint32_t>(draw.bytes[2]) << 8) |
                    static_cast<std::uint32_t>(draw.bytes[3]);
        }
        if (value <= limit) {
            return value % n;
        }
    }
}

} // namespace CryptoServiceProvider::Random
