#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

class QMimeData;

namespace Tarnwick::Views {

// (folder position, entry position) of one entry.
using EntryPosition = std::pair<std::size_t, std::size_t>;

inline constexpr const char* kEntryMimeType = "application/x-tarnwick-entries";

// The dragged entries travel as positions only, never as field text, with a random token of
// this process: drops that another program makes with the same type carry no valid token.
QMimeData* EncodeDraggedEntries(const std::vector<EntryPosition>& entries);
// nullopt when the data is foreign, forged or malformed.
std::optional<std::vector<EntryPosition>> DecodeDraggedEntries(const QMimeData* data);

} // namespace Tarnwick::Views
