#pragma once

#include <cstdint>
#include <deque>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/CryptoRandomStreamBase.h"
#include "crypto/RandomBase.h"
#include "crypto/SecureString.h"
#include "generator/Entropy.h"
#include "generator/PasswordGenerator.h"
#include "generator/PasswordPolicy.h"
#include "platform/SystemState.h"

namespace GeneratorTesting {

using Tarnwick::PasswordGenerator::PasswordPolicy;

// Hands out scripted bytes in order; words go in most significant byte first, as the
// uniform draw reads them. Running out of script is a test failure.
class ScriptedStream : public CryptoServiceProvider::Random::CryptoRandomStreamBase {
public:
    ScriptedStream() = default;
    explicit ScriptedStream(std::initializer_list<std::uint32_t> words) {
        for (const std::uint32_t word : words) {
            PushWord(word);
        }
    }
    void PushWord(std::uint32_t word) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes.push_back(static_cast<std::uint8_t>(word >> shift));
        }
    }
    void PushBytes(const std::vector<std::uint8_t>& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
    }

    void Fill(std::vector<std::uint8_t>& buffer) override {
        ++fills;
        for (auto& b : buffer) {
            if (bytes.empty()) {
                throw std::runtime_error("script exhausted");
            }
            b = bytes.front();
            bytes.pop_front();
        }
    }

    std::deque<std::uint8_t> bytes;
    int fills = 0;
};

// A policy with every count 0 and the given length; the caller chooses the sets.
inline PasswordPolicy EmptyPolicy(std::int16_t length) {
    PasswordPolicy policy;
    policy.length = length;
    for (int set = 0; set < Tarnwick::PasswordGenerator::kSetCount; ++set) {
        policy.SetCount(set, 0);
    }
    policy.systemEntropy = false;
    return policy;
}

// Records what the generator asks of its window; the entropy dialog "moves the mouse"
// over a fixed path until the collector is full (or stops early to play a cancel).
class RecordingUI : public Tarnwick::PasswordGenerator::IGeneratorUI {
public:
    void ShowError(std::u16string_view message) override { errors.emplace_back(message); }
    void BeginWaitCursor() override {
        ++waitDepth;
        ++waitCursors;
    }
    void EndWaitCursor() override { --waitDepth; }
    void CollectMouseEntropy(Tarnwick::PasswordGenerator::MouseEntropy& collector) override {
        wanted = collector.Wanted();
        for (std::uint32_t i = 0; i < cancelAfter && !collector.IsComplete(); ++i) {
            collector.AddMovement(1000 + i, static_cast<std::int32_t>(10 + i),
                                  static_cast<std::int32_t>(20 + 2 * i));
        }
        ++dialogs;
    }

    std::vector<std::u16string> errors;
    int waitDepth = 0;
    int waitCursors = 0;
    int dialogs = 0;
    std::size_t wanted = 0;
    std::uint32_t cancelAfter = 0xFFFFFFFF;
};

// The same bytes on every call.
class FixedRandom : public CryptoServiceProvider::Random::RandomBase {
public:
    explicit FixedRandom(std::uint8_t first) : m_first(first) {}
    void Seed(const std::uint8_t*, std::size_t&) override {}
    void AddSeed(std::int32_t) override {}
    void NextBytes(std::uint8_t* buffer, std::size_t length) override {
        for (std::size_t i = 0; i < length; ++i) {
            buffer[i] = static_cast<std::uint8_t>(m_first + i);
        }
        ++calls;
    }
    std::uint32_t Next() override { return 0; }
    void Generate() override {}
    void Clear() override {}
    int calls = 0;

private:
    std::uint8_t m_first;
};

// A system that never changes.
class FixedSystemState : public Tarnwick::Platform::ISystemState {
public:
    std::uint64_t TickCount64() override { return 0x0102030405060708ull; }
    Tarnwick::Platform::MemoryStatus GetMemoryStatus() override {
        Tarnwick::Platform::MemoryStatus status;
        status.memoryLoad = 42;
        status.totalPhysical = 0x1111111111111111ull;
        status.availablePhysical = 2;
        status.totalPageFile = 3;
        status.availablePageFile = 4;
        status.totalVirtual = 5;
        status.availableVirtual = 6;
        status.availableExtendedVirtual = 7;
        return status;
    }
    std::uint32_t ProcessId() override { return 0xA1B2C3D4; }
    std::uint32_t ThreadId() override { return 77; }
    Tarnwick::Platform::SystemClockTime GetSystemTime() override {
        return Tarnwick::Platform::SystemClockTime{2024, 2, 4, 29, 23, 59, 58, 999};
    }
    std::vector<std::uint32_t> ProcessIds() override { return {1, 2, 0xFFFFFFFF}; }
};

inline std::u16string Reveal(const StringServiceProvider::SecureString& secret) {
    return secret.Reveal().ToStdString();
}

// A stream with a fixed key: repeatable draws.
inline Tarnwick::PasswordGenerator::Crypto::CryptoRandomStream FixedStream(std::uint8_t seed) {
    std::uint8_t key[32];
    for (int i = 0; i < 32; ++i) {
        key[i] = static_cast<std::uint8_t>(seed * 31 + i);
    }
    return Tarnwick::PasswordGenerator::Crypto::CryptoRandomStream(key, sizeof key);
}

} // namespace GeneratorTesting
