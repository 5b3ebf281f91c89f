// The update information "update.xml" and its signature check.
//
// Each input is checked twice: as it is, against the built-in key (the signature's own
// structure, which no fuzzer can forge past), and, when it holds an empty signature template,
// signed here with a key pair made at start-up and then checked against that pair's public
// key, so that the reading behind a valid signature is reached too.
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <xmlsec/crypto.h>
#include <xmlsec/xmldsig.h>
#include <xmlsec/xmlsec.h>
#include <xmlsec/xmltree.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "update/verify/UpdateVerification.h"

namespace {

struct TestKeys {
    std::string privatePem;
    std::string publicPem;
};

std::string PemOf(EVP_PKEY* key, bool isPrivate) {
    BIO* bio = BIO_new(BIO_s_mem());
    if (isPrivate) {
        PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
    } else {
        PEM_write_bio_PUBKEY(bio, key);
    }
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(length));
    BIO_free(bio);
    return pem;
}

const TestKeys& Keys() {
    static const TestKeys keys = [] {
        EVP_PKEY* key = EVP_RSA_gen(2048);
        if (key == nullptr) {
            TwFuzz::Broken("no test key pair");
        }
        TestKeys made{PemOf(key, true), PemOf(key, false)};
        EVP_PKEY_free(key);
        return made;
    }();
    return keys;
}

// The input with its signature template filled in; empty when it has none or signing fails.
std::string Signed(const std::uint8_t* data, std::size_t size) {
    std::string out;
    xmlDoc* doc = xmlReadMemory(reinterpret_cast<const char*>(data), static_cast<int>(size), "update.xml", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (doc == nullptr) {
        return out;
    }
    xmlNode* root = xmlDocGetRootElement(doc);
    xmlNode* signature = root != nullptr ? xmlSecFindNode(root, xmlSecNodeSignature, xmlSecDSigNs) : nullptr;
    xmlSecDSigCtx* context = signature != nullptr ? xmlSecDSigCtxCreate(nullptr) : nullptr;
    if (context != nullptr) {
        const TestKeys& keys = Keys();
        context->signKey =
            xmlSecCryptoAppKeyLoadMemory(reinterpret_cast<const xmlSecByte*>(keys.privatePem.data()),
                                         keys.privatePem.size(), xmlSecKeyDataFormatPem, nullptr, nullptr, nullptr);
        if (context->signKey != nullptr && xmlSecDSigCtxSign(context, signature) == 0) {
            xmlChar* text = nullptr;
            int length = 0;
            xmlDocDumpMemory(doc, &text, &length);
            if (text != nullptr) {
                out.assign(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
                xmlFree(text);
            }
        }
        xmlSecDSigCtxDestroy(context);
    }
    xmlFreeDoc(doc);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The first check sets the signature library up; the signing here relies on it.
    const std::uint8_t none = 0;
    Tarnwick::UpdateProvider::UpdateInformation info;
    Tarnwick::UpdateProvider::ReadUpdateInformation(TwFuzz::WriteInput(&none, 0, "update.xml"), info);
    Keys();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using Tarnwick::UpdateProvider::ReadUpdateInformation;
    Tarnwick::UpdateProvider::UpdateInformation info;
    if (ReadUpdateInformation(TwFuzz::WriteInput(data, size, "update.xml"), info)) {
        TwFuzz::Broken("a document no one signed passed the built-in key");
    }
    const std::string document = Signed(data, size);
    if (document.empty()) {
        return 0;
    }
    const auto& path = TwFuzz::WriteInput(reinterpret_cast<const std::uint8_t*>(document.data()), document.size(),
                                          "update.xml");
    const bool taken = ReadUpdateInformation(path, info, Keys().publicPem);
    if (taken && (info.application != u"Tarnwick" || info.type != 32 || info.edition != u"Standard")) {
        TwFuzz::Broken("update information for another product was taken");
    }
    if (std::getenv("TW_FUZZ_VERBOSE") != nullptr) {
        std::fprintf(stderr, "signed here, %s\n", taken ? "taken" : "refused");
    }
    return 0;
}
