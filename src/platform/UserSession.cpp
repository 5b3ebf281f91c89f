#include "platform/UserSession.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Tarnwick::Platform {

SystemResult ReadLoginName(std::string& out) {
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 1024);
    for (;;) {
        passwd entry{};
        passwd* found = nullptr;
        const int error = ::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0) {
            return SystemResult{error, u"getpwuid_r"};
        }
        if (found == nullptr || found->pw_name == nullptr || found->pw_name[0] == '\0') {
            return SystemResult{ENOENT, u"getpwuid_r"};
        }
        out = found->pw_name;
        return {};
    }
}

SystemResult QueryOwnFolder(const std::filesystem::path& path, bool& ownFolder) noexcept {
    ownFolder = false;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return SystemResult{errno, u"lstat"};
    }
    ownFolder = S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
    return {};
}

SystemResult QueryPeerUser(int socket, unsigned& uid) noexcept {
    ucred credentials{};
    socklen_t length = sizeof(credentials);
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) {
        return SystemResult{errno, u"getsockopt"};
    }
    uid = credentials.uid;
    return {};
}

std::filesystem::path SessionRuntimeFolder() {
    const char* value = std::getenv("XDG_RUNTIME_DIR");
    if (value == nullptr || value[0] != '/') {
        return {};
    }
    struct stat info {};
    if (::stat(value, &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
        (info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        return {};
    }
    return std::filesystem::path(value);
}

} // namespace Tarnwick::Platform
