#include "generator/PasswordPolicy.h"

#include <string>

namespace Tarnwick::PasswordGenerator {

std::int16_t PasswordPolicy::CountOf(int set) const noexcept {
    switch (set) {
    case SetUpper:
        return upper;
    case SetLower:
        return lower;
    case SetDigits:
        return digits;
    case SetUmlauts:
        return umlauts;
    case SetPunctuation:
        return punctuation;
    case SetBrackets:
        return brackets;
    case SetSpecial:
        return special;
    case SetHighAnsi:
        return highAnsi;
    case SetOwn:
        return ownCount;
    default:
        return 0;
    }
}

void PasswordPolicy::SetCount(int set, std::int16_t count) noexcept {
    switch (set) {
    case SetUpper:
        upper = count;
        break;
    case SetLower:
        lower = count;
        break;
    case SetDigits:
        digits = count;
        break;
    case SetUmlauts:
        umlauts = count;
        break;
    case SetPunctuation:
        punctuation = count;
        break;
    case SetBrackets:
        brackets = count;
        break;
    case SetSpecial:
        special = count;
        break;
    case SetHighAnsi:
        highAnsi = count;
        break;
    case SetOwn:
        ownCount = count;
        break;
    default:
        break;
    }
}

std::array<std::int16_t, kSetCount> PasswordPolicy::Counts() const noexcept {
    std::array<std::int16_t, kSetCount> counts{};
    for (int set = 0; set < kSetCount; ++set) {
        counts[static_cast<std::size_t>(set)] = CountOf(set);
    }
    return counts;
}

std::int32_t PasswordPolicy::DemandSum() const noexcept {
    std::int32_t sum = 0; // at most 9 * 32767
    for (const std::int16_t count : Counts()) {
        if (count > 0) {
            sum += count;
        }
    }
    return sum;
}

PasswordPolicy DefaultPolicy() {
    PasswordPolicy policy;
    policy.name = kStandardPolicyName;
    return policy;
}

bool IsValidPolicyName(std::u16string_view name, bool refuseReserved) noexcept {
    if (name.empty() || name.size() > kMaxPolicyNameLength) {
        return false;
    }
    for (const char16_t c : name) {
        const bool allowed =
            (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-';
        if (!allowed) {
            return false;
        }
    }
    return !(refuseReserved && (name == u"Default" || name == kStandardPolicyName));
}

std::u16string ProposePolicyName(const PolicyMap& policies) {
    std::u16string name = u"Neu";
    // At most size() names are taken, so one of the first size() + 1 numbers is free.
    for (std::size_t number = 1; policies.find(name) != policies.end(); ++number) {
        const std::string digits = std::to_string(number);
        name = u"Neu-" + std::u16string(digits.begin(), digits.end());
    }
    return name;
}

} // namespace Tarnwick::PasswordGenerator
