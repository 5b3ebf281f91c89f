#include "generator/ui/QualityBar.h"

#include <algorithm>

#include <QLinearGradient>
#include <QPainter>

namespace CryptoServiceProvider::PasswordMeter {

namespace {

QColor ToColour(const Rgb& rgb) {
    return QColor(rgb.red, rgb.green, rgb.blue);
}

QLinearGradient Vertical(const QRect& rect, const Rgb& from, const Rgb& to) {
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0.0, ToColour(from));
    gradient.setColorAt(1.0, ToColour(to));
    return gradient;
}

} // namespace

QualityBar::QualityBar(QWidget* parent) : PasswordIndicator(parent), m_meter(0) {
    setObjectName(QStringLiteral("twQualityBar"));
    setAccessibleName(QStringLiteral("twQualityBar"));
    setFixedHeight(QualityMeter::kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Rebuild(0, 100);
}

QSize QualityBar::sizeHint() const {
    return QSize(200, QualityMeter::kHeight);
}

QSize QualityBar::minimumSizeHint() const {
    return QSize(12, QualityMeter::kHeight);
}

void QualityBar::Rebuild(int lower, int upper) const {
    // The segment edges depend on the width, so the geometry is made again for a new size.
    QualityMeter meter(width(), lower, upper);
    meter.SetScore(m_score);
    m_meter = meter;
}

const QualityMeter& QualityBar::GetMeter() const {
    if (m_meter.GetWidth() != std::max(width(), 0)) {
        Rebuild(m_meter.GetLowerBound(), m_meter.GetUpperBound());
    }
    return m_meter;
}

void QualityBar::SetBounds(int lower, int upper) {
    Rebuild(lower, upper);
    update();
}

void QualityBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    GetMeter();
}

void QualityBar::SetScore(int score) {
    m_score = score;
    if (m_meter.SetScore(score)) {
        repaint();
    }
}

void QualityBar::UpdateFromPassword(const StringServiceProvider::SecureString& password) {
    SetScore(m_analyser.Analyse(password));
}

void QualityBar::paintEvent(QPaintEvent*) {
    // The widget's backing store already buffers off screen, so nothing flickers.
    QPainter painter(this);
    const QRect all = rect();
    painter.fillRect(all, palette().color(QPalette::Button));
    if (all.width() < 3 || all.height() < 3) {
        return;
    }
    const QRect inside = all.adjusted(1, 1, -1, -1);
    painter.fillRect(inside, Vertical(inside, QualityMeter::kTrackFrom, QualityMeter::kTrackTo));

    for (const QualitySegment& segment : GetMeter().GetFilledSegments()) {
        const QRect area(segment.left, inside.top(), segment.right - segment.left, inside.height());
        painter.fillRect(area, Vertical(area, segment.from, segment.to));
    }

    painter.setPen(QPen(QBrush(Vertical(all, QualityMeter::kBorderFrom, QualityMeter::kBorderTo)), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(all.adjusted(0, 0, -1, -1));
}

} // namespace CryptoServiceProvider::PasswordMeter
