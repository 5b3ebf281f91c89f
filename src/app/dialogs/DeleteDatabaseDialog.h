#pragma once

#include <filesystem>
#include <memory>

#include <QDialog>

#include "app/dialogs/MaintenanceHost.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QThread;

namespace WindowsServiceProvider {
class CDatabaseMessageUI;
}

namespace Tarnwick {

class DialogHeader;

namespace Dialogs {
class DeleteWorker;
class ThreadedDatabaseUi;
} // namespace Dialogs

// "Welche Passwortdatenbank soll gelöscht werden?": the open database or another one is
// erased for good after its credentials were typed again and the user confirmed. The erasure
// runs on a thread of its own; the dialog ends when it reports.
class CDeleteDatabaseDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr std::u16string_view kOpenDatabaseChosen =
        u"Die angegebene Datenbank ist die aktuell geöffnete Datenbank. Um sie zu löschen, wählen Sie \"Aktuell "
        u"geöffnete Datenbank löschen\".";

    CDeleteDatabaseDialog(Dialogs::MaintenanceHost& host, QWidget* parent = nullptr);
    ~CDeleteDatabaseDialog() override;

    int DoModal();
    void OnOk();
    void OnBrowse();

    // After Accepted: whether the open database was deleted, and whether the program ends.
    bool DeletedCurrent() const noexcept { return m_current; }
    bool QuitAfterwards() const noexcept { return m_quit; }
    bool IsWorking() const noexcept { return m_working; }

    DialogHeader* GetHeader() const { return m_header; }
    QRadioButton* GetCurrentButton() const { return m_currentButton; }
    QRadioButton* GetOtherButton() const { return m_otherButton; }
    QCheckBox* GetQuitBox() const { return m_quitBox; }
    QLineEdit* GetPathEdit() const { return m_path; }
    QPushButton* GetBrowseButton() const { return m_browse; }
    QPushButton* GetOkButton() const { return m_ok; }
    QPushButton* GetCancelButton() const { return m_cancel; }
    QProgressBar* GetProgressBar() const { return m_progress; }
    QLabel* GetWorkingLabel() const { return m_label; }

    void reject() override;

private:
    void FollowChoice();
    void SetWorking(bool working);
    void OnFinished(bool deleted);
    void StopThread();

    Dialogs::MaintenanceHost& m_host;
    std::unique_ptr<WindowsServiceProvider::CDatabaseMessageUI> m_messages;
    std::unique_ptr<Dialogs::ThreadedDatabaseUi> m_threadUi;
    std::unique_ptr<Dialogs::DeleteWorker> m_worker;
    QThread* m_thread = nullptr;
    bool m_working = false;
    bool m_current = true;
    bool m_quit = false;

    DialogHeader* m_header = nullptr;
    QRadioButton* m_currentButton = nullptr;
    QRadioButton* m_otherButton = nullptr;
    QCheckBox* m_quitBox = nullptr;
    QLineEdit* m_path = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_label = nullptr;
};

} // namespace Tarnwick
