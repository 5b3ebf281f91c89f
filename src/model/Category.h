#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "crypto/String.h"
#include "model/PasswordItem.h"

namespace Tarnwick::PasswordADT {

using PasswordItemRef = std::shared_ptr<PasswordItem>;

// A folder ("Ordner") with its entries in display and storage order.
class Category {
public:
    static constexpr std::uint32_t kUnassignedId = 0xFFFFFFFF;
    static constexpr std::uint32_t kNoParent = 0xFFFFFFFF;
    static constexpr std::uint32_t kMaximumId = 0x7FFFFFFE;
    static constexpr std::size_t kMaximumNameLength = 74;

    // The name follows the rules of Rename.
    Category(std::uint32_t id, std::uint32_t parentId, std::u16string_view name);

    std::uint32_t GetId() const noexcept { return m_id; }
    void SetId(std::uint32_t id) noexcept { m_id = id; }
    std::uint32_t GetParentId() const noexcept { return m_parentId; }
    void SetParentId(std::uint32_t id) noexcept { m_parentId = id; }
    bool IsTopLevel() const noexcept { return m_parentId == kNoParent; }
    const StringServiceProvider::PlainString& GetName() const noexcept { return m_name; }
    // Refuses an empty name and one longer than 74 code units.
    void Rename(std::u16string_view name);

    std::vector<PasswordItemRef>& Entries() noexcept { return m_entries; }
    const std::vector<PasswordItemRef>& Entries() const noexcept { return m_entries; }

private:
    std::uint32_t m_id;
    std::uint32_t m_parentId;
    StringServiceProvider::PlainString m_name;
    std::vector<PasswordItemRef> m_entries;
};

using CategoryRef = std::shared_ptr<Category>;

} // namespace Tarnwick::PasswordADT
