#pragma once

#include <QDialog>
#include <QString>

#include "app/dialogs/SearchEngine.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace Tarnwick {

class DialogHeader;

// The search dialog (Ctrl+F): the text with the kept terms to choose from, the field to
// search, and whether to keep the term. Ends with Accepted on "&Suchen".
class CSearchDialog : public QDialog {
    Q_OBJECT
public:
    CSearchDialog(Search::SearchTermCache& cache, QWidget* parent = nullptr);

    int DoModal();

    // What the user asked for; valid after Accepted.
    const QString& GetSearchText() const noexcept { return m_text; }
    Search::SearchScope GetScope() const noexcept { return m_scope; }

    QComboBox* GetTextBox() const { return m_textBox; }
    QComboBox* GetScopeBox() const { return m_scopeBox; }
    QCheckBox* GetKeepTermBox() const { return m_keepTerm; }
    QLabel* GetClearCacheLink() const { return m_clearCache; }
    QPushButton* GetSearchButton() const { return m_search; }
    QPushButton* GetCancelButton() const { return m_cancel; }

    // The link "Zwischenspeicher löschen": forgets every kept term.
    void OnClearCache();
    void OnSearch();

private:
    void FillTextBox();

    Search::SearchTermCache& m_cache;
    QString m_text;
    Search::SearchScope m_scope = Search::SearchScope::Description;

    DialogHeader* m_header = nullptr;
    QComboBox* m_textBox = nullptr;
    QComboBox* m_scopeBox = nullptr;
    QCheckBox* m_keepTerm = nullptr;
    QLabel* m_clearCache = nullptr;
    QPushButton* m_search = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace Tarnwick
