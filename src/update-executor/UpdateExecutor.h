#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

#include "update-executor/Process.h"

namespace Tarnwick::UpdateExecutor {

inline constexpr std::u16string_view kCaption = u"Tarnwick Auto Updater";
inline constexpr std::string_view kUpdateSwitch = "-update:";

// Everything the executor does to the system besides looking at paths: tests stand in for it.
class IExecutorHost {
public:
    virtual ~IExecutorHost();
    // A message box without owner, with the error icon.
    virtual void ShowError(std::u16string_view caption, std::u16string_view text) = 0;
    // Returns once the main program has ended.
    virtual void WaitForProgramEnd() = 0;
    // Runs the install helper with administrator rights and waits for it.
    virtual ProcessResult RunInstaller(const std::filesystem::path& downloadFolder,
                                       const std::filesystem::path& package) = 0;
    // Starts the program detached with the one argument; its result is not evaluated.
    virtual void StartProgram(const std::filesystem::path& program, const std::string& argument) = 0;
};

// The executor: checks its three arguments (main program, download folder, package), waits
// for the main program to end, installs and starts the main program again with
// "-update:<download folder>". A failed or refused start of the installer is logged, and the
// main program then stays closed. argv holds the program name first. Returns the exit code.
int Execute(int argc, const char* const* argv, IExecutorHost& host);

// pkexec's answers when the user refused or dismissed the authentication.
bool AuthorisationRefused(const ProcessResult& result) noexcept;

// Waits while another process holds the lock file: tries to take the lock every interval and
// lets go of it at once. A missing lock file means nobody runs.
void WaitForLockRelease(const std::filesystem::path& lockFile, std::chrono::milliseconds interval);

// The lock file that the running main program holds ("Tarnwick2010.lock" in the session's
// runtime folder, else in the program's private temporary folder).
std::filesystem::path ProgramLockPath();

// The real system: Qt message box, the lock file, pkexec and posix_spawn.
class SystemHost : public IExecutorHost {
public:
    SystemHost(int& argc, char** argv) noexcept : m_argc(argc), m_argv(argv) {}

    void ShowError(std::u16string_view caption, std::u16string_view text) override;
    void WaitForProgramEnd() override;
    ProcessResult RunInstaller(const std::filesystem::path& downloadFolder,
                               const std::filesystem::path& package) override;
    void StartProgram(const std::filesystem::path& program, const std::string& argument) override;

private:
    int& m_argc;
    char** m_argv;
};

} // namespace Tarnwick::UpdateExecutor
