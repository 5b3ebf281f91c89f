#pragma once

#include <string_view>
#include <vector>

#include <QKeyCombination>

#include "model/PasswordItem.h"

namespace Tarnwick::Commands {

// Where a command's key works: anywhere in the main window or only while one view has the
// focus (Del and Ctrl+A mean different things in the tree, the list and the comment).
enum class KeyScope { Window, List, Tree, Comment };

// What a command needs to be enabled; a command is enabled only when it can work.
enum Need : unsigned {
    Unlocked = 1u << 0,        // a database is open and the workspace is not locked
    LogIn = 1u << 1,           // the window can run the log-in again
    Wizard = 1u << 2,          // the new-database wizard is there
    Folders = 1u << 3,         // the database has a folder
    Entries = 1u << 4,         // the database has an entry
    ListUsable = 1u << 5,      // the entry list is enabled
    ListRows = 1u << 6,        // the entry list shows rows
    OneEntry = 1u << 7,        // exactly one entry is chosen
    AnyEntry = 1u << 8,        // at least one entry is chosen
    FolderChosen = 1u << 9,    // a folder is current
    TreeItem = 1u << 10,       // the tree has a current item (the root counts)
    TreeFolder = 1u << 11,     // the tree's current item is a folder
    CommentSelection = 1u << 12,
    CommentText = 1u << 13,
    FieldChosen = 1u << 14,    // a user-defined field is chosen in the panel
    HistoryChosen = 1u << 15,  // a history entry is chosen in the panel
    PasswordsShown = 1u << 16,
    PasswordsHidden = 1u << 17,
    NotYetBuilt = 1u << 31,    // its dialog is not there yet: never enabled
};

// A field of the one chosen entry that must not be empty.
enum class Field { None, UserName, Password, Url, Email, Description, Comment, UserFields, History };

// The state the needs are checked against.
struct CommandContext {
    unsigned met = 0; // the Need bits that hold
    // The one chosen entry, for the field needs.
    const PasswordADT::PasswordItem* entry = nullptr;
};

// One command: its caption, the tool-tip description, its key, and what it needs.
struct CommandInfo {
    int id;
    std::u16string_view caption;
    std::u16string_view description;
    QKeyCombination keys = QKeyCombination();
    KeyScope scope = KeyScope::Window;
    unsigned needs = 0;
    Field field = Field::None;
};

// Whether the command's needs are met.
bool IsEnabled(const CommandInfo& command, const CommandContext& context);

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
