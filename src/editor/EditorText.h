#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <QString>

#include "uiext/QtText.h"

class QTreeWidget;

// Small helpers shared by the pages of the entry editor.
namespace Tarnwick::Editor {

using UiText::Q;
using UiText::U;

// Fields longer than their limit are refused with the message.
inline bool TooLong(const QString& text, std::size_t limit) { return static_cast<std::size_t>(text.size()) > limit; }

inline constexpr std::u16string_view kDeleteQuestion = u"Sind Sie sicher, dass Sie %s löschen möchten";

// A history time as the list shows it ("07. Dezember 2023 14:05:33").
QString HistoryDate(std::int64_t time);

// Every column at least as wide as its widest text, header included; the last one fills the
// rest of the list. Texts too long for the list scroll sideways instead of being cut off.
void FitColumnsToContents(QTreeWidget* list);

} // namespace Tarnwick::Editor
