#include "app/views/PasswordView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/views/FolderTreeCtrl.h"
#include "app/views/InformationPanel.h"
#include "app/views/PasswordListCtrl.h"
#include "app/views/PasswordListModel.h"

namespace Tarnwick::Views {

CPasswordView::CPasswordView(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    setObjectName(QStringLiteral("PasswordView"));
    setChildrenCollapsible(false);
    m_tree = new CFolderTreeCtrl(this);
    m_tree->setMinimumWidth(140);

    m_right = new QSplitter(Qt::Vertical, this);
    m_right->setChildrenCollapsible(false);
    auto* top = new QWidget(m_right);
    auto* layout = new QVBoxLayout(top);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_caption = new QLabel(top);
    m_caption->setObjectName(QStringLiteral("ListCaption"));
    m_caption->setTextFormat(Qt::PlainText);
    m_caption->setContentsMargins(8, 5, 8, 5);
    QFont font = m_caption->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    m_caption->setFont(font);
    m_caption->setAutoFillBackground(true);
    // The filter sits inside the caption, so it shares its band.
    m_filter = new QLineEdit(m_caption);
    m_filter->setObjectName(QStringLiteral("ListFilter"));
    m_filter->setPlaceholderText(QStringLiteral("Schnellsuche in allen Ordnern"));
    m_filter->setClearButtonEnabled(true);
    m_filter->setFixedWidth(240);
    auto* captionRow = new QHBoxLayout(m_caption);
    captionRow->setContentsMargins(0, 0, 0, 0);
    captionRow->addStretch();
    captionRow->addWidget(m_filter);
    m_caption->setMinimumHeight(m_filter->sizeHint().height() + 10);
    m_model = new PasswordListModel(this);
    m_list = new CPasswordListCtrl(top);
    m_list->SetListModel(m_model);
    layout->addWidget(m_caption);
    layout->addWidget(m_list, 1);
    m_panel = new CInformationPanel(m_right);
    m_right->addWidget(top);
    m_right->addWidget(m_panel);
    m_right->setStretchFactor(0, 3);
    m_right->setStretchFactor(1, 1);

    addWidget(m_tree);
    addWidget(m_right);
    setStretchFactor(0, 0);
    setStretchFactor(1, 1);
    setSizes({220, 680});
}

CCommentWnd* CPasswordView::CommentWindow() const { return m_panel->CommentWindow(); }

void CPasswordView::SetListCaption(const QString& caption) { m_caption->setText(caption); }

QString CPasswordView::ListCaption() const { return m_caption->text(); }

void CPasswordView::SetViewsEnabled(bool enabled) {
    m_tree->setEnabled(enabled);
    m_list->setEnabled(enabled);
    m_filter->setEnabled(enabled);
    m_panel->CommentWindow()->setEnabled(enabled);
}

} // namespace Tarnwick::Views
