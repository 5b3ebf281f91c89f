#pragma once

#include <filesystem>

#include "platform/Files.h"

namespace Tarnwick::Platform {

// An exclusive lock on a file for as long as the object holds it. Taking it is one atomic
// step, and the kernel lets go of it when the process ends, however it ends. The descriptor
// is not inherited by started programs.
class InstanceLock {
public:
    InstanceLock() noexcept = default;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

    // Opens the lock file (created 0600; a symbolic link is refused) and takes the lock
    // without waiting. EWOULDBLOCK when someone else holds it.
    SystemResult TryAcquire(const std::filesystem::path& lockFile) noexcept;
    bool IsHeld() const noexcept { return m_fd >= 0; }
    void Release() noexcept;

private:
    int m_fd = -1;
};

} // namespace Tarnwick::Platform
