#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "update-executor/TestSupport.h"
#include "update-executor/install/DebianPackage.h"
#include "update-executor/install/InstallUpdate.h"

namespace Tarnwick::UpdateInstall {
namespace {

using UpdateExecutor::TestSupport::Quoted;
using UpdateExecutor::TestSupport::ReadFile;
using UpdateExecutor::TestSupport::ScratchFolder;
using UpdateExecutor::TestSupport::Shell;
using UpdateExecutor::TestSupport::WriteFile;

// Stands in for the signature, the checksum, dpkg-deb and dpkg; remembers what it was shown.
class FakeChecks : public IUpdateChecks {
public:
    bool ReadInformation(const std::filesystem::path& information,
                         UpdateProvider::UpdateInformation& out) override {
        informationSeen = information;
        informationContent = ReadFile(information);
        if (onReadInformation) {
            onReadInformation();
        }
        out.checksum = u"c0ffee";
        return informationValid;
    }
    bool VerifyChecksum(const std::filesystem::path&, std::u16string_view checksum) override {
        checksumSeen = std::u16string(checksum);
        if (checksumThrows) {
            throw std::runtime_error("invalid hex conversion");
        }
        return checksumMatches;
    }
    bool ReadPackageField(const std::filesystem::path&, const char* field, std::string& out) override {
        fieldsAsked.push_back(field);
        out = std::string(field) == "Package" ? packageName : packageVersion;
        return true;
    }
    int Install(const std::filesystem::path& package) override {
        installed = package;
        installedContent = ReadFile(package);
        return installResult;
    }

    bool informationValid = true;
    bool checksumMatches = true;
    bool checksumThrows = false;
    std::string packageName = "tarnwick\n";
    std::string packageVersion = "1.18.0\n";
    int installResult = 0;
    std::function<void()> onReadInformation;

    std::filesystem::path informationSeen;
    std::string informationContent;
    std::u16string checksumSeen;
    std::vector<std::string> fieldsAsked;
    std::filesystem::path installed;
    std::string installedContent;
};

class InstallUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        options.cacheRoot = scratch.Path() / "cache";
        options.cacheOwner = ::geteuid();
        options.installedVersion = "1.17.0";
        folder = scratch.Path() / "download";
        package = folder / "tarnwick_1.18.0_amd64.deb";
        std::filesystem::create_directories(folder);
        WriteFile(folder / "update.xml", "<UpdateInfo/>");
        WriteFile(package, "the package");
    }

    int Run() { return InstallUpdate(folder, package, checks, err, options); }

    bool CacheRootEmpty() const {
        return !std::filesystem::exists(options.cacheRoot) || std::filesystem::is_empty(options.cacheRoot);
    }
    void ExpectRefused(int code, const std::string& message) {
        EXPECT_EQ(Run(), code);
        EXPECT_NE(err.str().find(message), std::string::npos) << err.str();
        EXPECT_TRUE(checks.installed.empty());
        EXPECT_TRUE(CacheRootEmpty());
    }

    ScratchFolder scratch;
    InstallOptions options;
    std::filesystem::path folder;
    std::filesystem::path package;
    FakeChecks checks;
    std::ostringstream err;
};

TEST_F(InstallUpdateTest, InstallsTheVerifiedPrivateCopyAndRemovesIt) {
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(err.str().empty()) << err.str();
    // Checked and installed were copies in a private folder below the cache root.
    EXPECT_EQ(checks.informationSeen.parent_path().parent_path(), options.cacheRoot);
    EXPECT_EQ(checks.installed.parent_path(), checks.informationSeen.parent_path());
    EXPECT_EQ(checks.informationContent, "<UpdateInfo/>");
    EXPECT_EQ(checks.installedContent, "the package");
    EXPECT_EQ(checks.checksumSeen, u"c0ffee");
    EXPECT_EQ(checks.fieldsAsked, (std::vector<std::string>{"Package", "Version"}));
    EXPECT_TRUE(CacheRootEmpty());
}

TEST_F(InstallUpdateTest, MakesAMissingCacheRootPrivate) {
    ASSERT_EQ(Run(), 0);
    struct stat info {};
    ASSERT_EQ(::lstat(options.cacheRoot.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
}

TEST_F(InstallUpdateTest, TheWorkFolderIsClosedToOthers) {
    mode_t mode = 0;
    checks.onReadInformation = [&] {
        struct stat info {};
        ::lstat(checks.informationSeen.parent_path().c_str(), &info);
        mode = info.st_mode & 07777;
    };
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(mode, 0700u);
}

TEST_F(InstallUpdateTest, DpkgsExitCodeIsTheResult) {
    checks.installResult = 1;
    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(CacheRootEmpty());
}

TEST_F(InstallUpdateTest, ASwapAfterTheCopyDoesNotReachTheInstaller) {
    checks.onReadInformation = [&] { WriteFile(package, "something else"); };
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(checks.installedContent, "the package");
}

TEST_F(InstallUpdateTest, RefusesACacheRootThatIsALink) {
    std::filesystem::create_directory(scratch.Path() / "elsewhere");
    std::filesystem::create_directory_symlink(scratch.Path() / "elsewhere", options.cacheRoot);
    ExpectRefused(kUnsafeCacheRoot, "ist kein Ordner, sondern eine Verknüpfung oder Datei");
    EXPECT_TRUE(std::filesystem::is_empty(scratch.Path() / "elsewhere"));
}

TEST_F(InstallUpdateTest, RefusesACacheRootOfAnotherOwner) {
    std::filesystem::create_directory(options.cacheRoot);
    options.cacheOwner = ::geteuid() + 1;
    ExpectRefused(kUnsafeCacheRoot, "gehört nicht dem Administrator");
}

TEST_F(InstallUpdateTest, RefusesACacheRootOthersMayWrite) {
    std::filesystem::create_directory(options.cacheRoot);
    ::chmod(options.cacheRoot.c_str(), 0777);
    ExpectRefused(kUnsafeCacheRoot, "für andere beschreibbar");
}

TEST_F(InstallUpdateTest, RefusesALinkedInformationFile) {
    WriteFile(scratch.Path() / "other.xml", "<UpdateInfo/>");
    std::filesystem::remove(folder / "update.xml");
    std::filesystem::create_symlink(scratch.Path() / "other.xml", folder / "update.xml");
    ExpectRefused(kBadInformationFile, "ist eine symbolische Verknüpfung");
}

TEST_F(InstallUpdateTest, RefusesAMissingInformationFile) {
    std::filesystem::remove(folder / "update.xml");
    ExpectRefused(kBadInformationFile,
                  "kann nicht geöffnet werden: Die Datei oder der Ordner existiert nicht.");
}

TEST_F(InstallUpdateTest, RefusesALinkedPackage) {
    const std::filesystem::path link = folder / "link.deb";
    std::filesystem::create_symlink(package, link);
    package = link;
    ExpectRefused(kBadPackageFile, "ist eine symbolische Verknüpfung");
}

TEST_F(InstallUpdateTest, RefusesAFolderAsPackage) {
    package = folder;
    ExpectRefused(kBadPackageFile, "ist keine gewöhnliche Datei");
}

TEST_F(InstallUpdateTest, RefusesAPipeWithoutWaitingForAWriter) {
    const std::filesystem::path pipe = folder / "pipe.deb";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    package = pipe;
    ExpectRefused(kBadPackageFile, "ist keine gewöhnliche Datei");
}

TEST_F(InstallUpdateTest, RefusesAnOversizedPackage) {
    options.packageLimit = 5;
    ExpectRefused(kFileTooLarge, "ist größer als erlaubt (höchstens 5 Bytes)");
}

TEST_F(InstallUpdateTest, RefusesAnOversizedInformationFile) {
    options.informationLimit = 4;
    ExpectRefused(kFileTooLarge, "update.xml“ ist größer als erlaubt");
}

TEST_F(InstallUpdateTest, RefusesInformationThatDoesNotVerify) {
    checks.informationValid = false;
    ExpectRefused(kInvalidInformation, "Die Aktualisierungsinformationen sind ungültig.");
    EXPECT_TRUE(checks.checksumSeen.empty());
}

TEST_F(InstallUpdateTest, RefusesAPackageWithAnotherChecksum) {
    checks.checksumMatches = false;
    ExpectRefused(kChecksumMismatch, "Die Installationsdatei konnte nicht verifiziert werden.");
}

TEST_F(InstallUpdateTest, AChecksumThatCannotBeReadIsAMismatch) {
    checks.checksumThrows = true;
    ExpectRefused(kChecksumMismatch, "Die Installationsdatei konnte nicht verifiziert werden.");
}

TEST_F(InstallUpdateTest, RefusesAnotherPackage) {
    checks.packageName = "tarnwick-evil\n";
    ExpectRefused(kWrongPackage, "Paketname „tarnwick-evil“");
}

TEST_F(InstallUpdateTest, RefusesAnOlderSignedPackage) {
    checks.packageVersion = "1.16.9\n";
    ExpectRefused(kOlderPackage,
                  "„1.16.9“ der Installationsdatei ist älter als die installierte Version 1.17.0");
}

TEST_F(InstallUpdateTest, RefusesAVersionItCannotCompare) {
    checks.packageVersion = "1.18.0~rc1";
    ExpectRefused(kOlderPackage, "oder ungültig");
}

TEST_F(InstallUpdateTest, TheSameVersionMayBeInstalledAgain) {
    checks.packageVersion = "1.17.0";
    EXPECT_EQ(Run(), 0);
}

TEST(CompareVersionsTest, ComparesNumberByNumber) {
    int order = 2;
    ASSERT_TRUE(CompareVersions("1.10.0", "1.9.0", order));
    EXPECT_EQ(order, 1);
    ASSERT_TRUE(CompareVersions("1.17", "1.17.0", order));
    EXPECT_EQ(order, 0);
    ASSERT_TRUE(CompareVersions("1.17.0", "1.17.0.1", order));
    EXPECT_EQ(order, -1);
    EXPECT_FALSE(CompareVersions("", "1.0", order));
    EXPECT_FALSE(CompareVersions("1..0", "1.0", order));
    EXPECT_FALSE(CompareVersions("1.0.", "1.0", order));
    EXPECT_FALSE(CompareVersions("2:1.0", "1.0", order));
    EXPECT_FALSE(CompareVersions("1.9999999999", "1.0", order));
}

TEST_F(InstallUpdateTest, AnInstallerThatCannotStartIsToldApart) {
    checks.installResult = -1;
    EXPECT_EQ(Run(), kInstallerNotStarted);
    EXPECT_NE(err.str().find("dpkg kann nicht gestartet werden"), std::string::npos);
    EXPECT_TRUE(CacheRootEmpty());
}

TEST(InstallExitCodesTest, NoneIsPkexecsRefusal) {
    for (const int code : {kUsage, kNotRoot, kUnsafeCacheRoot, kBadInformationFile, kBadPackageFile,
                           kFileTooLarge, kCopyFailed, kInvalidInformation, kChecksumMismatch, kWrongPackage,
                           kInstallerNotStarted, kOlderPackage}) {
        EXPECT_NE(code, 126);
        EXPECT_NE(code, 127);
        EXPECT_NE(code, 0);
    }
}

// A real, minimal Debian package of the given name.
std::filesystem::path BuildPackage(const std::filesystem::path& scratch, const std::string& name) {
    const std::filesystem::path tree = scratch / (name + "-tree");
    std::filesystem::create_directories(tree / "DEBIAN");
    WriteFile(tree / "DEBIAN" / "control",
              "Package: " + name +
                  "\nVersion: 1.18.0\nArchitecture: all\nMaintainer: Test <t@t.example>\n"
                  "Description: test\n");
    const std::filesystem::path deb = scratch / (name + ".deb");
    EXPECT_EQ(
        Shell("dpkg-deb --root-owner-group --build " + Quoted(tree) + " " + Quoted(deb) + " >/dev/null"), 0);
    return deb;
}

TEST(DebianPackageTest, ReadsThePackageName) {
    ScratchFolder scratch;
    std::string name;
    ASSERT_TRUE(ReadDebianPackageField(BuildPackage(scratch.Path(), "tarnwick"), "Package", name));
    EXPECT_EQ(name, "tarnwick\n");
    ASSERT_TRUE(ReadDebianPackageField(BuildPackage(scratch.Path(), "other"), "Package", name));
    EXPECT_EQ(name, "other\n");
}

TEST(DebianPackageTest, AFileThatIsNoPackageHasNoName) {
    ScratchFolder scratch;
    WriteFile(scratch.Path() / "fake.deb", "not an archive");
    std::string name;
    EXPECT_FALSE(ReadDebianPackageField(scratch.Path() / "fake.deb", "Package", name));
}

} // namespace
} // namespace Tarnwick::UpdateInstall
