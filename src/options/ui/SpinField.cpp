#include "options/ui/SpinField.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

namespace Tarnwick::OptionsLibrary {

CSpinField::CSpinField(QWidget* parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    // Digits only, but more of them than the range allows: the page's check names the limits.
    m_edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), m_edit));
    m_edit->setMaxLength(4);
    m_edit->setFixedWidth(m_edit->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);
    m_edit->setAlignment(Qt::AlignRight);
    m_edit->installEventFilter(this);
    for (QToolButton* button : {m_up, m_down}) {
        button->setArrowType(button == m_up ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(16, 11);
    }
    connect(m_up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });

    auto* arrows = new QVBoxLayout;
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    arrows->addWidget(m_up);
    arrows->addWidget(m_down);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(m_edit);
    layout->addLayout(arrows);
    setFocusProxy(m_edit);
}

void CSpinField::SetRange(int minimum, int maximum) {
    m_minimum = minimum;
    m_maximum = maximum;
}

int CSpinField::Value() const {
    bool ok = false;
    const int value = m_edit->text().trimmed().toInt(&ok);
    return ok ? value : 0;
}

void CSpinField::SetText(const QString& text) {
    m_edit->setText(text);
}

QString CSpinField::Text() const {
    return m_edit->text();
}

void CSpinField::Step(int steps) {
    const int value = std::clamp(Value() + steps, m_minimum, m_maximum);
    m_edit->setText(QString::number(value));
}

bool CSpinField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace Tarnwick::OptionsLibrary
