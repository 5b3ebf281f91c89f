#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QCommandLinkButton;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace WindowsServiceProvider {

// Shield: the step asks for administrator rights.
enum class TaskDialogIcon { None, Information, Warning, Error, Question, Shield };

// A dialog that asks with command links: a main instruction, a content text and one large
// button per choice, each with a caption and an explanation below it.
class CTaskDialog : public QDialog {
    Q_OBJECT
public:
    explicit CTaskDialog(QWidget* parent = nullptr);

    void SetMainInstruction(const QString& text);
    void SetContent(const QString& text);
    void SetIcon(TaskDialogIcon icon);
    // The text before the first line break is the caption, the rest the explanation.
    // Returns the command's index.
    int AddCommand(const QString& text);
    // -1 for none.
    void SetDefaultCommand(int index);
    void SetFooterLink(const QString& text, const QString& url);
    // Adds a standard cancel button.
    void SetCancelButton(bool shown);
    // Adds an OK button that ends the dialog without a command (for messages).
    void SetOkButton(bool shown);
    // Text behind an expander captioned "Weitere Informationen" / "Informationen ausblenden".
    void SetExpandedInformation(const QString& text);
    // Whether Escape, the close button and the cancel button may end the dialog.
    void SetAllowCancel(bool allowed) { m_allowCancel = allowed; }

    QString GetMainInstruction() const;
    QString GetContent() const;
    QList<QCommandLinkButton*> GetCommandButtons() const { return m_commands; }
    QPushButton* GetCancelButton() const;
    QLabel* GetFooterLabel() const { return m_footer; }
    QPushButton* GetExpander() const { return m_expander; }
    QLabel* GetExpandedLabel() const { return m_expanded; }
    // The index of the chosen command, -1 when none was chosen.
    int GetSelectedCommand() const noexcept { return m_selected; }

    // Shows the dialog modally; the chosen index or -1.
    int Run();

    void reject() override;

private:
    void Choose(int index);

    QLabel* m_icon = nullptr;
    QLabel* m_instruction = nullptr;
    QLabel* m_content = nullptr;
    QVBoxLayout* m_commandLayout = nullptr;
    QLabel* m_footer = nullptr;
    QPushButton* m_expander = nullptr;
    QLabel* m_expanded = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    QList<QCommandLinkButton*> m_commands;
    int m_selected = -1;
    bool m_allowCancel = true;
};

} // namespace WindowsServiceProvider
