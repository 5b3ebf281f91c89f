#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include "support/TempFolder.h"

namespace UpdateTest {

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

inline void Run(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) {
        throw std::runtime_error("failed: " + command);
    }
}

inline std::string Sha256Hex(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int k = 0; k < length; ++k) {
        text += kHex[digest[k] >> 4];
        text += kHex[digest[k] & 15];
    }
    return text;
}

// The fields of an update information document.
struct Info {
    std::string application = "Tarnwick";
    std::string version = "9.0.0.0";
    std::string description = "Neue Funktionen";
    std::string hint;
    std::string fileSize = "0";
    std::string type = "32";
    std::string edition = "Standard";
    std::string checksum;
    std::string autoUrl;
    std::string userUrl = "https://www.tarnwick.example/";
};

inline std::string SignatureTemplate(const std::string& referenceUri = "") {
    return "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>"
           "<CanonicalizationMethod Algorithm=\"http://www.w3.org/2001/10/xml-exc-c14n#\"/>"
           "<SignatureMethod Algorithm=\"http://www.w3.org/2001/04/xmldsig-more#rsa-sha256\"/>"
           "<Reference URI=\"" + referenceUri + "\"><Transforms>"
           "<Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/>"
           "<Transform Algorithm=\"http://www.w3.org/2001/10/xml-exc-c14n#\"/></Transforms>"
           "<DigestMethod Algorithm=\"http://www.w3.org/2001/04/xmlenc#sha256\"/><DigestValue/></Reference>"
           "</SignedInfo><SignatureValue/></Signature>";
}

inline std::string Body(const Info& info) {
    return "<UpdateVersion>" + info.version + "</UpdateVersion>\n"
           "<Description><![CDATA[" + info.description + "]]></Description>\n"
           "<Hint><![CDATA[" + info.hint + "]]></Hint>\n"
           "<FileSize>" + info.fileSize + "</FileSize>\n"
           "<Type>" + info.type + "</Type>\n"
           "<Edition>" + info.edition + "</Edition>\n"
           "<Checksum>" + info.checksum + "</Checksum>\n"
           "<AutoDownloadUrl>" + info.autoUrl + "</AutoDownloadUrl>\n"
           "<UserDownloadUrl>" + info.userUrl + "</UserDownloadUrl>\n";
}

inline std::string Template(const Info& info) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<UpdateInfo Application=\"" + info.application + "\">\n" +
           Body(info) + SignatureTemplate() + "\n</UpdateInfo>\n";
}

// Key pairs and signatures made at test time with the openssl and xmlsec1 commands.
class Signer {
public:
    Signer() {
        Run("openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out '" + (m_folder / "private.pem").string() + "'");
        Run("openssl pkey -in '" + (m_folder / "private.pem").string() + "' -pubout -out '" +
            (m_folder / "public.pem").string() + "'");
        m_public = ReadText(m_folder / "public.pem");
    }

    const std::string& PublicKey() const { return m_public; }
    std::filesystem::path PrivateKeyFile() const { return m_folder / "private.pem"; }

    // Signs a document that holds an empty signature template.
    std::string Sign(const std::string& document) const {
        const auto in = m_folder / "template.xml";
        const auto out = m_folder / "signed.xml";
        WriteText(in, document);
        Run("xmlsec1 --sign --privkey-pem '" + PrivateKeyFile().string() + "' --output '" + out.string() + "' '" +
            in.string() + "'");
        return ReadText(out);
    }

    std::string SignInfo(const Info& info) const { return Sign(Template(info)); }

private:
    TestSupport::TempFolder m_folder;
    std::string m_public;
};

// The maker's key and a stranger's, made once for a suite.
class SignedSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_maker = new Signer();
        s_stranger = new Signer();
    }
    static void TearDownTestSuite() {
        delete s_maker;
        delete s_stranger;
        s_maker = s_stranger = nullptr;
    }
    static inline Signer* s_maker = nullptr;
    static inline Signer* s_stranger = nullptr;
};

} // namespace UpdateTest
