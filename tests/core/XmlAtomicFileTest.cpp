#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "support/ReplacementFaults.h"
#include "support/TempFolder.h"

using Tarnwick::Platform::AtomicFile;
using Tarnwick::Platform::ReplaceFileContent;
using TestSupport::ReadFileBytes;
using TestSupport::TempFolder;
using TestSupport::WriteFileBytes;

namespace {

int CountEntries(const std::filesystem::path& folder) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

unsigned ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
}

} // namespace

TEST(AtomicFile, ReplacesWithAPrivateFileAndLeavesNothingBehind) {
    TempFolder folder;
    const auto target = folder / "data.bin";
    WriteFileBytes(target, "old");
    ::chmod(target.c_str(), 0644);
    ASSERT_EQ(ReplaceFileContent(target, "new content", 11), 0);
    EXPECT_EQ(ReadFileBytes(target), "new content");
    EXPECT_EQ(ModeOf(target), 0600u);
    EXPECT_EQ(CountEntries(folder.Path()), 1);

    // A file that did not exist yet.
    ASSERT_EQ(ReplaceFileContent(folder / "fresh", "x", 1), 0);
    EXPECT_EQ(ReadFileBytes(folder / "fresh"), "x");
    EXPECT_EQ(ModeOf(folder / "fresh"), 0600u);
}

TEST(AtomicFile, TargetKeepsItsContentUntilCommit) {
    TempFolder folder;
    const auto target = folder / "data.bin";
    WriteFileBytes(target, "old");
    AtomicFile file;
    ASSERT_EQ(file.Begin(target), 0);
    EXPECT_EQ(file.TemporaryPath().parent_path(), folder.Path());
    EXPECT_EQ(ModeOf(file.TemporaryPath()), 0600u);
    ASSERT_EQ(file.Write("new", 3), 0);
    EXPECT_EQ(ReadFileBytes(target), "old");
    file.Discard();
    EXPECT_EQ(ReadFileBytes(target), "old");
    EXPECT_EQ(CountEntries(folder.Path()), 1);
    EXPECT_EQ(file.Commit(), EBADF);
}

TEST(AtomicFile, ProcessDyingMidWriteLeavesTheOldFile) {
    TempFolder folder;
    const auto target = folder / "data.bin";
    WriteFileBytes(target, "old");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AtomicFile file;
        file.Begin(target);
        file.Write("half of the new", 15);
        ::_exit(0); // no destructor, no commit: as if the process crashed
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(ReadFileBytes(target), "old");
}

TEST(AtomicFile, FailuresReportErrnoAndTheCall) {
    TempFolder folder;
    AtomicFile file;
    EXPECT_EQ(file.Begin(folder / "missing" / "x"), ENOENT);
    EXPECT_STREQ(file.FailedFunction(), "mkostemp");
    EXPECT_EQ(file.Write("x", 1), EBADF);

    const auto target = folder / "data.bin";
    WriteFileBytes(target, "old");
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string big(4096, 'x');
    const int error = ReplaceFileContent(target, big.data(), big.size());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(error, EFBIG);
    EXPECT_EQ(ReadFileBytes(target), "old");
    EXPECT_EQ(CountEntries(folder.Path()), 1);

    // Renaming over a folder fails after everything was written; the folder stays.
    std::filesystem::create_directory(folder / "dir");
    WriteFileBytes(folder / "dir" / "inside", "i");
    AtomicFile over;
    ASSERT_EQ(over.Begin(folder / "dir"), 0);
    ASSERT_EQ(over.Write("x", 1), 0);
    EXPECT_NE(over.Commit(), 0);
    EXPECT_STREQ(over.FailedFunction(), "rename");
    EXPECT_EQ(ReadFileBytes(folder / "dir" / "inside"), "i");
    EXPECT_EQ(CountEntries(folder.Path()), 2);
}

TEST(AtomicFile, EveryFailedChangeLeavesTheOldOrTheNewFile) {
    TempFolder folder;
    const auto target = folder / "data.bin";
    const std::string replacement(100000, 'n');
    const long changes = TestSupport::CheckEveryFailureLeavesOldOrNew(target, "old", replacement, [&] {
        if (ReplaceFileContent(target, replacement.data(), replacement.size()) != 0) {
            throw std::runtime_error("not replaced");
        }
    });
    // Create, write, sync, rename, sync of the folder.
    EXPECT_EQ(changes, 5);
}
