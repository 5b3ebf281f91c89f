#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "crypto/SecureString.h"
#include "model/ISerializeable.h"

namespace Tarnwick::PasswordADT {

// One earlier password and the moment it stopped being the current one.
struct PasswordHistoryEntry {
    static constexpr std::size_t kMaximumPasswordLength = 1024;

    // Refuses a password longer than 1024 code units.
    PasswordHistoryEntry(std::int64_t time, const StringServiceProvider::SecureString& password);

    std::int64_t time;
    StringServiceProvider::SecureString password;
};

// Earlier passwords, oldest first, with strictly increasing times; at most 100.
class PasswordHistoryMap : public ISerializeable {
public:
    static constexpr std::size_t kMaximumCount = 100;

    PasswordHistoryMap() = default;
    PasswordHistoryMap(const PasswordHistoryMap& other);
    PasswordHistoryMap& operator=(const PasswordHistoryMap& other);
    PasswordHistoryMap(PasswordHistoryMap&&) noexcept = default;
    PasswordHistoryMap& operator=(PasswordHistoryMap&&) noexcept = default;
    ~PasswordHistoryMap() override = default;

    void Add(std::int64_t time, const StringServiceProvider::SecureString& password);
    void AddPasswordHistoryEntry(const PasswordHistoryEntry& entry);
    const PasswordHistoryEntry& FindByTime(std::int64_t time) const;
    bool RemoveByTime(std::int64_t time);
    // Whether the password is among the newest n elements (n of 0 or less checks nothing).
    bool ContainedInNewest(std::int16_t n, const StringServiceProvider::SecureString& password) const;
    void Clear() noexcept { m_entries.clear(); }
    std::size_t Count() const noexcept { return m_entries.size(); }
    const PasswordHistoryEntry& At(std::size_t index) const { return m_entries.at(index); }

    std::size_t SerializedSize() const noexcept;
    ByteBuffer& Serialize(ByteBuffer& buffer) const override;
    void Deserialize(ByteStream& stream) override;

    friend bool operator==(const PasswordHistoryMap& a, const PasswordHistoryMap& b);

private:
    std::vector<PasswordHistoryEntry> m_entries;
};

} // namespace Tarnwick::PasswordADT
