#include "crypto/HashBaseWin.h"

#include <cstring>
#include <openssl/evp.h>

#include "crypto/ScopedWipe.h"
#include "base/exceptions/Exception.h"

namespace CryptoServiceProvider::Hashing {

using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;

namespace {

const char* LibraryNameOf(std::uint32_t algorithm) noexcept {
    switch (algorithm) {
    case HashBaseWin::kMd2:
        return "MD2";
    case HashBaseWin::kMd4:
        return "MD4";
    case HashBaseWin::kMd5:
        return "MD5";
    case HashBaseWin::kSha1:
        return "SHA1";
    case HashBaseWin::kSha256:
        return "SHA256";
    case HashBaseWin::kSha384:
        return "SHA384";
    case HashBaseWin::kSha512:
        return "SHA512";
    default:
        return "";
    }
}

std::int64_t ErrorCode(unsigned long error) noexcept {
    return static_cast<std::int64_t>(error);
}

} // namespace

HashBaseWin::HashBaseWin(std::uint32_t algorithm, std::size_t blockLength, IDigestBackend& backend) noexcept
    : m_blockLength(blockLength), m_algorithm(algorithm), m_backend(&backend) {}

HashBaseWin::~HashBaseWin() {
    Release();
}

std::size_t HashBaseWin::DigestSizeOf(std::uint32_t algorithm) noexcept {
    switch (algorithm) {
    case kMd2:
    case kMd4:
    case kMd5:
        return 16;
    case kSha1:
        return 20;
    case kSha256:
        return 32;
    case kSha384:
        return 48;
    case kSha512:
        return 64;
    default:
        return 0;
    }
}

std::size_t HashBaseWin::GetHashSize() const {
    return DigestSizeOf(m_algorithm);
}

void HashBaseWin::Initialize() {
    Release();
    CreateCspHandle();
    m_released = false;
    CreateHashHandle();
}

void HashBaseWin::CreateCspHandle() {
    EVP_MD* digest = nullptr;
    const unsigned long error = m_backend->Fetch(LibraryNameOf(m_algorithm), digest);
    if (error == 0) {
        m_cspHandle = digest;
        return;
    }
    if (!IsDigestUnavailable(error)) {
        throw WindowsException(u"", ErrorCode(error), u"EVP_MD_fetch", u"HashBaseWin::CreateCspHandle");
    }
    CreateCspHandleXP();
}

void HashBaseWin::CreateCspHandleXP() {
    EVP_MD* digest = nullptr;
    const unsigned long error = m_backend->FetchBuiltIn(LibraryNameOf(m_algorithm), digest);
    if (error != 0) {
        throw WindowsException(u"", ErrorCode(error), u"EVP_MD_fetch", u"HashBaseWin::CreateCspHandleXP");
    }
    m_cspHandle = digest;
}

void HashBaseWin::VerifyCspHandle() const {
    if (m_cspHandle == nullptr) {
        throw Exception(u"Ungültiges CSP-Handle.", u"HashBaseWin::VerifyCspHandle");
    }
}

void HashBaseWin::CreateHashHandle() {
    VerifyCspHandle();
    EVP_MD_CTX* context = nullptr;
    const unsigned long error = m_backend->CreateContext(m_cspHandle, context);
    if (error != 0) {
        throw WindowsException(u"", ErrorCode(error), u"EVP_DigestInit_ex", u"HashBaseWin::CreateHashHandle");
    }
    m_hashHandle = context;
}

void HashBaseWin::VerifyHashHandle() const {
    if (m_hashHandle == nullptr) {
        throw Exception(u"Ungültiges Hash-Handle.", u"HashBaseWin::VerifyHashHandle");
    }
}

void HashBaseWin::Update(const void* data, std::size_t length) {
    VerifyHashHandle();
    if (length == 0) {
        return;
    }
    const unsigned long error = m_backend->Update(m_hashHandle, data, length);
    if (error != 0) {
        throw WindowsException(u"", ErrorCode(error), u"EVP_DigestUpdate", u"HashBaseWin::Update");
    }
}

void HashBaseWin::Finish(std::uint8_t* output, std::size_t& outputLength) {
    VerifyHashOutputSize(outputLength);
    VerifyHashHandle();
    unsigned char digest[EVP_MAX_MD_SIZE];
    const ScopedWipe wipe(digest, sizeof digest);
    unsigned int length = 0;
    const unsigned long error = m_backend->Final(m_hashHandle, digest, length);
    if (error != 0) {
        throw WindowsException(u"", ErrorCode(error), u"EVP_DigestFinal_ex", u"HashBaseWin::Finish");
    }
    // The library accepts more data after the final step and hashes it onto the spent
    // state; a spent context is therefore dropped at once.
    m_backend->FreeContext(m_hashHandle);
    m_hashHandle = nullptr;
    if (length != GetHashSize()) {
        throw Exception(u"Der errechnete Hash-Wert besitzt eine ungültige Größe.",
                        u"HashBaseWin::VerifyHashOutputSize");
    }
    std::memcpy(output, digest, length);
    outputLength = length;
}

void HashBaseWin::Release() noexcept {
    if (m_hashHandle != nullptr) {
        m_backend->FreeContext(m_hashHandle);
        m_hashHandle = nullptr;
    }
    if (m_cspHandle != nullptr) {
        m_backend->FreeDigest(m_cspHandle);
        m_cspHandle = nullptr;
    }
    m_released = true;
}

// --- the concrete algorithms ---

namespace {

constexpr char kAbc[] = "abc";
constexpr char k448Bits[] = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
constexpr char k896Bits[] = "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopq"
                            "klmnopqrlmnopqrsmnopqrstnopqrstu";
constexpr char k64A[] = "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa";

constexpr std::uint8_t kSha1Abc[20] = {0xa9, 0x99, 0x3e, 0x36, 0x47, 0x06, 0x81, 0x6a, 0xba, 0x3e,
                                       0x25, 0x71, 0x78, 0x50, 0xc2, 0x6c, 0x9c, 0xd0, 0xd8, 0x9d};
constexpr std::uint8_t kSha1448[20] = {0x84, 0x98, 0x3e, 0x44, 0x1c, 0x3b, 0xd2, 0x6e, 0xba, 0xae,
                                       0x4a, 0xa1, 0xf9, 0x51, 0x29, 0xe5, 0xe5, 0x46, 0x70, 0xf1};
constexpr std::uint8_t kSha164A[20] = {0x00, 0x98, 0xba, 0x82, 0x4b, 0x5c, 0x16, 0x42, 0x7b, 0xd7,
                                       0xa1, 0x12, 0x2a, 0x5a, 0x44, 0x2a, 0x25, 0xec, 0x64, 0x4d};

constexpr std::uint8_t kSha256Abc[32] = {0xba, 0x78, 0x16, 0xbf, 0x8f, 0x01, 0xcf, 0xea, 0x41, 0x41, 0x40,
                                         0xde, 0x5d, 0xae, 0x22, 0x23, 0xb0, 0x03, 0x61, 0xa3, 0x96, 0x17,
                                         0x7a, 0x9c, 0xb4, 0x10, 0xff, 0x61, 0xf2, 0x00, 0x15, 0xad};
constexpr std::uint8_t kSha256448[32] = {0x24, 0x8d, 0x6a, 0x61, 0xd2, 0x06, 0x38, 0xb8, 0xe5, 0xc0, 0x26,
                                         0x93, 0x0c, 0x3e, 0x60, 0x39, 0xa3, 0x3c, 0xe4, 0x59, 0x64, 0xff,
                                         0x21, 0x67, 0xf6, 0xec, 0xed, 0xd4, 0x19, 0xdb, 0x06, 0xc1};

constexpr std::uint8_t kSha512Abc[64] = {
    0xdd, 0xaf, 0x35, 0xa1, 0x93, 0x61, 0x7a, 0xba, 0xcc, 0x41, 0x73, 0x49, 0xae, 0x20, 0x41, 0x31,
    0x12, 0xe6, 0xfa, 0x4e, 0x89, 0xa9, 0x7e, 0xa2, 0x0a, 0x9e, 0xee, 0xe6, 0x4b, 0x55, 0xd3, 0x9a,
    0x21, 0x92, 0x99, 0x2a, 0x27, 0x4f, 0xc1, 0xa8, 0x36, 0xba, 0x3c, 0x23, 0xa3, 0xfe, 0xeb, 0xbd,
    0x45, 0x4d, 0x44, 0x23, 0x64, 0x3c, 0xe8, 0x0e, 0x2a, 0x9a, 0xc9, 0x4f, 0xa5, 0x4c, 0xa4, 0x9f};
constexpr std::uint8_t kSha512448[64] = {
    0x20, 0x4a, 0x8f, 0xc6, 0xdd, 0xa8, 0x2f, 0x0a, 0x0c, 0xed, 0x7b, 0xeb, 0x8e, 0x08, 0xa4, 0x16,
    0x57, 0xc1, 0x6e, 0xf4, 0x68, 0xb2, 0x28, 0xa8, 0x27, 0x9b, 0xe3, 0x31, 0xa7, 0x03, 0xc3, 0x35,
    0x96, 0xfd, 0x15, 0xc1, 0x3b, 0x1b, 0x07, 0xf9, 0xaa, 0x1d, 0x3b, 0xea, 0x57, 0x78, 0x9c, 0xa0,
    0x31, 0xad, 0x85, 0xc7, 0xa7, 0x1d, 0xd7, 0x03, 0x54, 0xec, 0x63, 0x12, 0x38, 0xca, 0x34, 0x45};
constexpr std::uint8_t kSha512896[64] = {
    0x8e, 0x95, 0x9b, 0x75, 0xda, 0xe3, 0x13, 0xda, 0x8c, 0xf4, 0xf7, 0x28, 0x14, 0xfc, 0x14, 0x3f,
    0x8f, 0x77, 0x79, 0xc6, 0xeb, 0x9f, 0x7f, 0xa1, 0x72, 0x99, 0xae, 0xad, 0xb6, 0x88, 0x90, 0x18,
    0x50, 0x1d, 0x28, 0x9e, 0x49, 0x00, 0xf7, 0xe4, 0x33, 0x1b, 0x99, 0xde, 0xc4, 0xb5, 0x43, 0x3a,
    0xc7, 0xd3, 0x29, 0xee, 0xb6, 0xdd, 0x26, 0x54, 0x5e, 0x96, 0xe5, 0x5b, 0x87, 0x4b, 0xe9, 0x09};

} // namespace

Sha1Win::Sha1Win(IDigestBackend& backend) noexcept : HashBaseWin(kSha1, 64, backend) {}

bool Sha1Win::SelfTest() {
    Sha1Win hash(Backend());
    return hash.MatchesKnownAnswer(kAbc, kSha1Abc) && hash.MatchesKnownAnswer(k448Bits, kSha1448) &&
           hash.MatchesKnownAnswer(k64A, kSha164A);
}

Sha256Win::Sha256Win(IDigestBackend& backend) noexcept : HashBaseWin(kSha256, 64, backend) {}

bool Sha256Win::SelfTest() {
    Sha256Win hash(Backend());
    return hash.MatchesKnownAnswer(kAbc, kSha256Abc) && hash.MatchesKnownAnswer(k448Bits, kSha256448);
}

Sha512Win::Sha512Win(IDigestBackend& backend) noexcept : HashBaseWin(kSha512, 128, backend) {}

bool Sha512Win::SelfTest() {
    Sha512Win hash(Backend());
    return hash.MatchesKnownAnswer(kAbc, kSha512Abc) && hash.MatchesKnownAnswer(k448Bits, kSha512448) &&
           hash.MatchesKnownAnswer(k896Bits, kSha512896);
}

} // namespace CryptoServiceProvider::Hashing
