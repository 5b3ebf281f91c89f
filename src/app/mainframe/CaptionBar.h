#pragma once

#include <QFrame>

class QLabel;
class QPushButton;
class QToolButton;

namespace Tarnwick::MainFrame {

// The message bar under the command bar: a text, one button that runs a command, and a
// close button.
class CCaptionBar final : public QFrame {
    Q_OBJECT
public:
    explicit CCaptionBar(QWidget* parent = nullptr);

    // An empty button text shows no button.
    void ShowMessage(const QString& text, const QString& buttonText, int command);
    QString Text() const;
    QString ButtonText() const;
    int Command() const noexcept { return m_command; }

signals:
    void CommandRequested(int id);

private:
    QLabel* m_icon = nullptr;
    QLabel* m_text = nullptr;
    QPushButton* m_button = nullptr;
    QToolButton* m_close = nullptr;
    int m_command = 0;
};

} // namespace Tarnwick::MainFrame
