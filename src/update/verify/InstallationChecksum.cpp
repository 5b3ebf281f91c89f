#include <cstdint>
#include <vector>

#include "base/exceptions/Exception.h"
#include "crypto/HashBaseWin.h"
#include "database/FileHash.h"
#include "update/verify/UpdateVerification.h"

namespace Tarnwick::UpdateProvider {

namespace {

constexpr char16_t kTarget[] = u"UpdateDownloader::VerifyInstallationFileByChecksum";

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

std::vector<std::uint8_t> DecodeHex(std::u16string_view text) {
    if (text.size() % 2 != 0) {
        throw Utilities::Exceptions::Exception(u"invalid hex conversion", kTarget);
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = HexValue(text[i]);
        const int low = HexValue(text[i + 1]);
        if (high < 0 || low < 0) {
            throw Utilities::Exceptions::Exception(u"invalid hex conversion", kTarget);
        }
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

} // namespace

bool VerifyInstallationFileByChecksum(const std::filesystem::path& package, std::u16string_view checksum) {
    const std::vector<std::uint8_t> expected = DecodeHex(checksum);
    CryptoServiceProvider::Hashing::Sha256Win sha;
    std::vector<std::uint8_t> digest(sha.GetHashSize());
    EmberkiteDatabase::FileHash(sha, 2048).Compute(package, digest.data(), digest.size());
    return expected == digest;
}

} // namespace Tarnwick::UpdateProvider
