#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>

#include "update/verify/UpdateVerification.h"

#ifndef TW_PACKAGE_VERSION
#error "TW_PACKAGE_VERSION must be the version of this build"
#endif

namespace Tarnwick::UpdateInstall {

inline constexpr const char* kCacheRoot = "/var/cache/tarnwick-update";
inline constexpr const char* kInformationFile = "update.xml";
inline constexpr const char* kPackageName = "tarnwick";
inline constexpr std::int64_t kInformationLimit = 1LL << 20; // 1 MiB
inline constexpr std::int64_t kPackageLimit = 1LL << 30;     // 1 GiB

// Exit codes of tarnwick-update-install. After a successful check the code is dpkg's own.
// None of them is 126 or 127, which pkexec uses for a refused authentication.
enum ExitCode : int {
    kUsage = 3,
    kNotRoot = 2,
    kUnsafeCacheRoot = 10,
    kBadInformationFile = 11,
    kBadPackageFile = 12,
    kFileTooLarge = 13,
    kCopyFailed = 14,
    kInvalidInformation = 15,
    kChecksumMismatch = 16,
    kWrongPackage = 17,
    kInstallerNotStarted = 18,
    kOlderPackage = 19,
};

// The checks and the installation on the copies, one seam so tests run without root and dpkg.
class IUpdateChecks {
public:
    virtual ~IUpdateChecks();
    // The signed update information, verified and meant for this product.
    virtual bool ReadInformation(const std::filesystem::path& information,
                                 UpdateProvider::UpdateInformation& out) = 0;
    // Whether the package's SHA-256 is the checksum.
    virtual bool VerifyChecksum(const std::filesystem::path& package, std::u16string_view checksum) = 0;
    // A control field of the Debian package ("Package"); false when it cannot be read.
    virtual bool ReadPackageField(const std::filesystem::path& package, const char* field,
                                  std::string& out) = 0;
    // Installs the package; returns the installer's exit code, or -1 when it could not run.
    virtual int Install(const std::filesystem::path& package) = 0;
};

struct InstallOptions {
    // Root-owned folder for the private copies; made 0700 when missing.
    std::filesystem::path cacheRoot = kCacheRoot;
    // The owner the cache root must have (root; tests pass their own user).
    unsigned cacheOwner = 0;
    std::int64_t informationLimit = kInformationLimit;
    std::int64_t packageLimit = kPackageLimit;
    // The version installed now (this helper's own): an older package is refused, so that an
    // old signed update cannot be replayed to bring back an old version.
    std::string installedVersion = TW_PACKAGE_VERSION;
};

// Compares two package versions of the form "1.17.0" number by number (a missing number counts
// as 0). False when either is not of that form.
bool CompareVersions(std::string_view left, std::string_view right, int& order);

// Copies "update.xml" of the download folder and the package into a fresh private folder
// below the cache root, verifies the copies (signature and product, checksum, package name)
// (and that it is no older than the installed version) and installs the copy. Files the user could still
// change are never read twice. Each refusal is told in German on err and has an exit code of its own; the
// private folder is removed on every way out.
int InstallUpdate(const std::filesystem::path& downloadFolder, const std::filesystem::path& package,
                  IUpdateChecks& checks, std::ostream& err, const InstallOptions& options = {});

} // namespace Tarnwick::UpdateInstall
