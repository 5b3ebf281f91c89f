#include "app/mainframe/CaptionBar.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace Tarnwick::MainFrame {

CCaptionBar::CCaptionBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("CaptionBar"));
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 4, 4);
    m_icon = new QLabel(this);
    m_icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(16, 16));
    m_text = new QLabel(this);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_button = new QPushButton(this);
    m_close = new QToolButton(this);
    m_close->setAutoRaise(true);
    m_close->setText(QStringLiteral("\u00D7"));
    m_close->setToolTip(QStringLiteral("Schließen"));
    layout->addWidget(m_icon);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_button);
    layout->addWidget(m_close);
    connect(m_button, &QPushButton::clicked, this, [this] {
        hide();
        if (m_command != 0) {
            emit CommandRequested(m_command);
        }
    });
    connect(m_close, &QToolButton::clicked, this, &QWidget::hide);
    hide();
}

void CCaptionBar::ShowMessage(const QString& text, const QString& buttonText, int command) {
    m_text->setText(text);
    m_button->setText(buttonText);
    m_button->setVisible(!buttonText.isEmpty());
    m_command = command;
    show();
}

QString CCaptionBar::Text() const { return m_text->text(); }

QString CCaptionBar::ButtonText() const { return m_button->text(); }

} // namespace Tarnwick::MainFrame
