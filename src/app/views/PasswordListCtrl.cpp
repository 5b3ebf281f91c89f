#include "app/views/PasswordListCtrl.h"

#include <QDrag>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include "app/views/PasswordListModel.h"
#include "uilib/SecretTextDelegate.h"
#include "base/text/Format.h"
#include "log/LogProvider.h"

namespace Tarnwick::Views {

CPasswordListCtrl::CPasswordListCtrl(QWidget* parent) : QTreeView(parent) {
    setObjectName(QStringLiteral("PasswordList"));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::MoveAction);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setIconSize(QSize(16, 16));
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(true);
}

void CPasswordListCtrl::SetListModel(PasswordListModel* model) {
    m_model = model;
    setModel(model);
    if (QAbstractItemDelegate* old = itemDelegateForColumn(PasswordListModel::kPassword)) {
        setItemDelegateForColumn(PasswordListModel::kPassword, nullptr);
        old->deleteLater();
    }
    if (model != nullptr) {
        setItemDelegateForColumn(
            PasswordListModel::kPassword,
            new MFCServiceProvider::SecretTextDelegate(
                [model](const QModelIndex& index, StringServiceProvider::PlainString& out) {
                    return model->RevealPasswordAt(index, out);
                },
                this));
    }
    RecalcColumnHeaderLayout();
}

void CPasswordListCtrl::SetInformationText(const QString& text) {
    if (m_information == text) {
        return;
    }
    m_information = text;
    viewport()->update();
}

void CPasswordListCtrl::SetGridLines(bool shown) {
    m_gridLines = shown;
    setStyleSheet(shown ? QStringLiteral("QTreeView#PasswordList::item { border-bottom: 1px solid palette(midlight); }"
                                         "QTreeView#PasswordList::item:selected { background: palette(highlight); "
                                         "color: palette(highlighted-text); }")
                        : QString());
}

void CPasswordListCtrl::RecalcColumnHeaderLayout() {
    if (model() == nullptr) {
        return;
    }
    QHeaderView* head = header();
    head->setMinimumSectionSize(22);
    head->setSectionResizeMode(PasswordListModel::kSymbol, QHeaderView::Fixed);
    head->setSectionResizeMode(PasswordListModel::kValidity, QHeaderView::Fixed);
    head->resizeSection(PasswordListModel::kSymbol, 24);
    head->resizeSection(PasswordListModel::kValidity, 24);
    const int rest = std::max(300, viewport()->width() - 48);
    head->resizeSection(PasswordListModel::kDescription, rest * 2 / 5);
    head->resizeSection(PasswordListModel::kUserName, rest * 3 / 10);
}

QList<int> CPasswordListCtrl::SelectedRows() const {
    QList<int> rows;
    if (selectionModel() == nullptr) {
        return rows;
    }
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CPasswordListCtrl::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if ((model() == nullptr || model()->rowCount() == 0) && !m_information.isEmpty()) {
        QPainter painter(viewport());
        painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
        painter.drawText(viewport()->rect().adjusted(8, 16, -8, -8), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                         m_information);
    }
}

void CPasswordListCtrl::mousePressEvent(QMouseEvent* event) {
    const bool hit = indexAt(event->position().toPoint()).isValid();
    QTreeView::mousePressEvent(event);
    if (!hit) {
        clearSelection();
        emit EmptyAreaClicked();
    }
}

void CPasswordListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!indexAt(event->position().toPoint()).isValid()) {
        emit EmptyAreaDoubleClicked();
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
}

void CPasswordListCtrl::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    RecalcColumnHeaderLayout();
}

void CPasswordListCtrl::startDrag(Qt::DropActions supportedActions) {
    try {
        StartEntryDrag(supportedActions);
    } catch (...) {
        LogProvider::GenericLog::LogEvent(0, u"CPasswordListCtrl::startDrag: drag failed");
        emit DragFailed();
    }
}

void CPasswordListCtrl::StartEntryDrag(Qt::DropActions supportedActions) {
    const QModelIndexList indexes = selectionModel() != nullptr ? selectionModel()->selectedRows() : QModelIndexList();
    if (indexes.isEmpty() || m_model == nullptr) {
        return;
    }
    QMimeData* data = m_model->mimeData(indexes);
    if (data == nullptr) {
        emit DragFailed();
        return;
    }
    QString text;
    if (indexes.size() > 1) {
        const auto label = Text::Format(u"%d Passwortinformationen", static_cast<std::int64_t>(indexes.size()));
        text = QString::fromUtf16(label.View().data(), static_cast<qsizetype>(label.Length()));
    } else {
        text = indexes.front().siblingAtColumn(PasswordListModel::kDescription).data().toString();
    }
    const QFontMetrics metrics(font());
    QPixmap pixmap(metrics.horizontalAdvance(text) + 28, metrics.height() + 8);
    if (pixmap.isNull()) {
        delete data;
        emit DragFailed();
        return;
    }
    pixmap.fill(QColor(255, 255, 255, 210));
    {
        QPainter painter(&pixmap);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(pixmap.rect().adjusted(22, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
        painter.drawPixmap(4, (pixmap.height() - 16) / 2,
                           indexes.front().siblingAtColumn(PasswordListModel::kSymbol)
                               .data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16));
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(pixmap);
    drag->setHotSpot(QPoint(-8, -8));
    drag->exec(supportedActions & Qt::MoveAction ? Qt::MoveAction : supportedActions, Qt::MoveAction);
}

} // namespace Tarnwick::Views
