#include "generator/Charset.h"

#include <algorithm>
#include <bitset>
#include <memory>

#include "crypto/ScopedWipe.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::PasswordGenerator {

using Utilities::Exceptions::Exception;

namespace {

constexpr const char16_t* kConstructor = u"Charset::Charset";
constexpr const char16_t* kRemove = u"Charset::RemoveElementFromTable";

constexpr std::u16string_view kUpper = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::u16string_view kLower = u"abcdefghijklmnopqrstuvwxyz";
constexpr std::u16string_view kDigits = u"0123456789";
constexpr std::u16string_view kUmlauts = u"äÄöÖüÜ";
constexpr std::u16string_view kPunctuation = u",;.:-_+=";
constexpr std::u16string_view kBrackets = u"(){}[]<>";
// The slash is in twice.
constexpr std::u16string_view kSpecial = u"!@€µ\"§$%&/ß?\\/´`^°~*'#|²³";

struct HighAnsi {
    char16_t characters[0x101 - 0x80];
    constexpr HighAnsi() : characters() {
        for (char16_t c = 0x80; c <= 0x100; ++c) {
            characters[c - 0x80] = c;
        }
    }
};
constexpr HighAnsi kHighAnsi;

// One bit per UTF-16 code unit.
using CodeUnitSet = std::bitset<0x10000>;

} // namespace

std::u16string_view Charset::StandardSet(int number) noexcept {
    switch (number) {
    case SetUpper:
        return kUpper;
    case SetLower:
        return kLower;
    case SetDigits:
        return kDigits;
    case SetUmlauts:
        return kUmlauts;
    case SetPunctuation:
        return kPunctuation;
    case SetBrackets:
        return kBrackets;
    case SetSpecial:
        return kSpecial;
    case SetHighAnsi:
        return std::u16string_view(kHighAnsi.characters, std::size(kHighAnsi.characters));
    default:
        return {};
    }
}

Charset::Charset(const PasswordPolicy& policy, bool applyExclusions) : m_policy(policy) {
    for (int number = 0; number < kSetCount; ++number) {
        if (policy.CountOf(number) > 0) {
            AddSet(number,
                   number == SetOwn ? std::u16string_view(policy.ownCharacters) : StandardSet(number));
        }
    }
    CheckTotals();
    if (!applyExclusions) {
        return;
    }
    if (!policy.excludedCharacters.empty()) {
        const auto excluded = std::make_unique<CodeUnitSet>();
        for (const char16_t c : policy.excludedCharacters) {
            excluded->set(c);
        }
        Filter([&](char16_t c) { return !excluded->test(c); });
    }
    if (!policy.repetition) {
        const auto seen = std::make_unique<CodeUnitSet>();
        Filter([&](char16_t c) {
            if (seen->test(c)) {
                return false;
            }
            seen->set(c);
            return true;
        });
    }
    CheckTotals();
}

Charset::~Charset() {
    for (Set& set : m_sets) {
        CryptoServiceProvider::WipeString(set.characters);
    }
}

void Charset::AddSet(int number, std::u16string_view characters) {
    // An empty set (own characters left blank) is no set at all.
    if (characters.empty()) {
        return;
    }
    if (characters.size() > static_cast<std::size_t>(INT32_MAX - m_total)) {
        throw Exception(u"", kConstructor);
    }
    m_setNumbers.push_back(number);
    m_sets.push_back(Set{number, std::u16string(characters)});
    m_sizes.push_back(static_cast<std::int32_t>(characters.size()));
    m_total += static_cast<std::int32_t>(characters.size());
    m_boundaries.push_back(m_total);
}

template <typename Keep> void Charset::Filter(Keep&& keep) {
    for (Set& set : m_sets) {
        const auto end = std::remove_if(set.characters.begin(), set.characters.end(),
                                        [&](char16_t c) { return !keep(c); });
        // What remove_if left behind the new end still holds characters.
        std::fill(end, set.characters.end(), u'\0');
        set.characters.erase(end, set.characters.end());
    }
    Rebuild();
}

void Charset::Rebuild() {
    std::vector<Set> sets;
    m_setNumbers.clear();
    m_sizes.clear();
    m_boundaries.assign(1, 0);
    m_total = 0;
    for (Set& set : m_sets) {
        if (set.characters.empty()) {
            continue;
        }
        m_setNumbers.push_back(set.number);
        m_sizes.push_back(static_cast<std::int32_t>(set.characters.size()));
        m_total += static_cast<std::int32_t>(set.characters.size());
        m_boundaries.push_back(m_total);
        sets.push_back(std::move(set));
    }
    m_sets = std::move(sets);
}

void Charset::CheckTotals() const {
    if (m_setNumbers.size() != m_sets.size() || m_sizes.size() != m_sets.size() ||
        m_boundaries.size() != m_sets.size() + 1) {
        throw Exception(u"", kConstructor);
    }
    if (m_total < 1) {
        throw Exception(u"sum", kConstructor);
    }
    if (!m_policy.repetition && m_policy.length > m_total) {
        throw Exception(u"len", kConstructor);
    }
}

int Charset::FindSetPosition(int number) const noexcept {
    for (std::size_t k = 0; k < m_setNumbers.size(); ++k) {
        if (m_setNumbers[k] == number) {
            return static_cast<int>(k);
        }
    }
    return -1;
}

bool Charset::RemoveElementFromTable(std::size_t setPosition) {
    if (setPosition >= m_sets.size() || m_sizes.size() != m_sets.size() ||
        m_boundaries.size() != m_sets.size() + 1) {
        throw Exception(u"", kRemove);
    }
    if (m_sizes[setPosition] - 1 < 0) {
        throw Exception(u"empty", kRemove);
    }
    if (static_cast<std::size_t>(m_sizes[setPosition]) != m_sets[setPosition].characters.size()) {
        throw Exception(u"len", kRemove);
    }
    if (m_total - 1 < 0) {
        throw Exception(u"", kRemove);
    }
    --m_sizes[setPosition];
    for (std::size_t b = setPosition + 1; b < m_boundaries.size(); ++b) {
        --m_boundaries[b];
    }
    --m_total;
    if (m_sizes[setPosition] != 0) {
        return true;
    }
    CryptoServiceProvider::WipeString(m_sets[setPosition].characters);
    m_sets.erase(m_sets.begin() + static_cast<std::ptrdiff_t>(setPosition));
    m_setNumbers.erase(m_setNumbers.begin() + static_cast<std::ptrdiff_t>(setPosition));
    m_sizes.erase(m_sizes.begin() + static_cast<std::ptrdiff_t>(setPosition));
    m_boundaries.erase(m_boundaries.begin() + static_cast<std::ptrdiff_t>(setPosition) + 1);
    return false;
}

bool Charset::RemoveCharacter(std::size_t setPosition, std::size_t index) {
    if (setPosition >= m_sets.size() || index >= m_sets[setPosition].characters.size()) {
        throw Exception(u"", kRemove);
    }
    if (!RemoveElementFromTable(setPosition)) {
        return false;
    }
    std::u16string& characters = m_sets[setPosition].characters;
    characters.erase(index, 1); // the terminator lands on the old last place
    return true;
}

std::size_t Charset::SetPositionOf(std::uint32_t r) const {
    for (std::size_t k = 0; k + 1 < m_boundaries.size(); ++k) {
        if (static_cast<std::uint32_t>(m_boundaries[k + 1]) > r) {
            return k;
        }
    }
    throw Exception(u"", u"Charset::SetPositionOf");
}

} // namespace Tarnwick::PasswordGenerator
