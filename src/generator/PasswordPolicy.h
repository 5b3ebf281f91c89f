#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace Tarnwick::PasswordGenerator {

// How a password is rendered.
enum PasswordEncoding : std::int32_t {
    EncodingStandard = 0, // characters drawn from the chosen sets
    EncodingHexadecimal = 1,
    EncodingBase64 = 2,
};

// The nine character sets, by number.
enum CharacterSet : int {
    SetUpper = 0,
    SetLower = 1,
    SetDigits = 2,
    SetUmlauts = 3,
    SetPunctuation = 4,
    SetBrackets = 5,
    SetSpecial = 6,
    SetHighAnsi = 7,
    SetOwn = 8,
};
inline constexpr int kSetCount = 9;

// One policy: what to generate and how. A count above 0 both includes its set and demands at
// least that many of its characters; 0 or less leaves the set out.
struct PasswordPolicy {
    // Limits of what a stored policy may hold; the file reader clamps to them.
    static constexpr std::int16_t kMinLength = 1;
    static constexpr std::int16_t kMaxLength = 1024;
    static constexpr std::int16_t kMaxCount = kMaxLength;

    std::int16_t length = 16; // characters, or random bytes in the encoded modes
    std::int32_t encoding = EncodingStandard;
    std::int16_t digits = 2;      // set 2
    std::int16_t lower = 2;       // set 1
    std::int16_t upper = 2;       // set 0
    std::int16_t umlauts = 2;     // set 3
    std::int16_t punctuation = 2; // set 4
    std::int16_t brackets = 0;    // set 5
    std::int16_t special = 0;     // set 6
    std::int16_t highAnsi = 0;    // set 7
    std::int16_t ownCount = 0;    // set 8
    bool repetition = true;       // false: no character may be drawn twice
    bool mouseEntropy = false;
    bool systemEntropy = true;
    bool phrase = false; // kept with the policy; generation does not read it
    std::u16string ownCharacters;
    std::u16string excludedCharacters;
    std::u16string name;

    // The count of a set number (0 for a number outside 0..8).
    std::int16_t CountOf(int set) const noexcept;
    void SetCount(int set, std::int16_t count) noexcept;
    // The nine counts by set number.
    std::array<std::int16_t, kSetCount> Counts() const noexcept;
    // Sum of the counts above 0, without overflow.
    std::int32_t DemandSum() const noexcept;

    friend bool operator==(const PasswordPolicy&, const PasswordPolicy&) = default;
};

// The built-in policy's name; it can neither be edited nor deleted.
inline constexpr std::u16string_view kStandardPolicyName = u"Standard";

// The built-in policy "Standard"; also the starting value of every policy read from the file.
PasswordPolicy DefaultPolicy();

// Policies by name, ordered by code units.
using PolicyMap = std::map<std::u16string, PasswordPolicy, std::less<>>;

// The policy list with the name of the most recently used policy.
struct PasswordPolicies {
    PolicyMap policies;
    std::u16string mostRecentlyUsed;
};

// Names: 1 to 25 characters, each A-Z, a-z, 0-9 or "-". For a new policy the reserved names
// "Default" and "Standard" are refused too.
inline constexpr std::size_t kMaxPolicyNameLength = 25;
bool IsValidPolicyName(std::u16string_view name, bool refuseReserved = false) noexcept;

// A free name for a new policy: "Neu", else "Neu-%d" with the first free number from 1 up.
std::u16string ProposePolicyName(const PolicyMap& policies);

} // namespace Tarnwick::PasswordGenerator
