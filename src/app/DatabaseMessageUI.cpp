#include "app/DatabaseMessageUI.h"

#include <QProgressBar>
#include <QWidget>

#include "uilib/MessageBox.h"

namespace WindowsServiceProvider {

namespace {

QPointer<QProgressBar>& ProgressBarSlot() {
    static QPointer<QProgressBar> bar;
    return bar;
}

// The bar, when its window is on screen.
QProgressBar* VisibleBar() {
    QProgressBar* bar = ProgressBarSlot().data();
    if (bar == nullptr || !bar->window()->isVisible()) {
        return nullptr;
    }
    return bar;
}

} // namespace

CDatabaseMessageUI::CDatabaseMessageUI(QWidget* parent) : m_parent(parent) {}

void CDatabaseMessageUI::ShowError(std::u16string_view text) {
    CMessageBox::ShowError(m_parent.data(), text);
}

void CDatabaseMessageUI::ShowWarning(std::u16string_view text) {
    CMessageBox::ShowWarning(m_parent.data(), text);
}

int AskCommandInTaskDialog(QWidget* parent, std::u16string_view heading, std::u16string_view text,
                           const std::vector<Tarnwick::CommandButton>& buttons, int defaultCommand) {
    TaskDialogOptions options;
    options.mainInstruction = std::u16string(heading);
    options.content = std::u16string(text);
    options.icon = TaskDialogIcon::Question;
    for (const Tarnwick::CommandButton& button : buttons) {
        std::u16string command(button.caption);
        if (!button.explanation.empty()) {
            command += u'\n';
            command += button.explanation;
        }
        options.commands.push_back(std::move(command));
    }
    options.defaultCommand = defaultCommand;
    return CMessageBox::ShowTaskDialog(parent, options);
}

int CDatabaseMessageUI::AskCommand(std::u16string_view heading, std::u16string_view text,
                                   const std::vector<Tarnwick::CommandButton>& buttons) {
    // The questions decide about replacing or converting a file: nothing is pre-chosen.
    return AskCommandInTaskDialog(m_parent.data(), heading, text, buttons, -1);
}

void CDatabaseMessageUI::ProgressStart(std::int32_t units) {
    if (QProgressBar* bar = VisibleBar()) {
        bar->setRange(0, units > 0 ? units : 0);
        bar->setValue(0);
        bar->show();
    }
}

void CDatabaseMessageUI::ProgressStep() {
    if (QProgressBar* bar = VisibleBar()) {
        if (bar->value() < bar->maximum()) {
            bar->setValue(bar->value() + 1);
        }
    }
}

void CDatabaseMessageUI::ProgressEnd() {
    if (QProgressBar* bar = ProgressBarSlot().data()) {
        bar->hide();
    }
}

void CDatabaseMessageUI::SetProgressBar(QProgressBar* bar) {
    ProgressBarSlot() = bar;
}

QProgressBar* CDatabaseMessageUI::GetProgressBar() {
    return ProgressBarSlot().data();
}

} // namespace WindowsServiceProvider
