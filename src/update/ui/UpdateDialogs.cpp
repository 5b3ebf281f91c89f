#include "update/ui/UpdateDialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <thread>

#include "log/LogProvider.h"
#include "uiext/QtText.h"
#include "uilib/MessageBox.h"
#include "update/UpdateJob.h"

namespace Tarnwick::UpdateProvider {

namespace {

using UiText::Q;
using WindowsServiceProvider::CMessageBox;

// Cancel asks the worker to stop; the window stays until the worker has ended.
class ProgressDialog final : public QDialog {
public:
    ProgressDialog(QWidget* parent, std::atomic<bool>& cancel) : QDialog(parent), m_cancel(cancel) {
        setWindowTitle(Q(UpdateJob::kProgressTitle));
        setObjectName(QStringLiteral("UpdateProgress"));
        setModal(true);
        auto* layout = new QVBoxLayout(this);
        m_instruction = new QLabel(this);
        m_instruction->setObjectName(QStringLiteral("Instruction"));
        QFont font = m_instruction->font();
        font.setPointSizeF(font.pointSizeF() * 1.2);
        m_instruction->setFont(font);
        m_content = new QLabel(this);
        m_content->setObjectName(QStringLiteral("Content"));
        m_content->setWordWrap(true);
        m_bar = new QProgressBar(this);
        m_bar->setRange(0, 0);
        m_bar->setTextVisible(false);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
        m_cancelButton = buttons->button(QDialogButtonBox::Cancel);
        connect(buttons, &QDialogButtonBox::rejected, this, &ProgressDialog::reject);
        layout->addWidget(m_instruction);
        layout->addWidget(m_content);
        layout->addWidget(m_bar);
        layout->addWidget(buttons);
        setMinimumWidth(420);
    }

    void SetTexts(const QString& instruction, const QString& content) {
        m_instruction->setText(instruction);
        m_content->setText(content);
    }

    void Finish() {
        m_finished = true;
        accept();
    }

    void reject() override {
        m_cancel = true;
        m_cancelButton->setEnabled(false);
        if (m_finished) {
            QDialog::reject();
        }
    }

private:
    std::atomic<bool>& m_cancel;
    QLabel* m_instruction = nullptr;
    QLabel* m_content = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancelButton = nullptr;
    bool m_finished = false;
};

} // namespace

QtUpdateUserInterface::QtUpdateUserInterface() = default;
QtUpdateUserInterface::~QtUpdateUserInterface() = default;

QWidget* QtUpdateUserInterface::Parent() const {
    if (QWidget* active = QApplication::activeWindow()) {
        return active;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMainWindow*>(widget) != nullptr && widget->isVisible()) {
            return widget;
        }
    }
    return nullptr;
}

bool QtUpdateUserInterface::HasParentWindow() {
    return Parent() != nullptr;
}

void QtUpdateUserInterface::RunWithProgress(std::u16string_view instruction, std::u16string_view content,
                                            std::atomic<bool>& cancel, const std::function<void()>& work) {
    ProgressDialog dialog(Parent(), cancel);
    dialog.SetTexts(Q(instruction), Q(content));
    {
        std::lock_guard lock(m_mutex);
        m_progress = &dialog;
    }
    QPointer<ProgressDialog> guard(&dialog);
    std::thread worker([&work, guard] {
        try {
            work();
        } catch (...) {
            LogProvider::LogCurrentException();
        }
        QMetaObject::invokeMethod(
            qApp,
            [guard] {
                if (guard) {
                    guard->Finish();
                }
            },
            Qt::QueuedConnection);
    });
    dialog.exec();
    worker.join();
    {
        std::lock_guard lock(m_mutex);
        m_progress = nullptr;
    }
}

void QtUpdateUserInterface::SetProgressTexts(std::u16string_view instruction, std::u16string_view content) {
    std::lock_guard lock(m_mutex);
    if (m_progress.isNull()) {
        return;
    }
    QPointer<QDialog> target = m_progress;
    QMetaObject::invokeMethod(
        qApp,
        [target, instruction = Q(instruction), content = Q(content)] {
            if (auto* dialog = static_cast<ProgressDialog*>(target.data())) {
                dialog->SetTexts(instruction, content);
            }
        },
        Qt::QueuedConnection);
}

void QtUpdateUserInterface::ShowMessage(UpdateMessageIcon icon, std::u16string_view text) {
    switch (icon) {
    case UpdateMessageIcon::Information:
        CMessageBox::ShowInformation(Parent(), text);
        break;
    case UpdateMessageIcon::Warning:
        CMessageBox::ShowWarning(Parent(), text);
        break;
    case UpdateMessageIcon::Error:
        CMessageBox::ShowError(Parent(), text);
        break;
    }
}

int QtUpdateUserInterface::Ask(const UpdateQuestion& question) {
    WindowsServiceProvider::TaskDialogOptions options;
    options.title = question.title;
    options.mainInstruction = question.mainInstruction;
    options.content = question.content;
    options.commands = question.commands;
    options.defaultCommand = question.defaultCommand;
    options.icon = question.shield ? WindowsServiceProvider::TaskDialogIcon::Shield
                                   : WindowsServiceProvider::TaskDialogIcon::Question;
    options.footerLinkText = question.footerLinkText;
    options.footerLinkUrl = std::u16string(question.footerLinkUrl.begin(), question.footerLinkUrl.end());
    return CMessageBox::ShowTaskDialog(Parent(), options);
}

void QtUpdateUserInterface::OpenUrl(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

} // namespace Tarnwick::UpdateProvider
