#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

#include "core/PEFileSignatureVerifier.h"
#include "core/SystemInformation.h"
#include "base/exceptions/Exception.h"
#include "support/TemporaryXdgFolders.h"

using namespace Tarnwick::Core;
using WindowsServiceProvider::PEFileSignatureVerifier;

TEST(SystemInformation, VersionNumberHasFourParts) {
    const std::u16string version = GetVersionNumberOfExecuteable();
    EXPECT_EQ(version, u"1.17.0.0");
}

TEST(SystemInformation, VersionFlagsTakeTheModernPaths) {
    EXPECT_TRUE(OSVersionInfo::IsWindowsVistaOrGreater());
    EXPECT_FALSE(OSVersionInfo::IsWindows7orWindowsServer2008R2());
    EXPECT_FALSE(OSVersionInfo::IsWindowsXP());
    EXPECT_FALSE(OSVersionInfo::IsWindowsVista());
}

TEST(SystemInformation, IntegrityLevelOfOwnAndVanishedProcesses) {
    EXPECT_EQ(QueryProcessInformation::GetProcessIntegrityLevel(::getpid()), kMediumIntegrityLevel);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    for (const int gone : {static_cast<int>(child), 0, -5}) {
        try {
            QueryProcessInformation::GetProcessIntegrityLevel(gone);
            ADD_FAILURE() << gone;
        } catch (const Utilities::Exceptions::WindowsException& e) {
            EXPECT_EQ(e.GetErrorCode(), ESRCH);
            EXPECT_EQ(e.GetTarget().View(), u"ProcessIntegrityLevelInfo::OpenProcessToken");
        }
    }
}

TEST(SystemInformation, ElevationFollowsRootOrWritableProgramFolder) {
    // The tests run from a build folder their user can write.
    EXPECT_TRUE(CanUserElevateAdministratorRights());
}

TEST(SystemInformation, ExecutablesCarryNoSignatureToVerify) {
    TestSupport::TemporaryXdgFolders xdg;
    EXPECT_EQ(PEFileSignatureVerifier::VerifySignature("/proc/self/exe", -1),
              WindowsServiceProvider::TRUST_E_NOSIGNATURE);
    EXPECT_EQ(static_cast<std::uint32_t>(WindowsServiceProvider::TRUST_E_NOSIGNATURE), 0x800B0100u);
    EXPECT_EQ(PEFileSignatureVerifier::VerifySignature(xdg.Root() / "missing", -1),
              WindowsServiceProvider::VerificationFailed);
    EXPECT_EQ(PEFileSignatureVerifier::VerifySignature(xdg.Root(), -1),
              WindowsServiceProvider::VerificationFailed);
}
