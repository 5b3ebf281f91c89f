#include "app/mainframe/CommandIcons.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

#include "app/mainframe/CommandIds.h"
#include "app/views/ViewImages.h"

namespace Tarnwick::MainFrame {

using namespace Commands;

namespace {

using Painter = void (*)(QPainter&);

QIcon Drawn(Painter paint) {
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 32.0, size / 32.0);
        paint(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void Padlock(QPainter& p, bool closed) {
    p.setPen(QPen(QColor(0x6b, 0x6b, 0x70), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    if (closed) {
        shackle.moveTo(10, 15);
        shackle.lineTo(10, 10);
        shackle.arcTo(QRectF(10, 3, 12, 14), 180, -180);
        shackle.lineTo(22, 15);
    } else {
        // Lifted and swung open on its left leg.
        shackle.moveTo(10, 15);
        shackle.lineTo(10, 6);
        shackle.arcTo(QRectF(10, -1, 12, 14), 180, -180);
        shackle.lineTo(22, 8);
    }
    p.drawPath(shackle);
    QLinearGradient body(0, 14, 0, 30);
    body.setColorAt(0, QColor(0xf2, 0xc4, 0x4a));
    body.setColorAt(1, QColor(0xc8, 0x8a, 0x12));
    p.setPen(QPen(QColor(0x8a, 0x5c, 0x08), 1.2));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(6, 14, 20, 16), 3, 3);
    p.setBrush(QColor(0x5a, 0x3c, 0x05));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(14, 18.5, 4, 4));
    p.drawRect(QRectF(15.2, 21, 1.6, 5));
}

void Key(QPainter& p) {
    const QColor gold(0xd0, 0xa0, 0x2c);
    p.setPen(QPen(gold.darker(150), 1.4));
    p.setBrush(gold);
    p.drawEllipse(QRectF(3, 9, 14, 14));
    p.drawRect(QRectF(15, 14, 14, 4));
    p.drawRect(QRectF(23, 18, 3, 5));
    p.drawRect(QRectF(19, 18, 2.5, 4));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(6.5, 12.5, 5, 5));
}

void KeyPlus(QPainter& p) {
    Key(p);
    p.setPen(QPen(QColor(0x2a, 0x8a, 0x2a), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(24, 2.5), QPointF(24, 11.5));
    p.drawLine(QPointF(19.5, 7), QPointF(28.5, 7));
}

void Sheets(QPainter& p, const QColor& accent) {
    p.setPen(QPen(QColor(0x70, 0x78, 0x88), 1.3));
    p.setBrush(QColor(0xf4, 0xf6, 0xfa));
    p.drawRect(QRectF(4, 3, 16, 20));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(12, 9, 16, 20));
    p.setPen(QPen(accent, 2));
    for (int y = 14; y <= 24; y += 5) {
        p.drawLine(QPointF(15, y), QPointF(25, y));
    }
}

void Copy(QPainter& p) { Sheets(p, QColor(0x3a, 0x6e, 0xc0)); }

void CopySecret(QPainter& p) {
    Sheets(p, QColor(0xc0, 0x8a, 0x20));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0x30, 0x30));
    for (int x = 15; x <= 24; x += 4) {
        p.drawEllipse(QRectF(x, 17.5, 3, 3));
    }
}

void Eye(QPainter& p) {
    QPainterPath lid;
    lid.moveTo(2, 16);
    lid.quadTo(16, 2, 30, 16);
    lid.quadTo(16, 30, 2, 16);
    p.setPen(QPen(QColor(0x33, 0x55, 0x88), 1.8));
    p.setBrush(Qt::white);
    p.drawPath(lid);
    p.setBrush(QColor(0x3a, 0x78, 0xc8));
    p.drawEllipse(QRectF(10, 10, 12, 12));
    p.setBrush(Qt::black);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(13.5, 13.5, 5, 5));
}

void ToTray(QPainter& p) {
    p.setPen(QPen(QColor(0x4a, 0x5a, 0x70), 1.4));
    p.setBrush(QColor(0xf4, 0xf7, 0xfb));
    p.drawRect(QRectF(3, 3, 22, 16));
    p.setBrush(QColor(0x3f, 0x7c, 0xd0));
    p.drawRect(QRectF(3, 3, 22, 4));
    p.setBrush(QColor(0x9a, 0xa6, 0xb6));
    p.drawRect(QRectF(1.5, 25, 29, 5));
    p.setPen(QPen(QColor(0x2a, 0x8a, 0x2a), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(24, 12), QPointF(24, 23));
    p.drawLine(QPointF(20.5, 19.5), QPointF(24, 23));
    p.drawLine(QPointF(27.5, 19.5), QPointF(24, 23));
}

void Palette(QPainter& p) {
    const QColor colours[] = {QColor(0x4a, 0x7e, 0xc8), QColor(0xb8, 0xbc, 0xc4), QColor(0x30, 0x30, 0x34),
                              QColor(0x3c, 0xb0, 0xc8)};
    for (int i = 0; i < 4; ++i) {
        p.setPen(QPen(colours[i].darker(140), 1));
        p.setBrush(colours[i]);
        p.drawRoundedRect(QRectF(3 + (i % 2) * 14, 3 + (i / 2) * 14, 12, 12), 2, 2);
    }
}

void Shield(QPainter& p) {
    QPainterPath shield;
    shield.moveTo(16, 1.5);
    shield.lineTo(29, 6);
    shield.cubicTo(29, 19, 23, 26, 16, 30.5);
    shield.cubicTo(9, 26, 3, 19, 3, 6);
    shield.closeSubpath();
    QLinearGradient fill(0, 0, 0, 32);
    fill.setColorAt(0, QColor(0x3f, 0x7c, 0xd0));
    fill.setColorAt(1, QColor(0x1b, 0x3f, 0x80));
    p.setPen(QPen(QColor(0x12, 0x2c, 0x5c), 1.2));
    p.setBrush(fill);
    p.drawPath(shield);
    p.save();
    p.translate(6, 7);
    p.scale(0.62, 0.62);
    Padlock(p, true);
    p.restore();
}

QIcon Standard(QStyle::StandardPixmap which) {
    QStyle* style = QApplication::style();
    return style != nullptr ? style->standardIcon(which) : QIcon();
}

} // namespace

QIcon LockIcon(bool locked) {
    static const QIcon open = Drawn([](QPainter& p) { Padlock(p, false); });
    static const QIcon closed = Drawn([](QPainter& p) { Padlock(p, true); });
    return locked ? closed : open;
}

QIcon ApplicationIcon() {
    static const QIcon icon = Drawn(Shield);
    return icon;
}

QIcon CommandIcon(int id) {
    static QHash<int, QIcon> cache;
    const auto cached = cache.constFind(id);
    if (cached != cache.constEnd()) {
        return *cached;
    }
    QIcon icon;
    switch (id) {
    case ID_DATABASE_NEW:
        icon = Standard(QStyle::SP_FileIcon);
        break;
    case ID_DATABASE_OPEN:
    case ID_TRAY_OPEN_DATABASE:
        icon = Standard(QStyle::SP_DialogOpenButton);
        break;
    case ID_DATABASE_REORGANIZE:
        icon = Standard(QStyle::SP_BrowserReload);
        break;
    case ID_DATABASE_CHANGE_PASSWORD:
        icon = Drawn(Key);
        break;
    case ID_DATABASE_PROPERTIES:
    case ID_STATUS_DATABASE_PROPERTIES:
    case ID_PASSWORD_PROPERTIES:
        icon = Standard(QStyle::SP_FileDialogInfoView);
        break;
    case ID_DATABASE_LOGOFF:
    case ID_TRAY_LOGOFF:
        icon = Standard(QStyle::SP_DialogCloseButton);
        break;
    case ID_DATABASE_DELETE:
    case ID_PASSWORD_DELETE:
    case ID_FOLDER_DELETE:
        icon = Standard(QStyle::SP_TrashIcon);
        break;
    case ID_DATABASE_EXPORT:
        icon = Standard(QStyle::SP_ArrowRight);
        break;
    case ID_DATABASE_IMPORT:
    case ID_DATABASE_IMPORT_EXTERNAL:
        icon = Standard(QStyle::SP_ArrowLeft);
        break;
    case ID_DATABASE_BACKUP:
        icon = Standard(QStyle::SP_DialogSaveButton);
        break;
    case ID_OPTIONS:
        icon = Standard(QStyle::SP_FileDialogDetailedView);
        break;
    case ID_WORKSPACE_LOCK:
        icon = LockIcon(false);
        break;
    case ID_HELP_MANUAL:
        icon = Standard(QStyle::SP_DialogHelpButton);
        break;
    case ID_UPDATES:
        icon = Standard(QStyle::SP_ArrowDown);
        break;
    case ID_MINIMIZE_TO_TRAY:
        icon = Drawn(ToTray);
        break;
    case ID_SELECT_ALL:
        icon = Standard(QStyle::SP_FileDialogListView);
        break;
    case ID_SUPPORT:
        icon = Standard(QStyle::SP_MessageBoxQuestion);
        break;
    case ID_FEEDBACK:
    case ID_APP_ABOUT:
        icon = Standard(QStyle::SP_MessageBoxInformation);
        break;
    case ID_WEBSITE:
        icon = Standard(QStyle::SP_DriveNetIcon);
        break;
    case ID_PRINT:
    case ID_PRINT_PREVIEW:
        icon = Standard(QStyle::SP_FileDialogContentsView);
        break;
    case ID_PASSWORD_NEW:
        icon = Drawn(KeyPlus);
        break;
    case ID_PASSWORD_EDIT:
    case ID_COMMENT_EDIT:
    case ID_FIELD_EDIT:
    case ID_FOLDER_RENAME:
        icon = Standard(QStyle::SP_FileDialogDetailedView);
        break;
    case ID_PASSWORD_DUPLICATE:
        icon = Standard(QStyle::SP_FileLinkIcon);
        break;
    case ID_COPY_USERNAME:
    case ID_COPY_URL:
    case ID_COPY_EMAIL:
    case ID_COPY_DESCRIPTION:
    case ID_COPY_COMMENT:
    case ID_COMMENT_COPY:
    case ID_FIELD_COPY_NAME:
    case ID_FIELD_COPY_VALUE:
    case ID_HISTORY_COPY_DATE:
        icon = Drawn(Copy);
        break;
    case ID_COPY_PASSWORD:
    case ID_HISTORY_COPY_PASSWORD:
        icon = Drawn(CopySecret);
        break;
    case ID_CLEAR_CLIPBOARD:
    case ID_STATUS_CLEAR_CLIPBOARD:
        icon = Standard(QStyle::SP_DialogDiscardButton);
        break;
    case ID_SHOW_PASSWORDS:
    case ID_HIDE_PASSWORDS:
    case ID_TOGGLE_PASSWORDS:
    case ID_HISTORY_MASK:
        icon = Drawn(Eye);
        break;
    case ID_SEARCH:
        icon = Standard(QStyle::SP_FileDialogContentsView);
        break;
    case ID_RUN_URL:
        icon = Standard(QStyle::SP_MediaPlay);
        break;
    case ID_CLEAR_FIELDS:
    case ID_RESET_HISTORY:
        icon = Standard(QStyle::SP_DialogResetButton);
        break;
    case ID_PASSWORD_GENERATOR:
        icon = Drawn(Key);
        break;
    case ID_FOLDER_NEW:
        icon = Standard(QStyle::SP_FileDialogNewFolder);
        break;
    case ID_FOLDER_SORT:
        icon = Standard(QStyle::SP_ArrowUp);
        break;
    case ID_STYLE_BLUE:
    case ID_STYLE_SILVER:
    case ID_STYLE_BLACK:
    case ID_STYLE_AQUA:
        icon = Drawn(Palette);
        break;
    case ID_APP_EXIT:
    case ID_TRAY_EXIT:
        icon = Standard(QStyle::SP_DialogCloseButton);
        break;
    case ID_TRAY_RESTORE:
        icon = ApplicationIcon();
        break;
    default:
        if (id >= ID_RECENT_DATABASE_FIRST && id <= ID_RECENT_DATABASE_LAST) {
            icon = Standard(QStyle::SP_FileIcon);
        }
        break;
    }
    cache.insert(id, icon);
    return icon;
}

} // namespace Tarnwick::MainFrame
