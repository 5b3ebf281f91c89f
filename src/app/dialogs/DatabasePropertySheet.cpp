#include "app/dialogs/DatabasePropertySheet.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/ModalDialog.h"
#include "app/dialogs/DatabaseFacts.h"
#include "app/dialogs/DialogSupport.h"

namespace Tarnwick {

using Dialogs::Q;

CDatabasePropertySheet::CDatabasePropertySheet(Dialogs::MaintenanceHost& host, QWidget* parent)
    : QDialog(parent), m_host(host) {
    setObjectName(QStringLiteral("DatabasePropertySheet"));
    Dialogs::PrepareDialog(*this, Q(u"Datenbankeigenschaften"));
    m_pages = new QTabWidget(this);

    auto* details = new QWidget(m_pages);
    m_details = new QTreeWidget(details);
    m_details->setObjectName(QStringLiteral("details"));
    m_details->setColumnCount(2);
    m_details->setHeaderLabels({Q(u"Eigenschaft"), Q(u"Wert")});
    m_details->setRootIsDecorated(false);
    m_details->setSelectionMode(QAbstractItemView::SingleSelection);
    m_details->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    auto* detailsLayout = new QVBoxLayout(details);
    detailsLayout->addWidget(m_details);
    m_pages->addTab(details, Q(u"Details"));

    auto* extras = new QWidget(m_pages);
    auto* reorganiseGroup = new QGroupBox(Q(u"Reorganisieren"), extras);
    auto* reorganiseText = new QLabel(Q(u"Bei Wahl dieser Option wird die Datenbank reorganisiert."), reorganiseGroup);
    reorganiseText->setWordWrap(true);
    m_reorganise = Dialogs::MakeButton(Q(u"Jetzt reorganisieren..."), "reorganise", reorganiseGroup);
    auto* reorganiseLayout = new QHBoxLayout(reorganiseGroup);
    reorganiseLayout->addWidget(reorganiseText, 1);
    reorganiseLayout->addWidget(m_reorganise);
    auto* cipherGroup = new QGroupBox(Q(u"Verschlüsselung"), extras);
    auto* algorithmLabel = new QLabel(Q(u"Algorithmus:"), cipherGroup);
    m_algorithm = new QComboBox(cipherGroup);
    m_algorithm->setObjectName(QStringLiteral("algorithm"));
    m_algorithm->addItems({Q(u"Blowfish (448-Bit)"), Q(u"AES (Rijndael 256-Bit)")});
    algorithmLabel->setBuddy(m_algorithm);
    m_changeAlgorithm = Dialogs::MakeButton(Q(u"Jetzt ändern..."), "changeAlgorithm", cipherGroup);
    auto* cipherLayout = new QHBoxLayout(cipherGroup);
    cipherLayout->addWidget(algorithmLabel);
    cipherLayout->addWidget(m_algorithm, 1);
    cipherLayout->addWidget(m_changeAlgorithm);
    auto* extrasLayout = new QVBoxLayout(extras);
    extrasLayout->addWidget(reorganiseGroup);
    extrasLayout->addWidget(cipherGroup);
    extrasLayout->addStretch();
    m_pages->addTab(extras, Q(u"Extras"));

    m_ok = Dialogs::MakeButton(Q(u"OK"), "ok", this);
    m_ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(buttons);
    resize(520, 480);

    connect(m_reorganise, &QPushButton::clicked, this, &CDatabasePropertySheet::OnReorganise);
    connect(m_changeAlgorithm, &QPushButton::clicked, this, &CDatabasePropertySheet::OnChangeAlgorithm);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

int CDatabasePropertySheet::DoModal() {
    if (!Rebuild()) {
        return QDialog::Rejected;
    }
    return App::RunModal(*this);
}

bool CDatabasePropertySheet::Rebuild() {
    Session::DatabaseSession& session = m_host.session;
    EmberkiteDatabase::DatabaseProperties properties;
    if (session.Database().Properties(session.Credentials(), properties) != RequestResult::Succeeded) {
        return false;
    }
    // The log-in of the request wrote its time into the file.
    session.AcceptCurrentFile();
    const std::filesystem::path& file = session.Database().GetFilePath();
    const auto groups = Dialogs::DescribeDatabase(session.Path(), Dialogs::ReadFileFacts(file), properties);
    m_details->clear();
    for (const Dialogs::FactGroup& group : groups) {
        auto* top = new QTreeWidgetItem(m_details, QStringList(Q(group.title)));
        QFont bold = top->font(0);
        bold.setBold(true);
        top->setFont(0, bold);
        top->setFirstColumnSpanned(true);
        top->setFlags(Qt::ItemIsEnabled);
        for (const Dialogs::FactRow& row : group.rows) {
            new QTreeWidgetItem(top, {Q(row.name), Q(row.value)});
        }
        top->setExpanded(true);
    }
    const int algorithm = properties.algorithm == CDatabase::kBlowfish ? 0 : 1;
    m_algorithm->setCurrentIndex(algorithm);
    return true;
}

QString CDatabasePropertySheet::DetailValue(const QString& group, const QString& name) const {
    for (int g = 0; g < m_details->topLevelItemCount(); ++g) {
        const QTreeWidgetItem* top = m_details->topLevelItem(g);
        if (top->text(0) != group) {
            continue;
        }
        for (int r = 0; r < top->childCount(); ++r) {
            if (top->child(r)->text(0) == name) {
                return top->child(r)->text(1);
            }
        }
    }
    return QString();
}

void CDatabasePropertySheet::OnReorganise() {
    if (Dialogs::ReorganiseDatabase(m_host, this)) {
        Rebuild();
    }
}

void CDatabasePropertySheet::OnChangeAlgorithm() {
    const std::int32_t chosen = m_algorithm->currentIndex() == 0 ? CDatabase::kBlowfish : CDatabase::kAes;
    if (Dialogs::ChangeDatabaseAlgorithm(m_host, this, chosen)) {
        Rebuild();
    }
}

} // namespace Tarnwick
