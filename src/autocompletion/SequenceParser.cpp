#include "autocompletion/SequenceParser.h"

#include <array>

#include "base/text/Format.h"

namespace Tarnwick::AutoCompletion {

namespace {

struct FixedToken {
    char16_t letter;          // the letter after "{"
    std::u16string_view rest; // what must follow it
    SequenceCode code;
};

constexpr std::array<FixedToken, 6> kFixedTokens = {{
    {u'T', u"AB}", kCodeTab},
    {u'U', u"SERNAME}", kCodeUserName},
    {u'P', u"ASSWORD}", kCodePassword},
    {u'M', u"AIL}", kCodeMail},
    {u'S', u"PACE}", kCodeSpace},
    {u'E', u"NTER}", kCodeEnter},
}};

constexpr std::array<std::u16string_view, kTokenCount> kTokenTexts = {
    u"{TAB}", u"{USERNAME}", u"{PASSWORD}", u"{MAIL}", u"{SPACE}", u"{ENTER}",
};

constexpr std::u16string_view kFieldPrefix = u"IELD_";
constexpr std::u16string_view kUserNameSequence = u"{USERNAME}{TAB}{PASSWORD}";
constexpr std::u16string_view kMailSequence = u"{MAIL}{TAB}{PASSWORD}";

// "IELD_" digits "}" and nothing else.
bool IsFieldPiece(std::u16string_view piece) noexcept {
    if (piece.size() < kFieldPrefix.size() + 2 || piece.substr(0, kFieldPrefix.size()) != kFieldPrefix ||
        piece.back() != u'}') {
        return false;
    }
    for (std::size_t i = kFieldPrefix.size(); i + 1 < piece.size(); ++i) {
        if (piece[i] < u'0' || piece[i] > u'9') {
            return false;
        }
    }
    return true;
}

// Decimal value of the digits, held at kLastFieldNumber + 1 once it is out of range, so no
// count of digits can wrap it back into the valid range.
int FieldNumber(std::u16string_view digits) noexcept {
    int value = 0;
    for (const char16_t c : digits) {
        value = value * 10 + (c - u'0');
        if (value > kLastFieldNumber) {
            return kLastFieldNumber + 1;
        }
    }
    return value;
}

} // namespace

SequenceParser::SequenceParser(const PasswordADT::PasswordItem& entry) noexcept
    : m_sequence(entry.GetSequence().View()) {}

SequenceParser::SequenceParser(std::u16string_view sequence) noexcept : m_sequence(sequence) {}

bool SequenceParser::Parse(bool validateOnly) {
    if (!validateOnly) {
        m_codes.clear();
    }
    const std::u16string_view text = m_sequence;
    const std::size_t length = text.size();
    std::size_t i = 0;
    while (i < length) {
        if (text[i] != u'{') {
            return false;
        }
        // A brace at the very end has no letter to read.
        if (i + 1 >= length) {
            return false;
        }
        const char16_t letter = text[i + 1];
        i += 2;

        const FixedToken* fixed = nullptr;
        for (const FixedToken& token : kFixedTokens) {
            if (token.letter == letter) {
                fixed = &token;
                break;
            }
        }
        if (fixed != nullptr) {
            if (i >= length || text.substr(i, fixed->rest.size()) != fixed->rest) {
                return false;
            }
            i += fixed->rest.size();
            if (!validateOnly) {
                m_codes.push_back(fixed->code);
            }
            continue;
        }

        if (letter == u'F') {
            const std::size_t close = text.find(u'}', i);
            if (close == std::u16string_view::npos) {
                return false;
            }
            const std::u16string_view piece = text.substr(i, close - i + 1);
            if (!IsFieldPiece(piece)) {
                return false;
            }
            i = close + 1;
            if (validateOnly) {
                continue;
            }
            // The number is checked only here, so a stored entry with {FIELD_0} is refused
            // when it runs rather than when it is saved.
            const int number =
                FieldNumber(piece.substr(kFieldPrefix.size(), piece.size() - kFieldPrefix.size() - 1));
            if (number < kFirstFieldNumber || number > kLastFieldNumber) {
                return false;
            }
            m_codes.push_back(static_cast<SequenceCode>(kCodeFieldBase + number));
            continue;
        }
        // Any other letter is passed over together with its brace.
    }
    return true;
}

std::u16string BuildDefaultSequence(int type, const ErrorMessageSink& showError) {
    std::u16string text;
    text.reserve(100);
    switch (type) {
    case SequenceTypeUserName:
        text.append(kTokenTexts[1]).append(kTokenTexts[0]).append(kTokenTexts[2]);
        break;
    case SequenceTypeMail:
        text.append(kTokenTexts[3]).append(kTokenTexts[0]).append(kTokenTexts[2]);
        break;
    default:
        if (showError) {
            showError(kUnknownSequenceMessage);
        }
        break;
    }
    return text;
}

int GetSequenceType(std::u16string_view sequence) {
    if (sequence == kUserNameSequence) {
        return SequenceTypeUserName;
    }
    if (sequence == kMailSequence) {
        return SequenceTypeMail;
    }
    return SequenceTypeUserDefined;
}

std::u16string_view TokenText(std::size_t index) noexcept {
    return index < kTokenTexts.size() ? kTokenTexts[index] : std::u16string_view();
}

std::u16string FieldTokenText(int number) {
    if (number < kFirstFieldNumber || number > kLastFieldNumber) {
        return u"{FIELD_n}";
    }
    return Text::Format(u"{FIELD_%d}", number).ToStdString();
}

} // namespace Tarnwick::AutoCompletion
