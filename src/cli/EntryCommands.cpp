// Verbs that change folders and entries: add, edit, remove, move, make and remove folders.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <functional>

#include "cli/CliSupport.h"
#include "cli/EntryFields.h"
#include "cli/GeneratorOptions.h"
#include "cli/Commands.h"
#include "cli/Session.h"
#include "cli/VaultPaths.h"
#include "model/Clock.h"

namespace Tarnwick::Cli {

using PasswordADT::Category;
using PasswordADT::CategoryRef;
using PasswordADT::PasswordData;
using PasswordADT::PasswordItem;
using StringServiceProvider::PlainString;
using StringServiceProvider::SecureString;

namespace {

const std::set<std::string> kEditOptions = {"--user",        "--description", "--username", "--url",
                                            "--email",       "--comment",     "--target-window", "--sequence",
                                            "--field",       "--field-stdin", "--remove-field"};

// Applies the field options of add and edit to an entry.
void ApplyFieldOptions(const Arguments& args, PasswordItem& item) {
    for (const auto& field : kTextFields) {
        if (const auto value = args.Value(field.option)) {
            (item.*field.set)(Wide(*value));
        }
    }
    for (const auto& name : args.Values("--remove-field")) {
        if (!item.GetUserDefinedFields().Remove(Wide(name))) {
            throw RequestError{"Das Datenfeld \"" + name + "\" existiert nicht."};
        }
    }
    for (const auto& assignment : args.Values("--field")) {
        const auto equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0) {
            throw UsageError{"--field erwartet NAME=WERT."};
        }
        const std::u16string name = Wide(assignment.substr(0, equals));
        const std::u16string value = Wide(assignment.substr(equals + 1));
        auto& fields = item.GetUserDefinedFields();
        fields.Remove(name);
        if (!value.empty()) {
            fields.Add(name, value);
        }
    }
}

// Reads the values of --field-stdin, one line each in the order given, after the passwords;
// they may be secret, so they never stand on the command line.
void ReadFieldValues(Console& console, const Arguments& args, PasswordItem& item) {
    for (const auto& name : args.Values("--field-stdin")) {
        if (name.empty()) {
            throw UsageError{"--field-stdin erwartet den Namen eines Datenfelds."};
        }
        SecureString value;
        if (!console.ReadSecret("Wert von " + name + ": ", value)) {
            throw RequestError{"Es wurde kein Wert für das Datenfeld \"" + name + "\" angegeben."};
        }
        auto& fields = item.GetUserDefinedFields();
        const std::u16string field = Wide(name);
        fields.Remove(field);
        if (!value.IsEmpty()) {
            const StringServiceProvider::PlainString plain = value.Reveal();
            fields.Add(field, plain.View());
        }
    }
}

// Checks the lengths the file format holds before anything is written.
void CheckLimits(const PasswordItem& item) {
    struct Limit {
        const char* name;
        std::size_t length;
        std::size_t max;
    };
    const Limit limits[] = {
        {"Beschreibung", item.GetDescription().Length(), PasswordItem::kMaxDescription},
        {"Benutzername", item.GetUserName().Length(), PasswordItem::kMaxUserName},
        {"Passwort", item.GetPassword().Length(), PasswordItem::kMaxPassword},
        {"Kommentar", item.GetComment().Length(), PasswordItem::kMaxComment},
        {"Url", item.GetUrl().Length(), PasswordItem::kMaxUrl},
        {"E-Mail", item.GetEmail().Length(), PasswordItem::kMaxEmail},
        {"Zielfenster", item.GetTargetWindow().Length(), PasswordItem::kMaxTargetWindow},
        {"Sequenz", item.GetSequence().Length(), PasswordItem::kMaxSequence},
    };
    for (const auto& limit : limits) {
        if (limit.length > limit.max) {
            throw RequestError{"Das Feld \"" + std::string(limit.name) + "\" ist länger als " +
                               std::to_string(limit.max) + " Zeichen."};
        }
    }
}

// The options add and edit share beyond the text fields: the generator, the history and the expiry.
std::set<std::string> EntryValueOptions() {
    std::set<std::string> options = kEditOptions;
    options.insert(kGeneratorOptions.begin(), kGeneratorOptions.end());
    options.insert({"--history-size", "--expires", "--expires-in"});
    return options;
}

std::set<std::string> EntrySwitches(std::initializer_list<const char*> own) {
    std::set<std::string> switches = kGeneratorSwitches;
    switches.insert({"--generate", "--keep-history", "--no-history"});
    switches.insert(own.begin(), own.end());
    return switches;
}

// Generator options only mean something with --generate.
void CheckGeneratorUse(const Arguments& args, const char* other) {
    if (args.Has("--generate")) {
        if (args.Has(other)) {
            throw UsageError{std::string("--generate und ") + other + " schließen einander aus."};
        }
        return;
    }
    for (const auto& option : kGeneratorOptions) {
        if (args.Has(option)) {
            throw UsageError{option + " gilt nur mit --generate."};
        }
    }
    for (const auto& option : kGeneratorSwitches) {
        if (args.Has(option)) {
            throw UsageError{option + " gilt nur mit --generate."};
        }
    }
}

// Seconds since 1970 of the local start of a day "JJJJ-MM-TT", as the entry editor stores it.
std::int64_t ParseDate(const std::string& text) {
    std::tm parts{};
    int year = 0, month = 0, day = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &tail) != 3 || text.size() != 10 ||
        year < 1971 || month < 1 || month > 12 || day < 1 || day > 31) {
        throw UsageError{"--expires erwartet ein Datum JJJJ-MM-TT oder \"never\"."};
    }
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&parts);
    // mktime moves 31 February on to March: such a date does not exist.
    if (seconds == -1 || parts.tm_mday != day || parts.tm_mon != month - 1) {
        throw UsageError{"Das Datum \"" + text + "\" gibt es nicht."};
    }
    return static_cast<std::int64_t>(seconds);
}

// The history and expiry options, checked before the database is opened.
struct EntrySettings {
    std::optional<bool> keepHistory;
    std::optional<std::int16_t> historySize;
    std::optional<PasswordADT::ValidityMode> validity;
    std::int64_t expiry = 0;

    explicit EntrySettings(const Arguments& args) {
        if (args.Has("--keep-history") && args.Has("--no-history")) {
            throw UsageError{"--keep-history und --no-history schließen einander aus."};
        }
        if (args.Has("--keep-history") || args.Has("--no-history")) {
            keepHistory = args.Has("--keep-history");
        }
        if (args.Has("--history-size")) {
            historySize = static_cast<std::int16_t>(
                NumberOption(args, "--history-size", 0, 1, static_cast<int>(PasswordADT::PasswordHistoryMap::kMaximumCount)));
        }
        if (args.Has("--expires") && args.Has("--expires-in")) {
            throw UsageError{"--expires und --expires-in schließen einander aus."};
        }
        if (const auto date = args.Value("--expires")) {
            if (*date == "never") {
                validity = PasswordADT::ValidityMode::Unlimited;
            } else {
                validity = PasswordADT::ValidityMode::UntilDate;
                expiry = ParseDate(*date);
            }
        }
        if (args.Has("--expires-in")) {
            validity = PasswordADT::ValidityMode::Days;
            expiry = NumberOption(args, "--expires-in", 0, 1, 366);
        }
    }

    void ApplyTo(PasswordItem& item) const {
        if (keepHistory) {
            item.SetKeepHistory(*keepHistory);
        }
        if (historySize) {
            item.SetHistorySize(*historySize);
        }
        if (validity) {
            item.SetValidityMode(static_cast<std::uint32_t>(*validity));
            item.SetExpiry(*validity == PasswordADT::ValidityMode::Unlimited ? 0 : expiry);
        }
    }
};

// The entry's new password: generated, asked, or none with --no-password.
SecureString EntryPassword(Console& console, const Arguments& args, const char* prompt) {
    if (args.Has("--generate")) {
        auto passwords = GeneratePasswords(console, args, 1);
        return std::move(passwords.front());
    }
    if (args.Has("--no-password")) {
        return {};
    }
    SecureString password;
    if (!console.ReadSecret(prompt, password)) {
        throw RequestError{"Es wurde kein Passwort für den Eintrag angegeben."};
    }
    return password;
}

int Add(Console& console, const std::vector<std::string>& raw) {
    std::set<std::string> options = EntryValueOptions();
    options.erase("--description");
    options.erase("--remove-field");
    const Arguments args(raw, options, EntrySwitches({"--no-password"}));
    ExpectPositional(args, 2, 2);
    CheckGeneratorUse(args, "--no-password");
    auto parts = SplitPath(Wide(args.Positional()[1]));
    if (parts.size() < 2) {
        throw UsageError{"Geben Sie den Eintrag als \"Ordner/Beschreibung\" an."};
    }
    const std::u16string description = parts.back();
    parts.pop_back();
    std::u16string folderPath;
    for (const auto& part : parts) {
        AppendEscaped(folderPath, part, false);
        folderPath.push_back(u'/');
    }
    // Values the file cannot hold are refused before the database is even opened.
    const EntrySettings settings(args);
    PasswordItem item;
    item.SetDescription(description);
    ApplyFieldOptions(args, item);
    settings.ApplyTo(item);
    CheckLimits(item);
    if (args.Has("--generate")) {
        ChoosePolicy(args);
    }
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.OpenFolders();
    const CategoryRef folder = RequireFolder(session.Data(), folderPath);
    item.SetPassword(PasswordADT::CurrentTime(), EntryPassword(console, args, "Passwort des Eintrags: "));
    ReadFieldValues(console, args, item);
    CheckLimits(item);
    if (!session.Database().AddEntry(session.Credentials(), item, folder->GetId())) {
        throw RequestError{};
    }
    return 0;
}

int Edit(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, EntryValueOptions(), EntrySwitches({"--password"}));
    ExpectPositional(args, 2, 2);
    CheckGeneratorUse(args, "--password");
    const EntrySettings settings(args);
    if (args.Has("--generate")) {
        ChoosePolicy(args);
    }
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    const EntryLocation entry = RequireEntry(session.Data(), Wide(args.Positional()[1]));
    // The changes go to a copy that replaces the entry only when all of them are valid.
    auto edited = std::make_shared<PasswordItem>(*entry.item);
    ApplyFieldOptions(args, *edited);
    // The history rules in force are the new ones, as in the window's editor.
    settings.ApplyTo(*edited);
    if (args.Has("--password") || args.Has("--generate")) {
        const SecureString password = EntryPassword(console, args, "Neues Passwort des Eintrags: ");
        if (!edited->ChangePassword(password, PasswordADT::CurrentTime())) {
            throw RequestError{"Das Passwort wurde bereits verwendet und darf nicht wiederholt werden."};
        }
    }
    ReadFieldValues(console, args, *edited);
    edited->SetModificationTime(PasswordADT::CurrentTime());
    CheckLimits(*edited);
    entry.folder->Entries()[entry.entryPosition] = edited;
    session.SaveAll();
    return 0;
}

int Remove(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user"}, {});
    ExpectPositional(args, 2, 2);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    const EntryLocation entry = RequireEntry(session.Data(), Wide(args.Positional()[1]));
    auto& entries = entry.folder->Entries();
    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(entry.entryPosition));
    session.SaveAll();
    return 0;
}

int Move(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user"}, {});
    ExpectPositional(args, 3, 3);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    PasswordData& data = session.Data();
    const EntryLocation entry = RequireEntry(data, Wide(args.Positional()[1]));
    const CategoryRef target = RequireFolder(data, Wide(args.Positional()[2]));
    if (target == entry.folder) {
        return 0;
    }
    const int result = data.MoveEntry(PositionOf(data, *target), entry.folderPosition, entry.entryPosition);
    if (result != PasswordADT::MoveEntrySucceeded) {
        throw RequestError{"Der Eintrag konnte nicht verschoben werden."};
    }
    session.SaveAll();
    return 0;
}

int MakeFolder(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user"}, {});
    ExpectPositional(args, 2, 2);
    auto parts = SplitPath(Wide(args.Positional()[1]));
    if (parts.empty()) {
        throw UsageError{"Geben Sie den Namen des Ordners an."};
    }
    const std::u16string name = parts.back();
    parts.pop_back();
    if (name.size() > Category::kMaximumNameLength) {
        throw RequestError{"Der Ordnername darf höchstens 74 Zeichen lang sein."};
    }
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    PasswordData& data = session.Data();
    std::u16string parentPath;
    for (const auto& part : parts) {
        AppendEscaped(parentPath, part, false);
        parentPath.push_back(u'/');
    }
    if (FindFolder(data, parentPath + EscapeName(name, false))) {
        throw RequestError{"Der Ordner \"" + args.Positional()[1] + "\" existiert bereits."};
    }
    if (parts.empty()) {
        data.AddFolder(name);
    } else {
        data.AddSubfolder(RequireFolder(data, parentPath)->GetId(), name);
    }
    if (!session.Database().SaveCategories(session.Credentials(), data)) {
        throw RequestError{};
    }
    return 0;
}

int RemoveFolder(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user"}, {"-R", "--recursive"});
    ExpectPositional(args, 2, 2);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    PasswordData& data = session.Data();
    const CategoryRef folder = RequireFolder(data, Wide(args.Positional()[1]));
    const bool recursive = args.Has("-R") || args.Has("--recursive");
    if (!recursive && (!folder->Entries().empty() || !ChildFolders(data, folder.get()).empty())) {
        throw RequestError{"Der Ordner ist nicht leer; löschen Sie ihn mit --recursive samt Inhalt."};
    }
    if (data.FolderCount() == 1) {
        throw RequestError{"Der letzte Ordner einer Datenbank kann nicht gelöscht werden."};
    }
    data.DeleteFolder(PositionOf(data, *folder));
    if (data.FolderCount() == 0) {
        throw RequestError{"Der letzte Ordner einer Datenbank kann nicht gelöscht werden."};
    }
    session.SaveAll();
    return 0;
}

} // namespace

std::vector<Command> EntryCommands() {
    static const std::string kGeneratorHelp =
        "Mit --generate wird das Passwort erzeugt statt abgefragt: nach --policy NAME, nach Zeichengruppen "
        "(--length N mit --upper, --lower, --digits, --punctuation, --special, --brackets) oder als --hex N / "
        "--base64 N, wie bei generate.\n"
        "Historie: --keep-history / --no-history schaltet die Passworthistorie ein oder aus, --history-size N "
        "(1 bis 100) setzt ihre Größe.\n"
        "Ablauf: --expires JJJJ-MM-TT (gültig bis zu diesem Tag), --expires-in TAGE (1 bis 366 Tage nach der "
        "Passwortänderung) oder --expires never.";
    return {
        {"add",
         "add DATEI ORDNER/BESCHREIBUNG [--username ..] [--url ..] [--email ..] [--comment ..] "
         "[--target-window ..] [--sequence ..] [--field NAME=WERT ..] [--field-stdin NAME ..] "
         "[--no-password | --generate [GENERATOROPTIONEN]] [--keep-history | --no-history] [--history-size N] "
         "[--expires JJJJ-MM-TT | --expires-in TAGE]",
         "Legt einen Eintrag an; das Passwort wird abgefragt oder mit --generate erzeugt. Geheime Datenfelder nennt "
         "--field-stdin: ihre Werte folgen nach den Passwörtern, eine Zeile je Feld.",
         Add, kGeneratorHelp},
        {"edit",
         "edit DATEI EINTRAG [--description ..] [--username ..] [--url ..] [--email ..] [--comment ..] "
         "[--target-window ..] [--sequence ..] [--field NAME=WERT ..] [--field-stdin NAME ..] [--remove-field NAME] "
         "[--password | --generate [GENERATOROPTIONEN]] [--keep-history | --no-history] [--history-size N] "
         "[--expires JJJJ-MM-TT | --expires-in TAGE | --expires never]",
         "Ändert einen Eintrag; --password fragt ein neues Passwort ab, --generate erzeugt eines (beides mit den "
         "Regeln der Passworthistorie); die Werte von --field-stdin folgen danach, eine Zeile je Feld.",
         Edit, kGeneratorHelp},
        {"rm", "rm DATEI EINTRAG [--user NAME]", "Löscht einen Eintrag.", Remove},
        {"mv", "mv DATEI EINTRAG ORDNER [--user NAME]", "Verschiebt einen Eintrag in einen anderen Ordner.", Move},
        {"mkdir", "mkdir DATEI ORDNER [--user NAME]", "Legt einen Ordner an (der übergeordnete muss existieren).",
         MakeFolder},
        {"rmdir", "rmdir DATEI ORDNER [--recursive] [--user NAME]", "Löscht einen Ordner.", RemoveFolder},
    };
}

} // namespace Tarnwick::Cli
