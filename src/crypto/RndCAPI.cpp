#include "crypto/RndCAPI.h"

#include "crypto/ScopedWipe.h"
#include "base/exceptions/Exception.h"
#include "platform/SystemRandom.h"

namespace CryptoServiceProvider::Random::CAPI {

RndCAPI::RndCAPI(RandomFill fill) noexcept
    : m_fill(fill != nullptr ? fill : &Tarnwick::Platform::FillRandom) {}

RndCAPI::~RndCAPI() = default;

void RndCAPI::Seed(const std::uint8_t*, std::size_t&) {}

void RndCAPI::AddSeed(std::int32_t) {}

void RndCAPI::Generate() {}

void RndCAPI::Clear() {}

void RndCAPI::NextBytes(std::uint8_t* buffer, std::size_t length) {
    if (length == 0) {
        return;
    }
    if (const int error = m_fill(buffer, length); error != 0) {
        throw Utilities::Exceptions::WindowsException(u"", error, u"getrandom", u"RndCAPI::Next");
    }
}

std::uint32_t RndCAPI::Next() {
    std::uint8_t bytes[4];
    const ScopedWipe wipe(bytes, sizeof bytes);
    NextBytes(bytes, sizeof bytes);
    return (static_cast<std::uint32_t>(bytes[0]) << 24) | (static_cast<std::uint32_t>(bytes[1]) << 16) |
           (static_cast<std::uint32_t>(bytes[2]) << 8) | static_cast<std::uint32_t>(bytes[3]);
}

} // namespace CryptoServiceProvider::Random::CAPI
