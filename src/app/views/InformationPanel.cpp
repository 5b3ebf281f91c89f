#include "app/views/InformationPanel.h"

#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/views/PasswordListModel.h"
#include "uiext/QtText.h"
#include "uilib/SecretTextDelegate.h"

namespace Tarnwick::Views {

namespace {

QString ToQString(std::u16string_view text) { return UiText::Q(text); }

QTreeWidget* MakeList(const QString& first, const QString& second, const QString& name, QWidget* parent) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setColumnCount(2);
    list->setHeaderLabels({first, second});
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->header()->resizeSection(0, 220);
    return list;
}

} // namespace

CCommentWnd::CCommentWnd(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CommentWindow"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    m_description = new QLabel(this);
    QFont bold = m_description->font();
    bold.setBold(true);
    m_description->setFont(bold);
    m_description->setTextFormat(Qt::PlainText);
    m_text = new QPlainTextEdit(this);
    m_text->setReadOnly(true);
    m_text->setContextMenuPolicy(Qt::CustomContextMenu);
    m_text->setFrameShape(QFrame::NoFrame);
    layout->addWidget(m_description);
    layout->addWidget(m_text, 1);
    SetContent(ToQString(kNothingSelected), QString());
}

void CCommentWnd::SetContent(const QString& description, const QString& comment) {
    m_description->setText(description);
    m_text->setPlainText(comment);
}

QString CCommentWnd::Description() const { return m_description->text(); }

QString CCommentWnd::Comment() const { return m_text->toPlainText(); }

CInformationPanel::CInformationPanel(QWidget* parent) : QTabWidget(parent) {
    setObjectName(QStringLiteral("InformationPanel"));
    setDocumentMode(true);
    setTabPosition(QTabWidget::South);
    m_comment = new CCommentWnd(this);
    m_fields = MakeList(QStringLiteral("Name"), QStringLiteral("Wert"), QStringLiteral("FieldList"), this);
    m_history = MakeList(QStringLiteral("Datum"), QStringLiteral("Passwort"), QStringLiteral("HistoryList"), this);
    addTab(m_comment, QStringLiteral("Kommentar"));
    addTab(m_fields, QStringLiteral("Benutzerdefinierte Felder"));
    addTab(m_history, QStringLiteral("Passworthistorie"));
    m_history->setItemDelegateForColumn(
        1, new MFCServiceProvider::SecretTextDelegate(
               [this](const QModelIndex& index, StringServiceProvider::PlainString& out) {
                   return RevealHistoryPassword(index, out);
               },
               m_history));
}

QString CInformationPanel::FormatDate(std::int64_t seconds) {
    const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds).toLocalTime();
    return QLocale(QLocale::German, QLocale::Germany).toString(time, QStringLiteral("dd. MMMM yyyy HH:mm:ss"));
}

void CInformationPanel::ShowEntry(const PasswordADT::PasswordItemRef& item) {
    m_item = item;
    m_fields->clear();
    if (item) {
        int index = 0;
        for (const auto& [name, value] : item->GetUserDefinedFields()) {
            auto* row = new QTreeWidgetItem(m_fields, QStringList{ToQString(name.View()), ToQString(value.View())});
            row->setData(0, Qt::UserRole, index++);
        }
    }
    FillHistory();
}

void CInformationPanel::FillHistory() {
    m_history->clear();
    if (!m_item) {
        return;
    }
    const auto& history = m_item->GetPasswordHistory();
    for (std::size_t i = 0; i < history.Count(); ++i) {
        const auto& entry = history.At(i);
        // A shown password is painted by the column's delegate, never put into the item.
        const QString shown = m_historyMasked ? ToQString(PasswordListModel::kMask) : QString();
        auto* row = new QTreeWidgetItem(m_history, QStringList{FormatDate(entry.time), shown});
        row->setData(0, Qt::UserRole, static_cast<qulonglong>(i));
    }
}

bool CInformationPanel::RevealHistoryPassword(const QModelIndex& index, StringServiceProvider::PlainString& out) const {
    out.Clear();
    if (m_historyMasked || !m_item || !index.isValid() || index.column() != 1) {
        return false;
    }
    const auto& history = m_item->GetPasswordHistory();
    const std::size_t position = index.siblingAtColumn(0).data(Qt::UserRole).toULongLong();
    if (position >= history.Count()) {
        return false;
    }
    history.At(position).password.Read(out);
    return true;
}

void CInformationPanel::ClearLists() {
    m_item.reset();
    m_fields->clear();
    m_history->clear();
}

void CInformationPanel::SetHistoryMasked(bool masked) {
    m_historyMasked = masked;
    FillHistory();
}

std::optional<std::size_t> CInformationPanel::SelectedField() const {
    const QTreeWidgetItem* row = m_fields->currentItem();
    if (row == nullptr || !row->isSelected()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(row->data(0, Qt::UserRole).toULongLong());
}

std::optional<std::size_t> CInformationPanel::SelectedHistoryEntry() const {
    const QTreeWidgetItem* row = m_history->currentItem();
    if (row == nullptr || !row->isSelected()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(row->data(0, Qt::UserRole).toULongLong());
}

} // namespace Tarnwick::Views
