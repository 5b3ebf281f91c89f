#pragma once

#include <functional>

#include <QString>

class QWidget;

namespace Tarnwick::Core {

// The file dialog for database files: "Tarnwick Datenbank" (*.twdb) and "Alle Dateien".
class DatabaseFileDialog {
public:
    enum class Mode { Open, Save };
    // Replaces the dialog (tests, scripted runs): gets the mode and returns the chosen path,
    // or an empty text for a cancelled dialog.
    using Chooser = std::function<QString(Mode)>;

    explicit DatabaseFileDialog(QWidget* owner);

    // "Datenbank öffnen"; true when a file was chosen.
    bool ShowOpen();
    // "Datenbank speichern", with the extension "twdb" added to a name without one.
    bool ShowSave();
    const QString& GetFileName() const { return m_fileName; }

    // Returns the previous chooser; an empty one shows the dialog again.
    static Chooser SetChooser(Chooser chooser);

private:
    bool Show(Mode mode);

    QWidget* m_owner;
    QString m_fileName;
};

} // namespace Tarnwick::Core
