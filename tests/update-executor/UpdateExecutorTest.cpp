#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "base/text/Base64.h"
#include "platform/InstanceLock.h"
#include "update-executor/TestSupport.h"
#include "update-executor/UpdateExecutor.h"

namespace Tarnwick::UpdateExecutor {
namespace {

using TestSupport::ReadFile;
using TestSupport::ScratchFolder;
using TestSupport::WriteFile;
using Clock = std::chrono::steady_clock;

// Stands in for the message box, the wait, pkexec and the restart.
class FakeHost : public IExecutorHost {
public:
    void ShowError(std::u16string_view caption, std::u16string_view text) override {
        errors.emplace_back(caption, text);
    }
    void WaitForProgramEnd() override {
        ++waits;
        if (wait) {
            wait();
        }
    }
    ProcessResult RunInstaller(const std::filesystem::path& folder,
                               const std::filesystem::path& package) override {
        installs.emplace_back(folder, package);
        if (onInstall) {
            onInstall();
        }
        return installResult;
    }
    void StartProgram(const std::filesystem::path& program, const std::string& argument) override {
        starts.emplace_back(program, argument);
    }

    std::vector<std::pair<std::u16string, std::u16string>> errors;
    int waits = 0;
    std::function<void()> wait;
    std::function<void()> onInstall;
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> installs;
    ProcessResult installResult{0, true, 0, 0};
    std::vector<std::pair<std::filesystem::path, std::string>> starts;
};

// A main program, a download folder and a package that all exist.
class UpdateExecutorTest : public ::testing::Test {
protected:
    void SetUp() override {
        program = scratch.Path() / "bin" / "tarnwick";
        folder = scratch.Path() / "download folder";
        package = folder / "tarnwick_1.18.0_amd64.deb";
        std::filesystem::create_directories(program.parent_path());
        std::filesystem::create_directories(folder);
        WriteFile(program, "#!/bin/sh\n");
        WriteFile(package, "package");
    }

    int Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "twexec");
        std::vector<const char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(argument.c_str());
        }
        argv.push_back(nullptr);
        return Execute(static_cast<int>(arguments.size()), argv.data(), host);
    }
    int RunAll() { return Run({program.string(), folder.string(), package.string()}); }

    void ExpectNothingDone() const {
        EXPECT_EQ(host.waits, 0);
        EXPECT_TRUE(host.installs.empty());
        EXPECT_TRUE(host.starts.empty());
    }

    ScratchFolder scratch;
    std::filesystem::path program;
    std::filesystem::path folder;
    std::filesystem::path package;
    FakeHost host;
};

TEST_F(UpdateExecutorTest, StartedWithoutThreeArgumentsEndsSilently) {
    EXPECT_EQ(Run({}), 0);
    EXPECT_EQ(Run({program.string()}), 0);
    EXPECT_EQ(Run({program.string(), folder.string()}), 0);
    EXPECT_EQ(Run({program.string(), folder.string(), package.string(), package.string()}), 0);
    EXPECT_TRUE(host.errors.empty());
    ExpectNothingDone();
}

TEST_F(UpdateExecutorTest, MissingMainProgramIsTheFirstParameter) {
    std::filesystem::remove(program);
    EXPECT_EQ(RunAll(), 0);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].first, u"Tarnwick Auto Updater");
    EXPECT_EQ(host.errors[0].second, u"Inavalid parameter: 0x000001.");
    ExpectNothingDone();
}

TEST_F(UpdateExecutorTest, MissingDownloadFolderNamesTheSecondParameter) {
    EXPECT_EQ(Run({program.string(), (scratch.Path() / "gone").string(), package.string()}), 0);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].first, u"Tarnwick Auto Updater");
    EXPECT_EQ(host.errors[0].second, u"Inavalid parameter: 0x000002..");
    ExpectNothingDone();
}

TEST_F(UpdateExecutorTest, MissingPackageIsTheThirdParameter) {
    std::filesystem::remove(package);
    EXPECT_EQ(RunAll(), 0);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].second, u"Inavalid parameter: 0x000003.");
    ExpectNothingDone();
}

TEST_F(UpdateExecutorTest, OnlyTheFirstMissingPathIsReported) {
    std::filesystem::remove(program);
    std::filesystem::remove(package);
    RunAll();
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0].second, u"Inavalid parameter: 0x000001.");
}

TEST_F(UpdateExecutorTest, InstallsAfterTheWaitAndRestartsWithTheFolder) {
    int waitsBeforeInstall = -1;
    host.onInstall = [&] { waitsBeforeInstall = host.waits; };
    EXPECT_EQ(RunAll(), 0);
    EXPECT_EQ(waitsBeforeInstall, 1);
    ASSERT_EQ(host.installs.size(), 1u);
    EXPECT_EQ(host.installs[0].first, folder);
    EXPECT_EQ(host.installs[0].second, package);
    ASSERT_EQ(host.starts.size(), 1u);
    EXPECT_EQ(host.starts[0].first, program);
    // One argument, the folder with its blank unquoted.
    EXPECT_EQ(host.starts[0].second, "-update:" + folder.string());
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(UpdateExecutorTest, RelativePathsReachInstallerAndRestartAbsolute) {
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(scratch.Path());
    Run({"bin/tarnwick", "download folder", "download folder/tarnwick_1.18.0_amd64.deb"});
    std::filesystem::current_path(previous);
    ASSERT_EQ(host.installs.size(), 1u);
    EXPECT_EQ(host.installs[0].first, folder);
    EXPECT_EQ(host.installs[0].second, package);
    ASSERT_EQ(host.starts.size(), 1u);
    EXPECT_EQ(host.starts[0].first, program);
}

TEST_F(UpdateExecutorTest, AFailedInstallationStillRestartsTheRemainingVersion) {
    host.installResult = ProcessResult{0, true, 1, 0};
    EXPECT_EQ(RunAll(), 0);
    EXPECT_EQ(host.starts.size(), 1u);
}

TEST(AuthorisationRefusedTest, OnlyPkexecsRefusalCodesCount) {
    EXPECT_TRUE(AuthorisationRefused(ProcessResult{0, true, 126, 0}));
    EXPECT_TRUE(AuthorisationRefused(ProcessResult{0, true, 127, 0}));
    EXPECT_FALSE(AuthorisationRefused(ProcessResult{0, true, 0, 0}));
    EXPECT_FALSE(AuthorisationRefused(ProcessResult{0, true, 1, 0}));
    EXPECT_FALSE(AuthorisationRefused(ProcessResult{0, false, -1, 9}));
}

// The log folder is looked up once per process, and the signature check logs too: the whole
// binary writes its log into a private data folder, set before any test runs.
const ScratchFolder& PrivateDataFolder() {
    static const ScratchFolder data;
    return data;
}
const bool kPrivateDataFolderSet = [] {
    return ::setenv("XDG_DATA_HOME", PrivateDataFolder().Path().c_str(), 1) == 0;
}();

// The failures are written to the log file of a private data folder.
class UpdateExecutorLogTest : public UpdateExecutorTest {
protected:
    static void SetUpTestSuite() {
        logFile = PrivateDataFolder().Path() / "Kelmarsh" / "Tarnwick" / "2010" / "tlp.log";
    }

    // The decoded texts of the log lines of kind 3 with their codes.
    static std::vector<std::pair<long long, std::string>> WindowsExceptionLines() {
        std::vector<std::pair<long long, std::string>> lines;
        std::istringstream in(ReadFile(logFile));
        std::string time;
        std::string kind;
        long long code = 0;
        std::string text;
        while (in >> time >> kind >> code >> text) {
            if (kind != "3") {
                continue;
            }
            const auto decoded = Text::Base64::Decode(std::u16string(text.begin(), text.end()));
            lines.emplace_back(code, decoded ? std::string(decoded->begin(), decoded->end()) : "?");
        }
        return lines;
    }

    void SetUp() override {
        UpdateExecutorTest::SetUp();
        std::filesystem::remove(logFile);
    }

    static inline std::filesystem::path logFile;
};

TEST_F(UpdateExecutorLogTest, InstallerThatCannotStartIsLoggedAndNothingRestarts) {
    host.installResult = ProcessResult{ENOENT, false, -1, 0};
    EXPECT_EQ(RunAll(), 0);
    EXPECT_TRUE(host.starts.empty());
    const auto lines = WindowsExceptionLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].first, ENOENT);
    EXPECT_EQ(lines[0].second, "Error: 2\nMessage: \nFunction: ShellExecuteEx\nTarget: twexec::Start");
}

TEST_F(UpdateExecutorLogTest, RefusedAuthenticationIsLoggedAndNothingRestarts) {
    for (const int code : {126, 127}) {
        std::filesystem::remove(logFile);
        host.starts.clear();
        host.installResult = ProcessResult{0, true, code, 0};
        EXPECT_EQ(RunAll(), 0);
        EXPECT_TRUE(host.starts.empty()) << code;
        const auto lines = WindowsExceptionLines();
        ASSERT_EQ(lines.size(), 1u) << code;
        EXPECT_EQ(lines[0].first, code);
        EXPECT_NE(lines[0].second.find("Function: ShellExecuteEx\nTarget: twexec::Start"), std::string::npos);
    }
}

TEST_F(UpdateExecutorLogTest, ASuccessfulUpdateLogsNothing) {
    RunAll();
    EXPECT_TRUE(WindowsExceptionLines().empty());
}

// The main program holds its lock file for as long as it runs.
class LockWaitTest : public ::testing::Test {
protected:
    ScratchFolder scratch;
    std::filesystem::path lockFile = scratch.Path() / "Tarnwick2010.lock";
};

TEST_F(LockWaitTest, NoLockFileMeansNoWaitAndNoFile) {
    const auto start = Clock::now();
    WaitForLockRelease(lockFile, std::chrono::milliseconds(100));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_FALSE(std::filesystem::exists(lockFile));
}

TEST_F(LockWaitTest, AFreeLockIsTakenAndLetGoAtOnce) {
    WriteFile(lockFile, "");
    WaitForLockRelease(lockFile, std::chrono::milliseconds(100));
    // The main program restarted afterwards must get its lock.
    Platform::InstanceLock lock;
    EXPECT_TRUE(lock.TryAcquire(lockFile).Ok());
}

TEST_F(LockWaitTest, AHeldLockDelaysTheInstallationUntilReleased) {
    auto program = std::make_unique<Platform::InstanceLock>();
    ASSERT_TRUE(program->TryAcquire(lockFile).Ok());
    std::atomic<bool> released{false};
    // Taken before the main program's 400 ms start, so that the installation, which must wait
    // for the release, cannot end sooner.
    const auto start = Clock::now();
    std::thread mainProgram([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        released = true;
        program->Release();
    });

    ScratchFolder files;
    const std::filesystem::path programFile = files.Path() / "tarnwick";
    const std::filesystem::path package = files.Path() / "tarnwick.deb";
    WriteFile(programFile, "x");
    WriteFile(package, "x");
    FakeHost host;
    host.wait = [&] { WaitForLockRelease(lockFile, std::chrono::milliseconds(10)); };
    bool releasedAtInstall = false;
    bool lockFreeAtInstall = false;
    host.onInstall = [&] {
        releasedAtInstall = released;
        Platform::InstanceLock probe;
        lockFreeAtInstall = probe.TryAcquire(lockFile).Ok();
    };
    const std::string a = programFile.string();
    const std::string b = files.Path().string();
    const std::string c = package.string();
    const char* argv[] = {"twexec", a.c_str(), b.c_str(), c.c_str(), nullptr};
    EXPECT_EQ(Execute(4, argv, host), 0);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(400));
    mainProgram.join();
    EXPECT_TRUE(releasedAtInstall);
    EXPECT_TRUE(lockFreeAtInstall);
    EXPECT_EQ(host.starts.size(), 1u);
}

TEST(ProgramLockPathTest, IsTheMainProgramsLockInTheRuntimeFolder) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    ASSERT_NE(runtime, nullptr);
    EXPECT_EQ(ProgramLockPath(), std::filesystem::path(runtime) / "Tarnwick2010.lock");
}

// What the user sees for a missing path: an error box without owner.
TEST(SystemHostTest, ShowsTheErrorBoxWithCaptionAndText) {
    int argc = 1;
    char name[] = "twexec";
    char* argv[] = {name, nullptr};
    SystemHost host(argc, argv);
    std::optional<QString> title;
    std::optional<QString> text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool hadParent = true;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        hadParent = box->parentWidget() != nullptr;
        box->accept();
    });
    host.ShowError(kCaption, u"Inavalid parameter: 0x000002..");
    EXPECT_EQ(title, QString("Tarnwick Auto Updater"));
    EXPECT_EQ(text, QString("Inavalid parameter: 0x000002.."));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_FALSE(hadParent);
}

// The box for a missing download folder, for review: written only when TW_SCREENSHOT_DIR names
// a folder.
TEST(UpdateExecutorScreenshots, MissingDownloadFolder) {
    const char* folder = std::getenv("TW_SCREENSHOT_DIR");
    if (folder == nullptr || folder[0] == '\0') {
        GTEST_SKIP() << "TW_SCREENSHOT_DIR is not set";
    }
    int argc = 1;
    char name[] = "twexec";
    char* argv[] = {name, nullptr};
    SystemHost host(argc, argv);
    bool saved = false;
    QTimer::singleShot(200, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        saved = box->grab().save(QString::fromLocal8Bit(folder) + "/twexec-parameter.png");
        box->accept();
    });
    host.ShowError(kCaption, u"Inavalid parameter: 0x000002..");
    EXPECT_TRUE(saved);
}

} // namespace
} // namespace Tarnwick::UpdateExecutor
