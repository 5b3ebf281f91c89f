#include "app/mainframe/CommandTable.h"

#include <algorithm>

#include "app/mainframe/CommandIds.h"

namespace Tarnwick::Commands {

namespace {

constexpr QKeyCombination Ctrl(Qt::Key key) { return QKeyCombination(Qt::ControlModifier, key); }
constexpr QKeyCombination CtrlShift(Qt::Key key) {
    return QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, key);
}

std::vector<CommandInfo> Build() {
    return {
        {ID_DATABASE_NEW, u"Neu", u"Erstellt eine neue Passwortdatenbank."},
        {ID_DATABASE_OPEN, u"Öffnen", u"Öffnet eine vorhandene Passwortdatenbank.", Ctrl(Qt::Key_O)},
        {ID_DATABASE_REORGANIZE, u"Reorganisieren", u"Reorganisiert die Passwortdatenbank.",
         QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_R)},
        {ID_DATABASE_CHANGE_PASSWORD, u"Passwort ändern", u"Ändert das Passwort der Datenbank."},
        {ID_DATABASE_PROPERTIES, u"Informationen", u"Zeigt die Eigenschaften der Datenbank an."},
        {ID_STATUS_DATABASE_PROPERTIES, u"Informationen", u"Zeigt die Eigenschaften der Datenbank an."},
        {ID_DATABASE_LOGOFF, u"Abmelden", u"Meldet Sie von der Datenbank ab.", CtrlShift(Qt::Key_L)},
        {ID_DATABASE_DELETE, u"Löschen", u"Löscht die Passwortdatenbank unwiderruflich."},
        {ID_DATABASE_EXPORT, u"Exportieren", u"Exportiert Passwortinformationen in eine neue Datenbank."},
        {ID_DATABASE_IMPORT, u"Importieren", u"Importiert Passwortinformationen aus einer anderen Datenbank."},
        {ID_DATABASE_BACKUP, u"Sicherung erstellen", u"Erstellt eine Sicherungskopie der Datenbank."},
        {ID_DATABASE_IMPORT_EXTERNAL, u"Importieren aus externer Quelle",
         u"Importiert Passwortinformationen aus anderen Passwortmanagern."},

        {ID_OPTIONS, u"Optionen", u"Ändert die Einstellungen von Tarnwick."},
        {ID_WORKSPACE_LOCK, kLockCaption, kLockDescription, Ctrl(Qt::Key_L)},
        {ID_HELP_MANUAL, u"Hilfe", u"Öffnet das Benutzerhandbuch."},
        {ID_UPDATES, u"Updates", u"Prüft, ob eine neue Version von Tarnwick verfügbar ist."},
        {ID_MINIMIZE_TO_TRAY, u"Infobereich", u"Minimiert Tarnwick in den Infobereich.", CtrlShift(Qt::Key_M)},
        {ID_SUPPORT, u"Support", u"Öffnet die Support-Seite von Tarnwick."},
        {ID_FEEDBACK, u"Feedback senden...", u"Schreibt eine E-Mail mit Ihrem Feedback zu Tarnwick."},
        {ID_WEBSITE, u"Tarnwick im Internet", u"Öffnet die Internetseite von Tarnwick."},
        {ID_PRINT, u"Drucken", u"Druckt Passwortinformationen."},
        {ID_PRINT_PREVIEW, u"Druckvorschau", u"Zeigt die Druckvorschau an."},

        {ID_PASSWORD_NEW, u"Neu", u"Erstellt eine neue Passwortinformation.", Ctrl(Qt::Key_N)},
        {ID_PASSWORD_EDIT, u"Bearbeiten", u"Bearbeitet die gewählte Passwortinformation."},
        {ID_PASSWORD_PROPERTIES, u"Eigenschaften", u"Zeigt die Eigenschaften der gewählten Passwortinformation an."},
        {ID_PASSWORD_DELETE, u"Löschen", u"Löscht die gewählten Passwortinformationen.",
         QKeyCombination(Qt::NoModifier, Qt::Key_Delete), KeyScope::List},
        {ID_COPY_USERNAME, u"Benutzername kopieren", u"Kopiert den Benutzernamen in die Zwischenablage.",
         Ctrl(Qt::Key_B)},
        {ID_COPY_PASSWORD, u"Passwort kopieren", u"Kopiert das Passwort in die Zwischenablage.", Ctrl(Qt::Key_P)},
        {ID_COPY_URL, u"Url kopieren", u"Kopiert die Url bzw. das Programm in die Zwischenablage.", Ctrl(Qt::Key_U)},
        {ID_CLEAR_CLIPBOARD, u"Zwischenablage löschen", u"Löscht den Inhalt der Zwischenablage.", Ctrl(Qt::Key_Q)},
        {ID_STATUS_CLEAR_CLIPBOARD, u"Zwischenablage löschen", u"Löscht den Inhalt der Zwischenablage."},
        {ID_SHOW_PASSWORDS, kShowPasswordsCaption, u"Zeigt Benutzernamen und Passwörter in der Liste an.",
         QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus)},
        {ID_HIDE_PASSWORDS, kHidePasswordsCaption, u"Verbirgt Benutzernamen und Passwörter in der Liste.",
         QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus)},
        {ID_TOGGLE_PASSWORDS, u"Anzeigen/Verbergen", u"Zeigt oder verbirgt Benutzernamen und Passwörter."},
        {ID_SEARCH, u"Suchen", u"Sucht nach Passwortinformationen.", Ctrl(Qt::Key_F)},
        {ID_COPY_EMAIL, u"E-Mail kopieren", u"Kopiert die E-Mail-Adresse in die Zwischenablage.", Ctrl(Qt::Key_E)},
        {ID_RUN_URL, u"Url/Programm starten.", u"Öffnet die Url bzw. startet das Programm.", Ctrl(Qt::Key_R)},
        {ID_PASSWORD_DUPLICATE, u"Duplizieren", u"Erstellt eine Kopie der gewählten Passwortinformation.",
         CtrlShift(Qt::Key_D)},
        {ID_COPY_DESCRIPTION, u"Beschreibung kopieren", u"Kopiert die Beschreibung in die Zwischenablage.",
         Ctrl(Qt::Key_D)},
        {ID_CLEAR_FIELDS, u"Felder löschen", u"Löscht alle benutzerdefinierten Felder der Passwortinformation."},
        {ID_RESET_HISTORY, u"Historie zurücksetzen", u"Leert die Passworthistorie der Passwortinformation."},
        {ID_COPY_COMMENT, u"Kommentar kopieren", u"Kopiert den Kommentar in die Zwischenablage."},
        {ID_SELECT_ALL, u"Alle markieren", u"Markiert alle Passwortinformationen der Liste.", Ctrl(Qt::Key_A),
         KeyScope::List},
        {ID_PASSWORD_GENERATOR, u"Passwort Generator", u"Erzeugt sichere Passwörter."},

        {ID_FOLDER_NEW, u"Neuer Ordner", u"Erstellt einen neuen Ordner.", CtrlShift(Qt::Key_N)},
        {ID_FOLDER_RENAME, u"Ordner umbenennen", u"Benennt den gewählten Ordner um.",
         QKeyCombination(Qt::NoModifier, Qt::Key_F2)},
        {ID_FOLDER_DELETE, u"Ordner löschen", u"Löscht den gewählten Ordner mit allen Passwortinformationen.",
         QKeyCombination(Qt::NoModifier, Qt::Key_Delete), KeyScope::Tree},
        {ID_FOLDER_SORT, u"Ordner sortieren", u"Legt die Sortierung der Ordner fest."},

        {ID_COMMENT_COPY, u"&Kopieren", u"Kopiert den markierten Text.", Ctrl(Qt::Key_C), KeyScope::Comment},
        {ID_COMMENT_EDIT, u"Kommentar &bearbeiten", u"Bearbeitet den Kommentar."},
        {ID_COMMENT_SELECT_ALL, u"&Alles markieren", u"Markiert den gesamten Kommentar.", Ctrl(Qt::Key_A),
         KeyScope::Comment},

        {ID_LIST_SORT_NAME, u"Nach Namen sortieren", u"Sortiert die Passwortinformationen nach ihrer Beschreibung."},
        {ID_LIST_SORT_INDEX, u"Nach Index sortieren", u"Sortiert die Passwortinformationen in ihrer Reihenfolge."},
        {ID_LIST_SORT_CREATION, u"Nach Erstelldatum sortieren",
         u"Sortiert die Passwortinformationen nach dem Erstelldatum."},
        {ID_LIST_SORT_MODIFICATION, u"Nach Änderungsdatum sortieren",
         u"Sortiert die Passwortinformationen nach der letzten Änderung."},
        {ID_LIST_SORT_EXPIRY, u"Nach Verfall sortieren", u"Sortiert die Passwortinformationen nach dem Verfallsdatum."},
        {ID_LIST_SORT_DESCENDING, u"Absteigend sortieren", u"Sortiert die Passwortinformationen absteigend."},
        {ID_LIST_SORT_ASCENDING, u"Aufsteigend sortieren", u"Sortiert die Passwortinformationen aufsteigend."},

        {ID_FOLDER_SORT_NAME, u"Nach Namen sortieren", u"Sortiert die Ordner nach ihrem Namen."},
        {ID_FOLDER_SORT_INDEX, u"Nach Index sortieren", u"Sortiert die Ordner in ihrer Reihenfolge."},
        {ID_FOLDER_SORT_ASCENDING, u"Aufsteigend", u"Sortiert die Ordner aufsteigend."},
        {ID_FOLDER_SORT_DESCENDING, u"Absteigend", u"Sortiert die Ordner absteigend."},

        {ID_FIELD_NEW, u"&Neues Feld anlegen", u"Legt ein neues benutzerdefiniertes Feld an."},
        {ID_FIELD_EDIT, u"&Bearbeiten", u"Bearbeitet das benutzerdefinierte Feld."},
        {ID_FIELD_COPY_NAME, u"&Namen kopieren", u"Kopiert den Namen des Feldes in die Zwischenablage."},
        {ID_FIELD_COPY_VALUE, u"&Wert kopieren", u"Kopiert den Wert des Feldes in die Zwischenablage."},
        {ID_HISTORY_COPY_DATE, u"&Datum kopieren", u"Kopiert das Datum in die Zwischenablage."},
        {ID_HISTORY_COPY_PASSWORD, u"&Passwort kopieren", u"Kopiert das frühere Passwort in die Zwischenablage."},
        {ID_HISTORY_MASK, u"&Passwörter verbergen", u"Verbirgt oder zeigt die früheren Passwörter."},

        {ID_STYLE_BLUE, u"Blau", u"Stellt die blaue Darstellung ein."},
        {ID_STYLE_SILVER, u"Silber", u"Stellt die silberne Darstellung ein."},
        {ID_STYLE_BLACK, u"Schwarz", u"Stellt die schwarze Darstellung ein."},
        {ID_STYLE_AQUA, u"Aqua", u"Stellt die Aqua-Darstellung ein."},

        {ID_TRAY_OPEN_DATABASE, u"&Datenbank öffnen", u"Öffnet eine andere Passwortdatenbank."},
        {ID_TRAY_LOGOFF, u"&Abmelden", u"Meldet Sie von der Datenbank ab."},
        {ID_TRAY_EXIT, u"&Beenden", u"Beendet Tarnwick."},
        {ID_TRAY_RESTORE, u"Öffnen", u"Stellt das Fenster von Tarnwick wieder her."},

        {ID_APP_ABOUT, u"Info über...", u"Zeigt Informationen über Tarnwick an."},
        {ID_APP_EXIT, u"Beenden", u"Beendet Tarnwick."},
    };
}

} // namespace

const std::vector<CommandInfo>& CommandTable() {
    static const std::vector<CommandInfo> table = Build();
    return table;
}

const CommandInfo* FindCommand(int id) {
    const auto& table = CommandTable();
    const auto found = std::find_if(table.begin(), table.end(), [id](const CommandInfo& c) { return c.id == id; });
    return found == table.end() ? nullptr : &*found;
}

} // namespace Tarnwick::Commands
