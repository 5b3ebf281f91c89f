#include "app/views/PasswordListModel.h"

#include <set>

#include <QMimeData>

#include "app/views/ViewImages.h"
#include "base/exceptions/Exception.h"
#include "base/text/Format.h"
#include "log/LogProvider.h"
#include "model/Clock.h"
#include "uiext/QtText.h"

namespace Tarnwick::Views {

namespace {

QString ToQString(std::u16string_view text) { return UiText::Q(text); }

} // namespace

PasswordListModel::PasswordListModel(QObject* parent)
    : QAbstractTableModel(parent), m_clock([] { return PasswordADT::CurrentTime(); }) {}

void PasswordListModel::SetRows(std::vector<ListRow> rows, bool searchResult, const PasswordADT::PasswordData* data) {
    beginResetModel();
    m_rows = std::move(rows);
    m_searchResult = searchResult;
    m_data = data;
    endResetModel();
}

void PasswordListModel::Clear() {
    beginResetModel();
    m_rows.clear();
    m_searchResult = false;
    endResetModel();
}

const ListRow* PasswordListModel::RowAt(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size()) {
        return nullptr;
    }
    return &m_rows[static_cast<std::size_t>(row)];
}

void PasswordListModel::SetShowPasswords(bool show) {
    if (m_showPasswords == show) {
        return;
    }
    m_showPasswords = show;
    if (!m_rows.empty()) {
        emit dataChanged(index(0, kUserName), index(static_cast<int>(m_rows.size()) - 1, kPassword),
                         {Qt::DisplayRole});
    }
}

int PasswordListModel::ExpiryImage(const PasswordADT::PasswordItem& item, std::int64_t now) {
    switch (item.GetExpiryState(now)) {
    case PasswordADT::ExpiryState::Valid:
        return 1;
    case PasswordADT::ExpiryState::ExpiresSoon:
        return 2;
    case PasswordADT::ExpiryState::Expired:
        return 3;
    case PasswordADT::ExpiryState::None:
        break;
    }
    return 0;
}

int PasswordListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int PasswordListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant PasswordListModel::DisplayText(const ListRow& row, int column) const {
    const PasswordADT::PasswordItem& item = *row.item;
    switch (column) {
    case kDescription:
        return ToQString(item.GetDescription().View());
    case kUserName:
        return ToQString(m_showPasswords ? item.GetUserName().View() : kMask);
    case kPassword:
        // A shown password is painted by the cell's delegate, never handed out as text.
        return m_showPasswords ? QString() : ToQString(kMask);
    default:
        return {};
    }
}

bool PasswordListModel::ShowsPasswordAt(const QModelIndex& index) const {
    if (!m_showPasswords || !index.isValid() || index.column() != kPassword) {
        return false;
    }
    const ListRow* row = RowAt(index.row());
    return row != nullptr && row->item != nullptr;
}

bool PasswordListModel::RevealPasswordAt(const QModelIndex& index, StringServiceProvider::PlainString& out) const {
    out.Clear();
    if (!ShowsPasswordAt(index)) {
        return false;
    }
    try {
        RowAt(index.row())->item->GetPassword().Read(out);
        return true;
    } catch (const Utilities::Exceptions::Exception& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
    } catch (...) {
        LogProvider::GenericLog::LogEvent(0, u"PasswordListModel::RevealPasswordAt: unknown exception");
    }
    out.Clear();
    return false;
}

QVariant PasswordListModel::SearchTip(const ListRow& row) const {
    if (m_data == nullptr || row.folder >= m_data->FolderCount() || !m_data->Folders()[row.folder]) {
        return {};
    }
    const auto& folder = *m_data->Folders()[row.folder];
    const auto tip = Text::Format(u"Ordner: %s [%d total]", folder.GetName(),
                                  static_cast<std::int64_t>(folder.Entries().size()));
    return ToQString(tip.View());
}

QVariant PasswordListModel::data(const QModelIndex& index, int role) const {
    // Called while the view paints: nothing may escape into Qt.
    try {
        return Cell(index, role);
    } catch (const Utilities::Exceptions::Exception& e) {
        LogProvider::GenericExceptionLog::LogEvent(e);
    } catch (...) {
        LogProvider::GenericLog::LogEvent(0, u"PasswordListModel::data: unknown exception");
    }
    return {};
}

QVariant PasswordListModel::Cell(const QModelIndex& index, int role) const {
    const ListRow* row = index.isValid() ? RowAt(index.row()) : nullptr;
    if (row == nullptr || !row->item) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return DisplayText(*row, index.column());
    case Qt::DecorationRole:
        if (index.column() == kSymbol) {
            const QIcon icon = SymbolIcon(row->item->GetSymbol().View());
            return icon.isNull() ? QVariant() : QVariant(icon);
        }
        if (index.column() == kValidity) {
            const int image = ExpiryImage(*row->item, m_clock());
            return image == 0 ? QVariant() : QVariant(ExpiryIcon(image));
        }
        return {};
    case Qt::ToolTipRole:
        return m_searchResult ? SearchTip(*row) : QVariant();
    case kEntryPositionRole:
        return QVariant::fromValue<qulonglong>(row->entry);
    default:
        return {};
    }
}

QVariant PasswordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case kDescription:
        return QStringLiteral("Beschreibung");
    case kUserName:
        return QStringLiteral("Benutzername");
    case kPassword:
        return QStringLiteral("Passwort");
    default:
        return QString();
    }
}

Qt::ItemFlags PasswordListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QStringList PasswordListModel::mimeTypes() const { return {QString::fromLatin1(kEntryMimeType)}; }

QMimeData* PasswordListModel::mimeData(const QModelIndexList& indexes) const {
    std::set<int> rows;
    for (const QModelIndex& index : indexes) {
        if (index.isValid()) {
            rows.insert(index.row());
        }
    }
    std::vector<EntryPosition> entries;
    for (int row : rows) {
        if (const ListRow* entry = RowAt(row)) {
            entries.emplace_back(entry->folder, entry->entry);
        }
    }
    if (entries.empty()) {
        return nullptr;
    }
    return EncodeDraggedEntries(entries);
}

Qt::DropActions PasswordListModel::supportedDragActions() const { return Qt::MoveAction; }

} // namespace Tarnwick::Views
