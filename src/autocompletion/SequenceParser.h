#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "autocompletion/SequenceCodes.h"
#include "model/PasswordItem.h"

namespace Tarnwick::AutoCompletion {

// Translates a sequence text ("{USERNAME}{TAB}{PASSWORD}") into codes. Lives on the caller's
// stack; the text it refers to must outlive it.
class SequenceParser {
public:
    // Parses the entry's own sequence text.
    explicit SequenceParser(const PasswordADT::PasswordItem& entry) noexcept;
    // Parses a text that is not stored yet (the editor's field, an imported column).
    explicit SequenceParser(std::u16string_view sequence) noexcept;

    // Build mode (validateOnly false) clears the code list and appends one code per token;
    // validate mode only checks the text and leaves the list alone. After a failure the
    // list may hold the codes of the tokens before it and must be discarded.
    bool Parse(bool validateOnly);

    const CodeList& Codes() const noexcept { return m_codes; }

private:
    std::u16string_view m_sequence;
    CodeList m_codes;
};

enum SequenceType : int {
    SequenceTypeUserName = 0,
    SequenceTypeMail = 1,
    SequenceTypeUserDefined = 2,
};

inline constexpr std::u16string_view kUnknownSequenceMessage =
    u"Unknown Auto Completion sequence. Please contact manufacturer.";

// Shows a message with the error icon; the program passes its message box.
using ErrorMessageSink = std::function<void(std::u16string_view message)>;

// The default text of type 0 or 1; any other type reports kUnknownSequenceMessage to the
// sink (when there is one) and gives an empty text.
std::u16string BuildDefaultSequence(int type, const ErrorMessageSink& showError = {});

// 0 or 1 when the text is exactly that default (type 0 is tested first), otherwise 2.
int GetSequenceType(std::u16string_view sequence);

// The editor's token menu: 0 "{TAB}", 1 "{USERNAME}", 2 "{PASSWORD}", 3 "{MAIL}",
// 4 "{SPACE}", 5 "{ENTER}"; empty for any other index.
inline constexpr std::size_t kTokenCount = 6;
std::u16string_view TokenText(std::size_t index) noexcept;

// "{FIELD_n}" with the number for 1 to 100, the literal "{FIELD_n}" for any other n.
std::u16string FieldTokenText(int number);

} // namespace Tarnwick::AutoCompletion
