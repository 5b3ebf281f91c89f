#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <vector>

#include <unistd.h>

#include "AppTestSupport.h"
#include "app/UpdateCleanup.h"
#include "core/Path.h"

using Tarnwick::App::CleanUpAfterUpdate;
using Tarnwick::App::IsOwnUpdateFolder;
using Tarnwick::Core::Path;
namespace fs = std::filesystem;

namespace {

class UpdateCleanup : public AppTest::AppFixture {
protected:
    bool Clean(const fs::path& folder) {
        return CleanUpAfterUpdate(Tarnwick::Text::FromUtf8(folder.string()),
                                  [this](std::chrono::milliseconds pause) { waits.push_back(pause); });
    }
    static void Touch(const fs::path& file) { std::ofstream(file) << "x"; }

    std::vector<std::chrono::milliseconds> waits;
};

} // namespace

TEST_F(UpdateCleanup, DeletesTheDownloadFolderAfterTheGrace) {
    const fs::path folder = Path::CreateTemporaryFolder();
    Touch(folder / "update.xml");
    fs::create_directories(folder / "sub");
    Touch(folder / "sub" / "twupdate32.msi");
    EXPECT_TRUE(Clean(folder));
    EXPECT_FALSE(fs::exists(folder));
    ASSERT_EQ(waits.size(), 1u);
    EXPECT_EQ(waits[0], std::chrono::milliseconds(2000));
    // With a trailing separator too.
    const fs::path other = Path::CreateTemporaryFolder();
    EXPECT_TRUE(Clean(other / ""));
    EXPECT_FALSE(fs::exists(other));
}

TEST_F(UpdateCleanup, NeverDeletesAnArbitraryFolder) {
    const fs::path outside = xdg.Root() / "1700000000-AbC123";
    fs::create_directories(outside);
    Touch(outside / "wichtig.txt");
    EXPECT_FALSE(Clean(outside));
    EXPECT_TRUE(fs::exists(outside / "wichtig.txt"));

    // The private folder itself, its parents, and the home folder.
    EXPECT_FALSE(Clean(Path::GetTemporaryPath()));
    EXPECT_FALSE(Clean(xdg.Home()));
    EXPECT_TRUE(fs::exists(Path::GetTemporaryPath()));
    EXPECT_TRUE(fs::exists(xdg.Home()));

    // An empty text still waits, then refuses.
    waits.clear();
    EXPECT_FALSE(Clean(fs::path()));
    EXPECT_EQ(waits.size(), 1u);
    // Relative paths are refused.
    EXPECT_FALSE(IsOwnUpdateFolder("1700000000-AbC123", Path::GetTemporaryPath()));
}

TEST_F(UpdateCleanup, RefusesPathsThatLeadOutOfThePrivateFolder) {
    const fs::path victim = xdg.Root() / "victim";
    fs::create_directories(victim / "1700000000-AbC123");
    Touch(victim / "1700000000-AbC123" / "data");
    const fs::path escape = Path::GetTemporaryPath() / ".." / ".." / ".." / ".." / "victim" / "1700000000-AbC123";
    EXPECT_FALSE(Clean(escape));
    EXPECT_TRUE(fs::exists(victim / "1700000000-AbC123" / "data"));

    // A link named like a download folder, pointing elsewhere.
    const fs::path link = Path::GetTemporaryPath() / "1700000001-Lnk001";
    fs::create_directory_symlink(victim, link);
    EXPECT_FALSE(Clean(link));
    EXPECT_TRUE(fs::exists(victim / "1700000000-AbC123" / "data"));

    // A private folder reached through a linked parent is not the private folder.
    const fs::path linkedParent = xdg.Root() / "linked";
    fs::create_directory_symlink(victim, linkedParent);
    EXPECT_FALSE(Clean(linkedParent / "1700000000-AbC123"));
    EXPECT_TRUE(fs::exists(victim / "1700000000-AbC123" / "data"));
}

TEST_F(UpdateCleanup, RefusesOtherNamesAndFiles) {
    const fs::path root = Path::GetTemporaryPath();
    for (const char* name : {"Images", "update", "1700000000", "-AbC123", "1700000000-AbC12", "1700000000-AbC1234",
                             "17000x0000-AbC123", "1700000000-AbC.23"}) {
        fs::create_directories(root / name);
        EXPECT_FALSE(IsOwnUpdateFolder(root / name, root)) << name;
        EXPECT_TRUE(fs::exists(root / name));
    }
    Touch(root / "1700000000-File00");
    EXPECT_FALSE(Clean(root / "1700000000-File00"));
    EXPECT_TRUE(fs::exists(root / "1700000000-File00"));
    // Gone already: nothing to do, start-up goes on.
    EXPECT_FALSE(Clean(root / "1700000000-Gone00"));
}

TEST_F(UpdateCleanup, RefusesAFolderOfAnotherUser) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs to hand a folder to another user";
    }
    const fs::path folder = Path::CreateTemporaryFolder();
    ASSERT_EQ(::chown(folder.c_str(), 4242, 4242), 0);
    EXPECT_FALSE(Clean(folder));
    EXPECT_TRUE(fs::exists(folder));
}
