#pragma once

#include <QString>
#include <QToolButton>

class QLineEdit;

namespace MFCServiceProvider {

// A small button at the right end inside an edit field; a click asks for a file and writes
// the chosen path into the field.
class BrowseButton : public QToolButton {
    Q_OBJECT
public:
    enum class Mode { Open = 1, Save = 2 };

    explicit BrowseButton(Mode mode = Mode::Open);

    // Puts the button into the edit (as its child, so it moves and hides with it).
    void Create(QLineEdit& edit, int identifier);

    Mode GetMode() const noexcept { return m_mode; }
    int GetIdentifier() const noexcept { return m_identifier; }
    QLineEdit* GetEdit() const noexcept { return m_edit; }
    void SetDialogTitle(const QString& title) { m_title = title; }
    // Qt file dialog filter, e.g. "Tarnwick Datenbank (*.twdb);;Alle Dateien (*)".
    void SetFilter(const QString& filter) { m_filter = filter; }

signals:
    void PathChosen(const QString& path);

protected:
    // The chosen path, or an empty text when the user cancelled.
    virtual QString ChoosePath(const QString& current);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnClicked();
    void Place();

    Mode m_mode;
    int m_identifier = 0;
    QLineEdit* m_edit = nullptr;
    QString m_title;
    QString m_filter;
};

} // namespace MFCServiceProvider
