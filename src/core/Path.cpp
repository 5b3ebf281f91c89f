#include "core/Path.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>

#include "log/exceptions/Exception.h"

namespace Tarnwick::Core {

namespace fs = std::filesystem;

namespace {

fs::path DataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return fs::path(xdg);
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        throw Utilities::Exceptions::Exception(u"Dieser Pfad existiert nicht für den Benutzer.",
                                               u"Path::GetFolderPath");
    }
    return fs::path(home) / ".local" / "share";
}

// Creates every missing folder of the chain with mode 0700.
void CreatePrivateChain(const fs::path& folder) {
    fs::path partial;
    for (const auto& part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            throw Utilities::Exceptions::WindowsException(u"", errno, u"mkdir", u"Path::CreatePath");
        }
    }
}

} // namespace

const fs::path& Path::GetLocalAppPath() {
    // A failure leaves the cache empty, so the next call tries again.
    static std::mutex lock;
    static fs::path cached;
    std::lock_guard<std::mutex> guard(lock);
    if (cached.empty()) {
        const fs::path folder = DataHome() / "Kelmarsh" / "Tarnwick" / "2010";
        CreatePrivateChain(folder);
        cached = folder / "";
    }
    return cached;
}

} // namespace Tarnwick::Core
