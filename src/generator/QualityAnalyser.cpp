#include "generator/QualityAnalyser.h"

#include <climits>
#include <cmath>
#include <functional>
#include <map>
#include <utility>

#include "crypto/WipingAllocator.h"

namespace CryptoServiceProvider::PasswordMeter {

namespace {

// The counts name the password's characters and steps: their nodes are wiped when freed.
template <typename Key>
using CountMap = std::map<Key, unsigned, std::less<Key>, WipingAllocator<std::pair<const Key, unsigned>>>;

// Raises the count of key and returns it (1 when first seen).
template <typename Key> unsigned Count(CountMap<Key>& counts, Key key) {
    return ++counts[key];
}

} // namespace

void QualityAnalyser::Reset() noexcept {
    m_control = m_lower = m_upper = m_digit = false;
    m_punctuation1 = m_punctuation2 = m_extended = false;
    m_effectiveLength = 0.0;
    m_pool = 0;
}

int QualityAnalyser::Analyse(const StringServiceProvider::SecureString& password) {
    const StringServiceProvider::PlainString plain = password.Reveal(); // wipes itself
    return Analyse(plain.View());
}

int QualityAnalyser::Analyse(std::u16string_view password) {
    Reset();
    CountMap<char16_t> characters;
    CountMap<std::int32_t> steps;
    double length = 0.0;
    for (std::size_t i = 0; i < password.size(); ++i) {
        const char16_t c = password[i];
        if (c < 32) {
            m_control = true;
        } else if (c >= u'a' && c <= u'z') {
            m_lower = true;
        } else if (c >= u'A' && c <= u'Z') {
            m_upper = true;
        } else if (c >= u'0' && c <= u'9') {
            m_digit = true;
        } else if (c <= 47) {
            m_punctuation1 = true;
        } else if (c <= 126) {
            m_punctuation2 = true;
        } else {
            m_extended = true;
        }

        double weight = 1.0;
        if (i > 0) {
            const std::int32_t step =
                static_cast<std::int32_t>(c) - static_cast<std::int32_t>(password[i - 1]);
            weight = 1.0 / Count(steps, step);
        }
        length += weight / Count(characters, c);
    }
    m_effectiveLength = length;

    m_pool = (m_control ? kWeightControl : 0) + (m_lower ? kWeightLetters : 0) +
             (m_upper ? kWeightLetters : 0) + (m_digit ? kWeightDigits : 0) +
             (m_punctuation1 ? kWeightPunctuation1 : 0) + (m_punctuation2 ? kWeightPunctuation2 : 0) +
             (m_extended ? kWeightExtended : 0);
    if (m_pool == 0) {
        return 0;
    }
    // log2 is exact for the pools that are powers of two, and the small allowance keeps
    // rounding noise in the sum from adding a whole bit to an exact result.
    const double bits = std::ceil(length * std::log2(static_cast<double>(m_pool)) - 1e-9);
    if (bits >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    return static_cast<int>(bits);
}

} // namespace CryptoServiceProvider::PasswordMeter
