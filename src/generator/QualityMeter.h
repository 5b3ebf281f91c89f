#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "crypto/SecureString.h"
#include "generator/QualityAnalyser.h"

namespace CryptoServiceProvider::PasswordMeter {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// One filled piece of the bar: client x from left (inclusive) to right (exclusive), shaded
// from one colour to the other.
struct QualitySegment {
    int left = 0;
    int right = 0;
    Rgb from;
    Rgb to;
    friend bool operator==(const QualitySegment&, const QualitySegment&) = default;
};

// The state and geometry of the strength bar, without the window: five segments of equal
// width, one per 20 percent, inside a one-pixel frame. The widget draws what this computes.
class QualityMeter {
public:
    static constexpr int kHeight = 13;
    static constexpr int kSegmentCount = 5;
    // A score of this many bits or more fills the bar.
    static constexpr int kFullScore = 128;

    static constexpr Rgb kBorderFrom{0xB2, 0xB2, 0xB2};
    static constexpr Rgb kBorderTo{0x8C, 0x8C, 0x8C};
    static constexpr Rgb kTrackFrom{0xF4, 0xF4, 0xF4};
    static constexpr Rgb kTrackTo{0xDC, 0xDC, 0xDC};
    // Red, red to yellow, yellow, yellow to green, green.
    static const std::array<std::pair<Rgb, Rgb>, kSegmentCount> kSegmentColours;

    // width is the width of the bar's rectangle; upper must be above lower.
    explicit QualityMeter(int width, int lower = 0, int upper = 100);

    int GetWidth() const noexcept { return m_width; }
    int GetLowerBound() const noexcept { return m_lower; }
    int GetUpperBound() const noexcept { return m_upper; }
    int GetSegmentWidth() const noexcept { return m_segmentWidth; }
    // Right edges of the five segments: 1 to 4 segment widths, then width - 1.
    const std::array<int, kSegmentCount>& GetEdges() const noexcept { return m_edges; }
    int GetPosition() const noexcept { return m_position; }

    // Percent for a score (score * 100 / 128, within 0 to 100 and the bounds). Whether the
    // position changed; the widget then stops its timer and redraws.
    bool SetScore(int score) noexcept;
    // Analyses the password and shows its score.
    bool UpdateFromPassword(const StringServiceProvider::SecureString& password);

    // x where the filled part ends: position * width / 100.
    int GetFillEnd() const noexcept;
    // The segments the position reaches into, each cut at the fill end; the last one ends
    // at the right edge.
    std::vector<QualitySegment> GetFilledSegments() const;

    static int ScoreToPosition(int score, int lower = 0, int upper = 100) noexcept;

private:
    int m_width;
    int m_lower;
    int m_upper;
    int m_segmentWidth;
    std::array<int, kSegmentCount> m_edges{};
    int m_position;
    QualityAnalyser m_analyser;
};

} // namespace CryptoServiceProvider::PasswordMeter
