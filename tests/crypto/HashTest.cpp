#include <gtest/gtest.h>

#include <cstring>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <string>
#include <vector>

#include "crypto/DigestBackend.h"
#include "crypto/HashBaseWin.h"
#include "support/CryptoTestSupport.h"

using namespace CryptoServiceProvider::Hashing;
using Tarnwick::Testing::Capture;
using Tarnwick::Testing::ToHex;

namespace {

const std::string k448 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string k896 = "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklm"
                         "nopqrlmnopqrsmnopqrstnopqrstu";

std::string Digest(HashBase& hash, const std::string& message) {
    std::vector<std::uint8_t> out(hash.GetHashSize());
    hash.ComputeHash(out.data(), out.size(), message.data(), message.size());
    return ToHex(out);
}

// One million "a", fed in uneven pieces.
std::string MillionA(HashBase& hash) {
    const std::string chunk(997, 'a');
    hash.Initialize();
    std::size_t left = 1000000;
    while (left > 0) {
        const std::size_t take = left < chunk.size() ? left : chunk.size();
        hash.Update(chunk.data(), take);
        left -= take;
    }
    std::vector<std::uint8_t> out(hash.GetHashSize());
    std::size_t length = out.size();
    hash.Finish(out.data(), length);
    hash.Release();
    EXPECT_EQ(length, out.size());
    return ToHex(out);
}

// Forwards to the library and fails the chosen step; counts what is alive.
class FakeBackend : public IDigestBackend {
public:
    enum class Step {
        None,
        Fetch,
        FetchUnavailable,
        FetchNull,
        FetchBuiltIn,
        Context,
        Update,
        Final,
        ShortFinal,
        WrongFinal
    };

    explicit FakeBackend(Step fail = Step::None) : fail(fail) {}

    unsigned long Fetch(const char* name, EVP_MD*& digest) noexcept override {
        ++fetches;
        if (fail == Step::Fetch) {
            digest = nullptr;
            return kOtherError;
        }
        if (fail == Step::FetchUnavailable || fail == Step::FetchBuiltIn) {
            digest = nullptr;
            return ERR_PACK(ERR_LIB_EVP, 0, ERR_R_UNSUPPORTED);
        }
        if (fail == Step::FetchNull) {
            digest = nullptr;
            return 0;
        }
        const unsigned long error = real.Fetch(name, digest);
        return Count(error, digest);
    }
    unsigned long FetchBuiltIn(const char* name, EVP_MD*& digest) noexcept override {
        ++builtInFetches;
        if (fail == Step::FetchBuiltIn) {
            digest = nullptr;
            return kOtherError;
        }
        const unsigned long error = real.FetchBuiltIn(name, digest);
        return Count(error, digest);
    }
    void FreeDigest(EVP_MD* digest) noexcept override {
        --liveDigests;
        real.FreeDigest(digest);
    }
    unsigned long CreateContext(const EVP_MD* digest, EVP_MD_CTX*& context) noexcept override {
        if (fail == Step::Context) {
            context = nullptr;
            return kOtherError;
        }
        const unsigned long error = real.CreateContext(digest, context);
        if (error == 0) {
            ++liveContexts;
        }
        return error;
    }
    unsigned long Update(EVP_MD_CTX* context, const void* data, std::size_t length) noexcept override {
        ++updates;
        return fail == Step::Update ? kOtherError : real.Update(context, data, length);
    }
    unsigned long Final(EVP_MD_CTX* context, unsigned char* output, unsigned int& length) noexcept override {
        if (fail == Step::Final) {
            return kOtherError;
        }
        const unsigned long error = real.Final(context, output, length);
        if (fail == Step::ShortFinal) {
            --length;
        }
        if (fail == Step::WrongFinal) {
            output[0] ^= 1;
        }
        return error;
    }
    void FreeContext(EVP_MD_CTX* context) noexcept override {
        --liveContexts;
        real.FreeContext(context);
    }

    static constexpr unsigned long kOtherError = 0x0A000041; // any code that is not "unsupported"

    Step fail;
    IDigestBackend& real = DefaultDigestBackend();
    int fetches = 0;
    int builtInFetches = 0;
    int updates = 0;
    int liveDigests = 0;
    int liveContexts = 0;

private:
    unsigned long Count(unsigned long error, EVP_MD* digest) {
        if (error == 0 && digest != nullptr) {
            ++liveDigests;
        }
        return error;
    }
};

} // namespace

TEST(Sha1Win, PublishedDigests) {
    Sha1Win sha;
    EXPECT_EQ(Digest(sha, ""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(Digest(sha, "abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Digest(sha, k448), "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(Digest(sha, k896), "a49b2446a02c645bf419f995b67091253a04a259");
    EXPECT_EQ(Digest(sha, std::string(64, 'a')), "0098ba824b5c16427bd7a1122a5a442a25ec644d");
    EXPECT_EQ(MillionA(sha), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(Sha256Win, PublishedDigests) {
    Sha256Win sha;
    EXPECT_EQ(Digest(sha, ""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Digest(sha, "abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Digest(sha, k448), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Digest(sha, k896), "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
    EXPECT_EQ(MillionA(sha), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha512Win, PublishedDigests) {
    Sha512Win sha;
    EXPECT_EQ(Digest(sha, ""), "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce"
                               "47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e");
    EXPECT_EQ(Digest(sha, "abc"), "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
                                  "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f");
    EXPECT_EQ(Digest(sha, k448), "204a8fc6dda82f0a0ced7beb8e08a41657c16ef468b228a8279be331a703c335"
                                 "96fd15c13b1b07f9aa1d3bea57789ca031ad85c7a71dd70354ec631238ca3445");
    EXPECT_EQ(Digest(sha, k896), "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018"
                                 "501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909");
    EXPECT_EQ(MillionA(sha), "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973eb"
                             "de0ff244877ea60a4cb0432ce577c31beb009c5c2c49aa2e4eadb217ad8cc09b");
}

TEST(HashBaseWin, SelfTestsPassAndFailOnAWrongDigest) {
    EXPECT_TRUE(Sha1Win().SelfTest());
    EXPECT_TRUE(Sha256Win().SelfTest());
    EXPECT_TRUE(Sha512Win().SelfTest());
    FakeBackend wrong(FakeBackend::Step::WrongFinal);
    EXPECT_FALSE(Sha256Win(wrong).SelfTest());
    EXPECT_EQ(wrong.liveDigests, 0);
    EXPECT_EQ(wrong.liveContexts, 0);
}

TEST(HashBaseWin, SizesAndIdentifiers) {
    Sha1Win sha1;
    Sha256Win sha256;
    Sha512Win sha512;
    EXPECT_EQ(sha1.GetHashSize(), 20u);
    EXPECT_EQ(sha1.GetHashSizeInBits(), 160u);
    EXPECT_EQ(sha1.GetAlgorithm(), 0x8004u);
    EXPECT_EQ(sha1.GetBlockLength(), 64u);
    EXPECT_EQ(sha256.GetHashSize(), 32u);
    EXPECT_EQ(sha256.GetHashSizeInBits(), 256u);
    EXPECT_EQ(sha256.GetAlgorithm(), 0x800Cu);
    EXPECT_EQ(sha256.GetBlockLength(), 64u);
    EXPECT_EQ(sha512.GetHashSize(), 64u);
    EXPECT_EQ(sha512.GetHashSizeInBits(), 512u);
    EXPECT_EQ(sha512.GetAlgorithm(), 0x800Eu);
    EXPECT_EQ(sha512.GetBlockLength(), 128u);
    for (std::uint32_t id : {0x8001u, 0x8002u, 0x8003u}) {
        EXPECT_EQ(HashBaseWin::DigestSizeOf(id), 16u);
    }
    EXPECT_EQ(HashBaseWin::DigestSizeOf(0x800D), 48u);
    EXPECT_EQ(HashBaseWin::DigestSizeOf(0x8005), 0u);
    EXPECT_EQ(HashBaseWin::DigestSizeOf(0), 0u);
}

TEST(HashBaseWin, TwoPiecesEqualTheirConcatenation) {
    Sha256Win sha;
    const std::string first = "user name ";
    const std::string second = "and more";
    std::uint8_t joined[32];
    std::uint8_t pieces[32];
    const std::string whole = first + second;
    sha.ComputeHash(joined, sizeof joined, whole.data(), whole.size());
    sha.ComputeHash(pieces, sizeof pieces, first.data(), first.size(), second.data(), second.size());
    EXPECT_EQ(ToHex(pieces, 32), ToHex(joined, 32));
    // An empty second piece changes nothing.
    sha.ComputeHash(pieces, sizeof pieces, whole.data(), whole.size(), "", 0);
    EXPECT_EQ(ToHex(pieces, 32), ToHex(joined, 32));
    EXPECT_TRUE(sha.IsReleased());
}

TEST(HashBaseWin, ShortOutputIsRefusedBeforeAnyHashing) {
    FakeBackend backend;
    Sha512Win sha(backend);
    std::uint8_t out[64] = {};
    auto thrown = Capture([&] { sha.ComputeHash(out, 63, "abc", 3); });
    EXPECT_EQ(thrown.kind, "Exception");
    EXPECT_EQ(thrown.message, u"HashBase::VerifyHashOutputSize");
    EXPECT_EQ(thrown.target, u"");
    EXPECT_EQ(backend.fetches, 0);
    EXPECT_EQ(backend.updates, 0);
    // Larger buffers are fine; the digest fills the front.
    std::uint8_t large[80];
    std::memset(large, 0xCC, sizeof large);
    sha.ComputeHash(large, sizeof large, "abc", 3);
    EXPECT_EQ(ToHex(large, 2), "ddaf");
    EXPECT_EQ(large[64], 0xCC);
    // Finish checks the room too, and tells the digest length.
    sha.Initialize();
    std::size_t length = 63;
    thrown = Capture([&] { sha.Finish(out, length); });
    EXPECT_EQ(thrown.message, u"HashBase::VerifyHashOutputSize");
    length = sizeof large;
    sha.Finish(large, length);
    EXPECT_EQ(length, 64u);
}

TEST(HashBaseWin, HashHandleIsNeededForUpdateAndFinish) {
    Sha1Win sha;
    std::uint8_t out[20];
    std::size_t length = sizeof out;
    auto thrown = Capture([&] { sha.Update("x", 1); });
    EXPECT_EQ(thrown.kind, "Exception");
    EXPECT_EQ(thrown.message, u"Ungültiges Hash-Handle.");
    EXPECT_EQ(thrown.target, u"HashBaseWin::VerifyHashHandle");
    thrown = Capture([&] { sha.Finish(out, length); });
    EXPECT_EQ(thrown.target, u"HashBaseWin::VerifyHashHandle");
    EXPECT_TRUE(sha.IsReleased());

    // The library would hash more data onto a finished context; the spent handle is refused.
    sha.Initialize();
    EXPECT_FALSE(sha.IsReleased());
    sha.Update("abc", 3);
    sha.Finish(out, length);
    EXPECT_EQ(ToHex(out, 20), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Capture([&] { sha.Update("abc", 3); }).target, u"HashBaseWin::VerifyHashHandle");
    EXPECT_EQ(Capture([&] { sha.Finish(out, length); }).target, u"HashBaseWin::VerifyHashHandle");
    sha.Release();
    // After a release the object starts over.
    sha.Initialize();
    sha.Update("", 0);
    sha.Finish(out, length);
    EXPECT_EQ(ToHex(out, 20), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

TEST(HashBaseWin, HandlesAreReleasedOnEveryPath) {
    FakeBackend backend;
    {
        Sha256Win sha(backend);
        sha.Initialize();
        sha.Initialize(); // the first computation is released, not leaked
        EXPECT_EQ(backend.liveDigests, 1);
        EXPECT_EQ(backend.liveContexts, 1);
    } // the destructor releases the rest
    EXPECT_EQ(backend.liveDigests, 0);
    EXPECT_EQ(backend.liveContexts, 0);

    FakeBackend failing(FakeBackend::Step::Update);
    Sha256Win sha(failing);
    std::uint8_t out[32];
    EXPECT_EQ(Capture([&] { sha.ComputeHash(out, sizeof out, "abc", 3); }).target, u"HashBaseWin::Update");
    EXPECT_EQ(failing.liveDigests, 0);
    EXPECT_EQ(failing.liveContexts, 0);
    EXPECT_TRUE(sha.IsReleased());
}

TEST(HashBaseWin, FallsBackToTheBuiltInProvider) {
    FakeBackend backend(FakeBackend::Step::FetchUnavailable);
    Sha512Win fallback(backend);
    Sha512Win normal;
    for (const std::string& message : {std::string(), std::string("abc"), k896}) {
        EXPECT_EQ(Digest(fallback, message), Digest(normal, message));
    }
    EXPECT_EQ(backend.fetches, 3);
    EXPECT_EQ(backend.builtInFetches, 3);
    EXPECT_EQ(backend.liveDigests, 0);
    EXPECT_TRUE(fallback.SelfTest());
}

TEST(HashBaseWin, LibraryFailuresAndTheirTexts) {
    using Step = FakeBackend::Step;
    struct Case {
        Step step;
        const char* kind;
        std::u16string message;
        std::u16string function;
        std::u16string target;
    };
    const Case cases[] = {
        {Step::Fetch, "WindowsException", u"", u"EVP_MD_fetch", u"HashBaseWin::CreateCspHandle"},
        {Step::FetchBuiltIn, "WindowsException", u"", u"EVP_MD_fetch", u"HashBaseWin::CreateCspHandleXP"},
        {Step::FetchNull, "Exception", u"Ungültiges CSP-Handle.", u"", u"HashBaseWin::VerifyCspHandle"},
        {Step::Context, "WindowsException", u"", u"EVP_DigestInit_ex", u"HashBaseWin::CreateHashHandle"},
        {Step::Update, "WindowsException", u"", u"EVP_DigestUpdate", u"HashBaseWin::Update"},
        {Step::Final, "WindowsException", u"", u"EVP_DigestFinal_ex", u"HashBaseWin::Finish"},
        {Step::ShortFinal, "Exception", u"Der errechnete Hash-Wert besitzt eine ungültige Größe.", u"",
         u"HashBaseWin::VerifyHashOutputSize"},
    };
    for (const Case& c : cases) {
        FakeBackend backend(c.step);
        Sha1Win sha(backend);
        std::uint8_t out[20] = {};
        const auto thrown = Capture([&] { sha.ComputeHash(out, sizeof out, "abc", 3); });
        SCOPED_TRACE(std::string(thrown.target.begin(), thrown.target.end()));
        EXPECT_EQ(thrown.kind, c.kind);
        EXPECT_EQ(thrown.message, c.message);
        EXPECT_EQ(thrown.function, c.function);
        EXPECT_EQ(thrown.target, c.target);
        if (thrown.kind == "WindowsException") {
            EXPECT_EQ(thrown.code, static_cast<std::int64_t>(FakeBackend::kOtherError));
        }
        EXPECT_EQ(ToHex(out, 20), std::string(40, '0')); // nothing written
        EXPECT_EQ(backend.liveDigests, 0);
        EXPECT_EQ(backend.liveContexts, 0);
    }
}

TEST(DigestBackend, ReportsUnknownDigestsAsUnavailable) {
    IDigestBackend& backend = DefaultDigestBackend();
    EVP_MD* digest = reinterpret_cast<EVP_MD*>(1);
    const unsigned long error = backend.Fetch("NO-SUCH-DIGEST", digest);
    EXPECT_NE(error, 0u);
    EXPECT_EQ(digest, nullptr);
    EXPECT_TRUE(IsDigestUnavailable(error));
    EXPECT_FALSE(IsDigestUnavailable(FakeBackend::kOtherError));
    EXPECT_EQ(ERR_peek_error(), 0u); // the thread's error queue is left clean
    ASSERT_EQ(backend.FetchBuiltIn("SHA256", digest), 0u);
    EXPECT_EQ(EVP_MD_get_size(digest), 32);
    backend.FreeDigest(digest);
}
