#include "update-executor/UpdateExecutor.h"

#include <cerrno>
#include <sys/stat.h>
#include <thread>

#include "base/exceptions/Exception.h"
#include "core/Path.h"
#include "log/LogProvider.h"
#include "platform/InstanceLock.h"
#include "platform/UserSession.h"

namespace Tarnwick::UpdateExecutor {

namespace {

using Utilities::Exceptions::WindowsException;

constexpr std::u16string_view kMissingPath[] = {
    u"Inavalid parameter: 0x000001.",
    u"Inavalid parameter: 0x000002..",
    u"Inavalid parameter: 0x000003.",
};

// A path that cannot even be looked at counts as missing: nothing could be installed from it.
bool Exists(const std::filesystem::path& path) noexcept {
    try {
        return !path.empty() && Core::Path::PathExists(path);
    } catch (...) {
        return false;
    }
}

std::filesystem::path Absolute(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute;
}

void LogStartFailure(std::int64_t error) noexcept {
    try {
        LogProvider::WindowsExceptionLog::LogEvent(
            WindowsException(u"", error, u"ShellExecuteEx", u"twexec::Start"));
    } catch (...) {
    }
}

} // namespace

IExecutorHost::~IExecutorHost() = default;

bool AuthorisationRefused(const ProcessResult& result) noexcept {
    return result.exited && (result.exitCode == 126 || result.exitCode == 127);
}

int Execute(int argc, const char* const* argv, IExecutorHost& host) {
    if (argc != 4 || argv == nullptr) {
        return 0;
    }
    const std::filesystem::path program = Absolute(argv[1]);
    const std::filesystem::path downloadFolder = Absolute(argv[2]);
    const std::filesystem::path package = Absolute(argv[3]);
    const std::filesystem::path* const paths[] = {&program, &downloadFolder, &package};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!Exists(*paths[i])) {
            host.ShowError(kCaption, kMissingPath[i]);
            return 0;
        }
    }

    host.WaitForProgramEnd();

    const ProcessResult installed = host.RunInstaller(downloadFolder, package);
    if (!installed.Started()) {
        LogStartFailure(installed.startError);
        return 0;
    }
    if (AuthorisationRefused(installed)) {
        LogStartFailure(installed.exitCode);
        return 0;
    }
    // A failed installation leaves the old version in place, and that one starts again.
    host.StartProgram(program, std::string(kUpdateSwitch) + downloadFolder.string());
    return 0;
}

void WaitForLockRelease(const std::filesystem::path& lockFile, std::chrono::milliseconds interval) {
    for (;;) {
        struct stat info {};
        if (::lstat(lockFile.c_str(), &info) != 0 && errno == ENOENT) {
            return;
        }
        Platform::InstanceLock lock;
        const Platform::SystemResult result = lock.TryAcquire(lockFile);
        if (result.error != EWOULDBLOCK) {
            // Taken (and let go at once by the destructor), or a lock nobody can hold either.
            return;
        }
        std::this_thread::sleep_for(interval);
    }
}

std::filesystem::path ProgramLockPath() {
    return Platform::InstanceLockFile(Platform::InstanceFolder(Core::Path::GetTemporaryPath()));
}

} // namespace Tarnwick::UpdateExecutor
