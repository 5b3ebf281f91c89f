#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "update-executor/Process.h"
#include "update-executor/TestSupport.h"

namespace Tarnwick::UpdateExecutor {
namespace {

using TestSupport::ReadFile;
using TestSupport::ScratchFolder;

TEST(ProcessTest, ReportsTheExitCode) {
    const ProcessResult result = RunAndWait("/bin/sh", {"-c", "exit 3"});
    EXPECT_TRUE(result.Started());
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.exitCode, 3);
}

TEST(ProcessTest, ArgumentsReachTheProgramUnchangedWithoutAShell) {
    std::string output;
    const ProcessResult result =
        RunAndWait("/usr/bin/printf", {"[%s]", "a b", "$HOME", "'; echo x"}, nullptr, &output);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(output, "[a b][$HOME]['; echo x]");
}

TEST(ProcessTest, AMissingProgramIsAStartError) {
    const ProcessResult result = RunAndWait("/nonexistent/pkexec", {});
    EXPECT_FALSE(result.Started());
    EXPECT_EQ(result.startError, ENOENT);
}

TEST(ProcessTest, TheGivenEnvironmentReplacesOurs) {
    std::string output;
    const std::vector<std::string> environment = {"ONLY=this"};
    RunAndWait("/usr/bin/env", {}, &environment, &output);
    EXPECT_EQ(output, "ONLY=this\n");
}

TEST(ProcessTest, OutputBeyondTheLimitIsDroppedWithoutBlocking) {
    std::string output;
    const ProcessResult result =
        RunAndWait("/bin/sh", {"-c", "head -c 300000 /dev/zero"}, nullptr, &output, 10);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(output.size(), 10u);
}

TEST(ProcessTest, ASignalEndIsNoExit) {
    const ProcessResult result = RunAndWait("/bin/sh", {"-c", "kill -TERM $$"});
    EXPECT_FALSE(result.exited);
    EXPECT_EQ(result.signal, SIGTERM);
}

// The restarted main program must not end with the executor's session.
TEST(ProcessTest, ADetachedProgramLeadsASessionOfItsOwn) {
    ScratchFolder scratch;
    const std::filesystem::path out = scratch.Path() / "stat";
    const std::filesystem::path done = scratch.Path() / "done";
    ASSERT_EQ(
        StartDetached("/bin/sh", {"-c", "read -r line < /proc/$$/stat; echo \"$$ $line\" > " +
                                            TestSupport::Quoted(out) + "; : > " + TestSupport::Quoted(done)}),
        0);
    for (int i = 0; i < 500 && !std::filesystem::exists(done); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(std::filesystem::exists(done));
    // "<pid> <pid> (sh) <state> <ppid> <pgrp> <session> ..."
    std::istringstream in(ReadFile(out));
    long pid = 0;
    long statPid = 0;
    std::string comm;
    std::string state;
    long parent = 0;
    long group = 0;
    long session = 0;
    in >> pid >> statPid >> comm >> state >> parent >> group >> session;
    EXPECT_EQ(session, pid);
    EXPECT_NE(session, static_cast<long>(::getsid(0)));
}

TEST(ProcessTest, ADetachedStartOfAMissingProgramFails) {
    EXPECT_EQ(StartDetached("/nonexistent/tarnwick", {"-update:/tmp"}), ENOENT);
}

// Started by hand without arguments, the program says nothing and ends with 0.
TEST(TwexecProgramTest, EndsSilentlyWithoutArguments) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, std::vector<std::string>{"/bin/sh", "/tmp"}}) {
        std::vector<std::string> command = {"-c", "exec \"$0\" \"$@\" 2>&1", TW_TWEXEC_PATH};
        command.insert(command.end(), arguments.begin(), arguments.end());
        std::string output;
        const ProcessResult result = RunAndWait("/bin/sh", command, nullptr, &output);
        EXPECT_TRUE(result.exited);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(output, "");
    }
}

} // namespace
} // namespace Tarnwick::UpdateExecutor
