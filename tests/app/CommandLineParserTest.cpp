#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLineParser.h"

using Tarnwick::CommandLineParser;
using Tarnwick::TWCommandLineParser;

namespace {

TWCommandLineParser Parsed(std::vector<std::u16string> arguments) {
    TWCommandLineParser parser(std::move(arguments));
    parser.Parse();
    return parser;
}

} // namespace

TEST(CommandLineParser, KindsByPrefix) {
    EXPECT_EQ(CommandLineParser::KindOf(u"--x"), 3);
    EXPECT_EQ(CommandLineParser::KindOf(u"-x"), 2);
    EXPECT_EQ(CommandLineParser::KindOf(u"-"), 2);
    EXPECT_EQ(CommandLineParser::KindOf(u"/x"), 1);
    EXPECT_EQ(CommandLineParser::KindOf(u"x"), 0);
    EXPECT_EQ(CommandLineParser::KindOf(u"x-y"), 0);
}

TEST(CommandLineParser, ProgramPathIsNeverADatabase) {
    // The program's own path does not end in ".exe" here.
    const TWCommandLineParser parser = Parsed({u"/usr/bin/tarnwick"});
    EXPECT_TRUE(parser.GetDatabasePath().empty());
    EXPECT_EQ(parser.GetAcceptedCount(), 0u);

    const TWCommandLineParser relative = Parsed({u"tarnwick", u"Konten.twdb"});
    EXPECT_EQ(relative.GetDatabasePath(), u"Konten.twdb");
}

TEST(CommandLineParser, LastPlainPathWinsAndExeIsIgnored) {
    const TWCommandLineParser parser =
        Parsed({u"tarnwick", u"erste.twdb", u"", u"zweite.twdb", u"setup.exe", u"Setup.EXE"});
    // ".exe" is compared case-sensitively: "Setup.EXE" names a database.
    EXPECT_EQ(parser.GetDatabasePath(), u"Setup.EXE");
    EXPECT_EQ(parser.GetAcceptedCount(), 4u); // the empty argument is skipped

    EXPECT_EQ(Parsed({u"tarnwick", u"a.twdb", u"b.exe"}).GetDatabasePath(), u"a.twdb");
}

TEST(CommandLineParser, AbsolutePathsNameDatabases) {
    const TWCommandLineParser parser = Parsed({u"tarnwick", u"/home/anna/Passwörter.twdb"});
    EXPECT_EQ(parser.GetDatabasePath(), u"/home/anna/Passwörter.twdb");
    EXPECT_FALSE(parser.IsFullDump());
}

TEST(CommandLineParser, FullDumpNeedsItsFirstNineCharacters) {
    EXPECT_TRUE(Parsed({u"tarnwick", u"-fulldump"}).IsFullDump());
    EXPECT_TRUE(Parsed({u"tarnwick", u"-fulldumpXYZ"}).IsFullDump());
    EXPECT_FALSE(Parsed({u"tarnwick", u"/-fulldump"}).IsFullDump());
    EXPECT_FALSE(Parsed({u"tarnwick", u"--fulldump"}).IsFullDump());
    EXPECT_FALSE(Parsed({u"tarnwick", u"-FULLDUMP"}).IsFullDump());
    EXPECT_FALSE(Parsed({u"tarnwick", u"-fulldum"}).IsFullDump());
    EXPECT_FALSE(Parsed({u"tarnwick", u"fulldump"}).IsFullDump());
}

TEST(CommandLineParser, UpdateFolderIsTheRestOfTheArgument) {
    const TWCommandLineParser parser = Parsed({u"tarnwick", u"-update:/home/anna/.cache/x/1700000000-AbC123"});
    EXPECT_TRUE(parser.IsUpdate());
    EXPECT_EQ(parser.GetUpdateFolder(), u"/home/anna/.cache/x/1700000000-AbC123");
    EXPECT_TRUE(parser.GetDatabasePath().empty());

    const TWCommandLineParser empty = Parsed({u"tarnwick", u"-update:"});
    EXPECT_TRUE(empty.IsUpdate());
    EXPECT_TRUE(empty.GetUpdateFolder().empty());

    EXPECT_FALSE(Parsed({u"tarnwick", u"-update"}).IsUpdate());
    EXPECT_FALSE(Parsed({u"tarnwick", u"--update:/x"}).IsUpdate());
}

TEST(CommandLineParser, SwitchesAndPathTogether) {
    const TWCommandLineParser parser =
        Parsed({u"tarnwick", u"-fulldump", u"/srv/a.twdb", u"-update:/tmp/u", u"-unbekannt"});
    EXPECT_TRUE(parser.IsFullDump());
    EXPECT_TRUE(parser.IsUpdate());
    EXPECT_EQ(parser.GetUpdateFolder(), u"/tmp/u");
    EXPECT_EQ(parser.GetDatabasePath(), u"/srv/a.twdb");
    EXPECT_EQ(parser.GetAcceptedCount(), 4u);
}

TEST(CommandLineParser, ArgvConstructorDecodesUtf8) {
    const char* argv[] = {"tarnwick", "K\xC3\xB6nten.twdb", nullptr};
    TWCommandLineParser parser(2, argv);
    parser.Parse();
    EXPECT_EQ(parser.GetDatabasePath(), u"Könten.twdb");

    TWCommandLineParser none(0, nullptr);
    none.Parse();
    EXPECT_EQ(none.GetAcceptedCount(), 0u);
}
