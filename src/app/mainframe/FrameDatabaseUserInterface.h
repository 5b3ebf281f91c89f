#pragma once

#include "database/DatabaseUserInterface.h"

class QWidget;

namespace Tarnwick::MainFrame {

class CMainStatusBar;

// The main window's side of the database requests: errors and questions go to the installed
// interface or to the window's own message boxes; progress goes to the status bar while the
// window is visible.
class FrameDatabaseUserInterface final : public IDatabaseUserInterface {
public:
    explicit FrameDatabaseUserInterface(QWidget& window) : m_window(window) {}

    void SetDelegate(IDatabaseUserInterface* delegate) noexcept { m_delegate = delegate; }
    void SetStatusBar(CMainStatusBar* statusBar) noexcept { m_statusBar = statusBar; }

    void ShowError(std::u16string_view text) override;
    void ShowWarning(std::u16string_view text) override;
    int AskCommand(std::u16string_view heading, std::u16string_view text,
                   const std::vector<CommandButton>& buttons) override;
    void ProgressStart(std::int32_t units) override;
    void ProgressStep() override;
    void ProgressEnd() override;

private:
    bool ShowsProgress() const;

    QWidget& m_window;
    IDatabaseUserInterface* m_delegate = nullptr;
    CMainStatusBar* m_statusBar = nullptr;
};

} // namespace Tarnwick::MainFrame
