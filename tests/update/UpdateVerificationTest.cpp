#include <gtest/gtest.h>

#include "base/exceptions/Exception.h"
#include "support/TemporaryXdgFolders.h"
#include "update/UpdateTestSupport.h"
#include "update/verify/UpdateVerification.h"
#include "update/verify/VersionNumberParser.h"
#include "update/verify/XmlDigitalSignature.h"

namespace {

using namespace Tarnwick::UpdateProvider;
using Tarnwick::XmlDSig::XmlDigitalSignature;
using UpdateTest::Info;

class UpdateVerification : public UpdateTest::SignedSuite {
protected:

    bool Accepts(const std::string& document, UpdateInformation* out = nullptr) {
        const auto path = m_folder / "update.xml";
        UpdateTest::WriteText(path, document);
        UpdateInformation info;
        const bool valid = ReadUpdateInformation(path, info, s_maker->PublicKey());
        if (out != nullptr) {
            *out = info;
        }
        return valid;
    }

    TestSupport::TemporaryXdgFolders m_xdg;
    TestSupport::TempFolder m_folder;
};

TEST_F(UpdateVerification, SignedInformationIsReadFieldByField) {
    Info info;
    info.version = "1.18.2.7";
    info.description = "Schneller & <sicherer>";
    info.hint = "Bitte vorher sichern.";
    info.fileSize = "123456";
    info.checksum = std::string(64, 'a');
    info.autoUrl = "https://download.tarnwick.example/tarnwick_1.18.2_amd64.deb";
    UpdateInformation read;
    ASSERT_TRUE(Accepts(s_maker->SignInfo(info), &read));
    EXPECT_EQ(read.application, u"Tarnwick");
    EXPECT_EQ(read.updateVersion, u"1.18.2.7");
    EXPECT_EQ(read.description, u"Schneller & <sicherer>");
    EXPECT_EQ(read.hint, u"Bitte vorher sichern.");
    EXPECT_EQ(read.fileSize, 123456);
    EXPECT_EQ(read.type, 32);
    EXPECT_EQ(read.edition, u"Standard");
    EXPECT_EQ(read.checksum, std::u16string(64, u'a'));
    EXPECT_EQ(read.autoDownloadUrl, u"https://download.tarnwick.example/tarnwick_1.18.2_amd64.deb");
    EXPECT_EQ(read.userDownloadUrl, u"https://www.tarnwick.example/");
}

TEST_F(UpdateVerification, InformationForAnotherProductIsRefused) {
    Info type;
    type.type = "64";
    EXPECT_FALSE(Accepts(s_maker->SignInfo(type)));
    Info edition;
    edition.edition = "Professional";
    EXPECT_FALSE(Accepts(s_maker->SignInfo(edition)));
    Info application;
    application.application = "Other";
    EXPECT_FALSE(Accepts(s_maker->SignInfo(application)));
    Info size;
    size.fileSize = "12x";
    EXPECT_FALSE(Accepts(s_maker->SignInfo(size)));
}

TEST_F(UpdateVerification, MissingOrUnsignedOrForeignSignedInformationIsRefused) {
    UpdateInformation info;
    EXPECT_FALSE(ReadUpdateInformation(m_folder / "nothing.xml", info, s_maker->PublicKey()));
    EXPECT_FALSE(Accepts(UpdateTest::Template(Info{})));                       // empty signature
    EXPECT_FALSE(Accepts(s_stranger->SignInfo(Info{})));                       // another key
    EXPECT_FALSE(Accepts(""));
    EXPECT_FALSE(Accepts("<UpdateInfo Application=\"Tarnwick\">"));           // not well-formed
    std::string tampered = s_maker->SignInfo(Info{});
    tampered.replace(tampered.find("9.0.0.0"), 7, "9.9.9.9");
    EXPECT_FALSE(Accepts(tampered));
}

TEST_F(UpdateVerification, KeyInfoInTheDocumentNeverSuppliesTheKey) {
    // The stranger signs and puts his own public key into KeyInfo: still refused.
    std::string document = UpdateTest::Template(Info{});
    document.replace(document.find("<SignatureValue/>"), 17,
                     "<SignatureValue/><KeyInfo><KeyValue/></KeyInfo>");
    const std::string signed_ = s_stranger->Sign(document);
    ASSERT_NE(signed_.find("RSAKeyValue"), std::string::npos);
    EXPECT_FALSE(Accepts(signed_));
}

TEST_F(UpdateVerification, SignatureWrappingIsRefused) {
    // The maker's signed document moved under an unsigned root that says something else.
    const std::string original = s_maker->SignInfo(Info{});
    const std::string inner = original.substr(original.find("<UpdateInfo"));
    Info forged;
    forged.version = "99.0.0.0";
    forged.autoUrl = "http://evil.example/x.deb";
    const std::string wrapped = "<?xml version=\"1.0\"?>\n<UpdateInfo Application=\"Tarnwick\">\n" +
                                UpdateTest::Body(forged) + "<Wrapper>" + inner + "</Wrapper></UpdateInfo>";
    EXPECT_FALSE(Accepts(wrapped));
    // The same with the signature moved up beside a forged body.
    const std::string signature =
        original.substr(original.find("<Signature"), original.find("</Signature>") + 12 - original.find("<Signature"));
    EXPECT_FALSE(Accepts("<UpdateInfo Application=\"Tarnwick\">" + UpdateTest::Body(forged) + signature +
                         "</UpdateInfo>"));
}

TEST_F(UpdateVerification, OnlyOneSignatureOverTheWholeDocumentIsAccepted) {
    // A second (valid) signature of the same document.
    std::string twice = UpdateTest::Template(Info{});
    twice.replace(twice.find("</UpdateInfo>"), 0, UpdateTest::SignatureTemplate());
    EXPECT_FALSE(Accepts(s_maker->Sign(twice)));

    // A reference to one element only: the rest of the document is unsigned.
    std::string partial = "<?xml version=\"1.0\"?>\n<UpdateInfo Application=\"Tarnwick\">"
                          "<Part Id=\"p\">" + UpdateTest::Body(Info{}) + "</Part>" +
                          UpdateTest::SignatureTemplate("#p") + "</UpdateInfo>";
    const auto in = m_folder / "partial.xml";
    UpdateTest::WriteText(in, partial);
    const auto out = m_folder / "partial-signed.xml";
    UpdateTest::Run("xmlsec1 --sign --id-attr:Id Part --privkey-pem '" + s_maker->PrivateKeyFile().string() +
                    "' --output '" + out.string() + "' '" + in.string() + "'");
    EXPECT_FALSE(Accepts(UpdateTest::ReadText(out)));

    // A signature that is not a child of the root.
    std::string nested = UpdateTest::Template(Info{});
    nested.replace(nested.find("<Signature"), 0, "<Box>");
    nested.replace(nested.find("</UpdateInfo>"), 0, "</Box>");
    EXPECT_FALSE(Accepts(s_maker->Sign(nested)));
}

TEST_F(UpdateVerification, DocumentTypeDeclarationsAreRefusedEvenWhenSigned) {
    std::string document = UpdateTest::Template(Info{});
    document.replace(document.find("<UpdateInfo"), 0,
                     "<!DOCTYPE UpdateInfo [<!ENTITY v \"9.0.0.0\">]>\n");
    EXPECT_FALSE(Accepts(s_maker->Sign(document)));
    // An external entity is never fetched.
    EXPECT_FALSE(Accepts("<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><a>&x;</a>"));
}

TEST_F(UpdateVerification, OversizedDocumentsAreNotRead) {
    std::string big = UpdateTest::Template(Info{});
    big.replace(big.find("</UpdateInfo>"), 0, std::string(XmlDigitalSignature::kMaxDocumentBytes, ' '));
    EXPECT_FALSE(Accepts(big));
}

TEST_F(UpdateVerification, ChecksumComparesLengthAndBytes) {
    const auto package = m_folder / "package.deb";
    UpdateTest::WriteText(package, "Paketinhalt");
    const std::string hex = UpdateTest::Sha256Hex("Paketinhalt");
    std::u16string wide(hex.begin(), hex.end());
    EXPECT_TRUE(VerifyInstallationFileByChecksum(package, wide));
    std::u16string upper = wide;
    for (char16_t& c : upper) {
        c = static_cast<char16_t>(std::toupper(c));
    }
    EXPECT_TRUE(VerifyInstallationFileByChecksum(package, upper));
    EXPECT_FALSE(VerifyInstallationFileByChecksum(package, wide.substr(0, 62)));
    EXPECT_FALSE(VerifyInstallationFileByChecksum(package, wide + u"00"));
    EXPECT_FALSE(VerifyInstallationFileByChecksum(package, u""));
    std::u16string changed = wide;
    changed[0] = changed[0] == u'0' ? u'1' : u'0';
    EXPECT_FALSE(VerifyInstallationFileByChecksum(package, changed));
    try {
        VerifyInstallationFileByChecksum(package, u"zz" + wide.substr(2));
        FAIL() << "not hexadecimal";
    } catch (const Utilities::Exceptions::Exception& error) {
        EXPECT_EQ(error.GetMessage().View(), u"invalid hex conversion");
        EXPECT_EQ(error.GetTarget().View(), u"UpdateDownloader::VerifyInstallationFileByChecksum");
    }
}

TEST(VersionNumbers, ComparedPartByPart) {
    EXPECT_FALSE(VersionNumberParser::IsNewer(u"1.4.9.0", u"1.5.0.0"));
    EXPECT_TRUE(VersionNumberParser::IsNewer(u"1.5.0.1", u"1.5.0.0"));
    EXPECT_FALSE(VersionNumberParser::IsNewer(u"1.5.0.0", u"1.5.0.0"));
    EXPECT_TRUE(VersionNumberParser::IsNewer(u"1.10.0.0", u"1.9.99.99"));
    EXPECT_TRUE(VersionNumberParser::IsNewer(u"2.0.0.0", u"1.99.0.0"));
    // Read like the C library's conversion: blanks and a sign, reading stops at other text.
    EXPECT_EQ(VersionNumberParser::ParseVersion(u" 1.+2.3x.-4"), (VersionNumberParser::Version{1, 2, 3, -4}));
    EXPECT_EQ(VersionNumberParser::ParseVersion(u"99999999999.0.0.0")[0], 2147483647);
}

TEST(VersionNumbers, MalformedTextsThrowWithTheirTargets) {
    auto expectThrow = [](std::u16string_view text, std::u16string_view message, std::u16string_view target) {
        try {
            VersionNumberParser::ParseVersion(text);
            ADD_FAILURE() << "accepted";
        } catch (const Utilities::Exceptions::Exception& error) {
            EXPECT_EQ(error.GetMessage().View(), message);
            EXPECT_EQ(error.GetTarget().View(), target);
        }
    };
    expectThrow(u"", u"empty version", u"VersionNumberParser::ParseVersion");
    expectThrow(u"1.5.0", u"invalid version format", u"VersionNumberParser::VerifyFormat");
    expectThrow(u"1", u"invalid version format", u"VersionNumberParser::VerifyFormat");
}

} // namespace
