#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "model/PasswordData.h"

namespace Tarnwick::AutoCompletion {

// The entries of the open database that can be auto-completed: those with both a target
// window text and a sequence. Records hold the entries themselves, not their positions,
// so adding, deleting, moving or editing entries can never make a record point at another
// entry; positions are looked up when the index is asked.
class AutoCompletionIndex {
public:
    // An entry offered for a window, with its current place in the database.
    struct Match {
        std::uint32_t folder = 0; // position of the folder in the folder list
        std::uint32_t entry = 0;  // position of the entry in that folder's list
        PasswordADT::PasswordItemRef item;
    };

    // Non-empty target window text and non-empty sequence.
    static bool Qualifies(const PasswordADT::PasswordItem& item) noexcept;

    // Clears, then adds every qualifying entry, folders and entries in list order. After a
    // database is opened or reloaded.
    void Rebuild(const PasswordADT::PasswordData& data);
    // After a new entry is stored: appends it unless it is there or does not qualify.
    // Whether a record was added.
    bool Add(const PasswordADT::PasswordItemRef& item);
    // After an entry is edited: keeps or appends it while it qualifies, drops it otherwise.
    void Update(const PasswordADT::PasswordItemRef& item);
    // After an entry is deleted. Whether it had a record.
    bool Remove(const PasswordADT::PasswordItemRef& item);
    void Clear() noexcept { m_records.clear(); }
    // Records whose entry still exists.
    std::size_t Count() const noexcept;

    // The entries of the index, in index order, whose target matches the title and which
    // are still held by a folder of data and still qualify.
    std::vector<Match> FindMatches(const PasswordADT::PasswordData& data, std::u16string_view title) const;

private:
    std::vector<std::weak_ptr<PasswordADT::PasswordItem>>::iterator
    Find(const PasswordADT::PasswordItem* item);
    void DropExpired();

    std::vector<std::weak_ptr<PasswordADT::PasswordItem>> m_records;
};

} // namespace Tarnwick::AutoCompletion
