// Password generation and rating in bulk: 10,000 passwords of length 20 from the standard
// policy, and 10,000 passwords rated by the quality analyser. Both should stay well below 1 s.
// The last case is the slowest a policy file can make one generation: demands that almost
// never come true, tried 25000 times.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "crypto/SecureString.h"
#include "generator/PasswordGenerator.h"
#include "generator/QualityAnalyser.h"

using CryptoServiceProvider::PasswordMeter::QualityAnalyser;
using StringServiceProvider::SecureString;
using Tarnwick::PasswordGenerator::DefaultPolicy;
using Tarnwick::PasswordGenerator::PasswordGenerator;
using Tarnwick::PasswordGenerator::PasswordPolicy;

namespace {

constexpr std::size_t kPasswords = 10000;

std::vector<SecureString*> Slots(std::vector<SecureString>& storage) {
    std::vector<SecureString*> slots;
    for (auto& s : storage) {
        slots.push_back(&s);
    }
    return slots;
}

void Generate10000(benchmark::State& state) {
    PasswordPolicy policy = DefaultPolicy();
    policy.length = 20;
    PasswordGenerator generator(policy);
    std::vector<SecureString> storage(kPasswords);
    const auto slots = Slots(storage);
    for (auto _ : state) {
        if (generator.GeneratePasswords(nullptr, slots) != kPasswords) {
            state.SkipWithError("generation failed");
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kPasswords));
}
BENCHMARK(Generate10000)->Unit(benchmark::kMillisecond);

void Rate10000(benchmark::State& state) {
    PasswordPolicy policy = DefaultPolicy();
    policy.length = 20;
    PasswordGenerator generator(policy);
    std::vector<SecureString> storage(kPasswords);
    generator.GeneratePasswords(nullptr, Slots(storage));
    QualityAnalyser analyser;
    for (auto _ : state) {
        long total = 0;
        for (const auto& password : storage) {
            total += analyser.Analyse(password);
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kPasswords));
}
BENCHMARK(Rate10000)->Unit(benchmark::kMillisecond);

// Length 1024, 60 of one own character among 130: never met, and every attempt runs almost to
// the end before it is given up.
void WorstCaseImprobableDemand(benchmark::State& state) {
    PasswordPolicy policy = DefaultPolicy();
    for (int set = 0; set < Tarnwick::PasswordGenerator::kSetCount; ++set) {
        policy.SetCount(set, 0);
    }
    policy.length = 1024;
    policy.highAnsi = 1;
    policy.ownCount = 60;
    policy.ownCharacters.assign(1, u'x');
    PasswordGenerator generator(policy);
    for (auto _ : state) {
        SecureString password;
        benchmark::DoNotOptimize(generator.GeneratePassword(password));
    }
}
BENCHMARK(WorstCaseImprobableDemand)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
