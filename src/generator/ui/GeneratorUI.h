#pragma once

#include <cstdint>
#include <string_view>

#include <QDialog>
#include <QPoint>
#include <QString>
#include <QWidget>

#include "generator/Entropy.h"
#include "generator/PasswordGenerator.h"
#include "uiext/QtText.h"

class QProgressBar;

namespace Tarnwick::PasswordGenerator {

using UiText::Q;

namespace Controls {

// The field the user moves the mouse over; reports every movement in screen coordinates.
class MouseEntropyCtrl : public QWidget {
    Q_OBJECT
public:
    explicit MouseEntropyCtrl(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {320, 160}; }

signals:
    void MouseMoved(QPoint screenPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

} // namespace Controls

namespace UI {

// "Entropie sammeln": steps its bar for every movement over the field and closes itself with
// OK once the collector has its samples. Cancel leaves the collector with what it got.
class CEntropyDialog : public QDialog {
    Q_OBJECT
public:
    CEntropyDialog(QWidget* parent, MouseEntropy& collector);
    Controls::MouseEntropyCtrl* GetField() const noexcept { return m_field; }
    QProgressBar* GetProgress() const noexcept { return m_progress; }
    void OnMouseMoved(QPoint screenPosition);

private:
    MouseEntropy& m_collector;
    Controls::MouseEntropyCtrl* m_field;
    QProgressBar* m_progress;
};

// The generator's window services: message boxes, the wait cursor and the entropy dialog.
class QtGeneratorUI : public IGeneratorUI {
public:
    explicit QtGeneratorUI(QWidget* parent) : m_parent(parent) {}
    void ShowError(std::u16string_view message) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void CollectMouseEntropy(MouseEntropy& collector) override;

private:
    QWidget* m_parent;
};

// A window id for the system entropy hash.
std::uint32_t WindowIdOf(const QWidget* widget);

} // namespace UI
} // namespace Tarnwick::PasswordGenerator
