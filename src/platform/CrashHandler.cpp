#include "platform/CrashHandler.h"

#include <cerrno>
#include <cstring>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace Tarnwick::Platform {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSYS, SIGTRAP};
constexpr std::size_t kMaxFrames = 64;

// Everything the handler needs is prepared while arming: no allocation during a crash.
char g_reportPath[4096];
volatile sig_atomic_t g_handling = 0;
// A stack of its own, so a stack overflow can still be reported.
alignas(16) char g_alternateStack[64 * 1024];

const char* SignalName(int signal) noexcept {
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    case SIGSYS:
        return "SIGSYS";
    case SIGTRAP:
        return "SIGTRAP";
    default:
        return "?";
    }
}

void WriteAll(int fd, const char* data, std::size_t length) noexcept {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
}

void WriteText(int fd, const char* text) noexcept {
    WriteAll(fd, text, std::strlen(text));
}

void WriteDecimal(int fd, std::int64_t value) noexcept {
    char buffer[32];
    WriteAll(fd, buffer, FormatDecimal(buffer, value));
}

void WriteHex(int fd, std::uint64_t value) noexcept {
    char buffer[32];
    WriteAll(fd, buffer, FormatHex(buffer, value));
}

// The memory map names every loaded module with its address range.
void CopyModules(int fd) noexcept {
    const int maps = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (maps < 0) {
        return;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(maps, buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        WriteAll(fd, buffer, static_cast<std::size_t>(got));
    }
    ::close(maps);
}

void OnFatalSignal(int signal, siginfo_t* info, void*) {
    const int savedErrno = errno;
    if (g_handling == 0) {
        g_handling = 1;
        const int fd = ::open(g_reportPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            WriteCrashReport(fd, signal, info);
            ::fsync(fd);
            ::close(fd);
        }
    }
    errno = savedErrno;
    // The handler was reset on entry: the default action ends the process as the crash would.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

} // namespace

std::size_t FormatDecimal(char* buffer, std::int64_t value) noexcept {
    char digits[24];
    std::size_t count = 0;
    std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    std::size_t length = 0;
    if (value < 0) {
        buffer[length++] = '-';
    }
    while (count > 0) {
        buffer[length++] = digits[--count];
    }
    buffer[length] = '\0';
    return length;
}

std::size_t FormatHex(char* buffer, std::uint64_t value) noexcept {
    static constexpr char kDigits[] = "0123456789abcdef";
    char digits[20];
    std::size_t count = 0;
    do {
        digits[count++] = kDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    std::size_t length = 0;
    buffer[length++] = '0';
    buffer[length++] = 'x';
    while (count > 0) {
        buffer[length++] = digits[--count];
    }
    buffer[length] = '\0';
    return length;
}

std::filesystem::path CrashReportPath(const std::filesystem::path& folder, std::int64_t seconds) {
    return folder / ("tw" + std::to_string(seconds) + ".mdmp");
}

void WriteCrashReport(int fd, int signal, const siginfo_t* info) noexcept {
    WriteText(fd, "Tarnwick crash report\nSignal: ");
    WriteDecimal(fd, signal);
    WriteText(fd, " (");
    WriteText(fd, SignalName(signal));
    WriteText(fd, ")\n");
    if (info != nullptr) {
        WriteText(fd, "Code: ");
        WriteDecimal(fd, info->si_code);
        WriteText(fd, "\nAddress: ");
        WriteHex(fd, reinterpret_cast<std::uintptr_t>(info->si_addr));
        WriteText(fd, "\n");
    }
    WriteText(fd, "Process: ");
    WriteDecimal(fd, ::getpid());
    WriteText(fd, "\nThread: ");
    WriteDecimal(fd, ::gettid());
    WriteText(fd, "\n\nBacktrace:\n");
    void* frames[kMaxFrames];
    const int count = ::backtrace(frames, static_cast<int>(kMaxFrames));
    ::backtrace_symbols_fd(frames, count, fd);
    WriteText(fd, "\nModules:\n");
    CopyModules(fd);
}

SystemResult ForbidCoreDumps() noexcept {
    const rlimit none{0, 0};
    if (::setrlimit(RLIMIT_CORE, &none) != 0) {
        return SystemResult{errno, u"setrlimit"};
    }
    if (::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) != 0) {
        return SystemResult{errno, u"prctl"};
    }
    return {};
}

SystemResult ArmCrashHandler(const std::filesystem::path& reportFile, bool fullDump) noexcept {
    const std::string& text = reportFile.native();
    if (text.empty() || text.size() >= sizeof(g_reportPath)) {
        return SystemResult{ENAMETOOLONG, u"ArmCrashHandler"};
    }
    std::memcpy(g_reportPath, text.c_str(), text.size() + 1);

    // The first backtrace loads the unwinder, which allocates: do it now, not in the handler.
    void* warmUp[2];
    (void)::backtrace(warmUp, 2);

    if (fullDump) {
        if (::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0) != 0) {
            return SystemResult{errno, u"prctl"};
        }
        rlimit limit{};
        if (::getrlimit(RLIMIT_CORE, &limit) == 0) {
            limit.rlim_cur = limit.rlim_max;
            (void)::setrlimit(RLIMIT_CORE, &limit);
        }
    } else if (::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) != 0) {
        return SystemResult{errno, u"prctl"};
    }

    stack_t stack{};
    stack.ss_sp = g_alternateStack;
    stack.ss_size = sizeof(g_alternateStack);
    if (::sigaltstack(&stack, nullptr) != 0) {
        return SystemResult{errno, u"sigaltstack"};
    }
    struct sigaction action {};
    action.sa_sigaction = &OnFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) {
        if (::sigaction(signal, &action, nullptr) != 0) {
            return SystemResult{errno, u"sigaction"};
        }
    }
    return {};
}

} // namespace Tarnwick::Platform
