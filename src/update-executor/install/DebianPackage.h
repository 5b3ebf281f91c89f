#pragma once

#include <filesystem>
#include <string>

namespace Tarnwick::UpdateInstall {

// One control field of a Debian package file ("dpkg-deb --field"); false when dpkg-deb cannot
// read it.
bool ReadDebianPackageField(const std::filesystem::path& package, const char* field, std::string& out);

// "dpkg -i" of the package with a fixed environment; dpkg's exit code, or -1 when it could not
// be started or did not end normally.
int InstallDebianPackage(const std::filesystem::path& package);

} // namespace Tarnwick::UpdateInstall
