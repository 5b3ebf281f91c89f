#include "app/mainframe/CommandTable.h"

#include <algorithm>

#include "app/mainframe/CommandIds.h"

namespace Tarnwick::Commands {

namespace {

constexpr unsigned Always = 0;

constexpr QKeyCombination Ctrl(Qt::Key key) { return QKeyCombination(Qt::ControlModifier, key); }
constexpr QKeyCombination CtrlShift(Qt::Key key) {
    return QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, key);
}

std::vector<CommandInfo> Build() {
    return {
        {ID_DATABASE_NEW, u"Neu", u"Erstellt eine neue Passwortdatenbank.", {}, KeyScope::Window, Unlocked | LogIn | Wizard},
        {ID_DATABASE_OPEN, u"Öffnen", u"Öffnet eine vorhandene Passwortdatenbank.", Ctrl(Qt::Key_O), KeyScope::Window, Unlocked | LogIn},
        {ID_DATABASE_REORGANIZE, u"Reorganisieren", u"Reorganisiert die Passwortdatenbank.",
         QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_R), KeyScope::Window, Unlocked},
        {ID_DATABASE_CHANGE_PASSWORD, u"Passwort ändern", u"Ändert das Passwort der Datenbank.", {}, KeyScope::Window, Unlocked},
        {ID_DATABASE_PROPERTIES, u"Informationen", u"Zeigt die Eigenschaften der Datenbank an.", {}, KeyScope::Window, Unlocked},
        {ID_STATUS_DATABASE_PROPERTIES, u"Informationen", u"Zeigt die Eigenschaften der Datenbank an.", {}, KeyScope::Window, Always},
        {ID_DATABASE_LOGOFF, u"Abmelden", u"Meldet Sie von der Datenbank ab.", CtrlShift(Qt::Key_L), KeyScope::Window, Unlocked | LogIn},
        {ID_DATABASE_DELETE, u"Löschen", u"Löscht die Passwortdatenbank unwiderruflich.", {}, KeyScope::Window, Unlocked},
        {ID_DATABASE_EXPORT, u"Exportieren", u"Exportiert Passwortinformationen in eine neue Datenbank.", {}, KeyScope::Window, Unlocked},
        {ID_DATABASE_IMPORT, u"Importieren", u"Importiert Passwortinformationen aus einer anderen Datenbank.", {}, KeyScope::Window, Unlocked},
        {ID_DATABASE_BACKUP, u"Sicherung erstellen", u"Erstellt eine Sicherungskopie der Datenbank.", {}, KeyScope::Window, Unlocked},
        {ID_DATABASE_IMPORT_EXTERNAL, u"Importieren aus externer Quelle",
         u"Importiert Passwortinformationen aus anderen Passwortmanagern.", {}, KeyScope::Window, Unlocked},

        {ID_OPTIONS, u"Optionen", u"Ändert die Einstellungen von Tarnwick.", {}, KeyScope::Window, Unlocked},
        {ID_WORKSPACE_LOCK, kLockCaption, kLockDescription, Ctrl(Qt::Key_L), KeyScope::Window, Always},
        {ID_HELP_MANUAL, u"Hilfe", u"Öffnet das Benutzerhandbuch.", {}, KeyScope::Window, Always},
        {ID_UPDATES, u"Updates", u"Prüft, ob eine neue Version von Tarnwick verfügbar ist.", {}, KeyScope::Window, Always},
        {ID_MINIMIZE_TO_TRAY, u"Infobereich", u"Minimiert Tarnwick in den Infobereich.", CtrlShift(Qt::Key_M), KeyScope::Window, Always},
        {ID_SUPPORT, u"Support", u"Öffnet die Support-Seite von Tarnwick.", {}, KeyScope::Window, Always},
        {ID_FEEDBACK, u"Feedback senden...", u"Schreibt eine E-Mail mit Ihrem Feedback zu Tarnwick.", {}, KeyScope::Window, Always},
        {ID_WEBSITE, u"Tarnwick im Internet", u"Öffnet die Internetseite von Tarnwick.", {}, KeyScope::Window, Always},
        {ID_PRINT, u"Drucken", u"Druckt Passwortinformationen.", {}, KeyScope::Window, Unlocked | Folders},
        {ID_PRINT_PREVIEW, u"Druckvorschau", u"Zeigt die Druckvorschau an.", {}, KeyScope::Window, Unlocked | Folders},

        {ID_PASSWORD_NEW, u"Neu", u"Erstellt eine neue Passwortinformation.", Ctrl(Qt::Key_N), KeyScope::Window, Unlocked | FolderChosen},
        {ID_PASSWORD_EDIT, u"Bearbeiten", u"Bearbeitet die gewählte Passwortinformation.",
         QKeyCombination(Qt::NoModifier, Qt::Key_Return), KeyScope::List, Unlocked | OneEntry},
        {ID_PASSWORD_PROPERTIES, u"Eigenschaften", u"Zeigt die Eigenschaften der gewählten Passwortinformation an.", {}, KeyScope::Window, Unlocked | OneEntry},
        {ID_PASSWORD_DELETE, u"Löschen", u"Löscht die gewählten Passwortinformationen.",
         QKeyCombination(Qt::NoModifier, Qt::Key_Delete), KeyScope::List, Unlocked | AnyEntry},
        {ID_COPY_USERNAME, u"Benutzername kopieren", u"Kopiert den Benutzernamen in die Zwischenablage.",
         Ctrl(Qt::Key_B), KeyScope::Window, Unlocked | OneEntry, Field::UserName},
        {ID_COPY_PASSWORD, u"Passwort kopieren", u"Kopiert das Passwort in die Zwischenablage.", Ctrl(Qt::Key_P), KeyScope::Window, Unlocked | OneEntry, Field::Password},
        {ID_COPY_URL, u"Url kopieren", u"Kopiert die Url bzw. das Programm in die Zwischenablage.", Ctrl(Qt::Key_U), KeyScope::Window, Unlocked | OneEntry, Field::Url},
        {ID_CLEAR_CLIPBOARD, u"Zwischenablage löschen", u"Löscht den Inhalt der Zwischenablage.", Ctrl(Qt::Key_Q), KeyScope::Window, Always},
        {ID_STATUS_CLEAR_CLIPBOARD, u"Zwischenablage löschen", u"Löscht den Inhalt der Zwischenablage.", {}, KeyScope::Window, Always},
        {ID_SHOW_PASSWORDS, kShowPasswordsCaption, u"Zeigt Benutzernamen und Passwörter in der Liste an.",
         QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus), KeyScope::Window, Unlocked | PasswordsHidden},
        {ID_HIDE_PASSWORDS, kHidePasswordsCaption, u"Verbirgt Benutzernamen und Passwörter in der Liste.",
         QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus), KeyScope::Window, Unlocked | PasswordsShown},
        {ID_TOGGLE_PASSWORDS, u"Anzeigen/Verbergen", u"Zeigt oder verbirgt Benutzernamen und Passwörter.", {}, KeyScope::Window, Unlocked | Entries | ListUsable},
        {ID_SEARCH, u"Suchen", u"Sucht nach Passwortinformationen.", Ctrl(Qt::Key_F), KeyScope::Window, Unlocked | Entries | ListUsable},
        {ID_COPY_EMAIL, u"E-Mail kopieren", u"Kopiert die E-Mail-Adresse in die Zwischenablage.", Ctrl(Qt::Key_E), KeyScope::Window, Unlocked | OneEntry, Field::Email},
        {ID_RUN_URL, u"Url/Programm starten.", u"Öffnet die Url bzw. startet das Programm.", Ctrl(Qt::Key_R), KeyScope::Window, Unlocked | OneEntry, Field::Url},
        {ID_PASSWORD_DUPLICATE, u"Duplizieren", u"Erstellt eine Kopie der gewählten Passwortinformation.",
         CtrlShift(Qt::Key_D), KeyScope::Window, Unlocked | OneEntry},
        {ID_COPY_DESCRIPTION, u"Beschreibung kopieren", u"Kopiert die Beschreibung in die Zwischenablage.",
         Ctrl(Qt::Key_D), KeyScope::Window, Unlocked | OneEntry, Field::Description},
        {ID_CLEAR_FIELDS, u"Felder löschen", u"Löscht alle benutzerdefinierten Felder der Passwortinformation.", {}, KeyScope::Window, Unlocked | OneEntry, Field::UserFields},
        {ID_RESET_HISTORY, u"Historie zurücksetzen", u"Leert die Passworthistorie der Passwortinformation.", {}, KeyScope::Window, Unlocked | OneEntry, Field::History},
        {ID_COPY_COMMENT, u"Kommentar kopieren", u"Kopiert den Kommentar in die Zwischenablage.", {}, KeyScope::Window, Unlocked | OneEntry, Field::Comment},
        {ID_SELECT_ALL, u"Alle markieren", u"Markiert alle Passwortinformationen der Liste.", Ctrl(Qt::Key_A),
         KeyScope::List, Unlocked | ListUsable | ListRows},
        {ID_PASSWORD_GENERATOR, u"Passwort Generator", u"Erzeugt sichere Passwörter.", {}, KeyScope::Window, Unlocked},

        {ID_FOLDER_NEW, u"Neuer Ordner", u"Erstellt einen neuen Ordner.", CtrlShift(Qt::Key_N), KeyScope::Window, Unlocked | TreeItem},
        {ID_FOLDER_RENAME, u"Ordner umbenennen", u"Benennt den gewählten Ordner um.",
         QKeyCombination(Qt::NoModifier, Qt::Key_F2), KeyScope::Window, Unlocked | TreeFolder},
        {ID_FOLDER_DELETE, u"Ordner löschen", u"Löscht den gewählten Ordner mit allen Passwortinformationen.",
         QKeyCombination(Qt::NoModifier, Qt::Key_Delete), KeyScope::Tree, Unlocked | TreeFolder},
        {ID_FOLDER_SORT, u"Ordner sortieren", u"Legt die Sortierung der Ordner fest.", {}, KeyScope::Window, Always},

        {ID_COMMENT_COPY, u"&Kopieren", u"Kopiert den markierten Text.", Ctrl(Qt::Key_C), KeyScope::Comment, CommentSelection},
        {ID_COMMENT_EDIT, u"Kommentar &bearbeiten", u"Bearbeitet den Kommentar.", {}, KeyScope::Window, Unlocked | OneEntry | NotYetBuilt},
        {ID_COMMENT_SELECT_ALL, u"&Alles markieren", u"Markiert den gesamten Kommentar.", Ctrl(Qt::Key_A),
         KeyScope::Comment, CommentText},

        {ID_LIST_SORT_NAME, u"Nach Namen sortieren", u"Sortiert die Passwortinformationen nach ihrer Beschreibung.", {}, KeyScope::Window, Always},
        {ID_LIST_SORT_INDEX, u"Nach Index sortieren", u"Sortiert die Passwortinformationen in ihrer Reihenfolge.", {}, KeyScope::Window, Always},
        {ID_LIST_SORT_CREATION, u"Nach Erstelldatum sortieren",
         u"Sortiert die Passwortinformationen nach dem Erstelldatum.", {}, KeyScope::Window, Always},
        {ID_LIST_SORT_MODIFICATION, u"Nach Änderungsdatum sortieren",
         u"Sortiert die Passwortinformationen nach der letzten Änderung.", {}, KeyScope::Window, Always},
        {ID_LIST_SORT_EXPIRY, u"Nach Verfall sortieren", u"Sortiert die Passwortinformationen nach dem Verfallsdatum.", {}, KeyScope::Window, Always},
        {ID_LIST_SORT_DESCENDING, u"Absteigend sortieren", u"Sortiert die Passwortinformationen absteigend.", {}, KeyScope::Window, Always},
        {ID_LIST_SORT_ASCENDING, u"Aufsteigend sortieren", u"Sortiert die Passwortinformationen aufsteigend.", {}, KeyScope::Window, Always},

        {ID_FOLDER_SORT_NAME, u"Nach Namen sortieren", u"Sortiert die Ordner nach ihrem Namen.", {}, KeyScope::Window, Always},
        {ID_FOLDER_SORT_INDEX, u"Nach Index sortieren", u"Sortiert die Ordner in ihrer Reihenfolge.", {}, KeyScope::Window, Always},
        {ID_FOLDER_SORT_ASCENDING, u"Aufsteigend", u"Sortiert die Ordner aufsteigend.", {}, KeyScope::Window, Always},
        {ID_FOLDER_SORT_DESCENDING, u"Absteigend", u"Sortiert die Ordner absteigend.", {}, KeyScope::Window, Always},

        {ID_FIELD_NEW, u"&Neues Feld anlegen", u"Legt ein neues benutzerdefiniertes Feld an.", {}, KeyScope::Window, Unlocked | OneEntry | NotYetBuilt},
        {ID_FIELD_EDIT, u"&Bearbeiten", u"Bearbeitet das benutzerdefinierte Feld.", {}, KeyScope::Window, Unlocked | OneEntry | FieldChosen | NotYetBuilt},
        {ID_FIELD_COPY_NAME, u"&Namen kopieren", u"Kopiert den Namen des Feldes in die Zwischenablage.", {}, KeyScope::Window, Unlocked | OneEntry | FieldChosen},
        {ID_FIELD_COPY_VALUE, u"&Wert kopieren", u"Kopiert den Wert des Feldes in die Zwischenablage.", {}, KeyScope::Window, Unlocked | OneEntry | FieldChosen},
        {ID_HISTORY_COPY_DATE, u"&Datum kopieren", u"Kopiert das Datum in die Zwischenablage.", {}, KeyScope::Window, Unlocked | OneEntry | HistoryChosen},
        {ID_HISTORY_COPY_PASSWORD, u"&Passwort kopieren", u"Kopiert das frühere Passwort in die Zwischenablage.", {}, KeyScope::Window, Unlocked | OneEntry | HistoryChosen},
        {ID_HISTORY_MASK, u"&Passwörter verbergen", u"Verbirgt oder zeigt die früheren Passwörter.", {}, KeyScope::Window, Always},

        {ID_STYLE_BLUE, u"Blau", u"Stellt die blaue Darstellung ein.", {}, KeyScope::Window, Always},
        {ID_STYLE_SILVER, u"Silber", u"Stellt die silberne Darstellung ein.", {}, KeyScope::Window, Always},
        {ID_STYLE_BLACK, u"Schwarz", u"Stellt die schwarze Darstellung ein.", {}, KeyScope::Window, Always},
        {ID_STYLE_AQUA, u"Aqua", u"Stellt die Aqua-Darstellung ein.", {}, KeyScope::Window, Always},

        {ID_TRAY_OPEN_DATABASE, u"&Datenbank öffnen", u"Öffnet eine andere Passwortdatenbank.", {}, KeyScope::Window, Unlocked | LogIn},
        {ID_TRAY_LOGOFF, u"&Abmelden", u"Meldet Sie von der Datenbank ab.", {}, KeyScope::Window, Unlocked | LogIn},
        {ID_TRAY_EXIT, u"&Beenden", u"Beendet Tarnwick.", {}, KeyScope::Window, Always},
        {ID_TRAY_RESTORE, u"Öffnen", u"Stellt das Fenster von Tarnwick wieder her.", {}, KeyScope::Window, Always},

        {ID_APP_ABOUT, u"Info über...", u"Zeigt Informationen über Tarnwick an.", {}, KeyScope::Window, Always},
        {ID_APP_EXIT, u"Beenden", u"Beendet Tarnwick.", {}, KeyScope::Window, Always},
    };
}

} // namespace

const std::vector<CommandInfo>& CommandTable() {
    static const std::vector<CommandInfo> table = Build();
    return table;
}

bool IsEnabled(const CommandInfo& command, const CommandContext& context) {
    if ((command.needs & NotYetBuilt) != 0 || (command.needs & context.met) != command.needs) {
        return false;
    }
    if (command.field == Field::None) {
        return true;
    }
    const PasswordADT::PasswordItem* entry = context.entry;
    if (entry == nullptr) {
        return false;
    }
    switch (command.field) {
    case Field::UserName:
        return !entry->GetUserName().IsEmpty();
    case Field::Password:
        return !entry->GetPassword().IsEmpty();
    case Field::Url:
        return !entry->GetUrl().IsEmpty();
    case Field::Email:
        return !entry->GetEmail().IsEmpty();
    case Field::Description:
        return !entry->GetDescription().IsEmpty();
    case Field::Comment:
        return !entry->GetComment().IsEmpty();
    case Field::UserFields:
        return entry->GetUserDefinedFields().Count() > 0;
    case Field::History:
        return entry->GetPasswordHistory().Count() > 0;
    case Field::None:
        break;
    }
    return true;
}

const CommandInfo* FindCommand(int id) {
    const auto& table = CommandTable();
    const auto found = std::find_if(table.begin(), table.end(), [id](const CommandInfo& c) { return c.id == id; });
    return found == table.end() ? nullptr : &*found;
}

} // namespace Tarnwick::Commands
