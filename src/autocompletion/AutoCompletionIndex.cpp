#include "autocompletion/AutoCompletionIndex.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "autocompletion/WindowMatching.h"

namespace Tarnwick::AutoCompletion {

using PasswordADT::PasswordData;
using PasswordADT::PasswordItem;
using PasswordADT::PasswordItemRef;

bool AutoCompletionIndex::Qualifies(const PasswordItem& item) noexcept {
    return !item.GetTargetWindow().IsEmpty() && !item.GetSequence().IsEmpty();
}

void AutoCompletionIndex::Rebuild(const PasswordData& data) {
    m_records.clear();
    std::unordered_set<const PasswordItem*> seen;
    for (const auto& folder : data.Folders()) {
        if (!folder) {
            continue;
        }
        for (const auto& item : folder->Entries()) {
            if (item && Qualifies(*item) && seen.insert(item.get()).second) {
                m_records.emplace_back(item);
            }
        }
    }
}

bool AutoCompletionIndex::Add(const PasswordItemRef& item) {
    DropExpired();
    if (!item || !Qualifies(*item) || Find(item.get()) != m_records.end()) {
        return false;
    }
    m_records.emplace_back(item);
    return true;
}

void AutoCompletionIndex::Update(const PasswordItemRef& item) {
    if (!item) {
        return;
    }
    if (Qualifies(*item)) {
        Add(item);
    } else {
        Remove(item);
    }
}

bool AutoCompletionIndex::Remove(const PasswordItemRef& item) {
    DropExpired();
    if (!item) {
        return false;
    }
    const auto found = Find(item.get());
    if (found == m_records.end()) {
        return false;
    }
    m_records.erase(found);
    return true;
}

std::size_t AutoCompletionIndex::Count() const noexcept {
    return static_cast<std::size_t>(std::count_if(m_records.begin(), m_records.end(),
                                                  [](const auto& record) { return !record.expired(); }));
}

std::vector<AutoCompletionIndex::Match> AutoCompletionIndex::FindMatches(const PasswordData& data,
                                                                         std::u16string_view title) const {
    std::vector<Match> matches;
    std::vector<PasswordItemRef> candidates;
    for (const auto& record : m_records) {
        PasswordItemRef item = record.lock();
        // Qualification is checked again: an edit that was not reported must not offer an
        // entry without a sequence.
        if (item && Qualifies(*item) && MatchesWindow(item->GetTargetWindow().View(), title)) {
            candidates.push_back(std::move(item));
        }
    }
    if (candidates.empty()) {
        return matches;
    }

    // Where each entry stands now; an entry no folder holds any more is not offered.
    std::unordered_map<const PasswordItem*, std::pair<std::uint32_t, std::uint32_t>> places;
    const auto& folders = data.Folders();
    for (std::size_t f = 0; f < folders.size(); ++f) {
        if (!folders[f]) {
            continue;
        }
        const auto& entries = folders[f]->Entries();
        for (std::size_t e = 0; e < entries.size(); ++e) {
            if (entries[e]) {
                places.emplace(entries[e].get(),
                               std::make_pair(static_cast<std::uint32_t>(f), static_cast<std::uint32_t>(e)));
            }
        }
    }
    for (auto& item : candidates) {
        const auto place = places.find(item.get());
        if (place != places.end()) {
            matches.push_back(Match{place->second.first, place->second.second, std::move(item)});
        }
    }
    return matches;
}

std::vector<std::weak_ptr<PasswordItem>>::iterator AutoCompletionIndex::Find(const PasswordItem* item) {
    return std::find_if(m_records.begin(), m_records.end(), [item](const auto& record) {
        return !record.expired() && record.lock().get() == item;
    });
}

void AutoCompletionIndex::DropExpired() {
    std::erase_if(m_records, [](const auto& record) { return record.expired(); });
}

} // namespace Tarnwick::AutoCompletion
