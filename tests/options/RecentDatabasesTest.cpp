#include <gtest/gtest.h>

#include "options/Settings.h"

using ApplicationSettings::RecentDatabase;
using ApplicationSettings::RecentDatabases;

TEST(RecentDatabases, NewestFirstWithoutDuplicatesUpToTheMaximum) {
    RecentDatabases list;
    list.Add(u"/a.twdb", 0);
    EXPECT_TRUE(list.changed);
    list.Add(u"/b.twdb", 0);
    list.Add(u"/c.twdb", 0);
    EXPECT_EQ(list.items, (std::vector<RecentDatabase>{{u"/c.twdb", 0}, {u"/b.twdb", 0}, {u"/a.twdb", 0}}));

    // Already first: nothing at all changes, not even the flag.
    list.changed = false;
    list.Add(u"/c.twdb", 0);
    EXPECT_FALSE(list.changed);
    EXPECT_EQ(list.items.size(), 3u);

    // Elsewhere: moved to the front.
    list.Add(u"/a.twdb", 0);
    EXPECT_TRUE(list.changed);
    EXPECT_EQ(list.items, (std::vector<RecentDatabase>{{u"/a.twdb", 0}, {u"/c.twdb", 0}, {u"/b.twdb", 0}}));

    // The same path with another value and a path differing in case are other entries.
    list.Add(u"/c.twdb", 7);
    list.Add(u"/A.twdb", 0);
    EXPECT_EQ(list.items,
              (std::vector<RecentDatabase>{
                  {u"/A.twdb", 0}, {u"/c.twdb", 7}, {u"/a.twdb", 0}, {u"/c.twdb", 0}, {u"/b.twdb", 0}}));

    // The oldest goes when the list is full.
    list.Add(u"/d.twdb", 0);
    EXPECT_EQ(list.items.size(), 5u);
    EXPECT_EQ(list.items.front(), (RecentDatabase{u"/d.twdb", 0}));
    EXPECT_EQ(list.items.back(), (RecentDatabase{u"/c.twdb", 0}));

    list.maxCount = 2;
    list.Add(u"/e.twdb", 0);
    EXPECT_EQ(list.items, (std::vector<RecentDatabase>{{u"/e.twdb", 0}, {u"/d.twdb", 0}}));
    list.maxCount = -1;
    list.Add(u"/f.twdb", 0);
    EXPECT_TRUE(list.items.empty());
}
