#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace Tarnwick::UpdateProvider {

// What the signed "update.xml" says about the newest version, in the file's field order.
struct UpdateInformation {
    std::u16string application;
    std::u16string updateVersion;
    std::u16string description;
    std::u16string hint;
    std::int32_t fileSize = 0;
    std::int32_t type = 0;
    std::u16string edition;
    std::u16string checksum; // SHA-256 of the package, hexadecimal
    std::u16string autoDownloadUrl;
    std::u16string userDownloadUrl;
};

// The maker's public key (PEM) that every update information must be signed with.
std::string_view BuiltInUpdatePublicKey() noexcept;

// Reads the update information at path: its signature must verify against publicKeyPem
// (exactly one enveloped signature over the whole document, no other reference, no DTD, the
// key never taken from the document), and it must be meant for this product (application
// "Tarnwick", type 32, edition "Standard"). False when any of that fails; the reason is logged.
bool ReadUpdateInformation(const std::filesystem::path& path, UpdateInformation& out,
                           std::string_view publicKeyPem = BuiltInUpdatePublicKey());

// Whether the file's SHA-256 equals the hexadecimal checksum (same length, same bytes).
// Throws Exception("invalid hex conversion", "UpdateDownloader::VerifyInstallationFileByChecksum")
// for a checksum that is not hexadecimal.
bool VerifyInstallationFileByChecksum(const std::filesystem::path& package, std::u16string_view checksum);

} // namespace Tarnwick::UpdateProvider
