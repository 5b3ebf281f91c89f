#include "generator/PolicyRules.h"

#include "base/text/Format.h"

namespace Tarnwick::PasswordGenerator::PolicyRules {

std::optional<std::u16string> CheckRange(int value, Range range) {
    if (value >= range.low && value <= range.high) {
        return std::nullopt;
    }
    return Text::Format(kRangeFormat, range.low, range.high).ToStdString();
}

std::optional<std::u16string> CheckEditedPolicy(const PasswordPolicy& edited, const PolicyMap& policies,
                                                std::u16string_view originalName) {
    if (auto message = CheckRange(edited.length, kLengthRange)) {
        return message;
    }
    for (int number = 0; number < kSetCount; ++number) {
        if (auto message = CheckRange(edited.CountOf(number), kCountRange)) {
            return message;
        }
    }
    const bool isNew = originalName.empty();
    if (!IsValidPolicyName(edited.name, isNew)) {
        return std::u16string(kNameRefusedText);
    }
    if (edited.name != originalName && policies.find(edited.name) != policies.end()) {
        return std::u16string(kNameExistsText);
    }
    if (edited.length < edited.DemandSum()) {
        return std::u16string(kLengthTooShortText);
    }
    return std::nullopt;
}

std::optional<std::u16string> RefuseEdit(std::u16string_view name) {
    if (name == kStandardPolicyName) {
        return std::u16string(kEditStandardText);
    }
    return std::nullopt;
}

std::optional<std::u16string> RefuseDelete(std::u16string_view name) {
    if (name == kStandardPolicyName) {
        return std::u16string(kDeleteStandardText);
    }
    return std::nullopt;
}

std::u16string DeleteQuestion(std::u16string_view name) {
    return Text::Format(kDeleteQuestionFormat, name).ToStdString();
}

void StorePolicy(PasswordPolicies& policies, std::u16string_view originalName, const PasswordPolicy& edited) {
    if (!originalName.empty() && originalName != edited.name) {
        if (const auto old = policies.policies.find(originalName); old != policies.policies.end()) {
            policies.policies.erase(old);
        }
        if (policies.mostRecentlyUsed == originalName) {
            policies.mostRecentlyUsed = edited.name;
        }
    }
    policies.policies.insert_or_assign(edited.name, edited);
}

bool DeletePolicy(PasswordPolicies& policies, std::u16string_view name) {
    if (name == kStandardPolicyName) {
        return false;
    }
    const auto found = policies.policies.find(name);
    if (found == policies.policies.end()) {
        return false;
    }
    policies.policies.erase(found);
    if (policies.mostRecentlyUsed == name) {
        policies.mostRecentlyUsed = kStandardPolicyName;
    }
    return true;
}

std::optional<std::u16string> BuildQuickPolicy(const QuickOptions& options, PasswordPolicy& policy) {
    if (options.length < kQuickLengthRange.low || options.length > kQuickLengthRange.high) {
        return std::u16string(kQuickLengthText);
    }
    policy = PasswordPolicy{};
    policy.length = static_cast<std::int16_t>(options.length);
    policy.encoding = EncodingStandard;
    policy.upper = options.upper ? 1 : 0;
    policy.lower = options.lower ? 1 : 0;
    policy.digits = options.digits ? 1 : 0;
    policy.punctuation = options.punctuation ? 1 : 0;
    policy.special = options.special ? 1 : 0;
    policy.brackets = options.brackets ? 1 : 0;
    policy.umlauts = 0;
    policy.highAnsi = 0;
    policy.ownCount = 0;
    policy.repetition = true;
    policy.mouseEntropy = false;
    policy.systemEntropy = true;
    return std::nullopt;
}

} // namespace Tarnwick::PasswordGenerator::PolicyRules
