#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "base/text/CaseFolding.h"
#include "model/Sorters.h"
#include "support/ClockOverride.h"

using namespace Tarnwick::PasswordADT;
using TestSupport::ClockOverride;

namespace {

Category FolderWith(const std::vector<std::u16string>& descriptions) {
    ClockOverride clock(1000);
    Category folder(0, Category::kNoParent, u"Ordner");
    for (const auto& d : descriptions) {
        auto item = std::make_shared<PasswordItem>();
        item->SetDescription(d);
        folder.Entries().push_back(item);
    }
    return folder;
}

std::vector<std::u16string> Sorted(const Category& folder, int direction) {
    std::vector<std::size_t> positions(folder.Entries().size());
    std::iota(positions.begin(), positions.end(), 0);
    StringSorter sorter(folder, positions);
    EXPECT_TRUE(sorter.Sort(direction));
    std::vector<std::u16string> out;
    for (auto p : positions) {
        out.push_back(folder.Entries()[p]->GetDescription().ToStdString());
    }
    return out;
}

} // namespace

TEST(StringSorter, CaseInsensitiveWithEmptyLast) {
    const Category folder = FolderWith({u"banane", u"", u"Äpfel", u"apfel", u"Zitrone", u"", u"Birne"});
    const auto up = Sorted(folder, 0);
    ASSERT_EQ(up.size(), 7u);
    EXPECT_EQ(up[0], u"apfel");
    EXPECT_EQ(up[1], u"banane");
    EXPECT_EQ(up[2], u"Birne");
    EXPECT_EQ(up[3], u"Zitrone");
    EXPECT_EQ(up[4], u"Äpfel"); // by code unit after lower-casing: ä (0xE4) after z
    EXPECT_EQ(up[5], u"");
    EXPECT_EQ(up[6], u"");
    // The folder's own order is untouched.
    EXPECT_EQ(folder.Entries()[0]->GetDescription().View(), u"banane");
}

TEST(StringSorter, DescendingReversesDistinctKeys) {
    std::vector<std::u16string> names;
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        names.push_back(u"n" + std::u16string(1, char16_t(u'a' + i % 26)) + std::u16string(1, char16_t(u'A' + i / 26)) +
                        u"x");
    }
    std::shuffle(names.begin(), names.end(), random);
    const Category folder = FolderWith(names);
    auto up = Sorted(folder, 0);
    auto down = Sorted(folder, 1);
    std::reverse(down.begin(), down.end());
    EXPECT_EQ(up, down);
    for (std::size_t i = 1; i < up.size(); ++i) {
        EXPECT_LE(Tarnwick::Text::CompareNoCase(up[i - 1], up[i], up[i - 1].size()), 0);
    }
}

TEST(StringSorter, EmptyAndSingle) {
    EXPECT_TRUE(Sorted(FolderWith({}), 0).empty());
    EXPECT_EQ(Sorted(FolderWith({u"eins"}), 1), std::vector<std::u16string>{u"eins"});
}

TEST(TimestampSorter, EachTimeSelector) {
    ClockOverride clock(1000);
    Category folder(0, Category::kNoParent, u"Ordner");
    for (std::int64_t t : {30, -10, 20, 10}) {
        auto item = std::make_shared<PasswordItem>();
        item->SetCreationTime(t);
        item->SetModificationTime(-t);
        item->SetPasswordChangeTime(t * 2);
        item->SetExpiry(100 - t);
        folder.Entries().push_back(item);
    }
    const auto order = [&](int selector, int direction) {
        std::vector<std::size_t> positions{0, 1, 2, 3};
        TimestampSorter sorter(folder, positions);
        EXPECT_TRUE(sorter.Sort(direction, selector));
        return positions;
    };
    EXPECT_EQ(order(0, 0), (std::vector<std::size_t>{1, 3, 2, 0}));
    EXPECT_EQ(order(0, 1), (std::vector<std::size_t>{0, 2, 3, 1}));
    EXPECT_EQ(order(1, 0), (std::vector<std::size_t>{0, 2, 3, 1}));
    EXPECT_EQ(order(2, 0), (std::vector<std::size_t>{1, 3, 2, 0}));
    EXPECT_EQ(order(3, 0), (std::vector<std::size_t>{0, 2, 3, 1}));
    std::vector<std::size_t> positions{0, 1};
    ISorterBase base(folder, positions);
    EXPECT_FALSE(base.Sort(0));
}

TEST(CPasswordADTUtil, ExistsAndCopyNames) {
    Category folder = FolderWith({u"Bank", u"Bank - Kopie", u"Bank - Kopie (1)", u"Post"});
    std::size_t position = 99;
    EXPECT_TRUE(CPasswordADTUtil::PasswordExists(*folder.Entries()[3], folder, position));
    EXPECT_EQ(position, 3u);
    EXPECT_FALSE(CPasswordADTUtil::DescriptionExists(u"bank", folder, position));
    EXPECT_EQ(CPasswordADTUtil::CopyName(u"Bank", folder).View(), u"Bank - Kopie (2)");
    EXPECT_EQ(CPasswordADTUtil::CopyName(u"Post", folder).View(), u"Post - Kopie");
    EXPECT_EQ(CPasswordADTUtil::CopyName(u"", folder).View(), u"Unbenannt - Kopie");
}
