#include "app/views/PasswordCellDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QString>

#include "app/views/PasswordListModel.h"
#include "crypto/String.h"

namespace Tarnwick::Views {

PasswordCellDelegate::PasswordCellDelegate(const PasswordListModel& model, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model) {}

void PasswordCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (!m_model.ShowsPasswordAt(index)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The cell without text: background, selection and focus as the style draws them.
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    cell.text.clear();
    const QWidget* widget = cell.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

    StringServiceProvider::PlainString plain;
    if (!m_model.RevealPasswordAt(index, plain) || plain.Length() == 0) {
        return;
    }
    // Refers to the plain copy's own buffer; QPainter::drawText at a point neither changes
    // nor copies the text (no mnemonics, tabs or elision on this path).
    const QString text = QString::fromRawData(reinterpret_cast<const QChar*>(plain.Data()),
                                              static_cast<qsizetype>(plain.Length()));
    // The text's place as for any shown text (the style leaves none for a cell without text).
    QStyleOptionViewItem layout(cell);
    layout.features |= QStyleOptionViewItem::HasDisplay;
    layout.text = QStringLiteral(" ");
    QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &layout, widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    area.adjust(margin, 0, -margin, 0);
    const QPalette::ColorGroup group = !(cell.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (cell.state & QStyle::State_Active) ? QPalette::Normal
                                                                              : QPalette::Inactive;
    const QFontMetrics metrics(cell.font);
    painter->save();
    painter->setClipRect(area);
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(
        group, (cell.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
    const int baseline = area.top() + (area.height() - metrics.height()) / 2 + metrics.ascent();
    painter->drawText(QPoint(area.left(), baseline), text);
    painter->restore();
}

} // namespace Tarnwick::Views
