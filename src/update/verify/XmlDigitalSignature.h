#pragma once

#include <filesystem>
#include <string_view>

namespace Tarnwick::XmlDSig {

// Checks the maker's XML signature of a small document (the update information).
//
// Accepted is only what the maker's signing produces: no document type declaration, exactly
// one ds:Signature, a child of the root element, with one Reference to the whole document
// (URI="") through the enveloped-signature transform and canonicalisation, RSA with SHA-2,
// no ds:Object or ds:Manifest. The key is always the given one; a KeyInfo in the document
// is never used.
class XmlDigitalSignature {
public:
    // True when the file at path carries such a signature that verifies with publicKeyPem.
    // Every refusal is logged with its reason; nothing is thrown.
    static bool VerifySignature(const std::filesystem::path& path, std::string_view publicKeyPem);

    // The same, throwing Exception(reason, "XmlDigitalSignature::VerifySignature") instead.
    static void CheckSignature(const std::filesystem::path& path, std::string_view publicKeyPem);

    // The largest document accepted.
    static constexpr std::size_t kMaxDocumentBytes = 1024 * 1024;
};

} // namespace Tarnwick::XmlDSig
