#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace Tarnwick {

// The white band at the top of the log-in dialogs: the program's icon, a bold title and an
// optional line of text.
class DialogHeader : public QWidget {
    Q_OBJECT
public:
    DialogHeader(const QString& title, const QString& text, QWidget* parent = nullptr);

    void SetText(const QString& text);
    QString GetTitle() const;
    QString GetText() const;

private:
    QLabel* m_title;
    QLabel* m_text;
};

} // namespace Tarnwick
