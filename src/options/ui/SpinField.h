#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace Tarnwick::OptionsLibrary {

// A number field with its spinner: the arrows (and the Up and Down keys) step within the
// range, while typed text is free, so that a value beyond the range reaches the page's check
// and its message instead of being swallowed.
class CSpinField final : public QWidget {
    Q_OBJECT
public:
    explicit CSpinField(QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum);
    int Minimum() const noexcept { return m_minimum; }
    int Maximum() const noexcept { return m_maximum; }

    // The field's text as a decimal number; text that is no number counts as 0.
    int Value() const;
    void SetText(const QString& text);
    QString Text() const;
    // One step up (+1) or down (-1), kept within the range.
    void Step(int steps);

    QLineEdit* GetEdit() const noexcept { return m_edit; }
    QToolButton* GetUpButton() const noexcept { return m_up; }
    QToolButton* GetDownButton() const noexcept { return m_down; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_edit;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_minimum = 0;
    int m_maximum = 99;
};

} // namespace Tarnwick::OptionsLibrary
