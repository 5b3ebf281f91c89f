#include <gtest/gtest.h>

#include <cstring>

#include "crypto/CryptoSelfTest.h"
#include "crypto/HashBaseWin.h"

using namespace CryptoServiceProvider;

namespace {

// A SHA-256 that gets "abc" wrong.
class BrokenSha256 : public Hashing::Sha256Win {
public:
    void Finish(std::uint8_t* output, std::size_t& length) override {
        Sha256Win::Finish(output, length);
        output[0] ^= 0x01;
    }
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
        BrokenSha256 sha;
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
