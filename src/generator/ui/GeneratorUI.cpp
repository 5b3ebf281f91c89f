#include "generator/ui/GeneratorUI.h"

#include <chrono>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "uilib/MessageBox.h"

namespace Tarnwick::PasswordGenerator {
namespace Controls {

MouseEntropyCtrl::MouseEntropyCtrl(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(240, 120);
    setCursor(Qt::CrossCursor);
}

void MouseEntropyCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x2A, 0x58, 0x80));
    // A few concentric rings as the picture: something to circle around.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 90), 2));
    const QPointF centre = QRectF(rect()).center();
    for (int r = 12; r < qMin(width(), height()) / 2; r += 14) {
        painter.drawEllipse(centre, r, r);
    }
}

void MouseEntropyCtrl::mouseMoveEvent(QMouseEvent* event) {
    emit MouseMoved(event->globalPosition().toPoint());
    QWidget::mouseMoveEvent(event);
}

} // namespace Controls

namespace UI {

CEntropyDialog::CEntropyDialog(QWidget* parent, MouseEntropy& collector)
    : QDialog(parent), m_collector(collector) {
    setWindowTitle(Q(kEntropyDialogCaption));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(Q(kEntropyDialogText), this);
    text->setWordWrap(true);
    layout->addWidget(text);
    m_field = new Controls::MouseEntropyCtrl(this);
    layout->addWidget(m_field, 1);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, static_cast<int>(collector.Wanted()));
    m_progress->setValue(static_cast<int>(collector.Collected()));
    m_progress->setTextVisible(false);
    layout->addWidget(m_progress);
    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    layout->addWidget(cancel, 0, Qt::AlignRight);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_field, &Controls::MouseEntropyCtrl::MouseMoved, this, &CEntropyDialog::OnMouseMoved);
}

void CEntropyDialog::OnMouseMoved(QPoint screenPosition) {
    const auto tick = static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                     std::chrono::steady_clock::now().time_since_epoch())
                                                     .count());
    const bool complete = m_collector.AddMovement(tick, screenPosition.x(), screenPosition.y());
    m_progress->setValue(static_cast<int>(m_collector.Collected()));
    if (complete) {
        accept();
    }
}

void QtGeneratorUI::ShowError(std::u16string_view message) {
    WindowsServiceProvider::CMessageBox::ShowError(m_parent, message);
}

void QtGeneratorUI::BeginWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void QtGeneratorUI::EndWaitCursor() { QApplication::restoreOverrideCursor(); }

void QtGeneratorUI::CollectMouseEntropy(MouseEntropy& collector) {
    CEntropyDialog dialog(m_parent, collector);
    dialog.exec();
}

std::uint32_t WindowIdOf(const QWidget* widget) {
    // The top-level window's address stands in for a window handle; it creates no native window.
    return widget != nullptr ? static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(widget->window())) : 0U;
}

} // namespace UI
} // namespace Tarnwick::PasswordGenerator
