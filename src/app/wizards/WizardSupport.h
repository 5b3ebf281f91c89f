#pragma once

// What the export wizard and the database import wizard share: the sheet, the checked tree's
// selection, the worker thread that does the long work, and the messages that reach the
// user from that thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>
#include <QWizard>

#include "database/DatabaseUserInterface.h"
#include "exchange/ExportSelection.h"
#include "uilib/MessageBox.h"

class QProgressBar;

namespace Tarnwick::TreeProvider {
class PasswordDataTreeCtrl;
}

namespace Tarnwick::Dialogs {
struct MaintenanceHost;
}

namespace Tarnwick::ExportImport {

// What the user ticked: every folder shown fully checked (so that an empty folder can be
// chosen) and every checked entry.
Selection CheckedSelection(const TreeProvider::PasswordDataTreeCtrl& tree);

// Runs the long part of a page on a thread of its own. The page waits in a local event loop,
// so its window still paints, its progress bar moves and the worker's messages and questions
// (carried over to this thread, the worker waiting for the answer) are shown. Only this
// thread touches widgets.
class WizardWorker final : public QObject {
    Q_OBJECT
public:
    WizardWorker();
    ~WizardWorker() override;

    // Runs work to its end; false when it threw (logged).
    bool Run(const std::function<void()>& work);
    bool IsWorking() const noexcept { return m_working; }

    // Runs the call on this object's thread; from the worker it waits for the call's end.
    template <typename Call>
    void OnGuiThread(Call&& call) {
        if (QThread::currentThread() == thread()) {
            call();
            return;
        }
        QMetaObject::invokeMethod(this, [&call] { call(); }, Qt::BlockingQueuedConnection);
    }

    // The bar that shows the worker's progress (nullptr: none).
    void AttachProgressBar(QProgressBar* bar);

    // From any thread. Steps are counted and shown a few times a second, so that a run
    // over many entries does not flood the window with events.
    void ProgressStart(std::int32_t units);
    void ProgressStep();
    void ProgressEnd();
    void SetStatus(std::u16string_view text);

signals:
    void StatusChanged(const QString& text);

private:
    void ShowProgress();

    bool m_working = false;
    QProgressBar* m_bar = nullptr;
    QTimer m_poll;
    std::atomic<std::int32_t> m_units{0};
    std::atomic<std::int32_t> m_done{0};
    std::atomic<bool> m_active{false};
};

// The database requests' messages and questions, shown over the wizard on its own thread,
// and their progress on the page's bar.
template <typename Interface>
class WizardUserInterface : public Interface {
public:
    WizardUserInterface(WizardWorker& worker, QWidget& owner) : m_worker(worker), m_owner(owner) {}

    void ShowError(std::u16string_view text) override {
        m_worker.OnGuiThread([&] { WindowsServiceProvider::CMessageBox::ShowError(&m_owner, text); });
    }
    void ShowWarning(std::u16string_view text) override {
        m_worker.OnGuiThread([&] { WindowsServiceProvider::CMessageBox::ShowWarning(&m_owner, text); });
    }
    int AskCommand(std::u16string_view heading, std::u16string_view text,
                   const std::vector<CommandButton>& buttons) override {
        WindowsServiceProvider::TaskDialogOptions options;
        options.mainInstruction = std::u16string(heading);
        options.content = std::u16string(text);
        options.icon = WindowsServiceProvider::TaskDialogIcon::Question;
        for (const CommandButton& button : buttons) {
            std::u16string command(button.caption);
            if (!button.explanation.empty()) {
                command += u'\n';
                command += button.explanation;
            }
            options.commands.push_back(std::move(command));
        }
        options.defaultCommand = DefaultCommand(heading);
        // Cancel is an answer of its own (the duplicate question aborts the import with it).
        options.cancelButton = true;
        int answer = -1;
        m_worker.OnGuiThread([&] { answer = WindowsServiceProvider::CMessageBox::ShowTaskDialog(&m_owner, options); });
        return answer;
    }
    void ProgressStart(std::int32_t units) override { m_worker.ProgressStart(units); }
    void ProgressStep() override { m_worker.ProgressStep(); }
    void ProgressEnd() override { m_worker.ProgressEnd(); }

protected:
    // The command a question offers first; -1 where nothing may be pre-chosen.
    virtual int DefaultCommand(std::u16string_view) const { return -1; }

    WizardWorker& m_worker;
    QWidget& m_owner;
};

// The sheet of both wizards (`ExportImportWizard`): it cannot be closed while its worker runs,
// and its buttons rest meanwhile.
class ExportImportWizard : public QWizard {
    Q_OBJECT
public:
    static constexpr int kFinished = 12325;
    static constexpr int kCancelled = 2;

    explicit ExportImportWizard(const QString& title, QWidget* parent = nullptr);

    WizardWorker& Worker() noexcept { return m_worker; }
    // Runs work on the worker with the sheet's buttons at rest; false when it threw.
    bool RunWork(const std::function<void()>& work);
    // kFinished when the wizard ended with Finish, kCancelled otherwise.
    int DoModal();

    void reject() override;
    void done(int result) override;

private:
    WizardWorker m_worker;
};

// After a request outside the session changed the database file: the session reads it again
// (it is the program's own change, so nothing says another program made it) and the views
// follow. False when the file was as the session knew it.
bool FollowOwnChange(Dialogs::MaintenanceHost& host);

} // namespace Tarnwick::ExportImport
