#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include <QPointer>

#include "database/DatabaseUserInterface.h"

class QProgressBar;
class QWidget;

namespace WindowsServiceProvider {

// A database request's question as a task dialog of command links ("caption\nexplanation");
// defaultCommand -1 pre-chooses none.
int AskCommandInTaskDialog(QWidget* parent, std::u16string_view heading, std::u16string_view text,
                           const std::vector<Tarnwick::CommandButton>& buttons, int defaultCommand = 0);

// The database requests' messages and questions as message boxes and task dialogs owned by
// a window, and their progress on the main window's progress bar.
class CDatabaseMessageUI : public Tarnwick::IDatabaseUserInterface {
public:
    explicit CDatabaseMessageUI(QWidget* parent = nullptr);

    void ShowError(std::u16string_view text) override;
    void ShowWarning(std::u16string_view text) override;
    int AskCommand(std::u16string_view heading, std::u16string_view text,
                   const std::vector<Tarnwick::CommandButton>& buttons) override;
    void ProgressStart(std::int32_t units) override;
    void ProgressStep() override;
    void ProgressEnd() override;

    // The main window's progress bar (nullptr: none). It is shown only while its window is
    // visible; while the main window is hidden nothing is shown.
    static void SetProgressBar(QProgressBar* bar);
    static QProgressBar* GetProgressBar();

private:
    QPointer<QWidget> m_parent;
};

} // namespace WindowsServiceProvider
