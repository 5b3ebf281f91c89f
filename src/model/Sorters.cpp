#include "model/Sorters.h"

#include <algorithm>
#include <utility>

#include "base/text/CaseFolding.h"
#include "base/text/Format.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::PasswordADT {

using StringServiceProvider::PlainString;

bool ISorterBase::Sort(int) { return false; }

const PasswordItem& ISorterBase::ItemAt(std::size_t position) const {
    if (position >= m_folder.Entries().size() || !m_folder.Entries()[position]) {
        throw Utilities::Exceptions::Exception(u"password item out of range", u"ISorterBase::Sort");
    }
    return *m_folder.Entries()[position];
}

// One partition step around the middle element; sign 1 ascending, -1 descending. Returns the
// ends of the two partitions.
std::pair<long, long> QuickSorterBase::Partition(long low, long high, int sign) {
    long left = low;
    long right = high;
    const std::size_t pivot = m_positions[static_cast<std::size_t>((low + high) / 2)];
    while (left <= right) {
        while (sign * Compare(m_positions[static_cast<std::size_t>(left)], pivot) < 0 && left < high) {
            ++left;
        }
        while (sign * Compare(m_positions[static_cast<std::size_t>(right)], pivot) > 0 && right > low) {
            --right;
        }
        if (left <= right) {
            std::swap(m_positions[static_cast<std::size_t>(left)], m_positions[static_cast<std::size_t>(right)]);
            ++left;
            --right;
        }
    }
    return {left, right};
}

void QuickSorterBase::SortAscending(long low, long high) {
    const auto [left, right] = Partition(low, high, 1);
    if (low < right) {
        SortAscending(low, right);
    }
    if (left < high) {
        SortAscending(left, high);
    }
}

void QuickSorterBase::SortDescending(long low, long high) {
    const auto [left, right] = Partition(low, high, -1);
    if (low < right) {
        SortDescending(low, right);
    }
    if (left < high) {
        SortDescending(left, high);
    }
}

void QuickSorterBase::SortRange(bool ascending) {
    if (m_positions.size() < 2) {
        return;
    }
    const long high = static_cast<long>(m_positions.size()) - 1;
    if (ascending) {
        SortAscending(0, high);
    } else {
        SortDescending(0, high);
    }
}

bool StringSorter::Sort(int direction) {
    SortRange(direction == 0);
    return true;
}

int StringSorter::Compare(std::size_t a, std::size_t b) const {
    const auto left = ItemAt(a).GetDescription().View();
    const auto right = ItemAt(b).GetDescription().View();
    if (left.empty() || right.empty()) {
        // Empty descriptions sort after every other one and equal among themselves.
        return left.empty() == right.empty() ? 0 : (left.empty() ? 1 : -1);
    }
    return Tarnwick::Text::CompareNoCase(left, right, left.size());
}

bool TimestampSorter::Sort(int direction, int timeSelector) {
    m_selector = timeSelector;
    SortRange(direction == 0);
    return true;
}

int TimestampSorter::Compare(std::size_t a, std::size_t b) const {
    const auto time = [this](const PasswordItem& item) {
        switch (m_selector) {
        case 1:
            return item.GetModificationTime();
        case 2:
            return item.GetPasswordChangeTime();
        case 3:
            return item.GetExpiry();
        default:
            return item.GetCreationTime();
        }
    };
    const std::int64_t left = time(ItemAt(a));
    const std::int64_t right = time(ItemAt(b));
    return left < right ? -1 : (left > right ? 1 : 0);
}

bool CPasswordADTUtil::DescriptionExists(std::u16string_view description, const Category& folder,
                                         std::size_t& position) {
    const auto& entries = folder.Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i] && entries[i]->GetDescription().View() == description) {
            position = i;
            return true;
        }
    }
    return false;
}

bool CPasswordADTUtil::PasswordExists(const PasswordItem& entry, const Category& folder, std::size_t& position) {
    return DescriptionExists(entry.GetDescription().View(), folder, position);
}

PlainString CPasswordADTUtil::CopyName(std::u16string_view description, const Category& folder) {
    const std::u16string_view base = description.empty() ? std::u16string_view(u"Unbenannt") : description;
    PlainString name = Tarnwick::Text::Format(u"%s - Kopie", base);
    std::size_t position = 0;
    for (int number = 1; DescriptionExists(name.View(), folder, position); ++number) {
        name = Tarnwick::Text::Format(u"%s - Kopie (%d)", base, number);
    }
    return name;
}

} // namespace Tarnwick::PasswordADT
