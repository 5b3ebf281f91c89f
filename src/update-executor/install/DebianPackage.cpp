#include "update-executor/install/DebianPackage.h"

#include <vector>

#include "update-executor/Process.h"

namespace Tarnwick::UpdateInstall {

namespace {

// Whatever environment pkexec passed, dpkg and its maintainer scripts get a known one.
const std::vector<std::string>& DpkgEnvironment() {
    static const std::vector<std::string> environment = {
        "PATH=/usr/sbin:/usr/bin:/sbin:/bin",
        "LANG=C.UTF-8",
        "DEBIAN_FRONTEND=noninteractive",
    };
    return environment;
}

} // namespace

bool ReadDebianPackageField(const std::filesystem::path& package, const char* field, std::string& out) {
    out.clear();
    const UpdateExecutor::ProcessResult result = UpdateExecutor::RunAndWait(
        "/usr/bin/dpkg-deb", {"--field", package.string(), field}, &DpkgEnvironment(), &out, 4096);
    return result.exited && result.exitCode == 0;
}

int InstallDebianPackage(const std::filesystem::path& package) {
    const UpdateExecutor::ProcessResult result =
        UpdateExecutor::RunAndWait("/usr/bin/dpkg", {"-i", package.string()}, &DpkgEnvironment());
    return result.exited ? result.exitCode : -1;
}

} // namespace Tarnwick::UpdateInstall
