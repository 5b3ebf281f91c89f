#include "update-executor/install/SystemUpdateChecks.h"

#include "update-executor/install/DebianPackage.h"

namespace Tarnwick::UpdateInstall {

bool SystemUpdateChecks::ReadInformation(const std::filesystem::path& information,
                                         UpdateProvider::UpdateInformation& out) {
    return UpdateProvider::ReadUpdateInformation(information, out, m_publicKey);
}

bool SystemUpdateChecks::VerifyChecksum(const std::filesystem::path& package, std::u16string_view checksum) {
    return UpdateProvider::VerifyInstallationFileByChecksum(package, checksum);
}

bool SystemUpdateChecks::ReadPackageField(const std::filesystem::path& package, const char* field,
                                          std::string& out) {
    return ReadDebianPackageField(package, field, out);
}

int SystemUpdateChecks::Install(const std::filesystem::path& package) {
    return InstallDebianPackage(package);
}

} // namespace Tarnwick::UpdateInstall
