#include "editor/PropertySheet.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/text/Format.h"
#include "editor/EditorText.h"
#include "model/Clock.h"

namespace Tarnwick {
namespace {

using Editor::Q;

QString Stamp(std::int64_t time) {
    return QDateTime::fromSecsSinceEpoch(time).toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

} // namespace

std::vector<std::pair<QString, QString>> CTWPropertySheet::BuildRows(const PasswordADT::Category& folder,
                                                                     const PasswordADT::PasswordItem& item,
                                                                     std::int64_t now) {
    const QLocale german(QLocale::German, QLocale::Germany);
    std::vector<std::pair<QString, QString>> rows;
    rows.emplace_back(QStringLiteral("Ordner"), Q(folder.GetName().View()));
    rows.emplace_back(QStringLiteral("Erstelldatum"), Stamp(item.GetCreationTime()));
    rows.emplace_back(QStringLiteral("Änderungsdatum"), Stamp(item.GetModificationTime()));
    rows.emplace_back(QStringLiteral("Letzte Passwörtänderung"), Stamp(item.GetPasswordChangeTime()));

    const auto mode = static_cast<PasswordADT::ValidityMode>(item.GetValidityMode());
    if (mode != PasswordADT::ValidityMode::Days && mode != PasswordADT::ValidityMode::UntilDate) {
        rows.emplace_back(QStringLiteral("Gültigkeit"), QStringLiteral("nicht aktiv"));
        rows.emplace_back(QString(), QStringLiteral("unbegrenzt gültig"));
    } else {
        rows.emplace_back(QStringLiteral("Gültigkeit"), QStringLiteral("aktiv"));
        const std::int64_t expiry =
            mode == PasswordADT::ValidityMode::UntilDate
                ? item.GetExpiry()
                : item.GetPasswordChangeTime() +
                      static_cast<std::int64_t>(static_cast<std::uint32_t>(item.GetExpiry())) * 86400;
        const QDateTime end = QDateTime::fromSecsSinceEpoch(expiry);
        if (!end.isValid()) {
            rows.emplace_back(QString(), QStringLiteral("unbekannt."));
        } else {
            const QDate today = QDateTime::fromSecsSinceEpoch(now).date();
            const qint64 days = today.daysTo(end.date());
            const bool expired = expiry < now;
            QString date = german.toString(end.date(), QStringLiteral("dddd, dd. MMMM yyyy"));
            if (expired) {
                date += QStringLiteral(" - abgelaufen");
            }
            rows.emplace_back(QString(), date);
            if (expired) {
                rows.emplace_back(QString(), QStringLiteral("Dass Passwort ist abgelaufen!"));
            } else if (days == 0) {
                rows.emplace_back(QString(), QStringLiteral("Das Passwort läuft heute ab!"));
            } else {
                rows.emplace_back(QString(), Q(Text::Format(u"Es verbleiben noch %d Tag(e).", static_cast<int>(days)).View()));
            }
        }
    }
    const std::size_t history = item.GetPasswordHistory().Count();
    rows.emplace_back(QStringLiteral("Passworthistorie"),
                      history == 0 ? QStringLiteral("keine vorhanden") : QString::number(history));
    const std::size_t fields = item.GetUserDefinedFields().Count();
    rows.emplace_back(QStringLiteral("Benutzerdefinierte Felder"),
                      fields == 0 ? QStringLiteral("nicht verwendet")
                                  : Q(Text::Format(u"%d vorhanden", static_cast<int>(fields)).View()));
    const bool autoCompletion = !item.GetTargetWindow().View().empty() && !item.GetSequence().View().empty();
    rows.emplace_back(QStringLiteral("Auto-Vervollständigung"),
                      autoCompletion ? QStringLiteral("verwendet") : QStringLiteral("nicht verwendet"));
    return rows;
}

CTWPropertySheet::CTWPropertySheet(const PasswordADT::PasswordData& data, std::size_t folder, std::size_t entry,
                                   QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Passworteigenschaften"));
    resize(460, 360);
    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    m_list = new QTreeWidget(tabs);
    m_list->setHeaderLabels({QStringLiteral("Eigenschaft"), QStringLiteral("Wert")});
    m_list->setRootIsDecorated(false);
    Editor::FitColumnsToContents(m_list);
    tabs->addTab(m_list, QStringLiteral("Passwortinformation"));
    layout->addWidget(tabs);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    if (folder < data.FolderCount() && data.Folders()[folder] && entry < data.Folders()[folder]->Entries().size() &&
        data.Folders()[folder]->Entries()[entry]) {
        for (const auto& [property, value] :
             BuildRows(*data.Folders()[folder], *data.Folders()[folder]->Entries()[entry], PasswordADT::CurrentTime())) {
            new QTreeWidgetItem(m_list, {property, value});
        }
    }
}

} // namespace Tarnwick
