#include <gtest/gtest.h>

#include "app/login/RecentDatabaseList.h"

using namespace Tarnwick::UI;

TEST(RecentDatabaseList, ButtonTextsAreNumberedUpToTen) {
    EXPECT_EQ(RecentButtonText(0, u"/home/anna/Konten.twdb"), u"&1 Konten.twdb");
    EXPECT_EQ(RecentButtonText(8, u"/srv/x/Neun.twdb"), u"&9 Neun.twdb");
    EXPECT_EQ(RecentButtonText(9, u"/srv/Zehn.twdb"), u"1&0 Zehn.twdb");
    EXPECT_EQ(RecentButtonText(10, u"/srv/Elf.twdb"), u"Elf.twdb");
    // Without a separator the whole text; the older separator counts too.
    EXPECT_EQ(RecentButtonText(1, u"Lokal.twdb"), u"&2 Lokal.twdb");
    EXPECT_EQ(RecentButtonText(2, u"C:\\Daten\\Alt.twdb"), u"&3 Alt.twdb");
    // A name with a percent sign is not a format.
    EXPECT_EQ(RecentButtonText(3, u"/x/100%s.twdb"), u"&4 100%s.twdb");
}

TEST(RecentDatabaseList, OnlyTheFirstFiveOpen) {
    ApplicationSettings::RecentDatabases list;
    list.maxCount = 10;
    for (int i = 0; i < 7; ++i) {
        list.items.push_back({u"/db/" + std::u16string(1, static_cast<char16_t>(u'a' + i)), 0});
    }
    EXPECT_EQ(RecentCommand(0), 57616);
    EXPECT_EQ(RecentCommand(4), 57620);
    ASSERT_NE(RecentForCommand(list, 57616), nullptr);
    EXPECT_EQ(RecentForCommand(list, 57616)->path, u"/db/a");
    EXPECT_EQ(RecentForCommand(list, 57620)->path, u"/db/e");
    EXPECT_EQ(RecentForCommand(list, 57621), nullptr);
    EXPECT_EQ(RecentForCommand(list, 57615), nullptr);
    list.items.resize(2);
    EXPECT_EQ(RecentForCommand(list, 57618), nullptr);
}

TEST(RecentDatabaseList, AddingKeepsTheOrder) {
    ApplicationSettings::RecentDatabases list;
    for (const char16_t* path : {u"/1", u"/2", u"/3", u"/4", u"/5"}) {
        list.Add(path, 0);
    }
    EXPECT_EQ(list.items.front().path, u"/5");
    list.changed = false;
    list.Add(u"/5", 0); // already first
    EXPECT_FALSE(list.changed);
    list.Add(u"/3", 0); // third moves to the front
    EXPECT_EQ(list.items[0].path, u"/3");
    EXPECT_EQ(list.items[1].path, u"/5");
    EXPECT_EQ(list.items.size(), 5u);
    list.Add(u"/6", 0); // the oldest goes
    EXPECT_EQ(list.items.size(), 5u);
    EXPECT_EQ(list.items.back().path, u"/2");
}
