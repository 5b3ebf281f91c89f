#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ApplicationSettings {

// One entry of the recently used databases: the path and a value that the main program
// stores with it and gets back unchanged.
struct RecentDatabase {
    std::u16string path;
    std::int32_t kt = 0;

    friend bool operator==(const RecentDatabase&, const RecentDatabase&) = default;
};

// The most recently used databases, newest first.
struct RecentDatabases {
    std::int32_t maxCount = 5;
    std::vector<RecentDatabase> items;
    bool changed = false; // the list must be written

    // Puts the entry at the front (removing the same path with the same value elsewhere),
    // keeps at most maxCount entries and sets the changed flag. Nothing happens when the
    // entry is already first.
    void Add(std::u16string_view path, std::int32_t kt);

    friend bool operator==(const RecentDatabases&, const RecentDatabases&) = default;
};

// Every user preference of the program; the application object holds the only instance.
struct Settings {
    // General
    bool saveMainWindowPosition = true;
    bool saveListSplitterPosition = true;
    bool rememberLastDatabase = true;
    bool checkForUpdatesAtStart = true;
    bool bringTargetToFront = true;
    bool startWithWindows = false;
    bool minimizeToTrayAfterStart = false;
    bool minimizeToTrayOnClose = false;
    std::int32_t splitterHeight = 250;
    std::uint8_t lastActiveRibbonTab = 1;
    std::int32_t placementFlags = 0;
    std::int32_t showCmd = 1;
    std::int32_t mainLeft = -1; // -1: no position stored yet
    std::int32_t mainTop = -1;
    std::int32_t mainRight = -1;
    std::int32_t mainBottom = -1;
    // Appearance
    std::int32_t visualStyleType = 42000;
    bool clearTypeMainWindow = true;
    bool clearTypeDialogs = true;
    bool themeOnDialogs = true;
    bool themeFontOnDialogs = true;
    // Messages
    bool messageAfterTask = true;
    bool confirmDragDropMove = true;
    bool messageAfterDatabaseDelete = true;
    bool messageAfterExportImport = true;
    bool warnClipboardWatched = true;
    // Password list
    std::int32_t listSortKey = 32868;
    std::int32_t listSortDirection = 32872;
    bool showHorizontalLines = true;
    // Folder view
    std::int32_t folderSortKey = 32880;
    std::int32_t folderSortDirection = 32882;
    bool saveFolderListPosition = true;
    std::int32_t folderListWidth = 200;
    // Auto-completion
    bool autoCompletionEnabled = true;
    std::int32_t hotKey = 65; // 'A'
    std::int32_t hotKeyModifier1 = 8;
    std::int32_t hotKeyModifier2 = 4;
    // Ribbon
    std::u16string ribbonState;
    // Security
    bool clearClipboardOnExit = false;
    bool autoLockWorkspace = false;
    bool allowAutoCompletionWhenLocked = false;
    std::int16_t clipboardClearSeconds = 30; // 0 = never
    std::int16_t workspaceLockSeconds = 0;   // 0 = never
    // Recently used databases
    RecentDatabases recentDatabases;

    friend bool operator==(const Settings&, const Settings&) = default;
};

// The longest time the options dialog can set for the clipboard and workspace timers:
// 60 minutes and 59 seconds.
inline constexpr std::int16_t kMaxTimerSeconds = 60 * 60 + 59;

} // namespace ApplicationSettings
