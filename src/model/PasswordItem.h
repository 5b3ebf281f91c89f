#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "crypto/SecureString.h"
#include "crypto/String.h"
#include "model/ISerializeable.h"
#include "model/PasswordHistoryMap.h"
#include "model/UserDefinedFields.h"

namespace Tarnwick::PasswordADT {

enum class ValidityMode : std::uint32_t { Unlimited = 0, UntilDate = 1, Days = 2 };
enum class ExpiryState { None, Valid, ExpiresSoon, Expired };

// A password entry. Text fields are UTF-16; the password stays in protected memory.
class PasswordItem : public ISerializeable {
public:
    static constexpr std::size_t kMaxDescription = 512;
    static constexpr std::size_t kMaxUserName = 512;
    static constexpr std::size_t kMaxPassword = 1024;
    static constexpr std::size_t kMaxComment = 16384;
    static constexpr std::size_t kMaxUrl = 3072;
    static constexpr std::size_t kMaxEmail = 320;
    static constexpr std::size_t kMaxTargetWindow = 510;
    static constexpr std::size_t kMaxSequence = 255;
    static constexpr std::size_t kMaxSymbol = 530;
    static constexpr std::size_t kMaxPasteMethod = 1;
    static constexpr std::size_t kMaxReserved = 0;
    // Fixed part of the byte form: the nine numbers and the thirteen string counts.
    static constexpr std::size_t kFixedSerializedSize = 94;
    // Remaining time below which an entry "expires soon": five days.
    static constexpr std::int64_t kExpiresSoonSeconds = 432000;

    // Reads the clock once for the three times; a clock at or before 1970 is refused.
    PasswordItem();
    PasswordItem(const PasswordItem& other);
    PasswordItem& operator=(const PasswordItem& other);
    ~PasswordItem() override;

    bool GetKeepHistory() const noexcept { return m_keepHistory != 0; }
    void SetKeepHistory(bool keep) noexcept { m_keepHistory = keep ? 1 : 0; }
    bool GetForbidRepetition() const noexcept { return m_forbidRepetition != 0; }
    void SetForbidRepetition(bool forbid) noexcept { m_forbidRepetition = forbid ? 1 : 0; }
    std::int16_t GetDistinctPasswordCount() const noexcept { return m_distinctPasswordCount; }
    void SetDistinctPasswordCount(std::int16_t count) noexcept { m_distinctPasswordCount = count; }
    std::int16_t GetHistorySize() const noexcept { return m_historySize; }
    void SetHistorySize(std::int16_t size) noexcept { m_historySize = size; }

    std::int64_t GetCreationTime() const noexcept { return m_creationTime; }
    void SetCreationTime(std::int64_t time) noexcept { m_creationTime = time; }
    std::int64_t GetModificationTime() const noexcept { return m_modificationTime; }
    void SetModificationTime(std::int64_t time) noexcept { m_modificationTime = time; }
    std::int64_t GetPasswordChangeTime() const noexcept { return m_passwordChangeTime; }
    void SetPasswordChangeTime(std::int64_t time) noexcept { m_passwordChangeTime = time; }
    // Mode 1: the expiry date; mode 2: the number of days in the low 32 bits.
    std::int64_t GetExpiry() const noexcept { return m_expiry; }
    void SetExpiry(std::int64_t expiry) noexcept { m_expiry = expiry; }
    std::uint32_t GetValidityMode() const noexcept { return m_validityMode; }
    void SetValidityMode(std::uint32_t mode) noexcept { m_validityMode = mode; }

    const StringServiceProvider::PlainString& GetDescription() const noexcept { return m_description; }
    void SetDescription(std::u16string_view text) { m_description.Assign(text); }
    const StringServiceProvider::PlainString& GetUserName() const noexcept { return m_userName; }
    void SetUserName(std::u16string_view text) { m_userName.Assign(text); }
    const StringServiceProvider::PlainString& GetComment() const noexcept { return m_comment; }
    void SetComment(std::u16string_view text) { m_comment.Assign(text); }
    const StringServiceProvider::PlainString& GetUrl() const noexcept { return m_url; }
    void SetUrl(std::u16string_view text) { m_url.Assign(text); }
    const StringServiceProvider::PlainString& GetEmail() const noexcept { return m_email; }
    void SetEmail(std::u16string_view text) { m_email.Assign(text); }
    const StringServiceProvider::PlainString& GetTargetWindow() const noexcept { return m_targetWindow; }
    void SetTargetWindow(std::u16string_view text) { m_targetWindow.Assign(text); }
    const StringServiceProvider::PlainString& GetSequence() const noexcept { return m_sequence; }
    void SetSequence(std::u16string_view text) { m_sequence.Assign(text); }
    const StringServiceProvider::PlainString& GetSymbol() const noexcept { return m_symbol; }
    void SetSymbol(std::u16string_view text) { m_symbol.Assign(text); }

    // 0 automatic, 1 type 1, 2 type 2; kept as its one-digit text as well.
    int GetPasteMethod() const noexcept { return m_pasteMethod; }
    const StringServiceProvider::PlainString& GetPasteMethodText() const noexcept { return m_pasteMethodText; }
    // 0 to 9; other values are refused.
    void SetPasteMethod(int method);

    const StringServiceProvider::SecureString& GetPassword() const noexcept { return m_password; }
    // Stores the time as password change time and the password in protected memory.
    void SetPassword(std::int64_t time, const StringServiceProvider::SecureString& password);

    // The password change the editor uses: keeps the history and refuses a repetition
    // under the entry's rules. False when refused (nothing changes).
    bool ChangePassword(const StringServiceProvider::SecureString& password, std::int64_t time);

    UserDefinedFields& GetUserDefinedFields() noexcept { return m_userDefinedFields; }
    const UserDefinedFields& GetUserDefinedFields() const noexcept { return m_userDefinedFields; }
    PasswordHistoryMap& GetPasswordHistory() noexcept { return m_history; }
    const PasswordHistoryMap& GetPasswordHistory() const noexcept { return m_history; }

    ExpiryState GetExpiryState(std::int64_t now) const noexcept;

    // Size of the byte form that Serialize writes.
    std::size_t SerializedSize() const noexcept;
    ByteBuffer& Serialize(ByteBuffer& buffer) const override;
    void Deserialize(ByteStream& stream) override;
    // Bytes of the byte form up to the end of a description of that length (with the four
    // bytes of the record's folder id in front, as a record holds it).
    static constexpr std::size_t LeadingBytes(std::size_t descriptionLength) noexcept {
        return 4 + kLeadingNumbersSize + 4 + 2 * descriptionLength;
    }
    // The nine numbers in front of the description.
    static constexpr std::size_t kLeadingNumbersSize = 42;

private:
    std::uint8_t m_keepHistory = 0;
    std::uint8_t m_forbidRepetition = 0;
    std::int16_t m_distinctPasswordCount = 3;
    std::int16_t m_historySize = 5;
    std::int64_t m_creationTime = 0;
    std::int64_t m_modificationTime = 0;
    std::int64_t m_passwordChangeTime = 0;
    std::int64_t m_expiry = 0;
    std::uint32_t m_validityMode = 0;
    StringServiceProvider::PlainString m_description;
    StringServiceProvider::PlainString m_userName;
    StringServiceProvider::SecureString m_password;
    StringServiceProvider::PlainString m_comment;
    StringServiceProvider::PlainString m_url;
    StringServiceProvider::PlainString m_email;
    StringServiceProvider::PlainString m_targetWindow;
    StringServiceProvider::PlainString m_sequence;
    StringServiceProvider::PlainString m_symbol;
    StringServiceProvider::PlainString m_pasteMethodText{u"0"};
    int m_pasteMethod = 0;
    StringServiceProvider::PlainString m_reserved1;
    StringServiceProvider::PlainString m_reserved2;
    StringServiceProvider::PlainString m_reserved3;
    UserDefinedFields m_userDefinedFields;
    PasswordHistoryMap m_history;
};

} // namespace Tarnwick::PasswordADT
