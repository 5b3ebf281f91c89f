#pragma once

#include <QStyledItemDelegate>

namespace Tarnwick::Views {

class PasswordListModel;

// Paints a shown password straight from the entry's secure string: the plain copy lives for
// the paint call only, is handed to the painter without a QString copy of its own and is wiped
// right after. The model's display text for the cell stays empty, so the password never
// reaches a QVariant, the view or the style. Masked cells are painted by the base delegate
// and never decrypt anything.
class PasswordCellDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    PasswordCellDelegate(const PasswordListModel& model, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const PasswordListModel& m_model;
};

} // namespace Tarnwick::Views
