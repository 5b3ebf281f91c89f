#include "model/PasswordItem.h"

#include <algorithm>

#include "base/exceptions/Exception.h"
#include "model/Clock.h"
#include "model/Serialization.h"

namespace Tarnwick::PasswordADT {

using StringServiceProvider::PlainString;
using StringServiceProvider::SecureString;
using Utilities::Exceptions::Exception;

namespace {
constexpr std::u16string_view kDeserialize = u"PasswordItem::Deserialize";
}

PasswordItem::PasswordItem() {
    const std::int64_t now = CurrentTime();
    if (now <= 0) {
        throw Exception(u"Ungültiger Zeitstempelwert.", u"PasswordItem::PasswordItem");
    }
    m_creationTime = now;
    m_modificationTime = now;
    m_passwordChangeTime = now;
    m_expiry = 0;
}

PasswordItem::PasswordItem(const PasswordItem& other) = default;

PasswordItem& PasswordItem::operator=(const PasswordItem& other) = default;

// The members wipe their own buffers.
PasswordItem::~PasswordItem() = default;

void PasswordItem::SetPasteMethod(int method) {
    if (method < 0 || method > 9) {
        throw Exception(u"Ungültige Einfügemethode.", u"PasswordItem::SetPasteMethod");
    }
    const char16_t digit = static_cast<char16_t>(u'0' + method);
    m_pasteMethodText.Assign(&digit, 1);
    m_pasteMethod = method;
}

void PasswordItem::SetPassword(std::int64_t time, const SecureString& password) {
    m_password = password;
    m_passwordChangeTime = time;
}

bool PasswordItem::ChangePassword(const SecureString& password, std::int64_t time) {
    if (m_keepHistory != 0) {
        if (m_historySize > 0 && m_history.Count() >= static_cast<std::size_t>(m_historySize)) {
            m_history.Clear();
        }
        if (m_forbidRepetition != 0) {
            if (!m_password.IsEmpty() && m_password.Equals(password)) {
                return false;
            }
            const std::int16_t newest =
                m_distinctPasswordCount > 0 ? m_distinctPasswordCount : static_cast<std::int16_t>(INT16_MAX);
            if (m_history.ContainedInNewest(newest, password)) {
                return false;
            }
        }
        if (!m_password.IsEmpty()) {
            // History times rise strictly: a second change within the same second (a script)
            // files the replaced password one second after the one before it.
            std::int64_t replaced = m_passwordChangeTime;
            if (m_history.Count() > 0) {
                replaced = std::max(replaced, m_history.At(m_history.Count() - 1).time + 1);
            }
            m_history.Add(replaced, m_password);
        }
    }
    SetPassword(time, password);
    return true;
}

ExpiryState PasswordItem::GetExpiryState(std::int64_t now) const noexcept {
    std::int64_t remaining = 0;
    switch (static_cast<ValidityMode>(m_validityMode)) {
    case ValidityMode::UntilDate:
        remaining = m_expiry - now;
        break;
    case ValidityMode::Days:
        remaining = m_passwordChangeTime + static_cast<std::int64_t>(static_cast<std::uint32_t>(m_expiry)) * 86400 - now;
        break;
    default:
        return ExpiryState::None;
    }
    if (remaining < 0) {
        return ExpiryState::Expired;
    }
    return remaining <= kExpiresSoonSeconds ? ExpiryState::ExpiresSoon : ExpiryState::Valid;
}

std::size_t PasswordItem::SerializedSize() const noexcept {
    const std::size_t strings = m_description.Length() + m_userName.Length() + m_password.Length() +
                                m_comment.Length() + m_url.Length() + m_email.Length() + m_targetWindow.Length() +
                                m_sequence.Length() + m_symbol.Length() + m_pasteMethodText.Length() +
                                m_reserved1.Length() + m_reserved2.Length() + m_reserved3.Length();
    return kFixedSerializedSize + 2 * strings + m_userDefinedFields.SerializedSize() + m_history.SerializedSize();
}

ByteBuffer& PasswordItem::Serialize(ByteBuffer& buffer) const {
    WriteUInt8(buffer, m_keepHistory);
    WriteUInt8(buffer, m_forbidRepetition);
    WriteInt16(buffer, m_distinctPasswordCount);
    WriteInt16(buffer, m_historySize);
    WriteInt64(buffer, m_creationTime);
    WriteInt64(buffer, m_modificationTime);
    WriteInt64(buffer, m_passwordChangeTime);
    WriteInt64(buffer, m_expiry);
    WriteUInt32(buffer, m_validityMode);
    WriteString(buffer, m_description.View(), kMaxDescription);
    WriteString(buffer, m_userName.View(), kMaxUserName);
    {
        const PlainString password = m_password.Reveal();
        WriteString(buffer, password.View(), kMaxPassword);
    }
    WriteString(buffer, m_comment.View(), kMaxComment);
    WriteString(buffer, m_url.View(), kMaxUrl);
    WriteString(buffer, m_email.View(), kMaxEmail);
    WriteString(buffer, m_targetWindow.View(), kMaxTargetWindow);
    WriteString(buffer, m_sequence.View(), kMaxSequence);
    WriteString(buffer, m_symbol.View(), kMaxSymbol);
    WriteString(buffer, m_pasteMethodText.View(), kMaxPasteMethod);
    WriteString(buffer, m_reserved1.View(), kMaxReserved);
    WriteString(buffer, m_reserved2.View(), kMaxReserved);
    WriteString(buffer, m_reserved3.View(), kMaxReserved);
    m_userDefinedFields.Serialize(buffer);
    m_history.Serialize(buffer);
    return buffer;
}

void PasswordItem::Deserialize(ByteStream& stream) {
    m_keepHistory = ReadUInt8(stream, kDeserialize);
    m_forbidRepetition = ReadUInt8(stream, kDeserialize);
    m_distinctPasswordCount = ReadInt16(stream, kDeserialize);
    m_historySize = ReadInt16(stream, kDeserialize);
    m_creationTime = ReadInt64(stream, kDeserialize);
    m_modificationTime = ReadInt64(stream, kDeserialize);
    m_passwordChangeTime = ReadInt64(stream, kDeserialize);
    m_expiry = ReadInt64(stream, kDeserialize);
    m_validityMode = ReadUInt32(stream, kDeserialize);
    m_description = ReadString(stream, kMaxDescription);
    m_userName = ReadString(stream, kMaxUserName);
    {
        PlainString password = ReadString(stream, kMaxPassword);
        m_password = SecureString(password);
    }
    m_comment = ReadString(stream, kMaxComment);
    m_url = ReadString(stream, kMaxUrl);
    m_email = ReadString(stream, kMaxEmail);
    m_targetWindow = ReadString(stream, kMaxTargetWindow);
    m_sequence = ReadString(stream, kMaxSequence);
    m_symbol = ReadString(stream, kMaxSymbol);
    m_pasteMethodText = ReadString(stream, kMaxPasteMethod);
    const char16_t digit = m_pasteMethodText.IsEmpty() ? u'0' : m_pasteMethodText[0];
    m_pasteMethod = (digit >= u'0' && digit <= u'9') ? digit - u'0' : 0;
    m_reserved1 = ReadString(stream, kMaxReserved);
    m_reserved2 = ReadString(stream, kMaxReserved);
    m_reserved3 = ReadString(stream, kMaxReserved);
    m_userDefinedFields.Deserialize(stream);
    m_history.Deserialize(stream);
}

} // namespace Tarnwick::PasswordADT
