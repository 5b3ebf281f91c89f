#include "update/verify/XmlDigitalSignature.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <xmlsec/crypto.h>
#include <xmlsec/errors.h>
#include <xmlsec/xmldsig.h>
#include <xmlsec/xmlsec.h>
#include <xmlsec/xmltree.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/exceptions/Exception.h"
#include "base/text/Utf.h"
#include "log/LogProvider.h"
#include "platform/Files.h"

namespace Tarnwick::XmlDSig {

namespace {

using Utilities::Exceptions::Exception;

constexpr char16_t kTarget[] = u"XmlDigitalSignature::VerifySignature";

[[noreturn]] void Refuse(std::u16string_view reason) {
    throw Exception(reason, kTarget);
}

// The refusal's reason is logged by the caller; the library's own reports would only reach
// standard error.
void Quiet(const char*, int, const char*, const char*, const char*, int, const char*) {}

void InitialiseOnce() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] {
        xmlInitParser();
        if (xmlSecInit() < 0 || xmlSecCheckVersion() != 1) {
            return;
        }
        if (xmlSecCryptoAppInit(nullptr) < 0 || xmlSecCryptoInit() < 0) {
            return;
        }
        xmlSecErrorsSetCallback(&Quiet);
        ready = true;
    });
    if (!ready) {
        Refuse(u"Die Signaturprüfung konnte nicht initialisiert werden.");
    }
}

struct DocFree {
    void operator()(xmlDoc* doc) const noexcept { xmlFreeDoc(doc); }
};
struct KeyFree {
    void operator()(xmlSecKey* key) const noexcept { xmlSecKeyDestroy(key); }
};
struct CtxFree {
    void operator()(xmlSecDSigCtx* ctx) const noexcept { xmlSecDSigCtxDestroy(ctx); }
};

bool IsDsig(const xmlNode* node, const xmlChar* name) {
    return node->type == XML_ELEMENT_NODE && node->ns != nullptr && xmlStrEqual(node->ns->href, xmlSecDSigNs) &&
           xmlStrEqual(node->name, name);
}

// Every ds:Signature of the document, wherever it hides.
void CollectSignatures(xmlNode* node, std::vector<xmlNode*>& out) {
    for (; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) {
            continue;
        }
        if (IsDsig(node, xmlSecNodeSignature)) {
            out.push_back(node);
        }
        CollectSignatures(node->children, out);
    }
}

std::vector<xmlNode*> ElementChildren(xmlNode* parent) {
    std::vector<xmlNode*> children;
    for (xmlNode* child = parent->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) {
            children.push_back(child);
        }
    }
    return children;
}

bool HasAlgorithm(const xmlNode* node, const char* algorithm) {
    xmlChar* value = xmlGetProp(node, BAD_CAST "Algorithm");
    const bool equal = value != nullptr && std::strcmp(reinterpret_cast<const char*>(value), algorithm) == 0;
    xmlFree(value);
    return equal;
}

bool IsCanonicalisation(const xmlNode* node) {
    return HasAlgorithm(node, "http://www.w3.org/TR/2001/REC-xml-c14n-20010315") ||
           HasAlgorithm(node, "http://www.w3.org/TR/2001/REC-xml-c14n-20010315#WithComments") ||
           HasAlgorithm(node, "http://www.w3.org/2001/10/xml-exc-c14n#") ||
           HasAlgorithm(node, "http://www.w3.org/2001/10/xml-exc-c14n#WithComments");
}

// The shape the maker's signing produces, checked before any cryptography runs.
void CheckShape(xmlDoc* doc) {
    if (doc->intSubset != nullptr || doc->extSubset != nullptr) {
        Refuse(u"Das Dokument enthält eine Dokumenttypdeklaration.");
    }
    xmlNode* root = xmlDocGetRootElement(doc);
    if (root == nullptr) {
        Refuse(u"Das Dokument hat kein Wurzelelement.");
    }
    std::vector<xmlNode*> signatures;
    CollectSignatures(root, signatures);
    if (signatures.size() != 1) {
        Refuse(u"Das Dokument muss genau eine Signatur enthalten.");
    }
    xmlNode* signature = signatures.front();
    if (signature->parent != root) {
        Refuse(u"Die Signatur ist kein Kind des Wurzelelements.");
    }
    for (xmlNode* child : ElementChildren(signature)) {
        if (IsDsig(child, xmlSecNodeObject) || IsDsig(child, xmlSecNodeManifest)) {
            Refuse(u"Die Signatur enthält ein Objekt.");
        }
    }
    xmlNode* signedInfo = xmlSecFindChild(signature, xmlSecNodeSignedInfo, xmlSecDSigNs);
    if (signedInfo == nullptr) {
        Refuse(u"Der Signatur fehlt SignedInfo.");
    }
    std::vector<xmlNode*> references;
    for (xmlNode* child : ElementChildren(signedInfo)) {
        if (IsDsig(child, xmlSecNodeReference)) {
            references.push_back(child);
        }
    }
    if (references.size() != 1) {
        Refuse(u"Die Signatur muss genau eine Referenz enthalten.");
    }
    xmlNode* reference = references.front();
    xmlChar* uri = xmlGetProp(reference, BAD_CAST "URI");
    const bool wholeDocument = uri != nullptr && uri[0] == '\0';
    xmlFree(uri);
    if (!wholeDocument) {
        Refuse(u"Die Signatur deckt nicht das ganze Dokument ab.");
    }
    xmlNode* transforms = xmlSecFindChild(reference, xmlSecNodeTransforms, xmlSecDSigNs);
    std::vector<xmlNode*> steps = transforms != nullptr ? ElementChildren(transforms) : std::vector<xmlNode*>{};
    const bool enveloped = !steps.empty() && IsDsig(steps[0], xmlSecNodeTransform) &&
                           HasAlgorithm(steps[0], "http://www.w3.org/2000/09/xmldsig#enveloped-signature");
    const bool restCanonical =
        steps.size() == 1 || (steps.size() == 2 && IsDsig(steps[1], xmlSecNodeTransform) && IsCanonicalisation(steps[1]));
    if (!enveloped || !restCanonical) {
        Refuse(u"Die Referenz der Signatur verwendet unzulässige Transformationen.");
    }
}

std::string ReadDocument(const std::filesystem::path& path) {
    std::string bytes;
    const Platform::SystemResult result = Platform::ReadWholeFile(path, bytes, XmlDigitalSignature::kMaxDocumentBytes);
    if (!result.Ok()) {
        throw Utilities::Exceptions::WindowsException(u"", result.error, result.function,
                                                     kTarget);
    }
    return bytes;
}

} // namespace

void XmlDigitalSignature::CheckSignature(const std::filesystem::path& path, std::string_view publicKeyPem) {
    InitialiseOnce();
    const std::string bytes = ReadDocument(path);
    if (bytes.empty()) {
        Refuse(u"Das Dokument ist leer.");
    }
    // No network, no entity substitution and no DTD loading: the document is hostile until
    // its signature verified.
    std::unique_ptr<xmlDoc, DocFree> doc(
        xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!doc) {
        Refuse(u"Das Dokument ist kein wohlgeformtes XML.");
    }
    CheckShape(doc.get());
    xmlNode* signature = xmlSecFindNode(xmlDocGetRootElement(doc.get()), xmlSecNodeSignature, xmlSecDSigNs);

    std::unique_ptr<xmlSecKey, KeyFree> key(
        xmlSecCryptoAppKeyLoadMemory(reinterpret_cast<const xmlSecByte*>(publicKeyPem.data()),
                                     static_cast<xmlSecSize>(publicKeyPem.size()), xmlSecKeyDataFormatPem, nullptr,
                                     nullptr, nullptr));
    if (!key) {
        Refuse(u"Der öffentliche Schlüssel ist ungültig.");
    }
    // Without a key manager nothing in KeyInfo can supply a key.
    std::unique_ptr<xmlSecDSigCtx, CtxFree> ctx(xmlSecDSigCtxCreate(nullptr));
    if (!ctx) {
        Refuse(u"Die Signaturprüfung konnte nicht vorbereitet werden.");
    }
    ctx->signKey = key.release();
    ctx->enabledReferenceUris = xmlSecTransformUriTypeEmpty;
    const xmlSecTransformId canonical[] = {xmlSecTransformInclC14NId, xmlSecTransformInclC14NWithCommentsId,
                                           xmlSecTransformExclC14NId, xmlSecTransformExclC14NWithCommentsId};
    for (xmlSecTransformId id : canonical) {
        if (xmlSecDSigCtxEnableSignatureTransform(ctx.get(), id) < 0 ||
            xmlSecDSigCtxEnableReferenceTransform(ctx.get(), id) < 0) {
            Refuse(u"Die Signaturprüfung konnte nicht vorbereitet werden.");
        }
    }
    const xmlSecTransformId signatureMethods[] = {xmlSecTransformRsaSha256Id, xmlSecTransformRsaSha384Id,
                                                  xmlSecTransformRsaSha512Id};
    for (xmlSecTransformId id : signatureMethods) {
        if (xmlSecDSigCtxEnableSignatureTransform(ctx.get(), id) < 0) {
            Refuse(u"Die Signaturprüfung konnte nicht vorbereitet werden.");
        }
    }
    const xmlSecTransformId referenceMethods[] = {xmlSecTransformEnvelopedId, xmlSecTransformSha256Id,
                                                  xmlSecTransformSha384Id, xmlSecTransformSha512Id};
    for (xmlSecTransformId id : referenceMethods) {
        if (xmlSecDSigCtxEnableReferenceTransform(ctx.get(), id) < 0) {
            Refuse(u"Die Signaturprüfung konnte nicht vorbereitet werden.");
        }
    }
    if (xmlSecDSigCtxVerify(ctx.get(), signature) < 0) {
        Refuse(u"Die Signatur konnte nicht geprüft werden.");
    }
    if (ctx->status != xmlSecDSigStatusSucceeded) {
        Refuse(u"Die Signatur ist ungültig.");
    }
}

bool XmlDigitalSignature::VerifySignature(const std::filesystem::path& path, std::string_view publicKeyPem) {
    try {
        CheckSignature(path, publicKeyPem);
        return true;
    } catch (...) {
        LogProvider::LogCurrentException();
        return false;
    }
}

} // namespace Tarnwick::XmlDSig
