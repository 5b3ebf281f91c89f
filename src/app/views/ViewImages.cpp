#include "app/views/ViewImages.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

namespace Tarnwick::Views {

namespace {

constexpr int kSize = 16;

QPixmap Canvas() {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QIcon Badge(const QColor& fill, int mark) {
    QPixmap pixmap = Canvas();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(fill.darker(150), 1));
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (mark) {
    case 1: { // tick
        QPainterPath path;
        path.moveTo(4.5, 8.5);
        path.lineTo(7, 11);
        path.lineTo(11.5, 5.5);
        painter.drawPath(path);
        break;
    }
    case 2: // clock hands
        painter.drawLine(QPointF(8, 8), QPointF(8, 4.5));
        painter.drawLine(QPointF(8, 8), QPointF(10.5, 9.5));
        break;
    default: // cross
        painter.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
        painter.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
        break;
    }
    return QIcon(pixmap);
}

QIcon StandardIcon(QStyle::StandardPixmap which) {
    QStyle* style = QApplication::style();
    return style != nullptr ? style->standardIcon(which) : QIcon();
}

} // namespace

QIcon ExpiryIcon(int image) {
    static const QIcon valid = Badge(QColor(0x3a, 0x9a, 0x3a), 1);
    static const QIcon soon = Badge(QColor(0xe0, 0x9a, 0x10), 2);
    static const QIcon expired = Badge(QColor(0xc8, 0x2a, 0x2a), 3);
    switch (image) {
    case 1:
        return valid;
    case 2:
        return soon;
    case 3:
        return expired;
    default:
        return QIcon();
    }
}

QIcon FolderIcon() { return StandardIcon(QStyle::SP_DirIcon); }

QIcon RootIcon() { return StandardIcon(QStyle::SP_DriveHDIcon); }

QIcon EntryIcon() {
    static const QIcon icon = [] {
        QPixmap pixmap = Canvas();
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor gold(0xc9, 0x9a, 0x2e);
        painter.setPen(QPen(gold.darker(140), 1));
        painter.setBrush(gold);
        painter.drawEllipse(QRectF(1.5, 4.5, 7, 7));
        painter.drawRect(QRectF(8, 7, 7, 2));
        painter.drawRect(QRectF(12, 9, 2, 3));
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRectF(3.5, 6.5, 3, 3));
        return QIcon(pixmap);
    }();
    return icon;
}

QIcon SymbolIcon(std::u16string_view symbol) {
    if (symbol.empty()) {
        return QIcon();
    }
    QString file = QString::fromUtf16(symbol.data(), static_cast<qsizetype>(symbol.size()));
    const qsizetype comma = file.lastIndexOf(QLatin1Char(','));
    if (comma > 0) {
        bool number = false;
        file.mid(comma + 1).trimmed().toInt(&number);
        if (number) {
            file.truncate(comma);
        }
    }
    static QHash<QString, QIcon> cache;
    const auto cached = cache.constFind(file);
    if (cached != cache.constEnd()) {
        return *cached;
    }
    QIcon icon;
    if (QFileInfo(file).isFile()) {
        QImageReader reader(file);
        reader.setScaledSize(QSize(kSize, kSize));
        const QImage image = reader.read();
        if (!image.isNull()) {
            icon = QIcon(QPixmap::fromImage(image));
        }
    }
    cache.insert(file, icon);
    return icon;
}

} // namespace Tarnwick::Views
