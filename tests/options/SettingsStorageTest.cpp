#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>

#include "base/exceptions/Exception.h"
#include "options/SettingsStorage.h"
#include "support/TempFolder.h"

using ApplicationSettings::RecentDatabase;
using ApplicationSettings::Settings;
using TestSupport::ReadFileBytes;
using TestSupport::TempFolder;
using TestSupport::WriteFileBytes;
using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;
namespace Storage = OptionsLibrary::SettingsStorage;

namespace {

const std::filesystem::path kReference =
    std::filesystem::path(__FILE__).parent_path() / "twsettings-default.xml";

// A settings file of the given sections, laid out as the program writes it.
std::string File(const std::string& sections) {
    return "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
           "<Tarnwick:Settings xmlns:Tarnwick=\"http://schemas.kelmarsh.de/Tarnwick\">" +
           sections + "\n</Tarnwick:Settings>\n";
}

// Every field away from its default.
Settings Changed() {
    Settings s;
    s.saveMainWindowPosition = false;
    s.saveListSplitterPosition = false;
    s.rememberLastDatabase = false;
    s.checkForUpdatesAtStart = false;
    s.bringTargetToFront = false;
    s.startWithWindows = true;
    s.minimizeToTrayAfterStart = true;
    s.minimizeToTrayOnClose = true;
    s.splitterHeight = 317;
    s.lastActiveRibbonTab = 255;
    s.placementFlags = 2;
    s.showCmd = 3;
    s.mainLeft = -32000;
    s.mainTop = 12;
    s.mainRight = 2147483647;
    s.mainBottom = -2147483647 - 1;
    s.visualStyleType = 42004;
    s.clearTypeMainWindow = false;
    s.clearTypeDialogs = false;
    s.themeOnDialogs = false;
    s.themeFontOnDialogs = false;
    s.messageAfterTask = false;
    s.confirmDragDropMove = false;
    s.messageAfterDatabaseDelete = false;
    s.messageAfterExportImport = false;
    s.warnClipboardWatched = false;
    s.listSortKey = 32871;
    s.listSortDirection = 32873;
    s.showHorizontalLines = false;
    s.folderSortKey = 32881;
    s.folderSortDirection = 32883;
    s.saveFolderListPosition = false;
    s.folderListWidth = 451;
    s.autoCompletionEnabled = false;
    s.hotKey = 0x51;
    s.hotKeyModifier1 = 2;
    s.hotKeyModifier2 = 1;
    s.ribbonState = u"<state a=\"1\" b='2'>&amp; ]]> \t\r\n\u00E4\u20AC\U0001F511";
    s.clearClipboardOnExit = true;
    s.autoLockWorkspace = true;
    s.allowAutoCompletionWhenLocked = true;
    s.clipboardClearSeconds = 3659;
    s.workspaceLockSeconds = 90;
    for (const char16_t* path : {u"/home/u/eins.twdb", u"/home/u/zwei & <drei>.twdb", u"/tmp/\"q\"'s.twdb",
                                 u"/media/Gr\u00FC\u00DFe/\u20AC.twdb", u"/x/y z\ttab.twdb"}) {
        s.recentDatabases.Add(path, static_cast<std::int32_t>(s.recentDatabases.items.size()) - 2);
    }
    return s;
}

Settings LoadText(const TempFolder& folder, const std::string& bytes, Settings start = Settings()) {
    const auto path = folder / "twsettings.xml";
    WriteFileBytes(path, bytes);
    Storage::Load(path, start);
    return start;
}

unsigned ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
}

} // namespace

TEST(SettingsStorage, DefaultsAreWrittenExactlyAsLaidOut) {
    TempFolder folder;
    const auto path = folder / "twsettings.xml";
    Storage::Save(path, Settings());
    EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(kReference));
    EXPECT_EQ(ModeOf(path), 0600u);

    // Read back, over a record that differs everywhere, the file restores every default but
    // the recent list, which loading only adds to.
    Settings loaded = Changed();
    Storage::Load(kReference, loaded);
    Settings expected;
    expected.recentDatabases = loaded.recentDatabases;
    EXPECT_EQ(loaded, expected);

    Settings fresh;
    Storage::Load(kReference, fresh);
    EXPECT_EQ(fresh, Settings());
}

TEST(SettingsStorage, EveryFieldSurvivesARoundTrip) {
    TempFolder folder;
    const auto path = folder / "twsettings.xml";
    const Settings original = Changed();
    Storage::Save(path, original);
    Settings loaded;
    Storage::Load(path, loaded);
    EXPECT_EQ(loaded, original);
    EXPECT_EQ(loaded.ribbonState, original.ribbonState);

    // Each flag on its own, so that no two share a bit.
    bool Settings::*const flags[] = {&Settings::saveMainWindowPosition,
                                     &Settings::saveListSplitterPosition,
                                     &Settings::rememberLastDatabase,
                                     &Settings::checkForUpdatesAtStart,
                                     &Settings::bringTargetToFront,
                                     &Settings::startWithWindows,
                                     &Settings::minimizeToTrayAfterStart,
                                     &Settings::minimizeToTrayOnClose,
                                     &Settings::clearTypeMainWindow,
                                     &Settings::clearTypeDialogs,
                                     &Settings::themeOnDialogs,
                                     &Settings::themeFontOnDialogs,
                                     &Settings::messageAfterTask,
                                     &Settings::confirmDragDropMove,
                                     &Settings::messageAfterDatabaseDelete,
                                     &Settings::messageAfterExportImport,
                                     &Settings::warnClipboardWatched,
                                     &Settings::showHorizontalLines,
                                     &Settings::saveFolderListPosition,
                                     &Settings::autoCompletionEnabled,
                                     &Settings::clearClipboardOnExit,
                                     &Settings::autoLockWorkspace,
                                     &Settings::allowAutoCompletionWhenLocked};
    for (bool Settings::*flag : flags) {
        Settings one;
        one.*flag = !(one.*flag);
        Storage::Save(path, one);
        Settings back;
        Storage::Load(path, back);
        EXPECT_EQ(back, one);
    }
}

TEST(SettingsStorage, RecentDatabasesAreWrittenOldestFirstAndReadBackNewestFirst) {
    TempFolder folder;
    const auto path = folder / "twsettings.xml";
    Settings s;
    s.recentDatabases.Add(u"/old.twdb", 0);
    s.recentDatabases.Add(u"/new.twdb", 4);
    Storage::Save(path, s);
    const std::string bytes = ReadFileBytes(path);
    EXPECT_NE(bytes.find("    <RecentDatabases>\n"
                         "        <Mru Db=\"/old.twdb\" Kt=\"0\"/>\n"
                         "        <Mru Db=\"/new.twdb\" Kt=\"4\"/>\n"
                         "        <MruOpt/>\n"
                         "    </RecentDatabases>\n"),
              std::string::npos)
        << bytes;
    Settings back;
    Storage::Load(path, back);
    EXPECT_EQ(back.recentDatabases.items, s.recentDatabases.items);

    // A path that XML cannot carry is left out rather than written as another path; the
    // ribbon state loses just those characters. The file stays readable.
    Settings control;
    control.recentDatabases.Add(u"/bad\x01name", 0);
    control.recentDatabases.Add(u"/half\xD800surrogate", 0);
    control.recentDatabases.Add(u"/good", 0);
    control.ribbonState = u"a\x01"
                          u"b\uFFFE"
                          u"c\U0001F511";
    Storage::Save(path, control);
    Settings read;
    Storage::Load(path, read);
    EXPECT_EQ(read.recentDatabases.items, (std::vector<RecentDatabase>{{u"/good", 0}}));
    EXPECT_EQ(read.ribbonState, u"abc\U0001F511");
}

TEST(SettingsStorage, SectionsAndAttributesAsTheFileHasThem) {
    TempFolder folder;
    // Only General with Data 0: the eight General flags are off, everything else default.
    Settings expected;
    expected.saveMainWindowPosition = expected.saveListSplitterPosition = expected.rememberLastDatabase =
        expected.checkForUpdatesAtStart = expected.bringTargetToFront = false;
    EXPECT_EQ(LoadText(folder, File("<General Data=\"0\"></General>")), expected);

    // The older Main attribute sets only its own flag.
    Settings start;
    start.saveMainWindowPosition = false;
    Settings loaded = LoadText(folder, File("<General Main=\"1\"/>"), start);
    EXPECT_EQ(loaded, Settings());
    loaded = LoadText(folder, File("<General Main=\"2\"/>"));
    EXPECT_FALSE(loaded.saveMainWindowPosition);

    // Unknown elements and attributes are passed over; sections count at any depth; names
    // are case-sensitive; a missing value is 0.
    loaded =
        LoadText(folder, File("<Other HotKey=\"1\"><AC HotKey=\"66\" Unknown=\"5\" Modifier1=\"\"/></Other>"
                              "<ac HotKey=\"67\"/><Security Clp=\"45\" Ws=\"  120xyz\"/>"));
    EXPECT_EQ(loaded.hotKey, 66);
    EXPECT_EQ(loaded.hotKeyModifier1, 0);
    EXPECT_EQ(loaded.hotKeyModifier2, 4);
    EXPECT_EQ(loaded.clipboardClearSeconds, 45);
    EXPECT_EQ(loaded.workspaceLockSeconds, 120);

    // Data is taken as a 64-bit number and its low bits are the flags.
    loaded = LoadText(folder, File("<Security Data=\"4294967301\"/><Messages Data=\"abc\"/>"));
    EXPECT_TRUE(loaded.clearClipboardOnExit);
    EXPECT_FALSE(loaded.autoLockWorkspace);
    EXPECT_TRUE(loaded.allowAutoCompletionWhenLocked);
    EXPECT_FALSE(loaded.messageAfterTask);
    EXPECT_FALSE(loaded.warnClipboardWatched);
}

TEST(SettingsStorage, NarrowNumbersAreClampedNotWrapped) {
    TempFolder folder;
    Settings loaded = LoadText(folder, File("<Security Clp=\"65566\" Ws=\"-5\"/>"
                                            "<General LastActiveRibbonTab=\"257\" MainLeft=\"99999999999\""
                                            " MainTop=\"-99999999999999999999999\"/>"));
    EXPECT_EQ(loaded.clipboardClearSeconds, 3659);
    EXPECT_EQ(loaded.workspaceLockSeconds, 0);
    EXPECT_EQ(loaded.lastActiveRibbonTab, 255);
    EXPECT_EQ(loaded.mainLeft, 2147483647);
    EXPECT_EQ(loaded.mainTop, -2147483647 - 1);
    loaded =
        LoadText(folder, File("<Security Clp=\"3660\" Ws=\"3659\"/><General LastActiveRibbonTab=\"-1\"/>"));
    EXPECT_EQ(loaded.clipboardClearSeconds, 3659);
    EXPECT_EQ(loaded.workspaceLockSeconds, 3659);
    EXPECT_EQ(loaded.lastActiveRibbonTab, 0);
}

TEST(SettingsStorage, RecentDatabaseListEdgeCases) {
    TempFolder folder;
    const auto items = [&](const std::string& sections) {
        return LoadText(folder, File(sections)).recentDatabases.items;
    };
    // Position counts, not the name.
    EXPECT_EQ(items("<RecentDatabases><Mru Kt=\"3\" Db=\"/x.twdb\"/><MruOpt/></RecentDatabases>"),
              (std::vector<RecentDatabase>{{u"3", 0}}));
    // The same path twice with the same value is kept once; with another value twice.
    EXPECT_EQ(
        items("<RecentDatabases><Mru Db=\"/a\" Kt=\"1\"/><Mru Db=\"/b\" Kt=\"1\"/><Mru Db=\"/a\" Kt=\"1\"/>"
              "<Mru Db=\"/a\" Kt=\"2\"/><MruOpt/></RecentDatabases>"),
        (std::vector<RecentDatabase>{{u"/a", 2}, {u"/a", 1}, {u"/b", 1}}));
    // More than five: the five that come last.
    std::string seven = "<RecentDatabases>";
    for (int i = 1; i <= 7; ++i) {
        seven += "<Mru Db=\"/" + std::to_string(i) + "\" Kt=\"0\"/>";
    }
    EXPECT_EQ(items(seven + "<MruOpt/></RecentDatabases>"),
              (std::vector<RecentDatabase>{{u"/7", 0}, {u"/6", 0}, {u"/5", 0}, {u"/4", 0}, {u"/3", 0}}));
    // The older form: one path as text.
    EXPECT_EQ(items("<RecentDatabases>\n  /old/form.twdb \n</RecentDatabases>"),
              (std::vector<RecentDatabase>{{u"/old/form.twdb", 0}}));
    // An entry without both attributes, or with an empty path, is skipped.
    EXPECT_EQ(
        items("<RecentDatabases><Mru Db=\"/only\"/><Mru/><Mru Db=\"\" Kt=\"1\"/><Mru Db=\"/ok\" Kt=\"1\"/>"
              "<MruOpt/></RecentDatabases>"),
        (std::vector<RecentDatabase>{{u"/ok", 1}}));
}

TEST(SettingsStorage, RecentDatabasesEndWithTheirElement) {
    TempFolder folder;
    const std::string after = "<AC HotKey=\"66\"/><Security Clp=\"10\"/>";
    for (const std::string& list :
         {std::string("<RecentDatabases/>"), std::string("<RecentDatabases></RecentDatabases>"),
          std::string("<RecentDatabases>\n  <Mru Db=\"/a\" Kt=\"0\"/>\n</RecentDatabases>"),
          std::string("<RecentDatabases><x><MruOpt-no/></x></RecentDatabases>")}) {
        SCOPED_TRACE(list);
        const Settings loaded = LoadText(folder, File(list + after));
        EXPECT_EQ(loaded.hotKey, 66);
        EXPECT_EQ(loaded.clipboardClearSeconds, 10);
    }
}

TEST(SettingsStorage, DamagedFilesFailWithTheReadError) {
    TempFolder folder;
    const std::string reference = ReadFileBytes(kReference);
    const std::size_t rootEnd =
        reference.find("</Tarnwick:Settings>") + std::string("</Tarnwick:Settings>").size();
    // Cut anywhere before the end of the root: an exception, never a crash and never a
    // silently half-read record that claims success.
    for (std::size_t length = 0; length < rootEnd; ++length) {
        SCOPED_TRACE(length);
        EXPECT_THROW(LoadText(folder, reference.substr(0, length)), Exception);
    }
    EXPECT_NO_THROW(LoadText(folder, reference.substr(0, rootEnd)));

    try {
        LoadText(folder, File("<General Data=\"1\"><Ribbon></General>"));
        FAIL() << "no exception";
    } catch (const WindowsException&) {
        FAIL() << "wrong type";
    } catch (const Exception& e) {
        EXPECT_EQ(e.GetMessage().View(), u"ReadResult::RR_ERROR");
        EXPECT_EQ(e.GetTarget().View(), u"SettingsStorage::Load");
    }
    // Damage inside the list, far enough in that the parser meets it while the list is read.
    std::string list = "<RecentDatabases>";
    for (int i = 0; i < 300; ++i) {
        list += "\n        <Mru Db=\"/data/" + std::to_string(i) + ".twdb\" Kt=\"0\"/>";
    }
    try {
        LoadText(folder, File(list + "<Mru Db=\"/a\" Kt=\"0\"></RecentDatabases>"));
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.GetMessage().View(), u"RR_ERROR");
        EXPECT_EQ(e.GetTarget().View(), u"ReadRecentDatabases");
    }
    // Binary garbage.
    std::string garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage.push_back(static_cast<char>((i * 7919) & 0xFF));
    }
    EXPECT_THROW(LoadText(folder, garbage), Exception);

    // A file that cannot be opened is the reader's Windows error.
    Settings s;
    try {
        Storage::Load(folder / "missing.xml", s);
        FAIL() << "no exception";
    } catch (const WindowsException& e) {
        EXPECT_EQ(e.GetErrorCode(), ENOENT);
        EXPECT_EQ(e.GetTarget().View(), u"XmlBase::OpenDocument");
    }
}

TEST(SettingsStorage, HostileFilesAreRefused) {
    TempFolder folder;
    WriteFileBytes(folder / "secret.txt", "4711");
    std::string laughs = "<!DOCTYPE Settings [\n <!ENTITY l0 \"lol\">\n";
    for (int level = 1; level <= 9; ++level) {
        laughs += " <!ENTITY l" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i) {
            laughs += "&l" + std::to_string(level - 1) + ";";
        }
        laughs += "\">\n";
    }
    laughs += "]>\n<Settings><Ribbon State=\"&l9;\"/><General MainLeft=\"&l9;\"/></Settings>";
    const std::string external = "<!DOCTYPE Settings [ <!ENTITY x SYSTEM \"file://" +
                                 (folder / "secret.txt").string() +
                                 "\"> ]>\n<Settings><AC HotKey=\"&x;\"/><Ribbon State=\"&x;\"/></Settings>";
    const std::string parameter =
        "<!DOCTYPE Settings [ <!ENTITY % p SYSTEM \"secret.txt\"> %p; ]><Settings/>";
    for (const std::string* bytes :
         std::initializer_list<const std::string*>{&laughs, &external, &parameter}) {
        Settings loaded;
        try {
            loaded = LoadText(folder, *bytes);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.GetMessage().View(), u"ReadResult::RR_ERROR");
        }
        EXPECT_EQ(loaded, Settings());
    }
}

TEST(SettingsStorage, FailedSaveKeepsThePreviousFile) {
    TempFolder folder;
    const auto path = folder / "twsettings.xml";
    Settings first = Changed();
    Storage::Save(path, first);
    const std::string before = ReadFileBytes(path);

    Settings big;
    big.ribbonState.assign(200000, u'r');
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 8192;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool thrown = false;
    try {
        Storage::Save(path, big);
    } catch (const WindowsException& e) {
        thrown = true;
        EXPECT_EQ(e.GetErrorCode(), EFBIG);
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_TRUE(thrown);
    EXPECT_EQ(ReadFileBytes(path), before);
    Settings back;
    Storage::Load(path, back);
    EXPECT_EQ(back, first);

    try {
        Storage::Save(folder / "missing" / "twsettings.xml", first);
        FAIL() << "no exception";
    } catch (const WindowsException& e) {
        EXPECT_EQ(e.GetErrorCode(), ENOENT);
        EXPECT_EQ(e.GetFunction().View(), u"SHCreateStreamOnFile");
        EXPECT_EQ(e.GetTarget().View(), u"XmlBase::CreateNewDocument");
    }
}

TEST(SettingsStorage, FirstStartWritesTheDefaultsInTheLocalApplicationFolder) {
    // Before anything asks for the local application folder in this process.
    TempFolder folder;
    ASSERT_EQ(::setenv("XDG_DATA_HOME", folder.Path().c_str(), 1), 0);
    const auto path = Storage::GetSettingsPath();
    EXPECT_EQ(path, folder.Path() / "Kelmarsh" / "Tarnwick" / "2010" / "twsettings.xml");

    Settings s;
    EXPECT_TRUE(Storage::LoadOrCreate(s));
    EXPECT_EQ(s, Settings());
    EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(kReference));
    EXPECT_EQ(ModeOf(path), 0600u);

    s.hotKey = 90;
    Storage::Save(s);
    Settings again;
    EXPECT_FALSE(Storage::LoadOrCreate(again));
    EXPECT_EQ(again.hotKey, 90);
    Settings loaded;
    Storage::Load(loaded);
    EXPECT_EQ(loaded, s);
}
