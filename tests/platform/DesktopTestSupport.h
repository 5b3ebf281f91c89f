#pragma once

// Helpers for the tests that run against a real X server (Xvfb, started by ctest through
// xvfb-run with TW_DESKTOP_TESTS=1): other programs to play the target, the window manager,
// the keyboard layout, and waiting with generous time-outs.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace DesktopTest {

// The desktop tests run only where ctest prepared a display for them.
inline bool Enabled() {
    const char* flag = std::getenv("TW_DESKTOP_TESTS");
    const char* display = std::getenv("DISPLAY");
    return flag != nullptr && std::string(flag) == "1" && display != nullptr && *display != '\0';
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Polls until done() or the time-out; between polls the pump runs (Qt's events in the app
// tests) or the thread sleeps.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(20),
                      const std::function<void()>& pump = {}) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return done();
        }
        if (pump) {
            pump();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

struct Result {
    int status = -1;
    std::string out;
};

// Runs a program found on PATH, waits for it and returns its exit status and output. Without
// capture the output goes nowhere (for programs that leave a daemon behind, like xclip -i).
inline Result RunProgram(const std::vector<std::string>& command, const std::vector<std::string>& environment = {},
                  bool capture = true) {
    int pipes[2];
    Result result;
    if (pipe2(pipes, O_CLOEXEC) != 0) {
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (capture) {
        posix_spawn_file_actions_adddup2(&actions, pipes[1], 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    std::vector<char*> argv;
    for (const std::string& part : command) {
        argv.push_back(const_cast<char*>(part.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        env.emplace_back(*e);
    }
    env.insert(env.end(), environment.begin(), environment.end());
    std::vector<char*> envp;
    for (std::string& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipes[1]);
    if (spawned != 0) {
        close(pipes[0]);
        return result;
    }
    char buffer[4096];
    for (ssize_t n; (n = read(pipes[0], buffer, sizeof(buffer))) > 0;) {
        result.out.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipes[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Runs the program on a thread of its own while pump() keeps the test's own X connection
// answering (the program may ask us for a selection).
inline Result RunPumping(const std::vector<std::string>& command, const std::function<void()>& pump) {
    Result result;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = RunProgram(command);
        done = true;
    });
    while (!done) {
        pump();
    }
    worker.join();
    return result;
}

// A program that runs beside the test; killed when the object goes. Its standard input is a
// pipe the test writes commands to.
class Child {
public:
    Child() = default;
    Child(const std::vector<std::string>& command, const std::vector<std::string>& environment = {}) {
        Start(command, environment);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { Stop(); }

    bool Start(const std::vector<std::string>& command, const std::vector<std::string>& environment = {}) {
        int pipes[2];
        if (pipe2(pipes, O_CLOEXEC) != 0) {
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipes[0], 0);
        std::vector<char*> argv;
        for (const std::string& part : command) {
            argv.push_back(const_cast<char*>(part.c_str()));
        }
        argv.push_back(nullptr);
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            env.emplace_back(*e);
        }
        env.insert(env.end(), environment.begin(), environment.end());
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        const int spawned = posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(pipes[0]);
        if (spawned != 0) {
            close(pipes[1]);
            m_pid = 0;
            return false;
        }
        m_input = pipes[1];
        return true;
    }

    void Send(const std::string& line) {
        if (m_input >= 0) {
            const std::string text = line + "\n";
            [[maybe_unused]] const ssize_t written = write(m_input, text.data(), text.size());
        }
    }

    void Signal(int signal) {
        if (m_pid > 0) {
            kill(m_pid, signal);
        }
    }

    bool Running() {
        if (m_pid <= 0) {
            return false;
        }
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = 0;
            return false;
        }
        return true;
    }

    void Stop() {
        if (m_input >= 0) {
            close(m_input);
            m_input = -1;
        }
        if (m_pid > 0) {
            kill(m_pid, SIGCONT);
            kill(m_pid, SIGTERM);
            int status = 0;
            for (int i = 0; i < 250 && waitpid(m_pid, &status, WNOHANG) == 0; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            if (waitpid(m_pid, &status, WNOHANG) == 0) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, &status, 0);
            }
            m_pid = 0;
        }
    }

    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = 0;
    int m_input = -1;
};

// The keyboard layout of the test server.
inline bool SetLayout(const std::string& layout, const std::string& variant = {}) {
    std::vector<std::string> command{"setxkbmap", layout};
    if (!variant.empty()) {
        command.insert(command.end(), {"-variant", variant});
    }
    return RunProgram(command).status == 0;
}

// The X window id xdotool finds by a window name.
inline unsigned long FindWindow(const std::string& name) {
    const Result result = RunProgram({"xdotool", "search", "--name", "^" + name + "$"});
    if (result.status != 0 || result.out.empty()) {
        return 0;
    }
    return std::stoul(result.out.substr(0, result.out.find('\n')));
}

} // namespace DesktopTest
