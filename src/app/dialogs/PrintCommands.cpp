#include "app/dialogs/PrintCommands.h"

#include "app/dialogs/PasswordPrintDialog.h"
#include "uilib/MessageBox.h"

namespace Tarnwick::Dialogs {

PrintCommands::PrintCommands(QWidget& parent, Session::DatabaseSession& session, ApplicationSettings::Settings& settings)
    : m_parent(parent), m_session(session), m_settings(settings) {}

void PrintCommands::Print(bool preview) {
    if (!m_session.IsOpen() || !m_session.Data().HasEntries()) {
        WindowsServiceProvider::CMessageBox::ShowInformation(
            &m_parent, u"Es sind keine Passwortinformationen zum Drucken vorhanden");
        return;
    }
    CPasswordPrintDialog dialog(preview, m_session.Path(), m_session.Data(),
                                {m_settings.folderSortKey, m_settings.folderSortDirection}, &m_parent);
    dialog.DoModal();
}

} // namespace Tarnwick::Dialogs
