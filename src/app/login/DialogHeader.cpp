#include "app/login/DialogHeader.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QVBoxLayout>

#include "app/ApplicationIcon.h"

namespace Tarnwick {

DialogHeader::DialogHeader(const QString& title, const QString& text, QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    colours.setColor(QPalette::WindowText, QColor(0x1d, 0x1d, 0x1d));
    setPalette(colours);

    auto* icon = new QLabel(this);
    icon->setPixmap(App::ApplicationIcon().pixmap(40, 40));
    icon->setAlignment(Qt::AlignTop);

    m_title = new QLabel(title, this);
    m_title->setTextFormat(Qt::PlainText);
    QFont bold = m_title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    m_title->setFont(bold);

    m_text = new QLabel(text, this);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setVisible(!text.isEmpty());

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(m_title);
    texts->addWidget(m_text);
    texts->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addLayout(texts, 1);
    layout->addWidget(icon);
}

void DialogHeader::SetText(const QString& text) {
    m_text->setText(text);
    m_text->setVisible(!text.isEmpty());
}

QString DialogHeader::GetTitle() const {
    return m_title->text();
}

QString DialogHeader::GetText() const {
    return m_text->text();
}

} // namespace Tarnwick
