// A policy whose demands are met only by chance must not keep the user-interface thread busy
// for long: the generator gives up after a bounded number of draws, not only attempts.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "crypto/SecureString.h"
#include "generator/CryptoRandomStream.h"
#include "generator/GeneratorTestSupport.h"
#include "generator/PasswordGenerator.h"

namespace {

using Tarnwick::PasswordGenerator::DefaultPolicy;
using Tarnwick::PasswordGenerator::kGenerationErrorText;
using Tarnwick::PasswordGenerator::PasswordGenerator;
using Tarnwick::PasswordGenerator::PasswordPolicy;

// A real stream under a fixed key that counts what is asked of it.
class CountingStream final : public CryptoServiceProvider::Random::CryptoRandomStreamBase {
public:
    void Fill(std::vector<std::uint8_t>& buffer) override {
        ++fills;
        m_stream.Fill(buffer);
    }
    std::size_t fills = 0;

private:
    static constexpr std::uint8_t kKey[32] = {7, 7, 7};
    Tarnwick::PasswordGenerator::Crypto::CryptoRandomStream m_stream{kKey, sizeof kKey};
};

TEST(GenerationBound, ALongPolicyMetOnlyByChanceGivesUpAfterTheDrawBound) {
    // 500 of the seven umlauts among 1024 characters: possible, but no draw will ever do it.
    PasswordPolicy policy = DefaultPolicy();
    policy.length = 1024;
    policy.digits = 0;
    policy.lower = 1;
    policy.upper = 0;
    policy.punctuation = 0;
    policy.umlauts = 500;
    GeneratorTesting::RecordingUI ui;
    PasswordGenerator generator(policy, &ui);
    CountingStream stream;
    StringServiceProvider::SecureString password;
    EXPECT_FALSE(generator.Generate(stream, password));
    EXPECT_TRUE(password.IsEmpty());
    // Each draw takes one fill, and a redraw is rare for bounds this small.
    EXPECT_LE(stream.fills, PasswordGenerator::kMaxDraws + PasswordGenerator::kMaxDraws / 100);
    EXPECT_GT(stream.fills, PasswordGenerator::kMaxDraws / 2);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors.front(), kGenerationErrorText);
}

TEST(GenerationBound, AnOrdinaryPolicyStillSucceedsWithFewDraws) {
    PasswordGenerator generator(DefaultPolicy());
    CountingStream stream;
    StringServiceProvider::SecureString password;
    ASSERT_TRUE(generator.Generate(stream, password));
    EXPECT_EQ(password.Length(), static_cast<std::size_t>(DefaultPolicy().length));
    EXPECT_LT(stream.fills, 10000u);
}

} // namespace
