#include "app/login/DatabaseFileDialog.h"

#include <utility>

#include <QDir>
#include <QFileDialog>

namespace Tarnwick::Core {

namespace {

DatabaseFileDialog::Chooser& ChooserSlot() {
    static DatabaseFileDialog::Chooser chooser;
    return chooser;
}

} // namespace

DatabaseFileDialog::DatabaseFileDialog(QWidget* owner) : m_owner(owner) {}

bool DatabaseFileDialog::ShowOpen() {
    return Show(Mode::Open);
}

bool DatabaseFileDialog::ShowSave() {
    return Show(Mode::Save);
}

bool DatabaseFileDialog::Show(Mode mode) {
    m_fileName.clear();
    if (const Chooser chooser = ChooserSlot()) {
        m_fileName = chooser(mode);
        return !m_fileName.isEmpty();
    }
    QFileDialog dialog(m_owner);
    dialog.setWindowTitle(mode == Mode::Open ? QString::fromUtf16(u"Datenbank öffnen")
                                             : QString::fromUtf16(u"Datenbank speichern"));
    dialog.setNameFilters({QStringLiteral("Tarnwick Datenbank (*.twdb)"), QStringLiteral("Alle Dateien (*)")});
    dialog.setDefaultSuffix(QStringLiteral("twdb"));
    if (mode == Mode::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    m_fileName = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    return !m_fileName.isEmpty();
}

DatabaseFileDialog::Chooser DatabaseFileDialog::SetChooser(Chooser chooser) {
    return std::exchange(ChooserSlot(), std::move(chooser));
}

} // namespace Tarnwick::Core
