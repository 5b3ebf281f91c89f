#include "app/dialogs/SearchDialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ModalDialog.h"
#include "app/dialogs/DialogSupport.h"
#include "app/login/DialogHeader.h"
#include "uiext/QtText.h"
#include "uilib/DialogLayout.h"

namespace Tarnwick {

using Dialogs::Q;

CSearchDialog::CSearchDialog(Search::SearchTermCache& cache, QWidget* parent) : QDialog(parent), m_cache(cache) {
    setObjectName(QStringLiteral("SearchDialog"));
    Dialogs::PrepareDialog(*this, Q(u"Suchen"));
    m_header = new DialogHeader(Q(u"Passwortinformationen suchen"),
                                Q(u"Die Suche findet den Suchbegriff als ganzes Wort im gewählten Suchbereich."), this);

    m_textBox = new QComboBox(this);
    m_textBox->setObjectName(QStringLiteral("searchText"));
    m_textBox->setEditable(true);
    // Terms are kept only by the check box below, never by the box itself.
    m_textBox->setInsertPolicy(QComboBox::NoInsert);
    m_textBox->setMinimumWidth(280);
    m_scopeBox = new QComboBox(this);
    m_scopeBox->setObjectName(QStringLiteral("searchScope"));
    m_scopeBox->addItems({Q(u"Beschreibung"), Q(u"Benutzername"), Q(u"Kommentar"), Q(u"Url")});
    m_scopeBox->setCurrentIndex(0);
    m_keepTerm = new QCheckBox(Q(u"Suchbegriff &zwischenspeichern"), this);
    m_keepTerm->setObjectName(QStringLiteral("keepTerm"));
    m_clearCache = new QLabel(QStringLiteral("<a href=\"clear\">%1</a>").arg(Q(u"Zwischenspeicher löschen")), this);
    m_clearCache->setObjectName(QStringLiteral("clearCache"));
    m_clearCache->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(m_clearCache, &QLabel::linkActivated, this, [this] { OnClearCache(); });

    auto* textLabel = new QLabel(Q(u"Suchen &nach"), this);
    textLabel->setBuddy(m_textBox);
    auto* scopeLabel = new QLabel(Q(u"Such&bereich"), this);
    scopeLabel->setBuddy(m_scopeBox);
    auto* form = new QFormLayout;
    form->addRow(textLabel, m_textBox);
    form->addRow(scopeLabel, m_scopeBox);

    auto* options = new QHBoxLayout;
    options->addWidget(m_keepTerm);
    options->addStretch();
    options->addWidget(m_clearCache);

    m_search = Dialogs::MakeButton(Q(u"&Suchen"), "search", this);
    m_search->setDefault(true);
    m_cancel = Dialogs::MakeButton(Q(u"&Abbrechen"), "cancel", this);

    QVBoxLayout* body = UiLibrary::LayOutBelowHeader(*this, m_header);
    body->addLayout(form);
    body->addLayout(options);
    UiLibrary::AddButtonRow(*body, {m_search, m_cancel});

    FillTextBox();
    m_textBox->setFocus();
    m_textBox->lineEdit()->selectAll();
    connect(m_search, &QPushButton::clicked, this, &CSearchDialog::OnSearch);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int CSearchDialog::DoModal() { return App::RunModal(*this); }

void CSearchDialog::FillTextBox() {
    m_textBox->clear();
    const auto& terms = m_cache.Terms();
    if (terms.empty()) {
        m_textBox->addItem(QString());
        m_textBox->setCurrentIndex(0);
        return;
    }
    // The most recent term first: it is the one most likely wanted again.
    for (auto term = terms.rbegin(); term != terms.rend(); ++term) {
        m_textBox->addItem(Q(term->View()));
    }
    m_textBox->setCurrentIndex(0);
}

void CSearchDialog::OnClearCache() {
    m_cache.Clear();
    m_textBox->clear();
    m_textBox->clearEditText();
    m_textBox->setFocus();
}

void CSearchDialog::OnSearch() {
    m_text = m_textBox->currentText();
    m_scope = static_cast<Search::SearchScope>(std::max(0, m_scopeBox->currentIndex()));
    if (m_keepTerm->isChecked()) {
        m_cache.Add(UiText::View(m_text));
    }
    accept();
}

} // namespace Tarnwick
