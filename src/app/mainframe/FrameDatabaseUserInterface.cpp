#include "app/mainframe/FrameDatabaseUserInterface.h"

#include <QWidget>

#include "app/mainframe/MainStatusBar.h"
#include "uilib/MessageBox.h"
#include "app/DatabaseMessageUI.h"

namespace Tarnwick::MainFrame {

using WindowsServiceProvider::CMessageBox;

void FrameDatabaseUserInterface::ShowError(std::u16string_view text) {
    if (m_delegate != nullptr) {
        m_delegate->ShowError(text);
        return;
    }
    CMessageBox::ShowError(m_window.isVisible() ? &m_window : nullptr, text);
}

void FrameDatabaseUserInterface::ShowWarning(std::u16string_view text) {
    if (m_delegate != nullptr) {
        m_delegate->ShowWarning(text);
        return;
    }
    CMessageBox::ShowWarning(m_window.isVisible() ? &m_window : nullptr, text);
}

int FrameDatabaseUserInterface::AskCommand(std::u16string_view heading, std::u16string_view text,
                                           const std::vector<CommandButton>& buttons) {
    if (m_delegate != nullptr) {
        return m_delegate->AskCommand(heading, text, buttons);
    }
    return WindowsServiceProvider::AskCommandInTaskDialog(m_window.isVisible() ? &m_window : nullptr, heading, text,
                                                          buttons);
}

bool FrameDatabaseUserInterface::ShowsProgress() const { return m_statusBar != nullptr && m_window.isVisible(); }

void FrameDatabaseUserInterface::ProgressStart(std::int32_t units) {
    if (m_delegate != nullptr) {
        m_delegate->ProgressStart(units);
    }
    if (ShowsProgress()) {
        m_statusBar->ProgressStart(units);
    }
}

void FrameDatabaseUserInterface::ProgressStep() {
    if (m_delegate != nullptr) {
        m_delegate->ProgressStep();
    }
    if (ShowsProgress()) {
        m_statusBar->ProgressStep();
    }
}

void FrameDatabaseUserInterface::ProgressEnd() {
    if (m_delegate != nullptr) {
        m_delegate->ProgressEnd();
    }
    if (m_statusBar != nullptr) {
        m_statusBar->ProgressEnd();
    }
}

} // namespace Tarnwick::MainFrame
