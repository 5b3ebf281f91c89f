#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Path.h"
#include "base/exceptions/Exception.h"
#include "support/TemporaryXdgFolders.h"

namespace fs = std::filesystem;
using Tarnwick::Core::FULL_FILE_TIME;
using Tarnwick::Core::Path;
using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;

namespace {

unsigned ModeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

void Touch(const fs::path& path, const std::string& content = "x") {
    std::ofstream(path) << content;
}

// Runs the call and returns the WindowsException it must raise.
template <typename Call> WindowsException Raised(Call call) {
    try {
        call();
    } catch (const WindowsException& e) {
        return e;
    }
    ADD_FAILURE() << "no WindowsException";
    return WindowsException(u"", 0, u"", u"");
}

class PathTest : public ::testing::Test {
protected:
    TestSupport::TemporaryXdgFolders xdg;
};

} // namespace

TEST_F(PathTest, LocalAppPathCreatesPrivateChainAndIsCached) {
    const fs::path& first = Path::GetLocalAppPath();
    EXPECT_EQ(first, xdg.Data() / "Kelmarsh" / "Tarnwick" / "2010" / "");
    EXPECT_EQ(first.native().back(), '/');
    for (const fs::path& folder : {xdg.Data(), xdg.Data() / "Kelmarsh", xdg.Data() / "Kelmarsh" / "Tarnwick",
                                   xdg.Data() / "Kelmarsh" / "Tarnwick" / "2010"}) {
        EXPECT_TRUE(fs::is_directory(folder)) << folder;
        EXPECT_EQ(ModeOf(folder), 0700u) << folder;
    }

    // Cached: the folder is not made again, and the environment is not read again.
    fs::remove_all(xdg.Data());
    xdg.Set("XDG_DATA_HOME", xdg.Root() / "elsewhere");
    EXPECT_EQ(Path::GetLocalAppPath(), first);
    EXPECT_FALSE(fs::exists(first));

    Path::ResetCacheForTesting();
    EXPECT_EQ(Path::GetLocalAppPath(), xdg.Root() / "elsewhere" / "Kelmarsh" / "Tarnwick" / "2010" / "");
}

TEST_F(PathTest, LocalAppPathFollowsXdgRules) {
    // A relative XDG_DATA_HOME is ignored; the default lies below HOME.
    xdg.Set("XDG_DATA_HOME", fs::path("relative/data"));
    EXPECT_EQ(Path::GetLocalAppPath(),
              xdg.Home() / ".local" / "share" / "Kelmarsh" / "Tarnwick" / "2010" / "");

    // A file where the folder belongs is an error, and the failure is not cached.
    Path::ResetCacheForTesting();
    xdg.Set("XDG_DATA_HOME", xdg.Data());
    fs::create_directories(xdg.Data() / "Kelmarsh" / "Tarnwick");
    Touch(xdg.Data() / "Kelmarsh" / "Tarnwick" / "2010");
    const auto e = Raised([] { Path::GetLocalAppPath(); });
    EXPECT_EQ(e.GetErrorCode(), ENOTDIR);
    EXPECT_EQ(e.GetTarget().View(), u"Path::CreatePath");
    fs::remove(xdg.Data() / "Kelmarsh" / "Tarnwick" / "2010");
    EXPECT_TRUE(fs::is_directory(Path::GetLocalAppPath()));
}

TEST_F(PathTest, ADataFolderOpenToOthersIsRefusedByName) {
    const fs::path chain = xdg.Data() / "Kelmarsh" / "Tarnwick" / "2010";
    const auto refusal = [] {
        try {
            Path::GetLocalAppPath();
        } catch (const Tarnwick::Core::UnsafeFolderException& e) {
            return e.GetMessage().ToStdString();
        }
        return std::u16string();
    };
    // Writable by anyone, reached through a link or not.
    fs::create_directories(chain);
    fs::permissions(chain, fs::perms::all);
    EXPECT_NE(refusal().find(chain.u16string()), std::u16string::npos);
    fs::permissions(chain, fs::perms::owner_all, fs::perm_options::replace);
    Path::ResetCacheForTesting();
    EXPECT_EQ(Path::GetLocalAppPath(), chain / "");

    fs::remove_all(xdg.Data() / "Kelmarsh");
    fs::create_directories(xdg.Root() / "offen" / "Tarnwick" / "2010");
    fs::permissions(xdg.Root() / "offen", fs::perms::all);
    fs::create_directory_symlink(xdg.Root() / "offen", xdg.Data() / "Kelmarsh");
    Path::ResetCacheForTesting();
    EXPECT_NE(refusal().find(u"Kelmarsh"), std::u16string::npos);
    EXPECT_NE(refusal().find(u"gehört einem anderen Benutzer oder ist für andere Benutzer beschreibbar"),
              std::u16string::npos);

    // Owned by another user (only root can hand a folder over).
    if (::geteuid() == 0) {
        fs::remove(xdg.Data() / "Kelmarsh");
        fs::create_directories(chain);
        fs::permissions(xdg.Data() / "Kelmarsh", fs::perms::owner_all, fs::perm_options::replace);
        ASSERT_EQ(::chown(chain.c_str(), 65534, 65534), 0);
        Path::ResetCacheForTesting();
        EXPECT_NE(refusal().find(chain.u16string()), std::u16string::npos);
    }
}

TEST_F(PathTest, QualifiedResourcePathIsCreatedOnce) {
    const fs::path images = Path::GetQualifiedResourcePath();
    EXPECT_EQ(images, Path::GetLocalAppPath() / "Images" / "");
    EXPECT_EQ(ModeOf(images), 0700u);
    Touch(images / "icon.png");
    EXPECT_EQ(Path::GetQualifiedResourcePath(), images);
    EXPECT_TRUE(fs::exists(images / "icon.png"));
}

TEST_F(PathTest, FolderPaths) {
    fs::path out;
    EXPECT_EQ(&Path::GetFolderPath(out, Tarnwick::Core::CSIDL_STARTUP), &out);
    EXPECT_EQ(out, xdg.Config() / "autostart");
    EXPECT_EQ(Path::GetFolderPath(out, Tarnwick::Core::CSIDL_LOCAL_APPDATA), xdg.Data());
    EXPECT_EQ(Path::GetFolderPath(out, Tarnwick::Core::CSIDL_APPDATA), xdg.Config());
    EXPECT_EQ(Path::GetFolderPath(out, Tarnwick::Core::CSIDL_PERSONAL), xdg.Home());
    xdg.Set("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(Path::GetFolderPath(out, Tarnwick::Core::CSIDL_STARTUP), xdg.Home() / ".config" / "autostart");

    try {
        Path::GetFolderPath(out, 0x7777);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.GetMessage().View(), u"Dieser Ordner existiert nicht.");
        EXPECT_EQ(e.GetTarget().View(), u"Path::GetFolderPath");
    }
}

TEST_F(PathTest, ApplicationPathIsTheProgramFolder) {
    const fs::path& folder = Path::GetApplicationPath();
    EXPECT_EQ(folder.native().back(), '/');
    EXPECT_EQ(folder, fs::read_symlink("/proc/self/exe").parent_path() / "");
    EXPECT_TRUE(fs::exists(folder / "tw_core_tests"));
    EXPECT_EQ(&Path::GetApplicationPath(), &folder);
}

TEST_F(PathTest, ExistenceTests) {
    const fs::path file = xdg.Root() / "file";
    Touch(file);
    EXPECT_TRUE(Path::FileExists(file));
    EXPECT_TRUE(Path::PathExists(file));
    EXPECT_TRUE(Path::PathExists(xdg.Root()));
    EXPECT_FALSE(Path::PathExists(xdg.Root() / "missing"));
    EXPECT_FALSE(Path::FileExists(xdg.Root() / "missing" / "deeper"));
    EXPECT_FALSE(Path::FileExists(file / "below-a-file"));
    EXPECT_FALSE(Path::PathExists(""));

    // A loop of links is no "missing" answer but a failure.
    fs::create_symlink(xdg.Root() / "loop", xdg.Root() / "loop");
    const auto e = Raised([&] { Path::PathExists(xdg.Root() / "loop"); });
    EXPECT_EQ(e.GetErrorCode(), ELOOP);
    EXPECT_EQ(e.GetFunction().View(), u"stat");
    EXPECT_EQ(e.GetTarget().View(), u"Path::PathExists");
}

TEST_F(PathTest, CreatePathMakesEveryMissingFolderAndRefusesExistingOnes) {
    const fs::path deep = xdg.Root() / "a" / "b" / "c";
    Path::CreatePath(deep);
    EXPECT_EQ(ModeOf(xdg.Root() / "a"), 0700u);
    EXPECT_EQ(ModeOf(deep), 0700u);

    const auto exists = Raised([&] { Path::CreatePath(deep); });
    EXPECT_EQ(exists.GetErrorCode(), EEXIST);
    EXPECT_EQ(exists.GetFunction().View(), u"mkdir");
    EXPECT_EQ(exists.GetTarget().View(), u"Path::CreatePath");
    EXPECT_EQ(Raised([&] { Path::CreatePath(deep / ""); }).GetErrorCode(), EEXIST);

    Touch(xdg.Root() / "plain");
    EXPECT_EQ(Raised([&] { Path::CreatePath(xdg.Root() / "plain" / "sub"); }).GetErrorCode(), ENOTDIR);
    EXPECT_EQ(Raised([] { Path::CreatePath(""); }).GetErrorCode(), ENOENT);
}

TEST_F(PathTest, DeleteFileOrFolderRemovesWholeTreesButNotLinkTargets) {
    const fs::path tree = xdg.Root() / "tree";
    fs::create_directories(tree / "one" / "two" / "three");
    Touch(tree / "top.txt");
    Touch(tree / "one" / "two" / "inner.bin");
    fs::permissions(tree / "one" / "two" / "inner.bin", fs::perms::none);
    const fs::path outside = xdg.Root() / "outside";
    fs::create_directories(outside);
    Touch(outside / "keep.txt");
    fs::create_directory_symlink(outside, tree / "one" / "link-to-outside");
    fs::create_symlink(outside / "keep.txt", tree / "file-link");

    Path::DeleteFileOrFolder(tree / "");
    EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
    EXPECT_TRUE(fs::exists(outside / "keep.txt"));

    // A single file, and a link to a folder (the link goes, the folder stays).
    Path::DeleteFileOrFolder(outside / "keep.txt");
    EXPECT_FALSE(fs::exists(outside / "keep.txt"));
    fs::create_directory_symlink(outside, xdg.Root() / "dirlink");
    Path::DeleteFileOrFolder(xdg.Root() / "dirlink");
    EXPECT_TRUE(fs::is_directory(outside));

    const auto missing = Raised([&] { Path::DeleteFileOrFolder(xdg.Root() / "missing"); });
    EXPECT_EQ(missing.GetErrorCode(), ENOENT);
    EXPECT_EQ(missing.GetTarget().View(), u"Path::DeleteFileOrFolder");
}

TEST_F(PathTest, TemporaryFoldersArePrivateAndFresh) {
    const fs::path base = Path::GetTemporaryPath();
    EXPECT_EQ(base, xdg.Cache() / "Kelmarsh" / "Tarnwick" / "2010" / "");
    EXPECT_EQ(ModeOf(base), 0700u);

    const std::int64_t before = std::time(nullptr);
    const fs::path first = Path::CreateTemporaryFolder();
    const fs::path second = Path::CreateTemporaryFolder();
    const std::int64_t after = std::time(nullptr);
    EXPECT_NE(first, second);
    for (const fs::path& folder : {first, second}) {
        EXPECT_EQ(folder.parent_path() / "", base);
        EXPECT_EQ(ModeOf(folder), 0700u);
        EXPECT_TRUE(fs::is_empty(folder));
        const std::string name = folder.filename().string();
        const auto dash = name.find('-');
        ASSERT_NE(dash, std::string::npos) << name;
        EXPECT_EQ(name.size() - dash - 1, 6u) << name;
        const std::int64_t stamp = std::stoll(name.substr(0, dash));
        EXPECT_GE(stamp, before);
        EXPECT_LE(stamp, after);
    }

    xdg.Set("XDG_CACHE_HOME", std::nullopt);
    EXPECT_EQ(Path::CreateTemporaryFolder().parent_path(),
              xdg.Home() / ".cache" / "Kelmarsh" / "Tarnwick" / "2010");
}

TEST_F(PathTest, FileTimesInUtcAndLocalTime) {
    const fs::path file = xdg.Root() / "dated";
    Touch(file);
    // 2010-05-06 07:08:09.123 UTC (a Thursday) for access, 2009-12-31 23:59:59.999 for writing.
    const timespec times[2] = {{1273129689, 123000000}, {1262303999, 999999999}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);

    FULL_FILE_TIME utc;
    Path::GetFileTime(utc, file, false);
    EXPECT_EQ(utc.lastAccessTime.wYear, 2010);
    EXPECT_EQ(utc.lastAccessTime.wMonth, 5);
    EXPECT_EQ(utc.lastAccessTime.wDay, 6);
    EXPECT_EQ(utc.lastAccessTime.wDayOfWeek, 4);
    EXPECT_EQ(utc.lastAccessTime.wHour, 7);
    EXPECT_EQ(utc.lastAccessTime.wMinute, 8);
    EXPECT_EQ(utc.lastAccessTime.wSecond, 9);
    EXPECT_EQ(utc.lastAccessTime.wMilliseconds, 123);
    EXPECT_EQ(utc.lastWriteTime.wYear, 2009);
    EXPECT_EQ(utc.lastWriteTime.wSecond, 59);
    EXPECT_EQ(utc.lastWriteTime.wMilliseconds, 999);
    EXPECT_GE(utc.creationTime.wYear, 2020);

    // Central European summer time is two hours ahead; the year turns in local time.
    xdg.Set("TZ", fs::path("CET-1CEST,M3.5.0,M10.5.0/3"));
    FULL_FILE_TIME local;
    Path::GetFileTime(local, file, true);
    EXPECT_EQ(local.lastAccessTime.wHour, 9);
    EXPECT_EQ(local.lastWriteTime.wYear, 2010);
    EXPECT_EQ(local.lastWriteTime.wMonth, 1);
    EXPECT_EQ(local.lastWriteTime.wHour, 0);

    const auto missing = Raised([&] {
        FULL_FILE_TIME ignored;
        Path::GetFileTime(ignored, xdg.Root() / "missing", false);
    });
    EXPECT_EQ(missing.GetErrorCode(), ENOENT);
    EXPECT_EQ(missing.GetFunction().View(), u"statx");
    EXPECT_EQ(missing.GetTarget().View(), u"Path::GetFileTime");
}
