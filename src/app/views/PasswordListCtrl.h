#pragma once

#include <QString>
#include <QTreeView>

namespace Tarnwick::Views {

class PasswordListModel;

// The entry list of the main window (control 320): five columns, a text in place of the rows
// when there are none, and dragging of the selected entries onto the folder tree.
class CPasswordListCtrl final : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kControlId = 320;

    explicit CPasswordListCtrl(QWidget* parent = nullptr);

    void SetListModel(PasswordListModel* model);
    PasswordListModel* ListModel() const noexcept { return m_model; }
    // Shown in the empty list ("Dieser Ordner ist leer.", "Kein Ordner gewählt.").
    void SetInformationText(const QString& text);
    QString InformationText() const { return m_information; }
    void SetGridLines(bool shown);
    bool HasGridLines() const noexcept { return m_gridLines; }
    // Column widths for the current width: the image columns fixed, the rest shared.
    void RecalcColumnHeaderLayout();
    // The rows that are selected, in ascending order.
    QList<int> SelectedRows() const;

signals:
    // A click or right click that hit no row.
    void EmptyAreaClicked();
    // A double click that hit no row.
    void EmptyAreaDoubleClicked();
    // The pixmap could not be made or the drag could not start.
    void DragFailed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void StartEntryDrag(Qt::DropActions supportedActions);

    PasswordListModel* m_model = nullptr;
    QString m_information;
    bool m_gridLines = false;
};

} // namespace Tarnwick::Views
