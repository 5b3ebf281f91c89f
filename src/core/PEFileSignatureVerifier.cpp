#include "core/PEFileSignatureVerifier.h"

#include "platform/Files.h"

namespace WindowsServiceProvider {

eVerificationResult PEFileSignatureVerifier::VerifySignature(const std::filesystem::path& path,
                                                             const int& file) {
    return Tarnwick::Platform::IsReadableRegularFile(path, file) ? TRUST_E_NOSIGNATURE : VerificationFailed;
}

} // namespace WindowsServiceProvider
