#pragma once

#include <cstdint>

#include <QColor>
#include <QStatusBar>

class QLabel;
class QProgressBar;
class QToolButton;

namespace Tarnwick::MainFrame {

// The main window's status bar: the status text, the progress bar while the database
// works, the clipboard indicator and the database name.
class CMainStatusBar final : public QStatusBar {
    Q_OBJECT
public:
    explicit CMainStatusBar(QWidget* parent = nullptr);

    void SetStatusText(const QString& text);
    QString StatusText() const;
    void SetClipboardText(const QString& text);
    QString ClipboardText() const;
    void SetDatabaseName(const QString& name);

    void ProgressStart(std::int32_t units);
    void ProgressStep();
    void ProgressEnd();
    QProgressBar* ProgressBar() const noexcept { return m_progress; }
    bool IsProgressShown() const;

    void SetColours(const QColor& top, const QColor& bottom, const QColor& line);

signals:
    void CommandRequested(int id);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_top = QColor(0xe3, 0xef, 0xfd);
    QColor m_bottom = QColor(0xc4, 0xda, 0xf5);
    QColor m_line = QColor(0x8d, 0xb2, 0xe3);
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QToolButton* m_clipboard = nullptr;
    QToolButton* m_database = nullptr;
};

} // namespace Tarnwick::MainFrame
