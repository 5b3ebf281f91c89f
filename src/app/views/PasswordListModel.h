#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include <QAbstractTableModel>

#include "app/views/EntryDrag.h"
#include "model/PasswordData.h"

namespace Tarnwick::Views {

// One row of the entry list: where the entry stands and the entry itself.
struct ListRow {
    std::size_t folder = 0;
    std::size_t entry = 0;
    PasswordADT::PasswordItemRef item;
};

// The rows of the entry list. Cells are produced when the view paints them, so a shown
// password is decrypted for its cell only and never kept by the list.
class PasswordListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kSymbol = 0, kValidity = 1, kDescription = 2, kUserName = 3, kPassword = 4, kColumnCount = 5 };
    // Shown for user names and passwords while they are hidden.
    static constexpr std::u16string_view kMask = u"\u25CF\u25CF\u25CF\u25CF\u25CF\u25CF\u25CF\u25CF";
    // Item data role with the entry's position in its folder.
    static constexpr int kEntryPositionRole = Qt::UserRole;

    explicit PasswordListModel(QObject* parent = nullptr);

    // data is kept for the search-result tips; it must outlive the rows.
    void SetRows(std::vector<ListRow> rows, bool searchResult, const PasswordADT::PasswordData* data);
    void Clear();
    const ListRow* RowAt(int row) const;
    const std::vector<ListRow>& Rows() const noexcept { return m_rows; }
    bool IsSearchResult() const noexcept { return m_searchResult; }

    void SetShowPasswords(bool show);
    bool GetShowPasswords() const noexcept { return m_showPasswords; }
    // Whether the cell shows a password in the clear; its display text is empty then, and
    // the password is painted from RevealPasswordAt (a plain copy for that one use).
    bool ShowsPasswordAt(const QModelIndex& index) const;
    bool RevealPasswordAt(const QModelIndex& index, StringServiceProvider::PlainString& out) const;

    // The validity image: 0 none, 1 valid, 2 expires within five days, 3 expired.
    static int ExpiryImage(const PasswordADT::PasswordItem& item, std::int64_t now);
    // Seconds since 1970 for the validity images; the model's clock by default.
    void SetClock(std::function<std::int64_t()> clock) { m_clock = std::move(clock); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

private:
    QVariant Cell(const QModelIndex& index, int role) const;
    QVariant DisplayText(const ListRow& row, int column) const;
    QVariant SearchTip(const ListRow& row) const;

    std::vector<ListRow> m_rows;
    bool m_searchResult = false;
    bool m_showPasswords = false;
    const PasswordADT::PasswordData* m_data = nullptr;
    std::function<std::int64_t()> m_clock;
};

} // namespace Tarnwick::Views
