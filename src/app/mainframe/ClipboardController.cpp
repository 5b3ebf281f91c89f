#include "app/mainframe/ClipboardController.h"

#include <QWidget>

#include "app/mainframe/CommandIds.h"
#include "app/views/InformationPanel.h"
#include "log/LogProvider.h"
#include "uilib/MessageBox.h"

namespace Tarnwick::MainFrame {

ClipboardController::ClipboardController(ApplicationSettings::Settings& settings,
                                         std::shared_ptr<IFieldClipboard> clipboard,
                                         std::function<void(ClipboardKind)> showKind, QObject* parent)
    : QObject(parent), m_settings(settings), m_clipboard(std::move(clipboard)), m_showKind(std::move(showKind)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ClipboardController::OnTimer);
    m_clipboard->onLost = [this] { OnLost(); };
}

ClipboardController::~ClipboardController() {
    m_timer.stop();
    m_clipboard->onLost = nullptr;
}

void ClipboardController::Copy(std::u16string_view text, ClipboardKind kind) {
    if (m_settings.warnClipboardWatched && m_watcherCheck) {
        const std::u16string watcher = m_watcherCheck();
        if (!watcher.empty()) {
            WindowsServiceProvider::TaskDialogOptions question;
            question.mainInstruction = u"Die Zwischenablage wird z.Zt. von einem Programm überwacht!";
            question.content = watcher;
            question.commands = {u"Daten kopieren\nKopiert die Daten in die Zwischenablage.",
                                 u"Daten nicht kopieren\nKopiert keine Daten in die Zwischenablage."};
            question.icon = WindowsServiceProvider::TaskDialogIcon::Warning;
            question.defaultCommand = 1;
            if (WindowsServiceProvider::CMessageBox::ShowTaskDialog(qobject_cast<QWidget*>(parent()), question) != 0) {
                return; // nothing copied, the status stays
            }
        }
    }
    m_clipboard->CopyText(text);
    m_showKind(kind);
    m_timer.stop();
    if (m_settings.clipboardClearSeconds > 0) {
        m_timer.start(m_settings.clipboardClearSeconds * 1000);
    }
}

void ClipboardController::CopyField(const PasswordADT::PasswordItem& item, int command) {
    switch (command) {
    case Commands::ID_COPY_USERNAME:
        Copy(item.GetUserName().View(), ClipboardKind::UserName);
        break;
    case Commands::ID_COPY_PASSWORD: {
        // Out of secure memory for the copy only.
        const StringServiceProvider::PlainString password = item.GetPassword().Reveal();
        Copy(password.View(), ClipboardKind::Password);
        break;
    }
    case Commands::ID_COPY_URL:
        Copy(item.GetUrl().View(), ClipboardKind::Url);
        break;
    case Commands::ID_COPY_EMAIL:
        Copy(item.GetEmail().View(), ClipboardKind::Email);
        break;
    case Commands::ID_COPY_DESCRIPTION:
        Copy(item.GetDescription().View(), ClipboardKind::Description);
        break;
    case Commands::ID_COPY_COMMENT:
        Copy(item.GetComment().View(), ClipboardKind::Comment);
        break;
    default:
        break;
    }
}

void ClipboardController::CopyUserField(const PasswordADT::PasswordItem* item, std::optional<std::size_t> field,
                                        bool name, QWidget* parent) {
    if (item == nullptr || !field || *field >= item->GetUserDefinedFields().Count()) {
        WindowsServiceProvider::CMessageBox::ShowError(
            parent, name ? u"Der Name des Eintrags konnte nicht ausgelesen werden."
                         : u"Der Wert des Eintrags konnte nicht ausgelesen werden.");
        return;
    }
    const auto& pair = *(item->GetUserDefinedFields().begin() + static_cast<std::ptrdiff_t>(*field));
    Copy(name ? pair.first.View() : pair.second.View(), name ? ClipboardKind::FieldName : ClipboardKind::FieldValue);
}

void ClipboardController::CopyHistory(const PasswordADT::PasswordItem* item, std::optional<std::size_t> index,
                                      bool date, QWidget* parent) {
    if (item == nullptr || !index || *index >= item->GetPasswordHistory().Count()) {
        WindowsServiceProvider::CMessageBox::ShowError(parent, date ? u"Das Datum konnte nicht ausgelesen werden."
                                                                    : u"Das Passwort konnte nicht ausgelesen werden.");
        return;
    }
    const PasswordADT::PasswordHistoryEntry& entry = item->GetPasswordHistory().At(*index);
    if (date) {
        Copy(Views::CInformationPanel::FormatDate(entry.time).toStdU16String(), ClipboardKind::HistoryDate);
    } else {
        const StringServiceProvider::PlainString password = entry.password.Reveal();
        Copy(password.View(), ClipboardKind::HistoryPassword);
    }
}

void ClipboardController::Clear() {
    // A text another program put there meanwhile is not ours to take away.
    if (!m_ownerCheck || m_ownerCheck()) {
        m_clipboard->Clear();
    }
    m_showKind(ClipboardKind::Empty);
    m_timer.stop();
}

void ClipboardController::OnTimer() {
    try {
        if (m_settings.clipboardClearSeconds >= 1) {
            Clear();
        }
    } catch (...) {
        LogProvider::GenericLog::LogEvent(0, u"ClipboardController::OnTimer: clearing failed");
    }
    m_timer.stop();
}

void ClipboardController::OnLost() {
    try {
        m_showKind(ClipboardKind::Empty);
    } catch (...) {
        LogProvider::GenericLog::LogEvent(0, u"ClipboardController::OnLost failed");
    }
    m_timer.stop();
}

} // namespace Tarnwick::MainFrame
