#pragma once

#include "autocompletion/SequenceCodes.h"
#include "crypto/SecureString.h"
#include "model/PasswordItem.h"

namespace Tarnwick::AutoCompletion {

// Sends the codes of one entry's sequence. Holds the code list and the entry by reference
// for one run; the sending loop itself belongs to the executor side.
class SequenceManager {
public:
    SequenceManager(const CodeList& codes, const PasswordADT::PasswordItem& entry) noexcept
        : m_codes(codes), m_entry(entry) {}

    // 500 user name, 501 password, 502 e-mail; any other code throws "unknown".
    void GetPasswordItemData(SequenceCode code, StringServiceProvider::SecureString& value) const;
    // 601 to 700: the value of user-defined field code - 600, in stored order; a field the
    // entry does not have leaves the value empty. Codes outside that range throw "invalid".
    void GetPasswordItemUdfData(SequenceCode code, StringServiceProvider::SecureString& value) const;

    const CodeList& Codes() const noexcept { return m_codes; }
    const PasswordADT::PasswordItem& Entry() const noexcept { return m_entry; }

private:
    const CodeList& m_codes;
    const PasswordADT::PasswordItem& m_entry;
};

} // namespace Tarnwick::AutoCompletion
