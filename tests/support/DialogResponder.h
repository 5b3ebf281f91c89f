#pragma once

#include <deque>
#include <variant>

#include <QCommandLinkButton>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "uilib/MessageBox.h"

namespace TestSupport {

// Answers message boxes and task dialogs in place of the user and records what they showed.
class ScriptedResponder final : public WindowsServiceProvider::IDialogResponder {
public:
    struct Cancel {};
    using Answer = std::variant<QMessageBox::StandardButton, int, Cancel>;

    struct Shown {
        QString caption;
        QString text;            // message text, or the task dialog's content
        QString instruction;     // task dialog only
        QString expanded;        // task dialog: the text behind "Weitere Informationen"
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList buttons;     // button texts without mnemonics
        QStringList captions;    // command links
        QStringList explanations;
        QString defaultButton;
        bool plainText = false;
    };

    ScriptedResponder() : m_previous(WindowsServiceProvider::CMessageBox::SetResponder(this)) {}
    ~ScriptedResponder() override { WindowsServiceProvider::CMessageBox::SetResponder(m_previous); }
    ScriptedResponder(const ScriptedResponder&) = delete;
    ScriptedResponder& operator=(const ScriptedResponder&) = delete;

    void Then(Answer answer) { m_answers.push_back(answer); }
    const std::vector<Shown>& Seen() const { return m_seen; }

    void Respond(QDialog& dialog) override {
        Shown shown;
        shown.caption = dialog.windowTitle();
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        auto* task = qobject_cast<WindowsServiceProvider::CTaskDialog*>(&dialog);
        if (box != nullptr) {
            shown.text = box->text();
            shown.icon = box->icon();
            shown.plainText = box->textFormat() == Qt::PlainText;
            for (QAbstractButton* button : box->buttons()) {
                shown.buttons << Clean(button->text());
            }
            if (box->defaultButton() != nullptr) {
                shown.defaultButton = Clean(box->defaultButton()->text());
            }
        } else if (task != nullptr) {
            shown.instruction = task->GetMainInstruction();
            shown.text = task->GetContent();
            if (task->GetExpander()->isVisibleTo(task)) {
                shown.expanded = task->GetExpandedLabel()->text();
                shown.buttons << task->GetExpander()->text();
            }
            for (QCommandLinkButton* button : task->GetCommandButtons()) {
                shown.captions << button->text();
                shown.explanations << button->description();
                if (button->isDefault()) {
                    shown.defaultButton = button->text();
                }
            }
            if (QPushButton* cancel = task->GetCancelButton()) {
                shown.buttons << Clean(cancel->text());
            }
        }
        m_seen.push_back(shown);

        if (m_answers.empty()) {
            return; // left open
        }
        const Answer answer = m_answers.front();
        m_answers.pop_front();
        if (const auto* button = std::get_if<QMessageBox::StandardButton>(&answer); button && box) {
            if (QAbstractButton* target = box->button(*button)) {
                target->click();
            }
        } else if (const auto* index = std::get_if<int>(&answer); index && task) {
            task->GetCommandButtons().at(*index)->click();
        } else if (std::holds_alternative<Cancel>(answer)) {
            dialog.reject();
        }
    }

    static QString Clean(QString text) { return text.remove(QLatin1Char('&')); }

private:
    WindowsServiceProvider::IDialogResponder* m_previous;
    std::deque<Answer> m_answers;
    std::vector<Shown> m_seen;
};

} // namespace TestSupport
