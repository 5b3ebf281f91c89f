#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "generator/PasswordPolicy.h"

namespace Tarnwick::PasswordGenerator {

// The characters a policy draws from: its chosen sets in the order 0 to 8, each with the
// characters it still holds, their sizes and the cumulative boundaries. Table index r belongs
// to the first set whose upper boundary is above r.
class Charset {
public:
    struct Set {
        int number = 0;
        std::u16string characters;
    };

    // Builds the table from the chosen sets (count above 0). With applyExclusions, every
    // occurrence of each excluded character is then removed and, when repetition is not
    // allowed, every repeated character but its first occurrence, so that no character can
    // come out twice; a set left empty disappears. Before and after those removals: total
    // below 1 throws "sum", a length above the total without repetition throws "len"
    // (context "Charset::Charset").
    explicit Charset(const PasswordPolicy& policy, bool applyExclusions = true);
    Charset(const Charset&) = default;
    Charset& operator=(const Charset&) = default;
    // The remaining characters tell what was drawn: wiped.
    ~Charset();

    // The fixed characters of sets 0 to 7 (set 8 comes from the policy).
    static std::u16string_view StandardSet(int number) noexcept;

    const PasswordPolicy& GetPolicy() const noexcept { return m_policy; }
    const std::vector<int>& GetSetNumbers() const noexcept { return m_setNumbers; }
    const std::vector<Set>& GetSets() const noexcept { return m_sets; }
    const std::vector<std::int32_t>& GetSizes() const noexcept { return m_sizes; }
    // One more than there are sets; the first is 0, the last equals the total.
    const std::vector<std::int32_t>& GetBoundaries() const noexcept { return m_boundaries; }
    std::int32_t GetTotal() const noexcept { return m_total; }
    // Position of the set with that number, or -1.
    int FindSetPosition(int number) const noexcept;

    // Takes one character out of the set at that position: decrements its size ("empty" below
    // 0, "len" when the size does not agree with its characters), removes the set when it
    // reaches 0, decrements every later boundary and the total. Returns whether the set still
    // exists; the caller then removes the character from the set's characters.
    bool RemoveElementFromTable(std::size_t setPosition);
    // RemoveElementFromTable plus the removal of that character from the set.
    bool RemoveCharacter(std::size_t setPosition, std::size_t index);

    // The set position of table index r (r below the total).
    std::size_t SetPositionOf(std::uint32_t r) const;

private:
    void AddSet(int number, std::u16string_view characters);
    // Keeps the characters for which keep is true; an emptied set leaves the table.
    template <typename Keep> void Filter(Keep&& keep);
    void Rebuild();
    void CheckTotals() const;

    PasswordPolicy m_policy;
    std::vector<int> m_setNumbers;
    std::vector<Set> m_sets;
    std::vector<std::int32_t> m_sizes;
    std::vector<std::int32_t> m_boundaries{0};
    std::int32_t m_total = 0;
};

} // namespace Tarnwick::PasswordGenerator
