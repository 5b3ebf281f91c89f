#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/Console.h"
#include "crypto/SecureString.h"
#include "generator/PasswordPolicy.h"

namespace Tarnwick::Cli {

// The options that choose a generator policy, shared by generate, add and edit.
extern const std::set<std::string> kGeneratorOptions;
extern const std::set<std::string> kGeneratorSwitches;

// A whole number option within [low, high]; fallback when it is not given; UsageError otherwise.
int NumberOption(const Arguments& args, const std::string& name, int fallback, int low, int high);

// The policy the options ask for: a named one (--policy), the quick options, or an encoding.
PasswordGenerator::PasswordPolicy ChoosePolicy(const Arguments& args);

// count passwords by the chosen policy; RequestError when the generator refuses.
std::vector<StringServiceProvider::SecureString> GeneratePasswords(Console& console, const Arguments& args,
                                                                   std::size_t count);

} // namespace Tarnwick::Cli
