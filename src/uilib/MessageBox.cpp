#include "uilib/MessageBox.h"

#include <atomic>

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include "uiext/QtText.h"

namespace WindowsServiceProvider {

using Tarnwick::UiText::Q;

namespace {

std::atomic<IDialogResponder*> g_responder{nullptr};

// Shows the dialog, or hands it to the responder.
void Run(QDialog& dialog) {
    if (IDialogResponder* responder = g_responder.load(std::memory_order_acquire)) {
        responder->Respond(dialog);
        return;
    }
    dialog.exec();
}

QMessageBox::Icon ToIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToButtons(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case MessageButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// The answer when the box was closed without a button: the button that stands for
// cancelling, as the platform's message box reports it.
MessageResult ClosedResult(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
        return MessageResult::Ok;
    case MessageButtons::YesNo:
        return MessageResult::No;
    default:
        return MessageResult::Cancel;
    }
}

} // namespace

IDialogResponder* CMessageBox::SetResponder(IDialogResponder* responder) noexcept {
    return g_responder.exchange(responder, std::memory_order_acq_rel);
}

MessageResult CMessageBox::Show(QWidget* parent, std::u16string_view text, MessageIcon icon, MessageButtons buttons) {
    QMessageBox box(parent);
    box.setWindowTitle(Q(kProductTitle));
    box.setIcon(ToIcon(icon));
    // Messages quote paths and names: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(Q(text));
    box.setStandardButtons(ToButtons(buttons));
    switch (buttons) {
    case MessageButtons::YesNo:
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        break;
    case MessageButtons::YesNoCancel:
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MessageButtons::OkCancel:
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MessageButtons::RetryCancel:
        box.setDefaultButton(QMessageBox::Retry);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MessageButtons::Ok:
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        break;
    }
    Run(box);

    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
        return MessageResult::Ok;
    case QMessageBox::Cancel:
        return MessageResult::Cancel;
    case QMessageBox::Retry:
        return MessageResult::Retry;
    case QMessageBox::Yes:
        return MessageResult::Yes;
    case QMessageBox::No:
        return MessageResult::No;
    default:
        return ClosedResult(buttons);
    }
}

void CMessageBox::ShowError(QWidget* parent, std::u16string_view text) {
    Show(parent, text, MessageIcon::Error, MessageButtons::Ok);
}

void CMessageBox::ShowWarning(QWidget* parent, std::u16string_view text) {
    Show(parent, text, MessageIcon::Warning, MessageButtons::Ok);
}

void CMessageBox::ShowInformation(QWidget* parent, std::u16string_view text) {
    Show(parent, text, MessageIcon::Information, MessageButtons::Ok);
}

bool CMessageBox::AskYesNo(QWidget* parent, std::u16string_view text) {
    return Show(parent, text, MessageIcon::Question, MessageButtons::YesNo) == MessageResult::Yes;
}

int CMessageBox::ShowTaskDialog(QWidget* parent, const TaskDialogOptions& options) {
    CTaskDialog dialog(parent);
    dialog.setWindowTitle(Q(options.title.empty() ? kProductTitle : std::u16string_view(options.title)));
    dialog.SetMainInstruction(Q(options.mainInstruction));
    dialog.SetContent(Q(options.content));
    dialog.SetIcon(options.icon);
    for (const std::u16string& command : options.commands) {
        dialog.AddCommand(Q(command));
    }
    if (options.defaultCommand >= 0 && options.defaultCommand < static_cast<int>(options.commands.size())) {
        dialog.SetDefaultCommand(options.defaultCommand);
    }
    dialog.SetFooterLink(Q(options.footerLinkText), Q(options.footerLinkUrl));
    dialog.SetCancelButton(options.cancelButton);
    if (options.okButton) {
        dialog.SetOkButton(true);
    }
    dialog.SetExpandedInformation(Q(options.expandedInformation));
    dialog.SetAllowCancel(options.allowCancel);
    Run(dialog);
    return dialog.GetSelectedCommand();
}

QTranslator* InstallGermanTranslations(QApplication& application) {
    static const QString kName = QStringLiteral("twQtBaseGerman");
    if (auto* installed = application.findChild<QTranslator*>(kName, Qt::FindDirectChildrenOnly)) {
        return installed;
    }
    auto* translator = new QTranslator(&application);
    translator->setObjectName(kName);
    if (!translator->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

} // namespace WindowsServiceProvider
