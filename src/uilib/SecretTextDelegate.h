#pragma once

#include <functional>

#include <QStyledItemDelegate>

#include "crypto/String.h"

namespace MFCServiceProvider {

// Paints a secret cell (a shown password) straight from a secure string: the plain copy lives
// for the paint call only, is handed to the painter without a QString copy of its own and is
// wiped right after. The cell's display text stays empty, so the secret never reaches a
// QVariant, an item, the view or the style. Other cells are painted as usual and decrypt
// nothing.
class SecretTextDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    // Fills out with the cell's secret and answers true; false for a cell without one.
    using Reveal = std::function<bool(const QModelIndex& index, StringServiceProvider::PlainString& out)>;

    explicit SecretTextDelegate(Reveal reveal, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // Room for the secret as if it were the cell's text.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    Reveal m_reveal;
};

} // namespace MFCServiceProvider
