#include "generator/QualityMeter.h"

#include <algorithm>
#include <cmath>

#include "base/exceptions/Exception.h"

namespace CryptoServiceProvider::PasswordMeter {

namespace {

constexpr Rgb Blend(const Rgb& a, const Rgb& b) noexcept {
    return Rgb{static_cast<std::uint8_t>((a.red + b.red) / 2),
               static_cast<std::uint8_t>((a.green + b.green) / 2),
               static_cast<std::uint8_t>((a.blue + b.blue) / 2)};
}

constexpr Rgb kRedFrom{0xFF, 0xBF, 0xBF};
constexpr Rgb kRedTo{0xFF, 0x8B, 0x8B};
constexpr Rgb kYellowFrom{0xFF, 0xFC, 0xBF};
constexpr Rgb kYellowTo{0xFF, 0xFA, 0x8B};
constexpr Rgb kGreenFrom{0xC4, 0xFA, 0xC7};
constexpr Rgb kGreenTo{0x16, 0xD9, 0x3A};

} // namespace

const std::array<std::pair<Rgb, Rgb>, QualityMeter::kSegmentCount> QualityMeter::kSegmentColours = {{
    {kRedFrom, kRedTo},
    {Blend(kRedFrom, kYellowFrom), Blend(kRedTo, kYellowTo)},
    {kYellowFrom, kYellowTo},
    {Blend(kYellowFrom, kGreenFrom), Blend(kYellowTo, kGreenTo)},
    {kGreenFrom, kGreenTo},
}};

QualityMeter::QualityMeter(int width, int lower, int upper)
    : m_width(std::max(width, 0)), m_lower(lower), m_upper(upper), m_segmentWidth(0), m_position(0) {
    if (upper <= lower) {
        throw Utilities::Exceptions::Exception(u"invalid range", u"QualityBar::Create");
    }
    // Twenty percent of the range, over the width inside the frame.
    const double segment = (20.0 - lower) / (static_cast<double>(upper) - lower) * (m_width - 2);
    m_segmentWidth =
        segment > 0.0 ? static_cast<int>(std::trunc(std::min(segment, static_cast<double>(m_width)))) : 0;
    for (int i = 0; i < kSegmentCount - 1; ++i) {
        m_edges[static_cast<std::size_t>(i)] = (i + 1) * m_segmentWidth;
    }
    m_edges[kSegmentCount - 1] = m_width - 1;
    m_position = std::clamp(0, m_lower, m_upper);
}

int QualityMeter::ScoreToPosition(int score, int lower, int upper) noexcept {
    // Signed division truncates towards zero.
    const long long percent = static_cast<long long>(score) * 100 / kFullScore;
    const int position = static_cast<int>(std::clamp<long long>(percent, 0, 100));
    return upper < lower ? position : std::clamp(position, lower, upper);
}

bool QualityMeter::SetScore(int score) noexcept {
    const int position = ScoreToPosition(score, m_lower, m_upper);
    if (position == m_position) {
        return false;
    }
    m_position = position;
    return true;
}

bool QualityMeter::UpdateFromPassword(const StringServiceProvider::SecureString& password) {
    return SetScore(m_analyser.Analyse(password));
}

int QualityMeter::GetFillEnd() const noexcept {
    return static_cast<int>(static_cast<long long>(m_position) * m_width / 100);
}

std::vector<QualitySegment> QualityMeter::GetFilledSegments() const {
    std::vector<QualitySegment> segments;
    const int fillEnd = std::min(GetFillEnd(), m_width - 1);
    for (int i = 0; i < kSegmentCount; ++i) {
        // A segment is drawn once the position reaches into its 20 percent.
        if (m_position <= i * 20) {
            break;
        }
        const int left = i == 0 ? 1 : m_edges[static_cast<std::size_t>(i - 1)];
        const int right = std::min(m_edges[static_cast<std::size_t>(i)], fillEnd);
        if (right > left) {
            const auto& colours = kSegmentColours[static_cast<std::size_t>(i)];
            segments.push_back(QualitySegment{left, right, colours.first, colours.second});
        }
    }
    return segments;
}

} // namespace CryptoServiceProvider::PasswordMeter
