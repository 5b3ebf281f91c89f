#include "app/views/PasswordToListVisualizer.h"

#include <algorithm>
#include <numeric>

#include "model/Sorters.h"

namespace Tarnwick::Views {

using Utilities::Exceptions::Exception;

std::vector<std::size_t> PasswordToListVisualizer::OrderEntries(const PasswordADT::Category& folder,
                                                                const ListSortOrder& order) {
    const std::size_t count = folder.Entries().size();
    std::vector<std::size_t> positions(count);
    std::iota(positions.begin(), positions.end(), std::size_t{0});
    // The sorters take 0 for ascending.
    const int direction = order.direction == ListSortOrder::kAscending ? 0 : 1;
    auto timeSort = [&](int selector, std::u16string_view failure) {
        try {
            PasswordADT::TimestampSorter sorter(folder, positions);
            if (!sorter.Sort(direction, selector)) {
                throw ListSortError(failure);
            }
        } catch (const ListSortError&) {
            throw;
        } catch (const Exception&) {
            throw ListSortError(failure);
        }
    };
    switch (order.key) {
    case ListSortOrder::kByIndex:
        if (direction != 0) {
            std::reverse(positions.begin(), positions.end());
        }
        break;
    case ListSortOrder::kByName:
        try {
            PasswordADT::StringSorter sorter(folder, positions);
            if (!sorter.Sort(direction)) {
                throw ListSortError(u"Fehler beim Sortieren der Passwörter nach Namen.");
            }
        } catch (const ListSortError&) {
            throw;
        } catch (const Exception&) {
            throw ListSortError(u"Fehler beim Sortieren der Passwörter nach Namen.");
        }
        break;
    case ListSortOrder::kByCreation:
        timeSort(0, u"Fehler beim Sortieren der Passwörter nach dem Erstelldatum.");
        break;
    case ListSortOrder::kByModification:
        timeSort(1, u"Fehler beim Sortieren der Passwörter nach der letzten Änderung.");
        break;
    case ListSortOrder::kByExpiry:
        timeSort(3, u"Fehler beim Sortieren der Passwörter nach dem Verfallsdatum.");
        break;
    default:
        throw ListSortError(u"Ungültige Sortierung der Passwörter.");
    }
    return positions;
}

PasswordToListVisualizer::Outcome PasswordToListVisualizer::Visualize(PasswordListModel& model,
                                                                      const PasswordADT::PasswordData& data,
                                                                      std::optional<std::size_t> folder,
                                                                      const ListSortOrder& order) {
    if (!folder) {
        model.Clear();
        return Outcome::NoFolder;
    }
    if (*folder >= data.FolderCount() || !data.Folders()[*folder]) {
        model.Clear();
        throw Exception(u"invalid folder", u"PasswordToListVisualizer::Visualize");
    }
    const PasswordADT::Category& category = *data.Folders()[*folder];
    if (category.Entries().empty()) {
        model.Clear();
        return Outcome::EmptyFolder;
    }
    std::vector<std::size_t> positions;
    try {
        positions = OrderEntries(category, order);
    } catch (...) {
        model.Clear();
        throw;
    }
    std::vector<ListRow> rows;
    rows.reserve(positions.size());
    for (std::size_t position : positions) {
        const auto& item = category.Entries()[position];
        if (!item) {
            model.Clear();
            throw Exception(u"invalid entry", u"PasswordToListVisualizer::AddSubItem");
        }
        rows.push_back({*folder, position, item});
    }
    model.SetRows(std::move(rows), false, &data);
    return Outcome::Rows;
}

void PasswordToListVisualizer::VisualizeSearchResult(PasswordListModel& model, const PasswordADT::PasswordData& data,
                                                     const std::vector<EntryPosition>& result) {
    std::vector<ListRow> rows;
    rows.reserve(result.size());
    for (const auto& [folder, entry] : result) {
        if (folder >= data.FolderCount() || !data.Folders()[folder] ||
            entry >= data.Folders()[folder]->Entries().size() || !data.Folders()[folder]->Entries()[entry]) {
            model.Clear();
            throw Exception(u"invalid search result", u"PasswordToListVisualizer::VisualizeSearchResult");
        }
        rows.push_back({folder, entry, data.Folders()[folder]->Entries()[entry]});
    }
    model.SetRows(std::move(rows), true, &data);
}

} // namespace Tarnwick::Views
