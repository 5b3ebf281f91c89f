#pragma once

#include <cstdint>
#include <string_view>

#include "crypto/SecureString.h"

namespace CryptoServiceProvider::PasswordMeter {

// Estimates a password's strength in bits: the size of the character pool it draws on,
// raised to an effective length that discounts repeated characters and repeated steps
// between neighbouring characters.
class QualityAnalyser {
public:
    // Pool weight of each character class; both letter classes use the same weight.
    static constexpr std::uint32_t kWeightControl = 60;      // below 32
    static constexpr std::uint32_t kWeightLetters = 26;      // "a"-"z", and again "A"-"Z"
    static constexpr std::uint32_t kWeightDigits = 10;       // "0"-"9"
    static constexpr std::uint32_t kWeightPunctuation1 = 16; // blank and "!"-"/"
    static constexpr std::uint32_t kWeightPunctuation2 = 17; // ":"-"@", "["-"`", "{"-"~"
    static constexpr std::uint32_t kWeightExtended = 112;    // 127 and above

    // The score in whole bits, 0 for an empty password. The plain copy taken out of the
    // secure string is wiped before this returns.
    int Analyse(const StringServiceProvider::SecureString& password);
    // Same, reading the caller's text in place (no copy is made).
    int Analyse(std::u16string_view password);

    // Results of the last analysis.
    double EffectiveLength() const noexcept { return m_effectiveLength; }
    std::uint32_t Pool() const noexcept { return m_pool; }

private:
    void Reset() noexcept;

    bool m_control = false;
    bool m_lower = false;
    bool m_upper = false;
    bool m_digit = false;
    bool m_punctuation1 = false;
    bool m_punctuation2 = false;
    bool m_extended = false;
    double m_effectiveLength = 0.0;
    std::uint32_t m_pool = 0;
};

} // namespace CryptoServiceProvider::PasswordMeter
