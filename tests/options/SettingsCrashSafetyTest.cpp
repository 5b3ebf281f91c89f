// The settings file is replaced through the same crash-tested path as the database: stopped
// at any change on disk, it is the complete old or the complete new file.
#include <gtest/gtest.h>

#include "options/SettingsStorage.h"
#include "support/ReplacementFaults.h"
#include "support/TempFolder.h"

using ApplicationSettings::RecentDatabase;
using ApplicationSettings::Settings;
using TestSupport::ReadFileBytes;
using TestSupport::TempFolder;
namespace Storage = OptionsLibrary::SettingsStorage;

TEST(SettingsCrashSafety, EveryFailedChangeLeavesTheOldOrTheNewFile) {
    TempFolder reference;
    TempFolder folder;
    const auto path = folder / "twsettings.xml";

    const Settings before;
    Storage::Save(path, before);
    const std::string oldBytes = ReadFileBytes(path);

    Settings after;
    after.hotKey = 90;
    after.clipboardClearSeconds = 45;
    // Large enough for the file to be written in several pieces.
    after.ribbonState.assign(30000, u'r');
    after.recentDatabases.items.push_back(RecentDatabase{u"/home/a/passwörter.twdb", 1});
    Storage::Save(reference / "twsettings.xml", after);
    const std::string newBytes = ReadFileBytes(reference / "twsettings.xml");
    ASSERT_NE(oldBytes, newBytes);

    const long changes =
        TestSupport::CheckEveryFailureLeavesOldOrNew(path, oldBytes, newBytes, [&] { Storage::Save(path, after); });
    // Create, several writes, sync, rename, sync of the folder.
    EXPECT_GE(changes, 6);
}
