#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "generator/QualityMeter.h"
#include "base/exceptions/Exception.h"

using namespace CryptoServiceProvider::PasswordMeter;
using StringServiceProvider::SecureString;

namespace {

std::vector<std::pair<int, int>> Spans(const QualityMeter& meter) {
    std::vector<std::pair<int, int>> spans;
    for (const auto& segment : meter.GetFilledSegments()) {
        spans.emplace_back(segment.left, segment.right);
    }
    return spans;
}

} // namespace

TEST(QualityMeter, ScoreToPercent) {
    EXPECT_EQ(QualityMeter::ScoreToPosition(0), 0);
    EXPECT_EQ(QualityMeter::ScoreToPosition(9), 7);
    EXPECT_EQ(QualityMeter::ScoreToPosition(14), 10);
    EXPECT_EQ(QualityMeter::ScoreToPosition(96), 75);
    EXPECT_EQ(QualityMeter::ScoreToPosition(127), 99);
    EXPECT_EQ(QualityMeter::ScoreToPosition(128), 100);
    EXPECT_EQ(QualityMeter::ScoreToPosition(5000), 100);
    EXPECT_EQ(QualityMeter::ScoreToPosition(INT_MAX), 100);
    EXPECT_EQ(QualityMeter::ScoreToPosition(-200), 0);
    EXPECT_EQ(QualityMeter::ScoreToPosition(0, 10, 90), 10);
    EXPECT_EQ(QualityMeter::ScoreToPosition(128, 10, 90), 90);
    EXPECT_EQ(QualityMeter::ScoreToPosition(64, 10, 90), 50);
}

TEST(QualityMeter, PositionChangesAreReported) {
    QualityMeter meter(202);
    EXPECT_EQ(meter.GetPosition(), 0);
    EXPECT_FALSE(meter.SetScore(0));
    EXPECT_TRUE(meter.SetScore(9));
    EXPECT_EQ(meter.GetPosition(), 7);
    EXPECT_FALSE(meter.SetScore(10)); // still 7 percent
    EXPECT_TRUE(meter.UpdateFromPassword(SecureString(std::u16string_view(u"Y6BzUZKCixgc1Fnq"))));
    EXPECT_EQ(meter.GetPosition(), 75);
    EXPECT_TRUE(meter.UpdateFromPassword(SecureString()));
    EXPECT_EQ(meter.GetPosition(), 0);
    EXPECT_TRUE(meter.GetFilledSegments().empty());
}

TEST(QualityMeter, SegmentEdges) {
    EXPECT_EQ(QualityMeter::kHeight, 13);
    const QualityMeter wide(202);
    EXPECT_EQ(wide.GetSegmentWidth(), 40);
    EXPECT_EQ(wide.GetEdges(), (std::array<int, 5>{40, 80, 120, 160, 201}));
    const QualityMeter narrow(100); // 0.2 x 98 = 19.6
    EXPECT_EQ(narrow.GetSegmentWidth(), 19);
    EXPECT_EQ(narrow.GetEdges(), (std::array<int, 5>{19, 38, 57, 76, 99}));
    const QualityMeter ranged(202, 10, 60); // 10/50 of 200
    EXPECT_EQ(ranged.GetSegmentWidth(), 40);
    EXPECT_EQ(ranged.GetPosition(), 10);

    auto error = [](const std::function<void()>& action) -> std::u16string {
        try {
            action();
        } catch (const Utilities::Exceptions::Exception& e) {
            return e.GetMessage().ToStdString();
        }
        return u"";
    };
    EXPECT_EQ(error([] { QualityMeter(100, 50, 50); }), u"invalid range");
    EXPECT_EQ(error([] { QualityMeter(100, 60, 50); }), u"invalid range");
}

TEST(QualityMeter, FilledSegmentsFollowThePosition) {
    QualityMeter meter(202);
    meter.SetScore(9); // 7 percent: fill ends at 14
    EXPECT_EQ(meter.GetFillEnd(), 14);
    EXPECT_EQ(Spans(meter), (std::vector<std::pair<int, int>>{{1, 14}}));

    meter.SetScore(26); // 20 percent fills the first segment only
    EXPECT_EQ(Spans(meter), (std::vector<std::pair<int, int>>{{1, 40}}));
    meter.SetScore(27); // 21 percent reaches into the second
    EXPECT_EQ(Spans(meter), (std::vector<std::pair<int, int>>{{1, 40}, {40, 42}}));

    meter.SetScore(96);
    EXPECT_EQ(Spans(meter), (std::vector<std::pair<int, int>>{{1, 40}, {40, 80}, {80, 120}, {120, 151}}));

    meter.SetScore(128); // the last segment ends at the right edge, inside the frame
    const auto full = meter.GetFilledSegments();
    EXPECT_EQ(Spans(meter),
              (std::vector<std::pair<int, int>>{{1, 40}, {40, 80}, {80, 120}, {120, 160}, {160, 201}}));
    ASSERT_EQ(full.size(), 5u);
    EXPECT_EQ(full[0].from, (Rgb{0xFF, 0xBF, 0xBF}));
    EXPECT_EQ(full[0].to, (Rgb{0xFF, 0x8B, 0x8B}));
    EXPECT_EQ(full[2].from, (Rgb{0xFF, 0xFC, 0xBF}));
    EXPECT_EQ(full[2].to, (Rgb{0xFF, 0xFA, 0x8B}));
    EXPECT_EQ(full[4].from, (Rgb{0xC4, 0xFA, 0xC7}));
    EXPECT_EQ(full[4].to, (Rgb{0x16, 0xD9, 0x3A}));
    // The blends lie between their neighbours.
    EXPECT_EQ(full[1].from, (Rgb{0xFF, 0xDD, 0xBF}));
    EXPECT_EQ(full[3].to, (Rgb{0x8A, 0xE9, 0x62}));

    // Too narrow to show anything, and nothing breaks.
    QualityMeter tiny(1);
    tiny.SetScore(128);
    EXPECT_TRUE(tiny.GetFilledSegments().empty());
    QualityMeter odd(7);
    odd.SetScore(128);
    // One-pixel segments: the first is covered by the frame.
    EXPECT_EQ(Spans(odd), (std::vector<std::pair<int, int>>{{1, 2}, {2, 3}, {3, 4}, {4, 6}}));
}
