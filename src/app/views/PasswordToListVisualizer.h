#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "app/views/EntryDrag.h"
#include "app/views/PasswordListModel.h"
#include "base/exceptions/Exception.h"
#include "model/PasswordData.h"

namespace Tarnwick::Views {

// Sort key and direction of the entry list, as the settings store them (command ids).
struct ListSortOrder {
    static constexpr std::int32_t kByName = 32867;
    static constexpr std::int32_t kByIndex = 32868;
    static constexpr std::int32_t kByCreation = 32869;
    static constexpr std::int32_t kByModification = 32870;
    static constexpr std::int32_t kByExpiry = 32871;
    static constexpr std::int32_t kDescending = 32872;
    static constexpr std::int32_t kAscending = 32873;

    std::int32_t key = kByIndex;
    std::int32_t direction = kDescending;
};

// A sort that could not be carried out; the message is the text for the user.
class ListSortError : public Utilities::Exceptions::Exception {
public:
    explicit ListSortError(std::u16string_view message)
        : Exception(message, u"PasswordToListVisualizer::Visualize") {}
};

// Fills the entry list from one folder or from a search result.
class PasswordToListVisualizer {
public:
    enum class Outcome { Rows, NoFolder, EmptyFolder };

    static constexpr std::u16string_view kEmptyFolderText = u"Dieser Ordner ist leer.";
    static constexpr std::u16string_view kNoFolderText = u"Kein Ordner gewählt.";

    // The folder's entry positions in list order. Throws ListSortError.
    static std::vector<std::size_t> OrderEntries(const PasswordADT::Category& folder, const ListSortOrder& order);
    // Replaces the rows with the folder's entries (none without a folder or entries).
    static Outcome Visualize(PasswordListModel& model, const PasswordADT::PasswordData& data,
                             std::optional<std::size_t> folder, const ListSortOrder& order);
    // Rows for the pairs, in their order; a pair that names no entry throws Exception.
    static void VisualizeSearchResult(PasswordListModel& model, const PasswordADT::PasswordData& data,
                                      const std::vector<EntryPosition>& result);
};

} // namespace Tarnwick::Views
