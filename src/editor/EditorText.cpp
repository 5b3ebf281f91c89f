#include "editor/EditorText.h"

#include <algorithm>

#include <QAbstractItemModel>
#include <QDateTime>
#include <QEvent>
#include <QHeaderView>
#include <QLocale>
#include <QTreeWidget>

namespace Tarnwick::Editor {
namespace {

// Lets the last column fill the list only while every column still fits its content; a
// stretched column would otherwise be cut to the view's width.
class ColumnFitter : public QObject {
public:
    explicit ColumnFitter(QTreeWidget* list) : QObject(list) {
        list->viewport()->installEventFilter(this);
        QAbstractItemModel* model = list->model();
        connect(model, &QAbstractItemModel::rowsInserted, this, &ColumnFitter::Schedule);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &ColumnFitter::Schedule);
        connect(model, &QAbstractItemModel::dataChanged, this, &ColumnFitter::Schedule);
        connect(model, &QAbstractItemModel::modelReset, this, &ColumnFitter::Schedule);
        Schedule();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize) {
            Schedule();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    // Once per turn of the event loop: measuring after every single row of a refill would
    // cost time quadratic in the rows.
    void Schedule() {
        if (!m_scheduled) {
            m_scheduled = true;
            QMetaObject::invokeMethod(this, &ColumnFitter::Fit, Qt::QueuedConnection);
        }
    }

    void Fit() {
        m_scheduled = false;
        // Null while the list is being destroyed: its model still reports the removed rows.
        auto* list = qobject_cast<QTreeWidget*>(parent());
        if (list == nullptr) {
            return;
        }
        QHeaderView* header = list->header();
        // The same widths that ResizeToContents gives the columns (public on the base class).
        const QAbstractItemView* view = list;
        int needed = 0;
        for (int column = 0; column < list->columnCount(); ++column) {
            needed += std::max(view->sizeHintForColumn(column), header->sectionSizeHint(column));
        }
        const bool fits = needed <= list->viewport()->width();
        if (header->stretchLastSection() != fits) {
            header->setStretchLastSection(fits);
        }
    }

    bool m_scheduled = false;
};

} // namespace

QString HistoryDate(std::int64_t time) {
    const QLocale german(QLocale::German, QLocale::Germany);
    return german.toString(QDateTime::fromSecsSinceEpoch(time), QStringLiteral("dd. MMMM yyyy HH:mm:ss"));
}

void FitColumnsToContents(QTreeWidget* list) {
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    new ColumnFitter(list);
}

} // namespace Tarnwick::Editor
