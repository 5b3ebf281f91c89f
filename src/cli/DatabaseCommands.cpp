// Verbs on whole databases: create, properties, credentials, cipher, reorganise, backup, delete.
#include <ctime>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/Session.h"
#include "base/text/CaseFolding.h"
#include "base/text/Format.h"
#include "crypto/CipherBaseFactory.h"
#include "database/FileBackup.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::Cli {

namespace {

std::int32_t CipherOf(const std::string& name) {
    if (name == "aes") {
        return CDatabase::kAes;
    }
    if (name == "blowfish") {
        return CDatabase::kBlowfish;
    }
    throw UsageError{"Unbekannte Verschlüsselung \"" + name + "\" (aes oder blowfish)."};
}

std::string TimeText(std::int64_t seconds) {
    if (seconds < 0) {
        return "nie";
    }
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
    return text;
}

int CreateDatabase(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user", "--cipher", "--folder"}, {"--case-sensitive", "--json"});
    ExpectPositional(args, 1, 1);
    std::u16string path = Wide(args.Positional()[0]);
    const std::int32_t cipher = CipherOf(args.Value("--cipher").value_or("aes"));
    const std::u16string folder = Wide(args.Value("--folder").value_or("Allgemein"));
    if (folder.empty() || folder.size() > PasswordADT::Category::kMaximumNameLength) {
        throw UsageError{"Der Ordnername muss 1 bis 74 Zeichen lang sein."};
    }
    if (path.empty()) {
        throw RequestError{"Geben Sie einen Datenbanknamen an."};
    }
    LoginCredentials credentials;
    credentials.userName = Session::AskUserName(console, args.Value("--user"));
    if (credentials.userName.IsEmpty()) {
        throw RequestError{"Geben Sie einen Benutzernamen ein."};
    }
    credentials.password = Session::AskNewSecret(console, "Datenbankpasswort");
    if (credentials.password.IsEmpty()) {
        throw RequestError{"Geben Sie ein Datenbankpasswort ein."};
    }
    if (path.size() < 5 || path.compare(path.size() - 5, 5, u".twdb") != 0) {
        console.Error("Hinweis: Der Name der Datenbank besitzt nicht die Dateiendung für Tarnwick Datenbanken "
                      "(*.twdb).\n");
    }
    if (!args.Has("--case-sensitive")) {
        // As the new-database wizard does: user names are then matched in any case.
        credentials.userName.Assign(Text::ToLower(credentials.userName.View()));
    }
    Session session(console, Text::ToUtf8(path), std::nullopt);
    if (!session.Database().Create(credentials, cipher, folder)) {
        throw RequestError{session.UI().ShowedError() ? "" : "Die Datenbank wurde nicht erstellt."};
    }
    console.Error("Die Datenbank wurde erfolgreich erstellt.\n");
    return 0;
}

int DatabaseInfo(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user"}, {"--json"});
    ExpectPositional(args, 1, 1);
    Session session(console, args.Positional()[0], args.Value("--user"));
    // One authentication only: a log-in before it would show itself as the last log-in.
    EmberkiteDatabase::DatabaseProperties p;
    session.Authenticated(
        [&](const LoginCredentials& credentials) { return session.Database().Properties(credentials, p); });
    const std::string version = std::to_string(p.majorVersion) + "." + std::to_string(p.minorVersion);
    if (args.Has("--json")) {
        console.OutLine("{\"version\":" + Json::Quote(version) + ",\"entries\":" + std::to_string(p.passwordCount) +
                        ",\"folders\":" + std::to_string(p.folderCount) + ",\"created\":" + std::to_string(p.created) +
                        ",\"modified\":" + std::to_string(p.lastModified) +
                        ",\"passwordChanged\":" + std::to_string(p.passwordChanged) +
                        ",\"previousLogin\":" + std::to_string(p.previousLogin) +
                        ",\"fileSize\":" + std::to_string(p.fileSize) + ",\"algorithm\":" + std::to_string(p.algorithm) +
                        ",\"algorithmName\":" + Json::Quote(p.algorithmName.View()) + "}");
        return 0;
    }
    console.OutLine("Version:                 " + version);
    console.OutLine("Passwortinformationen:   " + std::to_string(p.passwordCount));
    console.OutLine("Ordner:                  " + std::to_string(p.folderCount));
    console.OutLine("Erstellt am:             " + TimeText(p.created));
    console.OutLine("Letzte Änderung:         " + TimeText(p.lastModified));
    console.OutLine("Letzte Passwortänderung: " + TimeText(p.passwordChanged));
    console.OutLine("Letzte Anmeldung:        " + TimeText(p.previousLogin));
    console.OutLine("Dateigröße:              " + std::to_string(p.fileSize) + " Bytes");
    console.Out("Verschlüsselung:         ");
    console.Out(p.algorithmName.View());
    console.OutLine("");
    return 0;
}

int ChangePassword(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user", "--new-user"}, {});
    ExpectPositional(args, 1, 1);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    LoginCredentials fresh;
    if (const auto user = args.Value("--new-user")) {
        fresh.userName.Assign(Wide(*user));
    } else {
        fresh.userName = session.Credentials().userName;
    }
    if (fresh.userName.IsEmpty()) {
        throw RequestError{"Geben Sie einen Benutzernamen ein."};
    }
    fresh.password = Session::AskNewSecret(console, "Neues Passwort");
    if (fresh.password.IsEmpty()) {
        throw RequestError{"Geben Sie ein Datenbankpasswort ein."};
    }
    if (session.Database().ChangePassword(session.Credentials(), fresh, session.Data()) != RequestResult::Succeeded) {
        throw RequestError{};
    }
    console.Error("Das Passwort der Datenbank wurde geändert.\n");
    return 0;
}

int ChangeCipher(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user"}, {});
    ExpectPositional(args, 2, 2);
    const std::int32_t cipher = CipherOf(args.Positional()[1]);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    if (session.Database().ChangeAlgorithm(session.Credentials(), cipher, session.Data()) !=
        RequestResult::Succeeded) {
        throw RequestError{};
    }
    console.Error("Die Verschlüsselung der Datenbank wurde geändert.\n");
    return 0;
}

int Reorganize(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user"}, {});
    ExpectPositional(args, 1, 1);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    if (session.Database().Reorganise(session.Credentials(), session.Data()) != RequestResult::Succeeded) {
        throw RequestError{};
    }
    console.Error("Die Datenbank wurde reorganisiert.\n");
    return 0;
}

int Backup(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {}, {});
    ExpectPositional(args, 1, 1);
    WindowsServiceProvider::FileBackupEx backup;
    try {
        backup.Backup(args.Positional()[0]);
    } catch (const Utilities::Exceptions::Exception&) {
        throw RequestError{"Die Sicherung der Datenbank ist fehlgeschlagen."};
    }
    console.OutLine(backup.GetBackupPath().string());
    return 0;
}

int Delete(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user"}, {"--yes"});
    ExpectPositional(args, 1, 1);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.LogIn();
    if (!args.Has("--yes")) {
        if (!console.IsInteractive()) {
            throw UsageError{"Ohne Terminal muss das Löschen mit --yes bestätigt werden."};
        }
        StringServiceProvider::PlainString answer;
        console.ReadLine("Die Datenbank wird unwiderruflich gelöscht. Fortfahren? (ja/nein): ", answer);
        if (!(answer == u"ja" || answer == u"j")) {
            console.Error("Die Datenbank wurde nicht gelöscht.\n");
            return 1;
        }
    }
    if (session.Database().Delete(session.Credentials()) != RequestResult::Succeeded) {
        throw RequestError{};
    }
    console.Error("Die Datenbank wurde gelöscht.\n");
    return 0;
}

} // namespace

std::vector<Command> DatabaseCommands() {
    return {
        {"db-create", "db-create DATEI [--user NAME] [--cipher aes|blowfish] [--case-sensitive] [--folder NAME]",
         "Legt eine neue Datenbank mit dem ersten Ordner (Standard \"Allgemein\") an.", CreateDatabase},
        {"db-info", "db-info DATEI [--user NAME] [--json]", "Zeigt die Eigenschaften einer Datenbank.", DatabaseInfo},
        {"passwd", "passwd DATEI [--user NAME] [--new-user NAME]", "Ändert das Passwort der Datenbank.",
         ChangePassword},
        {"cipher", "cipher DATEI aes|blowfish [--user NAME]", "Ändert die Verschlüsselung der Datenbank.",
         ChangeCipher},
        {"reorganize", "reorganize DATEI [--user NAME]",
         "Reorganisiert die Datenbank (neue Salze und Vektoren, kompakte Datei).", Reorganize},
        {"backup", "backup DATEI", "Legt eine geprüfte Sicherungskopie neben der Datenbank an und nennt ihren Pfad.",
         Backup},
        {"delete", "delete DATEI [--user NAME] [--yes]",
         "Überschreibt die Datenbank mehrfach und löscht sie (mit Rückfrage).", Delete},
    };
}

} // namespace Tarnwick::Cli
