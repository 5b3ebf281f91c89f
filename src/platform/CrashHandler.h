#pragma once

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/Files.h"

namespace Tarnwick::Platform {

// "tw" + seconds since 1970 + ".mdmp" in the folder.
std::filesystem::path CrashReportPath(const std::filesystem::path& folder, std::int64_t seconds);

// Installs the handler for the fatal signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT,
// SIGSYS, SIGTRAP). On a crash it writes the signal, the backtrace and the loaded modules
// into reportFile and raises the signal again, so the default action ends the process.
// Without fullDump the process is made non-dumpable (no core file and no debugger attach from
// other processes of the user, since a core would hold the decrypted secrets); with it, core
// files are allowed up to the hard limit.
SystemResult ArmCrashHandler(const std::filesystem::path& reportFile, bool fullDump) noexcept;

// No core file and no debugger attach from other processes of the user, for a program that
// holds secrets without the crash report (twcli): the process is made non-dumpable and its
// core size limit is 0.
SystemResult ForbidCoreDumps() noexcept;

// The report for one signal, written to an open descriptor. Only async-signal-safe calls.
void WriteCrashReport(int fd, int signal, const siginfo_t* info) noexcept;

// Formats a number into buffer (at least 24 bytes) without the C library; returns the length.
std::size_t FormatDecimal(char* buffer, std::int64_t value) noexcept;
std::size_t FormatHex(char* buffer, std::uint64_t value) noexcept;

} // namespace Tarnwick::Platform
