#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "model/Category.h"

namespace Tarnwick::PasswordADT {

// Orders an array of entry positions of one folder; the folder's own list stays as it is.
class ISorterBase {
public:
    ISorterBase(const Category& folder, std::vector<std::size_t>& positions) : m_folder(folder), m_positions(positions) {}
    virtual void Reserved1() {}
    virtual void Reserved2() {}
    virtual ~ISorterBase() = default;
    // Direction 0 ascending, otherwise descending. The base sorts nothing.
    virtual bool Sort(int direction);

protected:
    // The entry at a position of the folder's list.
    const PasswordItem& ItemAt(std::size_t position) const;

    const Category& m_folder;
    std::vector<std::size_t>& m_positions;
};

// Quicksort over the positions with the middle element as pivot; not stable.
class QuickSorterBase : public ISorterBase {
public:
    using ISorterBase::ISorterBase;
    virtual void SortAscending(long low, long high);
    virtual void SortDescending(long low, long high);

protected:
    // <0, 0, >0 as the entry at folder position a sorts before, with or after the one at b.
    virtual int Compare(std::size_t a, std::size_t b) const = 0;
    void SortRange(bool ascending);

private:
    std::pair<long, long> Partition(long low, long high, int sign);
};

// Descriptions, case-insensitively, compared over the left operand's length; empty ones last.
class StringSorter : public QuickSorterBase {
public:
    using QuickSorterBase::QuickSorterBase;
    bool Sort(int direction) override;

protected:
    int Compare(std::size_t a, std::size_t b) const override;
};

// One of the four times: 0 creation, 1 modification, 2 password change, 3 expiry.
class TimestampSorter : public QuickSorterBase {
public:
    using QuickSorterBase::QuickSorterBase;
    using QuickSorterBase::Sort;
    virtual bool Sort(int direction, int timeSelector);

protected:
    int Compare(std::size_t a, std::size_t b) const override;

private:
    int m_selector = 0;
};

// Small helpers over the entries of a folder.
class CPasswordADTUtil {
public:
    // Position of the first entry whose description equals the given entry's; false if none.
    static bool PasswordExists(const PasswordItem& entry, const Category& folder, std::size_t& position);
    static bool DescriptionExists(std::u16string_view description, const Category& folder, std::size_t& position);
    // "%s - Kopie", then "%s - Kopie (%d)" with 1, 2, ... until the name is free in the folder.
    static StringServiceProvider::PlainString CopyName(std::u16string_view description, const Category& folder);
};

} // namespace Tarnwick::PasswordADT
