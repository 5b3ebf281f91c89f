#include "update-executor/install/InstallUpdate.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/Descriptor.h"
#include "platform/Files.h"

namespace Tarnwick::UpdateInstall {

namespace {

using Platform::Descriptor;

// Removes the private folder with its copies on every way out.
class PrivateFolder {
public:
    explicit PrivateFolder(std::filesystem::path path) : m_path(std::move(path)) {}
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    ~PrivateFolder() { Platform::RemoveTree(m_path); }
    const std::filesystem::path& Path() const noexcept { return m_path; }

private:
    std::filesystem::path m_path;
};

// The reason of a failed file call in the helper's language.
std::string Reason(int error) {
    switch (error) {
    case ENOENT:
        return "Die Datei oder der Ordner existiert nicht";
    case EACCES:
    case EPERM:
        return "Der Zugriff wurde verweigert";
    case ENOTDIR:
        return "Ein Teil des Pfades ist kein Ordner";
    case ENOSPC:
        return "Auf dem Datenträger ist kein Platz mehr frei";
    case EIO:
        return "Ein-/Ausgabefehler";
    default:
        return "Systemfehler " + std::to_string(error);
    }
}

std::string Trim(std::string text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

int PrepareCacheRoot(const std::filesystem::path& root, unsigned owner, std::ostream& err) {
    struct stat info {};
    if (::lstat(root.c_str(), &info) != 0) {
        if (errno != ENOENT || (::mkdir(root.c_str(), 0700) != 0 && errno != EEXIST) ||
            ::lstat(root.c_str(), &info) != 0) {
            const int error = errno;
            err << "Der Ordner „" << root.string()
                << "“ für die Aktualisierung kann nicht angelegt werden: " << Reason(error) << ".\n";
            return kUnsafeCacheRoot;
        }
    }
    if (S_ISLNK(info.st_mode) || !S_ISDIR(info.st_mode)) {
        err << "Der Ordner „" << root.string()
            << "“ für die Aktualisierung ist kein Ordner, sondern eine Verknüpfung oder Datei. "
               "Die Aktualisierung wird abgebrochen.\n";
        return kUnsafeCacheRoot;
    }
    if (info.st_uid != owner || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        err << "Der Ordner „" << root.string()
            << "“ für die Aktualisierung gehört nicht dem Administrator oder ist für andere beschreibbar. "
               "Die Aktualisierung wird abgebrochen.\n";
        return kUnsafeCacheRoot;
    }
    return 0;
}

// Copies a regular file of at most limit bytes that the user may still change into the private
// folder: opened once without following a link in its last place, read once.
int CopyPrivately(const std::filesystem::path& source, const std::filesystem::path& target,
                  std::int64_t limit, int refusal, std::ostream& err) {
    Descriptor in(::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (in.Get() < 0) {
        const int error = errno;
        if (error == ELOOP) {
            err << "Die Datei „" << source.string()
                << "“ ist eine symbolische Verknüpfung. Die Aktualisierung wird abgebrochen.\n";
        } else {
            err << "Die Datei „" << source.string() << "“ kann nicht geöffnet werden: " << Reason(error)
                << ".\n";
        }
        return refusal;
    }
    struct stat info {};
    if (::fstat(in.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        err << "„" << source.string()
            << "“ ist keine gewöhnliche Datei. Die Aktualisierung wird abgebrochen.\n";
        return refusal;
    }
    const auto tooLarge = [&] {
        err << "Die Datei „" << source.string() << "“ ist größer als erlaubt (höchstens " << limit
            << " Bytes). Die Aktualisierung wird abgebrochen.\n";
        return kFileTooLarge;
    };
    if (info.st_size > limit) {
        return tooLarge();
    }
    // Reads block again once the descriptor is checked to be a regular file.
    ::fcntl(in.Get(), F_SETFL, ::fcntl(in.Get(), F_GETFL) & ~O_NONBLOCK);

    Descriptor out(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    const auto copyFailed = [&] {
        const int error = errno;
        err << "Die Datei „" << source.string() << "“ kann nicht kopiert werden: " << Reason(error) << ".\n";
        return kCopyFailed;
    };
    if (out.Get() < 0) {
        return copyFailed();
    }
    std::int64_t total = 0;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t count = ::read(in.Get(), buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return copyFailed();
        }
        if (count == 0) {
            break;
        }
        total += count;
        // The file may have grown since fstat.
        if (total > limit) {
            return tooLarge();
        }
        for (ssize_t written = 0; written < count;) {
            const ssize_t step =
                ::write(out.Get(), buffer + written, static_cast<std::size_t>(count - written));
            if (step < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return copyFailed();
            }
            written += step;
        }
    }
    if (::fsync(out.Get()) != 0) {
        return copyFailed();
    }
    return 0;
}

bool ParseVersion(std::string_view text, std::vector<unsigned long>& numbers) {
    numbers.clear();
    if (text.empty()) {
        return false;
    }
    unsigned long value = 0;
    std::size_t digits = 0;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            if (digits == 9) {
                return false;
            }
            value = value * 10 + static_cast<unsigned long>(c - '0');
            ++digits;
        } else if (c == '.' && digits > 0) {
            numbers.push_back(value);
            value = 0;
            digits = 0;
        } else {
            return false;
        }
    }
    if (digits == 0) {
        return false;
    }
    numbers.push_back(value);
    return true;
}

} // namespace

IUpdateChecks::~IUpdateChecks() = default;

bool CompareVersions(std::string_view left, std::string_view right, int& order) {
    std::vector<unsigned long> a;
    std::vector<unsigned long> b;
    if (!ParseVersion(left, a) || !ParseVersion(right, b)) {
        return false;
    }
    a.resize(std::max(a.size(), b.size()), 0);
    b.resize(a.size(), 0);
    order = a < b ? -1 : (b < a ? 1 : 0);
    return true;
}

int InstallUpdate(const std::filesystem::path& downloadFolder, const std::filesystem::path& package,
                  IUpdateChecks& checks, std::ostream& err, const InstallOptions& options) {
    if (const int refused = PrepareCacheRoot(options.cacheRoot, options.cacheOwner, err); refused != 0) {
        return refused;
    }
    std::string pattern = (options.cacheRoot / "install-XXXXXX").string();
    if (const Platform::SystemResult made = Platform::MakeUniqueFolder(pattern); !made.Ok()) {
        err << "Im Ordner „" << options.cacheRoot.string()
            << "“ kann kein Arbeitsordner angelegt werden: " << Reason(made.error) << ".\n";
        return kUnsafeCacheRoot;
    }
    const PrivateFolder folder{std::filesystem::path(pattern)};
    const std::filesystem::path information = folder.Path() / kInformationFile;
    const std::filesystem::path copy = folder.Path() / "tarnwick.deb";

    if (const int refused = CopyPrivately(downloadFolder / kInformationFile, information,
                                          options.informationLimit, kBadInformationFile, err);
        refused != 0) {
        return refused;
    }
    if (const int refused = CopyPrivately(package, copy, options.packageLimit, kBadPackageFile, err);
        refused != 0) {
        return refused;
    }

    UpdateProvider::UpdateInformation info;
    bool valid = false;
    try {
        valid = checks.ReadInformation(information, info);
    } catch (...) {
        valid = false;
    }
    if (!valid) {
        err << "Die Aktualisierungsinformationen sind ungültig. Der Vorgang wird abgebrochen. "
               "Versuchen Sie es später noch einmal.\n";
        return kInvalidInformation;
    }

    bool verified = false;
    try {
        verified = checks.VerifyChecksum(copy, info.checksum);
    } catch (...) {
        verified = false;
    }
    if (!verified) {
        err << "Die Installationsdatei konnte nicht verifiziert werden. Versuchen Sie es später noch "
               "einmal.\n";
        return kChecksumMismatch;
    }

    std::string name;
    bool read = false;
    try {
        read = checks.ReadPackageField(copy, "Package", name);
    } catch (...) {
        read = false;
    }
    name = Trim(std::move(name));
    if (!read || name != kPackageName) {
        err << "Die Installationsdatei ist kein Paket von Tarnwick (Paketname „" << name
            << "“). Die Aktualisierung wird abgebrochen.\n";
        return kWrongPackage;
    }

    std::string version;
    try {
        read = checks.ReadPackageField(copy, "Version", version);
    } catch (...) {
        read = false;
    }
    version = Trim(std::move(version));
    int order = 0;
    if (!read || !CompareVersions(version, options.installedVersion, order) || order < 0) {
        err << "Die Version „" << version
            << "“ der Installationsdatei ist älter als die installierte Version " << options.installedVersion
            << " oder ungültig. Die Aktualisierung wird abgebrochen.\n";
        return kOlderPackage;
    }

    int result = -1;
    try {
        result = checks.Install(copy);
    } catch (...) {
        result = -1;
    }
    if (result < 0) {
        err << "Das Installationsprogramm dpkg kann nicht gestartet werden. Die Aktualisierung wird "
               "abgebrochen.\n";
        return kInstallerNotStarted;
    }
    return result;
}

} // namespace Tarnwick::UpdateInstall
