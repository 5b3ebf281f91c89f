#include "uilib/SecretTextDelegate.h"

#include <algorithm>

#include <QApplication>
#include <QPainter>
#include <QString>

namespace MFCServiceProvider {

SecretTextDelegate::SecretTextDelegate(Reveal reveal, QObject* parent)
    : QStyledItemDelegate(parent), m_reveal(std::move(reveal)) {}

void SecretTextDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    StringServiceProvider::PlainString plain;
    if (!m_reveal || !m_reveal(index, plain)) {
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
    if (plain.Length() == 0) {
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

QSize SecretTextDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    StringServiceProvider::PlainString plain;
    if (!m_reveal || !m_reveal(index, plain)) {
        return size;
    }
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QWidget* widget = cell.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    const QFontMetrics metrics(cell.font);
    const QString text = QString::fromRawData(reinterpret_cast<const QChar*>(plain.Data()),
                                              static_cast<qsizetype>(plain.Length()));
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    size.setWidth(size.width() + metrics.horizontalAdvance(text) + 2 * margin);
    size.setHeight(std::max(size.height(), metrics.height() + 2));
    return size;
}

} // namespace MFCServiceProvider
