#pragma once

// What the two halves of the main window's code share: its texts, its posted requests and
// small helpers. Only CMainFrame's own sources include it.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

#include <QEvent>
#include <QString>
#include <QWidget>

#include "app/mainframe/CommandIds.h"
#include "app/views/PasswordListModel.h"
#include "uiext/QtText.h"
#include "uilib/MessageBox.h"

namespace Tarnwick::MainFrame::Internal {

using namespace Commands;
using WindowsServiceProvider::CMessageBox;

inline constexpr std::u16string_view kReady = u"Bereit";
inline constexpr std::u16string_view kLocked = u"Gesperrt";
inline constexpr std::u16string_view kUpdatingData = u"Aktualisiere Daten...";
inline constexpr std::u16string_view kFolderReadError = u"Es ist ein Fehler beim Auslesen der Ordnerinformationen aufgetreten.";
inline constexpr std::u16string_view kEntryReadError = u"Es ist ein Fehler beim Auslesen der Passwortinformationen aufgetreten.";
inline constexpr std::u16string_view kClipboardError = u"Die Daten konnten nicht in die Zwischenablage kopiert werden.";
inline constexpr std::u16string_view kMoveError = u"Es ist ein Fehler beim Verschieben aufgetreten.";
inline constexpr std::u16string_view kLockedTitle = u"Arbeitsbereich ist gesperrt";
inline constexpr std::u16string_view kAutoCompletionLocked =
    u"Um die Auto-Vervollständigung ausführen zu können, geben Sie den Arbeitsbereich wieder frei.";
inline constexpr std::u16string_view kTrayBalloon = u"Tarnwick wurde in den Infobereich minimiert.";
inline constexpr std::u16string_view kReloaded =
    u"Die Datenbank wurde von einem anderen Programm geändert und neu geladen. Ihr Befehl wurde auf den neuen "
    u"Stand angewendet.";
inline constexpr std::u16string_view kWelcome = u"Willkommen bei Tarnwick. Zum Anlegen eines neuen Passworts klicken Sie auf "
                                         u"die nebenstehende Schaltfläche.";
inline constexpr int kUpdateOfferTimer = 3;

// The support addresses of the product.
inline const QString kSupportAddress = QStringLiteral("https://www.tarnwick.example/support/");
inline const QString kWebsiteAddress = QStringLiteral("https://www.tarnwick.example/");
inline const QString kFeedbackAddress = QStringLiteral("feedback@tarnwick.example");

using UiText::Q;

inline QString PathText(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

// Requests the window posts to itself.
class AutoCompletionEvent final : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 2);
    AutoCompletionEvent(std::size_t folder, std::size_t entry) : QEvent(kType), folder(folder), entry(entry) {}
    std::size_t folder;
    std::size_t entry;
};

class AutoCompletionChoiceEvent final : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 3);
    explicit AutoCompletionChoiceEvent(int choice) : QEvent(kType), choice(choice) {}
    int choice;
};

class FolderRenamedEvent final : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 4);
    FolderRenamedEvent(std::size_t position, QString name) : QEvent(kType), position(position), name(std::move(name)) {}
    std::size_t position;
    QString name;
};

inline std::uint64_t SteadyMilliseconds() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

inline void ShowLockedInformation(QWidget* parent, std::u16string_view text) {
    WindowsServiceProvider::TaskDialogOptions options;
    options.title = std::u16string(kLockedTitle);
    options.content = std::u16string(text);
    options.icon = WindowsServiceProvider::TaskDialogIcon::Information;
    options.cancelButton = true;
    CMessageBox::ShowTaskDialog(parent, options);
}

// The list's column headers sort by the key they show; a second click turns the direction.
inline std::optional<int> SortKeyOfColumn(int column) {
    switch (column) {
    case Views::PasswordListModel::kSymbol:
        return ID_LIST_SORT_INDEX;
    case Views::PasswordListModel::kValidity:
        return ID_LIST_SORT_EXPIRY;
    case Views::PasswordListModel::kDescription:
        return ID_LIST_SORT_NAME;
    default:
        return std::nullopt;
    }
}

} // namespace Tarnwick::MainFrame::Internal
