#include "app/mainframe/MainStatusBar.h"

#include <algorithm>

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QProgressBar>
#include <QToolButton>

#include "app/mainframe/CommandIds.h"
#include "app/mainframe/CommandIcons.h"

namespace Tarnwick::MainFrame {

CMainStatusBar::CMainStatusBar(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("StatusBar"));
    setSizeGripEnabled(true);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusText"));
    m_status->setTextFormat(Qt::PlainText);
    addWidget(m_status, 1);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("StatusProgress"));
    m_progress->setMaximumWidth(180);
    m_progress->setMaximumHeight(14);
    m_progress->setTextVisible(false);
    m_progress->hide();
    addPermanentWidget(m_progress);

    m_clipboard = new QToolButton(this);
    m_clipboard->setObjectName(QStringLiteral("ClipboardIndicator"));
    m_clipboard->setAutoRaise(true);
    m_clipboard->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_clipboard->setIcon(CommandIcon(Commands::ID_COPY_PASSWORD));
    m_clipboard->setToolTip(QStringLiteral("Zwischenablage löschen"));
    connect(m_clipboard, &QToolButton::clicked, this,
            [this] { emit CommandRequested(Commands::ID_STATUS_CLEAR_CLIPBOARD); });
    addPermanentWidget(m_clipboard);

    m_database = new QToolButton(this);
    m_database->setObjectName(QStringLiteral("DatabaseIndicator"));
    m_database->setAutoRaise(true);
    m_database->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_database->setIcon(CommandIcon(Commands::ID_DATABASE_PROPERTIES));
    connect(m_database, &QToolButton::clicked, this,
            [this] { emit CommandRequested(Commands::ID_STATUS_DATABASE_PROPERTIES); });
    addPermanentWidget(m_database);
}

void CMainStatusBar::SetColours(const QColor& top, const QColor& bottom, const QColor& line) {
    m_top = top;
    m_bottom = bottom;
    m_line = line;
    update();
}

void CMainStatusBar::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0, m_top);
        gradient.setColorAt(1, m_bottom);
        painter.fillRect(rect(), gradient);
        painter.setPen(m_line);
        painter.drawLine(0, 0, width(), 0);
    }
    QStatusBar::paintEvent(event);
}

void CMainStatusBar::SetStatusText(const QString& text) { m_status->setText(text); }

QString CMainStatusBar::StatusText() const { return m_status->text(); }

void CMainStatusBar::SetClipboardText(const QString& text) { m_clipboard->setText(text); }

QString CMainStatusBar::ClipboardText() const { return m_clipboard->text(); }

void CMainStatusBar::SetDatabaseName(const QString& name) { m_database->setText(name); }

void CMainStatusBar::ProgressStart(std::int32_t units) {
    m_progress->setRange(0, units > 0 ? units : 0);
    m_progress->setValue(0);
    m_progress->show();
    // Requests run on this thread: paint now, without running the event loop.
    m_progress->repaint();
}

void CMainStatusBar::ProgressStep() {
    if (!m_progress->isVisibleTo(this) || m_progress->value() >= m_progress->maximum()) {
        return;
    }
    const int maximum = std::max(1, m_progress->maximum());
    const int before = m_progress->value() * 100 / maximum;
    m_progress->setValue(m_progress->value() + 1);
    if (m_progress->value() * 100 / maximum != before && m_progress->isVisible()) {
        m_progress->repaint();
    }
}

void CMainStatusBar::ProgressEnd() { m_progress->hide(); }

bool CMainStatusBar::IsProgressShown() const { return m_progress->isVisibleTo(const_cast<CMainStatusBar*>(this)); }

} // namespace Tarnwick::MainFrame
