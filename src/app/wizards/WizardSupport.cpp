#include "app/wizards/WizardSupport.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

#include <QAbstractButton>
#include <QEventLoop>
#include <QProgressBar>
#include <QTreeWidgetItemIterator>

#include "app/ApplicationIcon.h"
#include "app/CommandBoundary.h"
#include "app/ModalDialog.h"
#include "app/dialogs/MaintenanceHost.h"
#include "app/views/PasswordDataTreeCtrl.h"
#include "uiext/QtText.h"

namespace Tarnwick::ExportImport {

using Views::TreeItemKind;

namespace {

constexpr int kProgressInterval = 100; // ms

const std::initializer_list<QWizard::WizardButton> kSheetButtons = {QWizard::BackButton, QWizard::NextButton,
                                                                    QWizard::FinishButton, QWizard::CancelButton};

} // namespace

Selection CheckedSelection(const TreeProvider::PasswordDataTreeCtrl& tree) {
    Selection selection;
    for (QTreeWidgetItemIterator it(const_cast<TreeProvider::PasswordDataTreeCtrl*>(&tree)); *it != nullptr; ++it) {
        const TreeProvider::CheckedTreeItemData* data = tree.DataOf(*it);
        if (data == nullptr || data->check != Qt::Checked) {
            continue;
        }
        if (data->kind == TreeItemKind::Folder) {
            selection.folders.push_back(data->folder);
        } else if (data->kind == TreeItemKind::Entry) {
            selection.entries.push_back({data->folder, data->entry});
        }
    }
    return selection;
}

WizardWorker::WizardWorker() {
    m_poll.setInterval(kProgressInterval);
    connect(&m_poll, &QTimer::timeout, this, &WizardWorker::ShowProgress);
}

WizardWorker::~WizardWorker() = default;

void WizardWorker::AttachProgressBar(QProgressBar* bar) { m_bar = bar; }

bool WizardWorker::Run(const std::function<void()>& work) {
    if (m_working) {
        return false;
    }
    bool completed = false;
    QEventLoop loop;
    QThread* thread = QThread::create([&] {
        try {
            work();
            completed = true;
        } catch (...) {
            App::LogCurrentException();
        }
    });
    connect(thread, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    m_working = true;
    m_poll.start();
    thread->start();
    loop.exec();
    thread->wait();
    delete thread;
    m_poll.stop();
    m_working = false;
    ShowProgress();
    return completed;
}

void WizardWorker::ProgressStart(std::int32_t units) {
    m_units = units > 0 ? units : 0;
    m_done = 0;
    m_active = true;
    if (QThread::currentThread() == thread()) {
        ShowProgress();
    }
}

void WizardWorker::ProgressStep() { ++m_done; }

void WizardWorker::ProgressEnd() {
    m_active = false;
    if (QThread::currentThread() == thread()) {
        ShowProgress();
    }
}

void WizardWorker::SetStatus(std::u16string_view text) { emit StatusChanged(UiText::Q(text)); }

void WizardWorker::ShowProgress() {
    if (m_bar == nullptr) {
        return;
    }
    const std::int32_t units = m_units;
    if (!m_active) {
        // A finished run shows a full bar, an idle one an empty bar.
        m_bar->setRange(0, 100);
        m_bar->setValue(units > 0 && m_done >= units ? 100 : 0);
        return;
    }
    m_bar->setRange(0, units);
    m_bar->setValue(std::min<std::int32_t>(m_done, units));
}

ExportImportWizard::ExportImportWizard(const QString& title, QWidget* parent) : QWizard(parent) {
    setWindowTitle(title);
    setWizardStyle(QWizard::ModernStyle);
    setOption(QWizard::NoBackButtonOnStartPage, true);
    setPixmap(QWizard::LogoPixmap, App::ApplicationIcon().pixmap(48, 48));
    setWindowIcon(App::ApplicationIcon());
    setMinimumSize(560, 480);
}

bool ExportImportWizard::RunWork(const std::function<void()>& work) {
    std::vector<std::pair<QAbstractButton*, bool>> resting;
    for (const QWizard::WizardButton which : kSheetButtons) {
        if (QAbstractButton* shown = button(which)) {
            resting.emplace_back(shown, shown->isEnabled());
            shown->setEnabled(false);
        }
    }
    QWidget* page = currentPage();
    if (page != nullptr) {
        page->setEnabled(false);
    }
    const bool completed = m_worker.Run(work);
    if (page != nullptr) {
        page->setEnabled(true);
    }
    for (const auto& [shown, enabled] : resting) {
        shown->setEnabled(enabled);
    }
    return completed;
}

int ExportImportWizard::DoModal() { return App::RunModal(*this) == QDialog::Accepted ? kFinished : kCancelled; }

void ExportImportWizard::reject() {
    if (!m_worker.IsWorking()) {
        QWizard::reject();
    }
}

void ExportImportWizard::done(int result) {
    // The worker holds references into the pages: the sheet ends only after it.
    if (!m_worker.IsWorking()) {
        QWizard::done(result);
    }
}

bool FollowOwnChange(Dialogs::MaintenanceHost& host) {
    auto tell = std::exchange(host.session.onReloaded, nullptr);
    bool reloaded = false;
    try {
        reloaded = host.session.ReloadIfChanged();
    } catch (...) {
        host.session.onReloaded = std::move(tell);
        throw;
    }
    host.session.onReloaded = std::move(tell);
    if (reloaded && host.dataReloaded) {
        host.dataReloaded();
    }
    return reloaded;
}

} // namespace Tarnwick::ExportImport
