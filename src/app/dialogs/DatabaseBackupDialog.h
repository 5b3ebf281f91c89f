#pragma once

#include <filesystem>
#include <memory>

#include <QDialog>

#include "app/dialogs/MaintenanceHost.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QThread;

namespace WindowsServiceProvider {
class CDatabaseMessageUI;
}

namespace Tarnwick {

class DialogHeader;

namespace Dialogs {
class BackupWorker;
class ThreadedDatabaseUi;
} // namespace Dialogs

// "Datenbanksicherung erstellen": a checked copy of the database file, or a new database with
// the same credentials and content, at a path of the user's choice. The work runs on a thread
// of its own; the dialog stays disabled until the worker reports, and ends only then.
class CDatabaseBackupDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr std::u16string_view kSameFile = u"Quelle und Ziel der Sicherung sind identisch.";

    // now is the moment for the default path's date.
    CDatabaseBackupDialog(Dialogs::MaintenanceHost& host, std::int64_t now, QWidget* parent = nullptr);
    ~CDatabaseBackupDialog() override;

    int DoModal();
    void OnOk();
    void OnBrowse();
    bool IsWorking() const noexcept { return m_working; }

    DialogHeader* GetHeader() const { return m_header; }
    QComboBox* GetMethodBox() const { return m_method; }
    QLineEdit* GetPathEdit() const { return m_path; }
    QPushButton* GetBrowseButton() const { return m_browse; }
    QPushButton* GetOkButton() const { return m_ok; }
    QPushButton* GetCancelButton() const { return m_cancel; }
    QProgressBar* GetProgressBar() const { return m_progress; }
    QLabel* GetWorkingLabel() const { return m_label; }

    void reject() override;

private:
    // The checks of OK in their order; false keeps the dialog open.
    bool Validate(const std::filesystem::path& target, bool& replace);
    void Start(const std::filesystem::path& target, bool replace);
    void OnFinished(bool succeeded, const QString& failure);
    void StopThread();

    Dialogs::MaintenanceHost& m_host;
    std::unique_ptr<WindowsServiceProvider::CDatabaseMessageUI> m_messages;
    std::unique_ptr<Dialogs::ThreadedDatabaseUi> m_threadUi;
    std::unique_ptr<Dialogs::BackupWorker> m_worker;
    QThread* m_thread = nullptr;
    bool m_working = false;

    DialogHeader* m_header = nullptr;
    QComboBox* m_method = nullptr;
    QLineEdit* m_path = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_label = nullptr;
};

} // namespace Tarnwick
