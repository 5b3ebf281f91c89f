#include "platform/UserSession.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace Tarnwick::Platform {

SystemResult ReadLoginName(std::string& out) {
    UserAccount account;
    if (const SystemResult result = ReadUserAccount(account); !result.Ok()) {
        return result;
    }
    if (account.loginName.empty()) {
        return SystemResult{ENOENT, u"getpwuid_r"};
    }
    out = std::move(account.loginName);
    return {};
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

std::filesystem::path InstanceFolder(const std::filesystem::path& fallback) {
    std::filesystem::path folder = SessionRuntimeFolder();
    return folder.empty() ? fallback : folder;
}

std::filesystem::path InstanceLockFile(const std::filesystem::path& folder) {
    return folder / (std::string(kInstanceName) + ".lock");
}

} // namespace Tarnwick::Platform
