// The install helper with the real signature and checksum checks; only dpkg itself is left out.
#ifdef TW_HAVE_UPDATE_VERIFY

#include <gtest/gtest.h>

#include <sstream>
#include <unistd.h>

#include "update-executor/TestSupport.h"
#include "update-executor/install/SystemUpdateChecks.h"

namespace Tarnwick::UpdateInstall {
namespace {

using UpdateExecutor::TestSupport::Quoted;
using UpdateExecutor::TestSupport::ReadFile;
using UpdateExecutor::TestSupport::ScratchFolder;
using UpdateExecutor::TestSupport::Shell;
using UpdateExecutor::TestSupport::WriteFile;

// Everything real but the installation.
class RecordingChecks : public SystemUpdateChecks {
public:
    using SystemUpdateChecks::SystemUpdateChecks;
    int Install(const std::filesystem::path& package) override {
        installedContent = ReadFile(package);
        ++installs;
        return 0;
    }
    std::string installedContent;
    int installs = 0;
};

class SignedInstallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        keys = new ScratchFolder;
        const std::string key = Quoted(keys->Path() / "key.pem");
        ASSERT_EQ(Shell("openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out " + key +
                        " 2>/dev/null"),
                  0);
        ASSERT_EQ(Shell("openssl pkey -in " + key + " -pubout -out " + Quoted(keys->Path() / "public.pem")),
                  0);
        ASSERT_EQ(Shell("openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out " +
                        Quoted(keys->Path() / "other.pem") + " 2>/dev/null"),
                  0);
    }
    static void TearDownTestSuite() {
        delete keys;
        keys = nullptr;
    }

    void SetUp() override {
        options.cacheRoot = scratch.Path() / "cache";
        options.cacheOwner = ::geteuid();
        options.installedVersion = "1.17.0";
        folder = scratch.Path() / "download";
        std::filesystem::create_directories(folder);
        package = BuildPackage("tarnwick");
    }

    std::filesystem::path BuildPackage(const std::string& name) {
        const std::filesystem::path tree = scratch.Path() / (name + "-tree");
        std::filesystem::create_directories(tree / "DEBIAN");
        WriteFile(
            tree / "DEBIAN" / "control",
            "Package: " + name +
                "\nVersion: 1.18.0\nArchitecture: all\nMaintainer: Test <t@t.example>\nDescription: test\n");
        const std::filesystem::path deb = folder / (name + "_1.18.0_all.deb");
        EXPECT_EQ(
            Shell("dpkg-deb --root-owner-group --build " + Quoted(tree) + " " + Quoted(deb) + " >/dev/null"),
            0);
        return deb;
    }

    static std::string Checksum(const std::filesystem::path& file) {
        std::string output;
        Shell("sha256sum " + Quoted(file), &output);
        return output.substr(0, 64);
    }

    // update.xml for the package, signed with the given private key.
    void WriteInformation(const std::string& checksum, const std::filesystem::path& key) {
        const std::filesystem::path xmlTemplate = scratch.Path() / "template.xml";
        WriteFile(
            xmlTemplate,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<UpdateInfo Application=\"Tarnwick\">\n"
            "  <UpdateVersion>1.18.0.0</UpdateVersion>\n"
            "  <Description><![CDATA[Neue Version]]></Description>\n"
            "  <Hint><![CDATA[]]></Hint>\n"
            "  <FileSize>1000</FileSize>\n"
            "  <Type>32</Type>\n"
            "  <Edition>Standard</Edition>\n"
            "  <Checksum>" +
                checksum +
                "</Checksum>\n"
                "  <AutoDownloadUrl>https://update.kelmarsh.example/tarnwick.deb</AutoDownloadUrl>\n"
                "  <UserDownloadUrl>https://www.kelmarsh.example/</UserDownloadUrl>\n"
                "  <Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\">\n"
                "    <SignedInfo>\n"
                "      <CanonicalizationMethod "
                "Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/>\n"
                "      <SignatureMethod Algorithm=\"http://www.w3.org/2001/04/xmldsig-more#rsa-sha256\"/>\n"
                "      <Reference URI=\"\">\n"
                "        <Transforms>\n"
                "          <Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/>\n"
                "          <Transform Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/>\n"
                "        </Transforms>\n"
                "        <DigestMethod Algorithm=\"http://www.w3.org/2001/04/xmlenc#sha256\"/>\n"
                "        <DigestValue/>\n"
                "      </Reference>\n"
                "    </SignedInfo>\n"
                "    <SignatureValue/>\n"
                "  </Signature>\n"
                "</UpdateInfo>\n");
        ASSERT_EQ(Shell("xmlsec1 --sign --privkey-pem " + Quoted(key) + " --output " +
                        Quoted(folder / "update.xml") + " " + Quoted(xmlTemplate) + " 2>&1"),
                  0);
    }

    int Run(RecordingChecks& checks) { return InstallUpdate(folder, package, checks, err, options); }

    static inline ScratchFolder* keys = nullptr;
    ScratchFolder scratch;
    InstallOptions options;
    std::filesystem::path folder;
    std::filesystem::path package;
    std::ostringstream err;
    RecordingChecks checks{ReadFile(keys->Path() / "public.pem")};
};

TEST_F(SignedInstallTest, InstallsASignedPackage) {
    WriteInformation(Checksum(package), keys->Path() / "key.pem");
    EXPECT_EQ(Run(checks), 0) << err.str();
    EXPECT_EQ(checks.installs, 1);
    EXPECT_EQ(checks.installedContent, ReadFile(package));
}

TEST_F(SignedInstallTest, RefusesInformationSignedWithAnotherKey) {
    WriteInformation(Checksum(package), keys->Path() / "other.pem");
    EXPECT_EQ(Run(checks), kInvalidInformation);
    EXPECT_EQ(checks.installs, 0);
}

TEST_F(SignedInstallTest, RefusesInformationChangedAfterSigning) {
    WriteInformation(Checksum(package), keys->Path() / "key.pem");
    std::string xml = ReadFile(folder / "update.xml");
    const auto at = xml.find("1.18.0.0");
    ASSERT_NE(at, std::string::npos);
    xml.replace(at, 8, "9.18.0.0");
    WriteFile(folder / "update.xml", xml);
    EXPECT_EQ(Run(checks), kInvalidInformation);
    EXPECT_EQ(checks.installs, 0);
}

TEST_F(SignedInstallTest, RefusesASwappedPackage) {
    WriteInformation(Checksum(package), keys->Path() / "key.pem");
    WriteFile(package, ReadFile(package) + "x");
    EXPECT_EQ(Run(checks), kChecksumMismatch);
    EXPECT_EQ(checks.installs, 0);
}

TEST_F(SignedInstallTest, RefusesASignedPackageOfAnotherName) {
    package = BuildPackage("tarnwick-tools");
    WriteInformation(Checksum(package), keys->Path() / "key.pem");
    EXPECT_EQ(Run(checks), kWrongPackage);
    EXPECT_NE(err.str().find("Paketname „tarnwick-tools“"), std::string::npos) << err.str();
    EXPECT_EQ(checks.installs, 0);
}

} // namespace
} // namespace Tarnwick::UpdateInstall

#endif
