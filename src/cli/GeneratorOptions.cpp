// The generator options of generate, add --generate and edit --generate.
#include "cli/GeneratorOptions.h"

#include "cli/CliSupport.h"
#include "base/text/Utf.h"
#include "generator/PasswordGenerator.h"
#include "generator/PasswordPolicySerializer.h"
#include "generator/PolicyRules.h"

namespace Tarnwick::Cli {

const std::set<std::string> kGeneratorOptions = {"--policy", "--length", "--hex", "--base64"};
const std::set<std::string> kGeneratorSwitches = {"--upper",   "--lower",   "--digits",
                                                  "--punctuation", "--special", "--brackets"};

int NumberOption(const Arguments& args, const std::string& name, int fallback, int low, int high) {
    const auto text = args.Value(name);
    if (!text) {
        return fallback;
    }
    int value = 0;
    for (const char c : *text) {
        if (c < '0' || c > '9' || value > high) {
            throw UsageError{name + " erwartet eine Zahl von " + std::to_string(low) + " bis " + std::to_string(high) + "."};
        }
        value = value * 10 + (c - '0');
    }
    if (text->empty() || value < low || value > high) {
        throw UsageError{name + " erwartet eine Zahl von " + std::to_string(low) + " bis " + std::to_string(high) + "."};
    }
    return value;
}

// The policy a generate call asks for: a named one, the quick options, or an encoding.
PasswordGenerator::PasswordPolicy ChoosePolicy(const Arguments& args) {
    using namespace PasswordGenerator;
    const int choices = (args.Has("--policy") ? 1 : 0) + (args.Has("--hex") ? 1 : 0) + (args.Has("--base64") ? 1 : 0);
    if (choices > 1) {
        throw UsageError{"--policy, --hex und --base64 schließen einander aus."};
    }
    if (const auto name = args.Value("--policy")) {
        PasswordPolicies policies;
        PasswordPolicySerializer::LoadOrCreate(policies);
        const auto it = policies.policies.find(Wide(*name));
        if (it == policies.policies.end()) {
            throw RequestError{"Die Richtlinie \"" + *name + "\" existiert nicht."};
        }
        return it->second;
    }
    if (args.Has("--hex") || args.Has("--base64")) {
        PasswordPolicy policy = DefaultPolicy();
        policy.encoding = args.Has("--hex") ? EncodingHexadecimal : EncodingBase64;
        policy.length = static_cast<std::int16_t>(
            NumberOption(args, args.Has("--hex") ? "--hex" : "--base64", 16, 1, PasswordPolicy::kMaxLength));
        return policy;
    }
    PolicyRules::QuickOptions quick;
    quick.upper = args.Has("--upper");
    quick.lower = args.Has("--lower");
    quick.digits = args.Has("--digits");
    quick.punctuation = args.Has("--punctuation");
    quick.special = args.Has("--special");
    quick.brackets = args.Has("--brackets");
    if (!quick.upper && !quick.lower && !quick.digits && !quick.punctuation && !quick.special && !quick.brackets) {
        if (!args.Has("--length")) {
            return DefaultPolicy();
        }
        quick.upper = quick.lower = quick.digits = true;
    }
    // The quick generator's own range, so the one check gives the real limits.
    quick.length = NumberOption(args, "--length", quick.length, PolicyRules::kQuickLengthRange.low,
                                PolicyRules::kQuickLengthRange.high);
    PasswordPolicy policy;
    if (const auto message = PolicyRules::BuildQuickPolicy(quick, policy)) {
        // Only the options can make a quick policy fail: a wrong call.
        throw UsageError{Text::ToUtf8(*message)};
    }
    return policy;
}

namespace {

// Shows the generator's own message on standard error.
class ConsoleGeneratorUI : public PasswordGenerator::IGeneratorUI {
public:
    explicit ConsoleGeneratorUI(Console& console) : m_console(console) {}
    void ShowError(std::u16string_view message) override { m_console.ErrorLine(message); }
    void CollectMouseEntropy(PasswordGenerator::MouseEntropy&) override {}

private:
    Console& m_console;
};

} // namespace

std::vector<StringServiceProvider::SecureString> GeneratePasswords(Console& console, const Arguments& args,
                                                                   std::size_t count) {
    PasswordGenerator::PasswordPolicy policy = ChoosePolicy(args);
    // No mouse on the command line: the system's sources stand in for it.
    policy.mouseEntropy = false;
    ConsoleGeneratorUI ui(console);
    PasswordGenerator::PasswordGenerator generator(policy, &ui);
    std::vector<StringServiceProvider::SecureString> passwords(count);
    std::vector<StringServiceProvider::SecureString*> slots;
    for (auto& password : passwords) {
        slots.push_back(&password);
    }
    if (generator.GeneratePasswords(nullptr, slots) != passwords.size()) {
        throw RequestError{};
    }
    return passwords;
}

} // namespace Tarnwick::Cli
