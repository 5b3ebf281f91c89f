#pragma once

#include <cstdint>
#include <optional>

#include <QTabWidget>
#include <QTreeWidget>
#include <QWidget>

#include "crypto/String.h"
#include "model/Category.h"

class QLabel;
class QPlainTextEdit;

namespace Tarnwick::Views {

// The comment of the selected entry under a line with its description.
class CCommentWnd final : public QWidget {
    Q_OBJECT
public:
    static constexpr std::u16string_view kNothingSelected = u"Kein Element gewählt";

    explicit CCommentWnd(QWidget* parent = nullptr);

    void SetContent(const QString& description, const QString& comment);
    QString Description() const;
    QString Comment() const;
    QPlainTextEdit* TextEdit() const noexcept { return m_text; }

private:
    QLabel* m_description = nullptr;
    QPlainTextEdit* m_text = nullptr;
};

// The entry's user-defined fields ("Name", "Wert") and its password history ("Datum",
// "Passwort", masked unless the user shows them), beside the comment window.
class CInformationPanel final : public QTabWidget {
    Q_OBJECT
public:
    explicit CInformationPanel(QWidget* parent = nullptr);

    CCommentWnd* CommentWindow() const noexcept { return m_comment; }
    QTreeWidget* FieldList() const noexcept { return m_fields; }
    QTreeWidget* HistoryList() const noexcept { return m_history; }

    // Fills both lists from the entry (the comment window is filled separately).
    void ShowEntry(const PasswordADT::PasswordItemRef& item);
    void ClearLists();
    // Shows or masks the history passwords; the lists are refilled.
    void SetHistoryMasked(bool masked);
    // The plain password of a history row's password cell while the history is shown (a copy
    // for one use); false while it is masked.
    bool RevealHistoryPassword(const QModelIndex& index, StringServiceProvider::PlainString& out) const;
    bool IsHistoryMasked() const noexcept { return m_historyMasked; }
    // Index of the selected field or history entry in the entry's collection.
    std::optional<std::size_t> SelectedField() const;
    std::optional<std::size_t> SelectedHistoryEntry() const;
    // "%d. %B %Y %H:%M:%S" in German, local time.
    static QString FormatDate(std::int64_t seconds);

private:
    void FillHistory();

    CCommentWnd* m_comment = nullptr;
    QTreeWidget* m_fields = nullptr;
    QTreeWidget* m_history = nullptr;
    PasswordADT::PasswordItemRef m_item;
    bool m_historyMasked = true;
};

} // namespace Tarnwick::Views
