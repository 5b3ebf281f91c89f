#include <gtest/gtest.h>

#include <cstring>

#include "crypto/CryptoSelfTest.h"
#include "crypto/DigestBackend.h"
#include "crypto/HashBaseWin.h"

using namespace CryptoServiceProvider;

namespace {

// A digest library that gets every result wrong by one bit.
class BrokenDigests : public Hashing::IDigestBackend {
public:
    unsigned long Fetch(const char* name, EVP_MD*& digest) noexcept override { return Real().Fetch(name, digest); }
    unsigned long FetchBuiltIn(const char* name, EVP_MD*& digest) noexcept override {
        return Real().FetchBuiltIn(name, digest);
    }
    void FreeDigest(EVP_MD* digest) noexcept override { Real().FreeDigest(digest); }
    unsigned long CreateContext(const EVP_MD* digest, EVP_MD_CTX*& context) noexcept override {
        return Real().CreateContext(digest, context);
    }
    unsigned long Update(EVP_MD_CTX* context, const void* data, std::size_t length) noexcept override {
        return Real().Update(context, data, length);
    }
    unsigned long Final(EVP_MD_CTX* context, unsigned char* output, unsigned int& length) noexcept override {
        const unsigned long error = Real().Final(context, output, length);
        output[0] ^= 0x01;
        return error;
    }
    void FreeContext(EVP_MD_CTX* context) noexcept override { Real().FreeContext(context); }

private:
    static Hashing::IDigestBackend& Real() { return Hashing::DefaultDigestBackend(); }
};

} // namespace

TEST(CryptoSelfTest, EveryPrimitivePassesInOrder) {
    const auto steps = StartupSelfTestSteps();
    ASSERT_EQ(steps.size(), 6u);
    const char16_t* names[] = {u"Blowfish", u"Rijndael256", u"RipeMD320", u"Sha1Win", u"Sha256Win", u"Sha512Win"};
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].name, names[i]);
    }
    std::size_t ran = 0;
    EXPECT_TRUE(RunSelfTest(steps, &ran));
    EXPECT_EQ(ran, 6u);
    EXPECT_TRUE(RunStartupSelfTest());
}

TEST(CryptoSelfTest, AWrongDigestStopsAfterFourTests) {
    auto steps = StartupSelfTestSteps();
    steps[4].run = [] {
        BrokenDigests broken;
        Hashing::Sha256Win sha(broken);
        return sha.SelfTest();
    };
    bool sixthRan = false;
    steps[5].run = [&] {
        sixthRan = true;
        return true;
    };
    std::size_t ran = 0;
    EXPECT_FALSE(RunSelfTest(steps, &ran));
    EXPECT_EQ(ran, 5u); // four passed, the fifth failed
    EXPECT_FALSE(sixthRan);
}

TEST(CryptoSelfTest, AnExceptionIsAFailure) {
    std::vector<SelfTestStep> steps = {{u"wirft", []() -> bool { throw 1; }}, {u"nie", [] { return true; }}};
    std::size_t ran = 0;
    EXPECT_FALSE(RunSelfTest(steps, &ran));
    EXPECT_EQ(ran, 1u);
}
