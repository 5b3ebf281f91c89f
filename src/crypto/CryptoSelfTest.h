#pragma once

#include <functional>
#include <string_view>
#include <vector>

namespace CryptoServiceProvider {

// One known-answer test of a primitive, run on a fresh object that is released before the
// next test starts.
struct SelfTestStep {
    std::u16string_view name;
    std::function<bool()> run;
};

// Blowfish, Rijndael256, RipeMD320, Sha1Win, Sha256Win, Sha512Win, in this order.
std::vector<SelfTestStep> StartupSelfTestSteps();

// Runs the steps in order and stops at the first failure (an exception counts as one).
// ranSteps, when given, receives how many steps ran.
bool RunSelfTest(const std::vector<SelfTestStep>& steps, std::size_t* ranSteps = nullptr);

// The start-up check: true when every primitive gives its published answers.
bool RunStartupSelfTest();

} // namespace CryptoServiceProvider
