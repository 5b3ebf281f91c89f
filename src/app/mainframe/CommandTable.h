#pragma once

#include <string_view>
#include <vector>

#include <QKeyCombination>

namespace Tarnwick::Commands {

// Where a command's key works: anywhere in the main window or only while one view has the
// focus (Del and Ctrl+A mean different things in the tree, the list and the comment).
enum class KeyScope { Window, List, Tree, Comment };

// One command: its caption, the tool-tip description and its key.
struct CommandInfo {
    int id;
    std::u16string_view caption;
    std::u16string_view description;
    QKeyCombination keys = QKeyCombination();
    KeyScope scope = KeyScope::Window;
};

const std::vector<CommandInfo>& CommandTable();
// nullptr for an id that has no entry.
const CommandInfo* FindCommand(int id);

// Texts of the lock command, which change with the state.
inline constexpr std::u16string_view kLockCaption = u"Arbeitsbereich sperren";
inline constexpr std::u16string_view kLockDescription = u"Sperrt den gesamten Arbeitsbereich.";
inline constexpr std::u16string_view kUnlockCaption = u"Arbeitsbereich freigeben";
inline constexpr std::u16string_view kUnlockDescription = u"Gibt den Arbeitsbereich wieder frei.";
// Texts of the show/hide toggle.
inline constexpr std::u16string_view kHidePasswordsCaption = u"Passwörter verbergen";
inline constexpr std::u16string_view kShowPasswordsCaption = u"Passwörter anzeigen";

} // namespace Tarnwick::Commands
