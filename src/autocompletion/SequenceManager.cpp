#include "autocompletion/SequenceManager.h"

#include <cstddef>

#include "log/exceptions/Exception.h"

namespace Tarnwick::AutoCompletion {

using StringServiceProvider::SecureString;
using Utilities::Exceptions::Exception;

void SequenceManager::GetPasswordItemData(SequenceCode code, SecureString& value) const {
    switch (code) {
    case kCodeUserName:
        value.Assign(m_entry.GetUserName().View());
        break;
    case kCodePassword:
        // Copied through a plain buffer that wipes itself.
        value = m_entry.GetPassword();
        break;
    case kCodeMail:
        value.Assign(m_entry.GetEmail().View());
        break;
    default:
        throw Exception(u"unknown", u"SequenceManager::GetPasswordItemData");
    }
}

void SequenceManager::GetPasswordItemUdfData(SequenceCode code, SecureString& value) const {
    constexpr const char16_t* kTarget = u"SequenceManager::GetPasswordItemUdfData";
    if (code < kCodeFirstField || code > kCodeLastField) {
        throw Exception(u"invalid", kTarget);
    }
    value.Clear();
    const std::size_t number = static_cast<std::size_t>(code - kCodeFieldBase);
    const auto& fields = m_entry.GetUserDefinedFields();
    if (number > fields.Count()) {
        return; // the token sends nothing
    }
    std::size_t position = 1;
    for (const auto& field : fields) {
        if (position == number) {
            value.Assign(field.second.View());
            return;
        }
        ++position;
    }
    throw Exception(u"oor", kTarget);
}

} // namespace Tarnwick::AutoCompletion
