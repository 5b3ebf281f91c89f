#pragma once

#include <QDialog>

class QTreeWidget;

namespace Tarnwick::MainFrame {

// "Info über...": the product, its version and the versions of its parts.
class CAboutDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent = nullptr);

    QString VersionLine() const;
    QTreeWidget* ComponentList() const noexcept { return m_components; }
    // The system information that "Systeminfo..." shows.
    static QString SystemInformation();

private:
    QString m_versionLine;
    QTreeWidget* m_components = nullptr;
};

} // namespace Tarnwick::MainFrame
