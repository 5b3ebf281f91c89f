#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <vector>

#include "crypto/CryptoRandomStreamBase.h"
#include "crypto/RndCAPI.h"
#include "support/CryptoTestSupport.h"

using CryptoServiceProvider::Random::CryptoRandomStreamBase;
using CryptoServiceProvider::Random::CAPI::RndCAPI;
using Tarnwick::Testing::Capture;

namespace {

// Hands out the scripted words, most significant byte first, and counts the draws.
class ScriptedStream : public CryptoRandomStreamBase {
public:
    explicit ScriptedStream(std::deque<std::uint32_t> words) : m_words(std::move(words)) {}

    void Fill(std::vector<std::uint8_t>& buffer) override {
        ++draws;
        sizes.push_back(buffer.size());
        if (m_words.empty()) {
            throw std::runtime_error("script exhausted");
        }
        const std::uint32_t word = m_words.front();
        m_words.pop_front();
        for (std::size_t i = 0; i < buffer.size(); ++i) {
            buffer[i] = static_cast<std::uint8_t>(word >> (24 - 8 * (i % 4)));
        }
    }

    int draws = 0;
    std::vector<std::size_t> sizes;

private:
    std::deque<std::uint32_t> m_words;
};

std::vector<std::uint8_t> g_script;
int g_fillCalls = 0;

int ScriptedFill(void* buffer, std::size_t length) noexcept {
    ++g_fillCalls;
    std::memcpy(buffer, g_script.data(), std::min(length, g_script.size()));
    return 0;
}

int FailingFill(void*, std::size_t) noexcept {
    ++g_fillCalls;
    return EIO;
}

} // namespace

TEST(UniformBelow, RejectionLimits) {
    EXPECT_EQ(CryptoRandomStreamBase::RejectionLimit(1), 0xFFFFFFFEu);
    EXPECT_EQ(CryptoRandomStreamBase::RejectionLimit(2), 0xFFFFFFFDu);
    EXPECT_EQ(CryptoRandomStreamBase::RejectionLimit(3), 0xFFFFFFFEu);
    EXPECT_EQ(CryptoRandomStreamBase::RejectionLimit(62), 0xFFFFFFFFu - 4); // 2^32 mod 62 = 4 values go
    // A power of two loses exactly its top n values.
    for (std::uint32_t n : {4u, 256u, 0x10000u, 0x80000000u}) {
        EXPECT_EQ(CryptoRandomStreamBase::RejectionLimit(n), 0xFFFFFFFFu - n) << n;
    }
    EXPECT_EQ(CryptoRandomStreamBase::RejectionLimit(0xFFFFFFFFu), 0xFFFFFFFEu);
    // The accepted range holds a whole multiple of n values.
    for (std::uint32_t n : {1u, 2u, 3u, 5u, 62u, 94u, 1000u, 0x80000001u}) {
        const std::uint64_t accepted = std::uint64_t(CryptoRandomStreamBase::RejectionLimit(n)) + 1;
        EXPECT_EQ(accepted % n, 0u) << n;
        // Between one and n values are rejected.
        EXPECT_GE(0x100000000ull - accepted, 1u) << n;
        EXPECT_LE(0x100000000ull - accepted, n) << n;
    }
}

TEST(UniformBelow, RejectsExactlyTheValuesAboveTheLimit) {
    {
        ScriptedStream s({0xFFFFFFFF, 0xFFFFFFFE});
        EXPECT_EQ(s.UniformBelow(1), 0u); // n = 1 rejects only 0xFFFFFFFF
        EXPECT_EQ(s.draws, 2);
    }
    {
        ScriptedStream s({0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD});
        EXPECT_EQ(s.UniformBelow(2), 1u); // n = 2 rejects 0xFFFFFFFE and 0xFFFFFFFF
        EXPECT_EQ(s.draws, 3);
    }
    {
        ScriptedStream s({0xFFFFFFFF, 0xFFFFFFFE});
        EXPECT_EQ(s.UniformBelow(3), 2u); // n = 3 rejects only 0xFFFFFFFF
        EXPECT_EQ(s.draws, 2);
    }
    {
        ScriptedStream s({0xFFFFFFFF, 0xFFFFFF00, 0xFFFFFEFF});
        EXPECT_EQ(s.UniformBelow(256), 0xFFu); // the top 256 values go
        EXPECT_EQ(s.draws, 3);
    }
    {
        ScriptedStream s({0, 7});
        EXPECT_EQ(s.UniformBelow(1), 0u);
        EXPECT_EQ(s.UniformBelow(5), 2u);
        EXPECT_EQ(s.sizes, (std::vector<std::size_t>{4, 4}));
    }
    // The four bytes count most significant first.
    ScriptedStream s({0x01020304});
    EXPECT_EQ(s.UniformBelow(0xFFFFFFFF), 0x01020304u);
}

TEST(UniformBelow, RefusesZeroAndBadFills) {
    ScriptedStream s({5});
    auto thrown = Capture([&] { s.UniformBelow(0); });
    EXPECT_EQ(thrown.kind, "Exception");
    EXPECT_EQ(thrown.message, u"");
    EXPECT_EQ(thrown.target, u"CryptoRandomStreamBase::UniformBelow");
    EXPECT_EQ(Capture([] { CryptoRandomStreamBase::RejectionLimit(0); }).target,
              u"CryptoRandomStreamBase::UniformBelow");
    EXPECT_EQ(s.draws, 0);

    // A stream that returns the wrong number of bytes is not read past its end.
    class Shrinking : public CryptoRandomStreamBase {
    public:
        void Fill(std::vector<std::uint8_t>& buffer) override { buffer.resize(2); }
    } shrinking;
    EXPECT_EQ(Capture([&] { shrinking.UniformBelow(10); }).target, u"CryptoRandomStreamBase::UniformBelow");

    // The stream's own failure passes through.
    ScriptedStream empty({});
    EXPECT_THROW(empty.UniformBelow(10), std::runtime_error);
    empty.Reset(); // the hook does nothing
}

TEST(RndCAPI, WordsTakeTheFirstByteAsMostSignificant) {
    g_script = {0x01, 0x02, 0x03, 0x04};
    g_fillCalls = 0;
    RndCAPI random(&ScriptedFill);
    EXPECT_EQ(random.Next(), 0x01020304u);
    std::uint8_t out[4] = {};
    random.NextBytes(out, sizeof out);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[3], 0x04);
    random.NextBytes(out, 0); // nothing asked, nothing drawn
    EXPECT_EQ(g_fillCalls, 2);
    // The state operations do nothing.
    std::size_t length = 4;
    random.Seed(out, length);
    random.AddSeed(7);
    random.Generate();
    random.Clear();
    EXPECT_EQ(length, 4u);
    EXPECT_EQ(random.Next(), 0x01020304u);
}

TEST(RndCAPI, FailuresNameTheSystemCall) {
    RndCAPI random(&FailingFill);
    std::uint8_t out[16];
    for (const auto& action : {std::function<void()>([&] { random.Next(); }),
                               std::function<void()>([&] { random.NextBytes(out, sizeof out); })}) {
        const auto thrown = Capture(action);
        EXPECT_EQ(thrown.kind, "WindowsException");
        EXPECT_EQ(thrown.message, u"");
        EXPECT_EQ(thrown.function, u"getrandom");
        EXPECT_EQ(thrown.code, EIO);
        EXPECT_EQ(thrown.target, u"RndCAPI::Next");
    }
}

TEST(RndCAPI, DrawsFromTheKernel) {
    RndCAPI random;
    std::uint8_t a[32] = {};
    std::uint8_t b[32] = {};
    random.NextBytes(a, sizeof a);
    random.NextBytes(b, sizeof b);
    EXPECT_NE(std::memcmp(a, b, sizeof a), 0);
    EXPECT_NE(random.Next() | random.Next() | random.Next(), 0u);
}
