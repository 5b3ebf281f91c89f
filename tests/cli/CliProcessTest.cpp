// twcli as a process that holds secrets: while it waits for a password, no core file can be
// written of it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/CrashHandler.h"
#include "support/TempDir.h"

extern char** environ;

namespace {

// The "Max core file size" line of /proc/PID/limits.
std::string CoreLimit(pid_t pid) {
    std::ifstream limits("/proc/" + std::to_string(pid) + "/limits");
    for (std::string line; std::getline(limits, line);) {
        if (line.rfind("Max core file size", 0) == 0) {
            std::istringstream fields(line.substr(18));
            std::string soft;
            std::string hard;
            fields >> soft >> hard;
            return soft + " " + hard;
        }
    }
    return "?";
}

TEST(CliProcess, NoCoreFileWhileItWaitsForTheLogIn) {
    TestSupport::TempDir dir;
    const std::string file = (dir.Path() / "k.twdb").string();
    int input[2];
    ASSERT_EQ(::pipe2(input, O_CLOEXEC), 0);
    const int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(quiet, 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_adddup2(&actions, quiet, 1);
    posix_spawn_file_actions_adddup2(&actions, quiet, 2);
    std::string program = TW_CLI_PATH;
    std::string verb = "db-create";
    char* argv[] = {program.data(), verb.data(), const_cast<char*>(file.c_str()), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(quiet);

    // twcli now waits for the user name on its standard input.
    std::string limit;
    for (int i = 0; i < 200; ++i) {
        limit = CoreLimit(pid);
        if (limit == "0 0") {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::close(input[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_EQ(limit, "0 0");
}

// Not dumpable means no debugger of the same user can attach either.
TEST(CliProcess, ForbiddenDumpsAreForbiddenForGood) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit{};
        const bool done = Tarnwick::Platform::ForbidCoreDumps().Ok() && ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 0 &&
                          ::getrlimit(RLIMIT_CORE, &limit) == 0 && limit.rlim_cur == 0 && limit.rlim_max == 0;
        ::_exit(done ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
