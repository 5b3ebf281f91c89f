#include <gtest/gtest.h>

#include <openssl/sha.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <unistd.h>
#include <vector>

#include "crypto/Salsa20.h"
#include "generator/CryptoRandomStream.h"
#include "generator/Entropy.h"
#include "generator/GeneratorTestSupport.h"
#include "support/CryptoTestSupport.h"

using namespace GeneratorTesting;
using StringServiceProvider::SecureString;
using Tarnwick::PasswordGenerator::ComputeSystemEntropy;
using Tarnwick::PasswordGenerator::DefaultPolicy;
using Tarnwick::PasswordGenerator::MouseEntropy;
using Tarnwick::PasswordGenerator::PasswordGenerator;
using Tarnwick::PasswordGenerator::Crypto::CryptoRandomStream;
using Tarnwick::Testing::Capture;
using Tarnwick::Testing::FromHex;
using Tarnwick::Testing::ToHex;

namespace {

std::vector<std::uint8_t> Sha256(const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> digest(32);
    SHA256(data.data(), data.size(), digest.data());
    return digest;
}

std::vector<std::uint8_t> Concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

std::vector<std::uint8_t> Keystream(const std::vector<std::uint8_t>& key, std::size_t length) {
    CryptoServiceProvider::Encryption::Salsa20 cipher;
    cipher.InitializeCipher(key.data(), key.size(), CryptoRandomStream::kNonce.data(),
                            CryptoRandomStream::kNonce.size());
    std::vector<std::uint8_t> bytes(length);
    cipher.Process(bytes.data(), bytes.size());
    return bytes;
}

std::vector<std::uint8_t> StreamBytes(CryptoRandomStream& stream, std::size_t length) {
    std::vector<std::uint8_t> bytes(length, 0xAA); // overwritten, not XORed
    stream.Fill(bytes);
    return bytes;
}

// The samples RecordingUI produces, laid out most significant byte first.
std::vector<std::uint8_t> RecordedSamples(std::size_t count) {
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t s = MouseEntropy::Sample(1000 + i, static_cast<std::int32_t>(10 + i),
                                                     static_cast<std::int32_t>(20 + 2 * i));
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes.push_back(static_cast<std::uint8_t>(s >> shift));
        }
    }
    return bytes;
}

std::vector<std::uint8_t> StrongBytes(std::uint8_t first) {
    std::vector<std::uint8_t> bytes(32);
    for (int i = 0; i < 32; ++i) {
        bytes[i] = static_cast<std::uint8_t>(first + i);
    }
    return bytes;
}

} // namespace

TEST(SystemEntropy, DigestOverTheFixedLayout) {
    FixedSystemState state;
    std::uint8_t digest[32];
    ComputeSystemEntropy(state, 0x12345678, digest);
    const std::vector<std::uint8_t> expected =
        FromHex("78563412"         // window
                "0807060504030201" // tick count
                "40000000 2a000000 1111111111111111 0200000000000000 0300000000000000"
                "0400000000000000 0500000000000000 0600000000000000 0700000000000000" // memory status
                "d4c3b2a1 4d000000"                                                   // process and thread
                "e807 0200 0400 1d00 1700 3b00 3a00 e703" // 2024-02-29 (Thursday) 23:59:58.999
                "01000000 02000000 ffffffff");            // process ids
    ASSERT_EQ(expected.size(), 4u + 8 + 64 + 8 + 16 + 12);
    EXPECT_EQ(ToHex(digest, 32), ToHex(Sha256(expected)));

    std::uint8_t other[32];
    ComputeSystemEntropy(state, 0x12345679, other);
    EXPECT_NE(ToHex(digest, 32), ToHex(other, 32));
}

TEST(SystemEntropy, TheRunningSystemAnswers) {
    auto& system = Tarnwick::Platform::SystemState();
    EXPECT_EQ(system.ProcessId(), static_cast<std::uint32_t>(::getpid()));
    EXPECT_NE(system.ThreadId(), 0u);
    const auto ids = system.ProcessIds();
    EXPECT_NE(std::find(ids.begin(), ids.end(), static_cast<std::uint32_t>(::getpid())), ids.end());
    const auto time = system.GetSystemTime();
    EXPECT_GE(time.year, 2024);
    EXPECT_GE(time.month, 1);
    EXPECT_LE(time.month, 12);
    EXPECT_LE(time.milliseconds, 999);
    const auto memory = system.GetMemoryStatus();
    EXPECT_EQ(memory.length, 64u);
    EXPECT_GT(memory.totalPhysical, 0u);
    EXPECT_LE(memory.availablePhysical, memory.totalPhysical);
    EXPECT_GT(memory.totalVirtual, 0u);
    EXPECT_LE(memory.memoryLoad, 100u);
    const std::uint64_t tick = system.TickCount64();
    EXPECT_GE(system.TickCount64(), tick);
}

TEST(MouseEntropy, SampleAndCount) {
    EXPECT_EQ(MouseEntropy::Sample(0x00ABCDEF, 0x10, 0x20), 0xCDEF1020u);
    EXPECT_EQ(MouseEntropy::Sample(1, 0, 0), 0x10000u);
    EXPECT_EQ(MouseEntropy::Sample(0, -1, 0), 0xFFFFFF00u);
    EXPECT_EQ(MouseEntropy::Sample(0, 0, -2), 0xFFFFFFFEu);

    struct Case {
        std::size_t perPassword, passwords;
        bool system;
        std::size_t wanted;
    };
    const Case cases[] = {
        {32, 1, false, 32},
        {32, 1, true, 24},
        {16, 1, true, 12},
        {17, 1, true, 12},
        {100, 1, true, 75},
        {127, 1, true, 95},
        {128, 1, true, 96},
        {512, 3, true, 1504},
        {512, 3, false, 1536},
        {2, 1, true, 1},
        {0, 5, false, 1},
        {4, 1, true, 1},
        {5, 1, true, 1},
        {6, 1, true, 2},
        {std::numeric_limits<std::size_t>::max(), 2, false, std::numeric_limits<std::size_t>::max()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MouseEntropy::SamplesWanted(c.perPassword, c.passwords, c.system), c.wanted)
            << c.perPassword << " x " << c.passwords << " " << c.system;
    }
}

TEST(MouseEntropy, DigestOfTheSamplesMostSignificantByteFirst) {
    MouseEntropy full(3);
    EXPECT_FALSE(full.AddMovement(1000, 10, 20));
    EXPECT_FALSE(full.AddMovement(1001, 11, 22));
    EXPECT_TRUE(full.AddMovement(1002, 12, 24));
    EXPECT_TRUE(full.AddMovement(5, 5, 5)); // after the bar is full: ignored
    EXPECT_EQ(full.Collected(), 3u);
    std::uint8_t digest[32];
    full.Finish(digest);
    EXPECT_EQ(ToHex(digest, 32), ToHex(Sha256(RecordedSamples(3))));
    EXPECT_EQ(Capture([&] { full.Finish(digest); }).target, u"MouseEntropy::Finish");

    // A cancelled dialog hashes what it has.
    MouseEntropy cancelled(100);
    cancelled.AddMovement(1000, 10, 20);
    EXPECT_FALSE(cancelled.IsComplete());
    cancelled.Finish(digest);
    EXPECT_EQ(ToHex(digest, 32), ToHex(Sha256(RecordedSamples(1))));
    MouseEntropy nothing(10);
    nothing.Finish(digest);
    EXPECT_EQ(ToHex(digest, 32), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(CryptoRandomStream, KeyIsTheHashOfRandomMouseAndSystemEntropy) {
    const std::vector<std::uint8_t> mouse(32, 0x11);
    const std::vector<std::uint8_t> system(32, 0x22);
    const struct {
        const std::uint8_t* mouse;
        const std::uint8_t* system;
        std::vector<std::uint8_t> hashed;
    } cases[] = {
        {mouse.data(), system.data(), Concat({StrongBytes(0x40), mouse, system})},
        {nullptr, system.data(), Concat({StrongBytes(0x40), system})},
        {mouse.data(), nullptr, Concat({StrongBytes(0x40), mouse})},
        {nullptr, nullptr, StrongBytes(0x40)},
    };
    for (const auto& c : cases) {
        FixedRandom strong(0x40);
        const auto stream = CryptoRandomStream::Create(strong, c.mouse, c.system);
        EXPECT_EQ(strong.calls, 1);
        const auto key = Sha256(c.hashed);
        EXPECT_EQ(ToHex(StreamBytes(*stream, 100)), ToHex(Keystream(key, 100)));
    }
    // Consecutive fills continue the keystream.
    const auto key = Sha256(StrongBytes(1));
    CryptoRandomStream stream(key.data(), key.size());
    const auto first = StreamBytes(stream, 7);
    const auto second = StreamBytes(stream, 70);
    EXPECT_EQ(ToHex(Concat({first, second})), ToHex(Keystream(key, 77)));
    // The uniform draw reads four bytes, most significant first.
    CryptoRandomStream again(key.data(), key.size());
    const auto word = Keystream(key, 4);
    const std::uint32_t value = (std::uint32_t{word[0]} << 24) | (word[1] << 16) | (word[2] << 8) | word[3];
    if (value <= CryptoRandomStream::RejectionLimit(1000)) {
        EXPECT_EQ(again.UniformBelow(1000), value % 1000);
    }

    // After a reset the stream has no key and refuses to hand out bytes.
    stream.Reset();
    EXPECT_EQ(Capture([&] { StreamBytes(stream, 4); }).target, u"Salsa20::Process");
    // A key of the wrong size is refused.
    EXPECT_EQ(Capture([&] { CryptoRandomStream bad(key.data(), 16); }).kind, "Exception");
}

TEST(PasswordGenerator, StreamSetUpCollectsWhatThePolicyAsksFor) {
    FixedSystemState state;
    std::uint8_t systemDigest[32];
    ComputeSystemEntropy(state, 0xCAFE, systemDigest);
    const std::vector<std::uint8_t> system(systemDigest, systemDigest + 32);

    for (const bool mouse : {false, true}) {
        for (const bool sys : {false, true}) {
            auto policy = DefaultPolicy();
            policy.mouseEntropy = mouse;
            policy.systemEntropy = sys;
            RecordingUI ui;
            FixedRandom strong(0x70);
            PasswordGenerator generator(policy, &ui, 0xCAFE);
            generator.SetStrongRandom(&strong);
            generator.SetSystemState(&state);
            SecureString password;
            ASSERT_TRUE(generator.GeneratePassword(password));

            const std::size_t wanted = MouseEntropy::SamplesWanted(32 * 16, 1, sys);
            EXPECT_EQ(ui.dialogs, mouse ? 1 : 0);
            if (mouse) {
                EXPECT_EQ(ui.wanted, wanted);
            }
            std::vector<std::uint8_t> hashed = StrongBytes(0x70);
            if (mouse) {
                hashed = Concat({hashed, Sha256(RecordedSamples(wanted))});
            }
            if (sys) {
                hashed = Concat({hashed, system});
            }
            const auto key = Sha256(hashed);
            CryptoRandomStream expectedStream(key.data(), key.size());
            SecureString expected;
            PasswordGenerator(policy).Generate(expectedStream, expected);
            EXPECT_TRUE(password.Equals(expected)) << mouse << sys;
        }
    }

    // A list asks the dialog once, for all its passwords.
    auto policy = DefaultPolicy();
    policy.mouseEntropy = true;
    RecordingUI ui;
    ui.cancelAfter = 5; // the user cancels: what was collected still counts
    FixedRandom strong(1);
    PasswordGenerator generator(policy, &ui);
    generator.SetStrongRandom(&strong);
    generator.SetSystemState(&state);
    generator.SetMouseSamplesPerPassword(50);
    std::vector<SecureString> storage(3);
    std::vector<SecureString*> slots = {&storage[0], &storage[1], &storage[2]};
    EXPECT_EQ(generator.GeneratePasswords(nullptr, slots), 3u);
    EXPECT_EQ(ui.dialogs, 1);
    EXPECT_EQ(ui.wanted, 150u - 32u);
}
