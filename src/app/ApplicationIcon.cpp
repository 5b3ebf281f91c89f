#include "app/ApplicationIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace Tarnwick::App {

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QLinearGradient tile(0, 0, 0, s);
    tile.setColorAt(0, QColor(0x3a, 0x78, 0xc8));
    tile.setColorAt(1, QColor(0x1d, 0x4a, 0x8c));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);

    // The key: a ring and a shaft with two bits.
    painter.setBrush(QColor(0xf4, 0xc4, 0x30));
    QPainterPath key;
    key.addEllipse(QPointF(s * 0.34, s * 0.5), s * 0.18, s * 0.18);
    key.addRect(QRectF(s * 0.45, s * 0.45, s * 0.42, s * 0.1));
    key.addRect(QRectF(s * 0.72, s * 0.55, s * 0.07, s * 0.13));
    key.addRect(QRectF(s * 0.82, s * 0.55, s * 0.05, s * 0.09));
    QPainterPath hole;
    hole.addEllipse(QPointF(s * 0.3, s * 0.5), s * 0.06, s * 0.06);
    painter.drawPath(key.subtracted(hole));
    return pixmap;
}

} // namespace

QIcon ApplicationIcon() {
    static const QIcon icon = [] {
        QIcon built;
        for (const int size : {16, 24, 32, 48, 64, 128}) {
            built.addPixmap(DrawIcon(size));
        }
        return built;
    }();
    return icon;
}

} // namespace Tarnwick::App
