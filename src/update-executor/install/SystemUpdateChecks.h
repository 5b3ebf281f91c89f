#pragma once

#include <string>
#include <string_view>

#include "update-executor/install/InstallUpdate.h"

namespace Tarnwick::UpdateInstall {

// The real checks: the signature against the given key (the built-in one by default), the
// checksum, dpkg-deb and dpkg.
class SystemUpdateChecks : public IUpdateChecks {
public:
    explicit SystemUpdateChecks(std::string_view publicKeyPem = UpdateProvider::BuiltInUpdatePublicKey())
        : m_publicKey(publicKeyPem) {}

    bool ReadInformation(const std::filesystem::path& information,
                         UpdateProvider::UpdateInformation& out) override;
    bool VerifyChecksum(const std::filesystem::path& package, std::u16string_view checksum) override;
    bool ReadPackageField(const std::filesystem::path& package, const char* field, std::string& out) override;
    int Install(const std::filesystem::path& package) override;

private:
    std::string m_publicKey;
};

} // namespace Tarnwick::UpdateInstall
