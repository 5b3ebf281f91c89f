#pragma once

#include <cstdint>
#include <filesystem>

namespace WindowsServiceProvider {

// Results of the executable signature check (the values of the Windows trust API).
enum eVerificationResult : std::int32_t {
    Verified = 0,
    NoSignatureOther = 1,
    VerificationFailed = 2,
    TRUST_E_NOSIGNATURE = static_cast<std::int32_t>(0x800B0100u),
    CRYPT_E_SECURITY_SETTINGS = static_cast<std::int32_t>(0x80092026u),
    TRUST_E_SUBJECT_NOT_TRUSTED = static_cast<std::int32_t>(0x800B0004u),
    TRUST_E_EXPLICIT_DISTRUST = static_cast<std::int32_t>(0x800B0111u),
};

// Linux programs carry no embedded publisher signature, so there is nothing to verify: a
// readable regular file reports TRUST_E_NOSIGNATURE, anything else VerificationFailed.
class PEFileSignatureVerifier {
public:
    // file: an open descriptor of the same file, or -1 to look at the path.
    static eVerificationResult VerifySignature(const std::filesystem::path& path, const int& file);
};

} // namespace WindowsServiceProvider
