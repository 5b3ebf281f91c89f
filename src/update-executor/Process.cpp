#include "update-executor/Process.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace Tarnwick::UpdateExecutor {

namespace {

// argv for the program; argv[0] is its own name, as a shell would give it.
struct ArgumentVector {
    ArgumentVector(const std::string& program, const std::vector<std::string>& arguments) {
        const std::size_t slash = program.rfind('/');
        name = slash == std::string::npos ? program : program.substr(slash + 1);
        pointers.reserve(arguments.size() + 2);
        pointers.push_back(name.data());
        for (const std::string& argument : arguments) {
            pointers.push_back(const_cast<char*>(argument.c_str()));
        }
        pointers.push_back(nullptr);
    }
    ArgumentVector(const ArgumentVector&) = delete; // pointers point into name
    ArgumentVector& operator=(const ArgumentVector&) = delete;

    std::string name;
    std::vector<char*> pointers;
};

std::vector<char*> EnvironmentVector(const std::vector<std::string>& environment) {
    std::vector<char*> envp;
    envp.reserve(environment.size() + 1);
    for (const std::string& entry : environment) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);
    return envp;
}

// Closes a descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) noexcept : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { Close(); }
    int Get() const noexcept { return m_fd; }
    void Reset(int fd) noexcept {
        Close();
        m_fd = fd;
    }
    void Close() noexcept {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    int m_fd;
};

// The started program keeps the default signal handling even where ours differs.
void ResetSignals(posix_spawnattr_t& attributes, short flags) {
    sigset_t defaults;
    sigfillset(&defaults);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes,
                             static_cast<short>(flags | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK));
}

} // namespace

ProcessResult RunAndWait(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>* environment, std::string* output,
                         std::size_t outputLimit) {
    ProcessResult result;
    ArgumentVector argv(program, arguments);
    std::vector<char*> envp;
    if (environment != nullptr) {
        envp = EnvironmentVector(*environment);
    }

    Descriptor readEnd;
    Descriptor writeEnd;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output != nullptr) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            result.startError = errno;
            posix_spawn_file_actions_destroy(&actions);
            return result;
        }
        readEnd.Reset(fds[0]);
        writeEnd.Reset(fds[1]);
        posix_spawn_file_actions_adddup2(&actions, writeEnd.Get(), STDOUT_FILENO);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    ResetSignals(attributes, 0);

    pid_t child = -1;
    const int error = ::posix_spawn(&child, program.c_str(), &actions, &attributes, argv.pointers.data(),
                                    environment != nullptr ? envp.data() : environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    writeEnd.Close();
    if (error != 0) {
        result.startError = error;
        return result;
    }

    if (output != nullptr) {
        char buffer[4096];
        for (;;) {
            const ssize_t count = ::read(readEnd.Get(), buffer, sizeof buffer);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                break;
            }
            const std::size_t room = outputLimit > output->size() ? outputLimit - output->size() : 0;
            output->append(buffer, std::min(room, static_cast<std::size_t>(count)));
        }
    }

    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            result.startError = errno;
            return result;
        }
    }
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

int StartDetached(const std::string& program, const std::vector<std::string>& arguments) {
    ArgumentVector argv(program, arguments);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    ResetSignals(attributes, POSIX_SPAWN_SETSID);
    pid_t child = -1;
    const int error =
        ::posix_spawn(&child, program.c_str(), nullptr, &attributes, argv.pointers.data(), environ);
    posix_spawnattr_destroy(&attributes);
    return error;
}

} // namespace Tarnwick::UpdateExecutor
