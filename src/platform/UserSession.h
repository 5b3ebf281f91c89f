#pragma once

#include <filesystem>
#include <string>

#include "platform/Files.h"

namespace Tarnwick::Platform {

// The log-in name of the effective user from the password database; ENOENT when it is empty.
SystemResult ReadLoginName(std::string& out);

// Whether the path is a real folder (not a symbolic link) that belongs to the effective user.
// error ENOENT when nothing is there.
SystemResult QueryOwnFolder(const std::filesystem::path& path, bool& ownFolder) noexcept;

// The user at the other end of a connected local socket (SO_PEERCRED).
SystemResult QueryPeerUser(int socket, unsigned& uid) noexcept;

// $XDG_RUNTIME_DIR when it names an absolute folder of the effective user that nobody else
// may enter; empty otherwise.
std::filesystem::path SessionRuntimeFolder();

// The main program's single instance: its name, the folder of its lock file and socket (the
// session's runtime folder, else fallback) and its lock file, which the update executor waits on.
inline constexpr char kInstanceName[] = "Tarnwick2010";
std::filesystem::path InstanceFolder(const std::filesystem::path& fallback);
std::filesystem::path InstanceLockFile(const std::filesystem::path& folder);

} // namespace Tarnwick::Platform
