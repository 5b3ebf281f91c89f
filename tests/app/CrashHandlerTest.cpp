#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>

#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "AppTestSupport.h"
#include "platform/CrashHandler.h"
#include "support/TempDir.h"

namespace Platform = Tarnwick::Platform;

namespace {

std::string Decimal(std::int64_t value) {
    char buffer[32];
    return std::string(buffer, Platform::FormatDecimal(buffer, value));
}

std::string Hex(std::uint64_t value) {
    char buffer[32];
    return std::string(buffer, Platform::FormatHex(buffer, value));
}

// Runs body in a child process and returns its wait status.
template <typename Body>
int InChild(Body body) {
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

} // namespace

TEST(CrashHandler, NumbersWithoutTheCLibrary) {
    EXPECT_EQ(Decimal(0), "0");
    EXPECT_EQ(Decimal(11), "11");
    EXPECT_EQ(Decimal(-1), "-1");
    EXPECT_EQ(Decimal(1700000000), "1700000000");
    EXPECT_EQ(Decimal(std::numeric_limits<std::int64_t>::max()), "9223372036854775807");
    EXPECT_EQ(Decimal(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(Hex(0), "0x0");
    EXPECT_EQ(Hex(0xdeadbeef), "0xdeadbeef");
    EXPECT_EQ(Hex(std::numeric_limits<std::uint64_t>::max()), "0xffffffffffffffff");
}

TEST(CrashHandler, ReportNameCarriesTheSeconds) {
    EXPECT_EQ(Platform::CrashReportPath("/home/anna/.local/share/Kelmarsh/Tarnwick/2010", 1700000000),
              std::filesystem::path("/home/anna/.local/share/Kelmarsh/Tarnwick/2010/tw1700000000.mdmp"));
}

TEST(CrashHandler, CrashWritesTheReportAndEndsByTheSignal) {
    TestSupport::TempDir dir;
    const auto report = Platform::CrashReportPath(dir.Path(), 1700000000);
    const int status = InChild([&] {
        if (!Platform::ArmCrashHandler(report, false).Ok()) {
            ::_exit(2);
        }
        if (::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) != 0) {
            ::_exit(3); // a core would hold the secrets
        }
        ::raise(SIGSEGV);
        ::_exit(4);
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    EXPECT_FALSE(WCOREDUMP(status));

    struct stat info {};
    ASSERT_EQ(::stat(report.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string text = AppTest::ReadFile(report);
    EXPECT_NE(text.find("Signal: 11 (SIGSEGV)"), std::string::npos);
    EXPECT_NE(text.find("Backtrace:\n"), std::string::npos);
    const auto modules = text.find("Modules:\n");
    ASSERT_NE(modules, std::string::npos);
    EXPECT_NE(text.find("libc.so", modules), std::string::npos);
    EXPECT_NE(text.find("tw_app_tests", modules), std::string::npos);
}

TEST(CrashHandler, TheReportHoldsNoSecretThatWasAtHand) {
    TestSupport::TempDir dir;
    const auto report = dir / "tw2.mdmp";
    const std::string secret = "Kennwort-Tx81!Geheimnis";
    const int status = InChild([&] {
        if (!Platform::ArmCrashHandler(report, false).Ok()) {
            ::_exit(2);
        }
        // Plain copies on the heap, in UTF-8 and UTF-16, and one on the stack when it crashes.
        auto* heap = new std::string(secret);
        auto* wide = new std::u16string(secret.begin(), secret.end());
        char stack[64] = {};
        secret.copy(stack, sizeof stack - 1);
        volatile const char* keep[] = {heap->c_str(), reinterpret_cast<const char*>(wide->c_str()), stack};
        (void)keep;
        ::raise(SIGSEGV);
        ::_exit(4);
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    const std::string text = AppTest::ReadFile(report);
    ASSERT_NE(text.find("Signal: 11 (SIGSEGV)"), std::string::npos);
    std::string utf16;
    for (const char c : secret) {
        utf16 += c;
        utf16 += '\0';
    }
    EXPECT_EQ(text.find(secret), std::string::npos);
    EXPECT_EQ(text.find(utf16), std::string::npos);
    EXPECT_EQ(text.find("Tx81!Geh"), std::string::npos);
}

TEST(CrashHandler, AbortIsReportedToo) {
    TestSupport::TempDir dir;
    const auto report = dir / "tw1.mdmp";
    const int status = InChild([&] {
        if (!Platform::ArmCrashHandler(report, false).Ok()) {
            ::_exit(2);
        }
        ::raise(SIGABRT);
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGABRT);
    EXPECT_NE(AppTest::ReadFile(report).find("Signal: 6 (SIGABRT)"), std::string::npos);
}

TEST(CrashHandler, FullDumpAllowsACoreFile) {
    TestSupport::TempDir dir;
    const int status = InChild([&] {
        if (!Platform::ArmCrashHandler(dir / "tw2.mdmp", true).Ok()) {
            ::_exit(2);
        }
        ::_exit(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 1 ? 0 : 3);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(CrashHandler, UnusablePathIsRefused) {
    EXPECT_FALSE(Platform::ArmCrashHandler("", false).Ok());
    EXPECT_FALSE(Platform::ArmCrashHandler(std::filesystem::path("/" + std::string(5000, 'x')), false).Ok());
}
