#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <cstring>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "AppTestSupport.h"
#include "app/SingleInstanceApplication.h"
#include "platform/InstanceLock.h"
#include "support/TempDir.h"

using Tarnwick::SingleInstanceApplication;
using Tarnwick::Platform::InstanceLock;
using namespace std::chrono_literals;

namespace {

// Runs the event loop until done is set or the time is up.
void SpinUntil(const std::atomic<bool>& done, std::chrono::milliseconds limit = 10s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done.load() && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

} // namespace

TEST(InstanceLock, OneHolderAtATime) {
    TestSupport::TempDir dir;
    const auto lockFile = dir / "Tarnwick2010.lock";
    InstanceLock first;
    InstanceLock second;
    ASSERT_TRUE(first.TryAcquire(lockFile).Ok());
    const auto refused = second.TryAcquire(lockFile);
    EXPECT_EQ(refused.error, EWOULDBLOCK);
    EXPECT_FALSE(second.IsHeld());

    struct stat info {};
    ASSERT_EQ(::stat(lockFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // Another session has a runtime folder of its own: both run.
    TestSupport::TempDir otherSession;
    InstanceLock elsewhere;
    EXPECT_TRUE(elsewhere.TryAcquire(otherSession / "Tarnwick2010.lock").Ok());

    first.Release();
    EXPECT_TRUE(second.TryAcquire(lockFile).Ok());
}

TEST(InstanceLock, AnotherProcessIsRefusedUntilTheHolderEnds) {
    TestSupport::TempDir dir;
    const auto lockFile = dir / "Tarnwick2010.lock";
    InstanceLock held;
    ASSERT_TRUE(held.TryAcquire(lockFile).Ok());

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock other;
        ::_exit(other.TryAcquire(lockFile).error == EWOULDBLOCK ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    // The kernel drops the lock with its holder, however that one ends.
    held.Release();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        InstanceLock mine;
        const char answer = mine.TryAcquire(lockFile).Ok() ? 'y' : 'n';
        (void)::write(ready[1], &answer, 1);
        ::pause();
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(answer, 'y');
    EXPECT_EQ(held.TryAcquire(lockFile).error, EWOULDBLOCK);
    ::kill(holder, SIGKILL);
    ASSERT_EQ(::waitpid(holder, &status, 0), holder);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(held.TryAcquire(lockFile).Ok());
}

TEST(InstanceLock, SimultaneousStartsHaveOneWinner) {
    TestSupport::TempDir dir;
    const auto lockFile = dir / "Tarnwick2010.lock";
    for (int round = 0; round < 20; ++round) {
        constexpr int kContenders = 8;
        std::vector<InstanceLock> locks(kContenders);
        std::atomic<int> winners{0};
        std::barrier start(kContenders);
        std::vector<std::thread> threads;
        for (int i = 0; i < kContenders; ++i) {
            threads.emplace_back([&, i] {
                start.arrive_and_wait();
                if (locks[static_cast<std::size_t>(i)].TryAcquire(lockFile).Ok()) {
                    ++winners;
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        EXPECT_EQ(winners.load(), 1) << "round " << round;
    }
}

TEST(InstanceLock, RefusesALinkInPlaceOfTheLockFile) {
    TestSupport::TempDir dir;
    std::filesystem::create_symlink(dir / "elsewhere", dir / "Tarnwick2010.lock");
    InstanceLock lock;
    EXPECT_FALSE(lock.TryAcquire(dir / "Tarnwick2010.lock").Ok());
    EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere"));
}

TEST(SingleInstanceApplication, SecondInstanceBringsTheFirstForward) {
    TestSupport::TempDir dir;
    SingleInstanceApplication first(dir.Path());
    ASSERT_TRUE(first.CreateInstance());
    int requests = 0;
    first.Listen([&] {
        ++requests;
        return SingleInstanceApplication::kBroughtForward;
    });

    SingleInstanceApplication second(dir.Path());
    EXPECT_FALSE(second.CreateInstance());
    std::atomic<bool> done{false};
    int answer = -2;
    std::thread asker([&] {
        answer = second.AskRunningInstance(5s);
        done = true;
    });
    SpinUntil(done);
    asker.join();
    EXPECT_EQ(answer, SingleInstanceApplication::kBroughtForward);
    EXPECT_EQ(requests, 1);

    // Only the user can reach the socket.
    struct stat info {};
    ASSERT_EQ(::stat(first.SocketPath().toLocal8Bit().constData(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0077, 0u);
}

TEST(SingleInstanceApplication, AnswerOfTheRunningInstanceArrives) {
    TestSupport::TempDir dir;
    SingleInstanceApplication first(dir.Path());
    ASSERT_TRUE(first.CreateInstance());
    first.Listen([] { return SingleInstanceApplication::kInTray; });

    SingleInstanceApplication second(dir.Path());
    std::atomic<bool> done{false};
    int answer = -2;
    std::thread asker([&] {
        answer = second.AskRunningInstance(5s);
        done = true;
    });
    SpinUntil(done);
    asker.join();
    EXPECT_EQ(answer, SingleInstanceApplication::kInTray);
}

TEST(SingleInstanceApplication, NoAnswerWithoutARunningInstance) {
    TestSupport::TempDir dir;
    SingleInstanceApplication lonely(dir.Path());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(lonely.AskRunningInstance(300ms), SingleInstanceApplication::kNoAnswer);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

TEST(SingleInstanceApplication, StaleSocketOfACrashedInstanceIsReplaced) {
    TestSupport::TempDir dir;
    {
        // A socket file that nobody listens on any more.
        SingleInstanceApplication probe(dir.Path());
        const QByteArray path = QFile::encodeName(probe.SocketPath());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::close(fd);
        ASSERT_TRUE(std::filesystem::exists(path.toStdString()));
    }
    SingleInstanceApplication first(dir.Path());
    ASSERT_TRUE(first.CreateInstance());
    EXPECT_NO_THROW(first.Listen([] { return 0; }));

    SingleInstanceApplication second(dir.Path());
    std::atomic<bool> done{false};
    int answer = -2;
    std::thread asker([&] {
        answer = second.AskRunningInstance(5s);
        done = true;
    });
    SpinUntil(done);
    asker.join();
    EXPECT_EQ(answer, 0);
}

#ifdef TW_TARNWICK_PROGRAM
// Two real processes: the second ends at once after the first answered; the first runs on.
TEST(SingleInstanceApplication, TwoProcesses) {
    TestSupport::TemporaryXdgFolders xdg;
    const auto runtime = xdg.Root() / "runtime";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), AppTest::Q(runtime));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), AppTest::Q(xdg.Data()));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), AppTest::Q(xdg.Cache()));
    environment.insert(QStringLiteral("HOME"), AppTest::Q(xdg.Home()));

    QProcess first;
    first.setProcessEnvironment(environment);
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(QStringLiteral(TW_TARNWICK_PROGRAM), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    const auto socket = runtime / "Tarnwick2010.socket";
    for (int i = 0; i < 300 && !std::filesystem::exists(socket); ++i) {
        QTest::qWait(50);
    }
    ASSERT_TRUE(std::filesystem::exists(socket));

    QProcess second;
    second.setProcessEnvironment(environment);
    second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    second.start(QStringLiteral(TW_TARNWICK_PROGRAM), {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0); // the first one answered
    EXPECT_EQ(first.state(), QProcess::Running);

    first.kill();
    first.waitForFinished(10000);
}
#endif
