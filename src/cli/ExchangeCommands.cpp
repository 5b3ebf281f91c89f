// Verbs that move data in and out: import of other managers' files, export into a new
// database, merging another database.
#include <map>
#include <optional>
#include <set>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/Session.h"
#include "cli/VaultPaths.h"
#include "base/text/CaseFolding.h"
#include "exchange/DatabaseExport.h"
#include "exchange/DatabaseImport.h"
#include "exchange/DatabaseImportReader.h"
#include "exchange/CsvImporter.h"
#include "exchange/CsvPresets.h"
#include "exchange/ImportFactory.h"
#include "exchange/ImportFormatDetection.h"
#include "exchange/ImportMessages.h"
#include "exchange/ImportSource.h"

namespace Tarnwick::Cli {

using ExportImport::DuplicateTreatment;
using PasswordADT::PasswordData;

namespace {

// Messages to standard error; the duplicate and backup questions are answered as the command
// line says, or asked on a terminal.
class ExchangeAnswers {
public:
    ExchangeAnswers(Console& console, int duplicateAnswer, bool keepBackup)
        : m_console(console), m_duplicateAnswer(duplicateAnswer), m_keepBackup(keepBackup), m_base(console) {}

    void ShowError(std::u16string_view text) { m_base.ShowError(text); }
    int AskCommand(std::u16string_view heading, std::u16string_view text, const std::vector<CommandButton>& buttons) {
        if (heading == ExportImport::DatabaseImport::kDeleteBackupQuestion) {
            return m_keepBackup ? 0 : 1;
        }
        if (m_duplicateAnswer >= 0 && buttons.size() >= 3) {
            return m_duplicateAnswer;
        }
        return m_base.AskCommand(heading, text, buttons);
    }
    void ShowInformation(std::u16string_view text) { m_console.ErrorLine(text); }

private:
    Console& m_console;
    int m_duplicateAnswer;
    bool m_keepBackup;
    ConsoleDatabaseUI m_base;
};

class ImportUI : public ExportImport::IDatabaseImportUserInterface {
public:
    explicit ImportUI(ExchangeAnswers& answers) : m_answers(answers) {}
    void ShowError(std::u16string_view text) override { m_answers.ShowError(text); }
    int AskCommand(std::u16string_view heading, std::u16string_view text,
                   const std::vector<CommandButton>& buttons) override {
        return m_answers.AskCommand(heading, text, buttons);
    }
    void ProgressStart(std::int32_t) override {}
    void ProgressStep() override {}
    void ProgressEnd() override {}
    void SetStatus(std::u16string_view) override {}
    void ShowInformation(std::u16string_view text) override { m_answers.ShowInformation(text); }

private:
    ExchangeAnswers& m_answers;
};

class ExportUI : public ExportImport::IExportUserInterface {
public:
    explicit ExportUI(ExchangeAnswers& answers) : m_answers(answers) {}
    void ShowError(std::u16string_view text) override { m_answers.ShowError(text); }
    int AskCommand(std::u16string_view heading, std::u16string_view text,
                   const std::vector<CommandButton>& buttons) override {
        return m_answers.AskCommand(heading, text, buttons);
    }
    void ProgressStart(std::int32_t) override {}
    void ProgressStep() override {}
    void ProgressEnd() override {}
    void ShowInformation(std::u16string_view text) override { m_answers.ShowInformation(text); }
    // A script names its file as it wants it.
    ExportImport::ExtensionAnswer AskAddExtension(std::u16string_view) override {
        return ExportImport::ExtensionAnswer::No;
    }

private:
    ExchangeAnswers& m_answers;
};

// --duplicates: the treatment and the answer to give to each question (-1: ask).
std::pair<DuplicateTreatment, int> DuplicateMode(const Arguments& args, const char* fallback) {
    const std::string mode = args.Value("--duplicates").value_or(fallback);
    if (mode == "ask") {
        return {DuplicateTreatment::Ask, -1};
    }
    if (mode == "replace") {
        return {DuplicateTreatment::Replace, -1};
    }
    if (mode == "skip") {
        return {DuplicateTreatment::Skip, -1};
    }
    if (mode == "keep") {
        return {DuplicateTreatment::Ask, 2};
    }
    throw UsageError{"--duplicates erwartet ask, replace, skip oder keep."};
}

// The same, refused when it would have to ask without a terminal.
std::pair<DuplicateTreatment, int> UsableDuplicateMode(Console& console, const Arguments& args, const char* fallback) {
    const auto mode = DuplicateMode(args, fallback);
    if (mode.first == DuplicateTreatment::Ask && mode.second < 0 && !console.IsInteractive()) {
        throw UsageError{"Ohne Terminal kann nicht nachgefragt werden: geben Sie --duplicates an."};
    }
    return mode;
}

// Merges a collection into the open database with its backup, check and rollback.
void MergeInto(Console& console, Session& session, const PasswordData& source, const Arguments& args,
               const char* fallbackMode) {
    const auto [treatment, answer] = UsableDuplicateMode(console, args, fallbackMode);
    ExchangeAnswers answers(console, answer, args.Has("--keep-backup"));
    ImportUI ui(answers);
    ExportImport::DatabaseImport import(ui, session.File(), session.Credentials(), session.Data());
    const auto result = import.Run(source, ExportImport::Selection::All(source), treatment);
    // A backup left beside the database is named, whatever the outcome.
    if (!result.keptBackup.empty()) {
        console.Error("Sicherung: " + result.keptBackup.string() + "\n");
    }
    if (result.outcome != ExportImport::ImportOutcome::Imported) {
        throw RequestError{result.outcome == ExportImport::ImportOutcome::Cancelled ? "Der Import wurde abgebrochen."
                                                                                     : ""};
    }
}

char16_t OneCharacter(const Arguments& args, const std::string& option, char16_t fallback) {
    const auto value = args.Value(option);
    if (!value) {
        return fallback;
    }
    const std::u16string text = Wide(*value);
    if (text.size() != 1) {
        throw UsageError{option + " erwartet genau ein Zeichen."};
    }
    return text[0];
}

std::vector<int> ColumnMapping(const std::string& list) {
    static const std::map<std::string, int> kTargets = {
        {"-", Import::CSV::TargetNone},           {"ordner", Import::CSV::TargetFolder},
        {"beschreibung", Import::CSV::TargetDescription}, {"benutzername", Import::CSV::TargetUserName},
        {"passwort", Import::CSV::TargetPassword}, {"email", Import::CSV::TargetEmail},
        {"e-mail", Import::CSV::TargetEmail},     {"kommentar", Import::CSV::TargetComment},
        {"url", Import::CSV::TargetUrl},
    };
    std::vector<int> mapping;
    std::string name;
    for (const char c : list + ",") {
        if (c != ',') {
            name.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c));
            continue;
        }
        const auto it = kTargets.find(name);
        if (it == kTargets.end()) {
            throw UsageError{"Unbekanntes Spaltenziel \"" + name +
                             "\" (ordner, beschreibung, benutzername, passwort, email, kommentar, url, -)."};
        }
        const auto refusal = Import::CSV::CsvImporter::CheckTargetChoice(mapping, mapping.size(), it->second);
        if (!refusal.IsEmpty()) {
            throw UsageError{Text::ToUtf8(refusal.View())};
        }
        mapping.push_back(it->second);
        name.clear();
    }
    return mapping;
}

// "bitwarden-csv" and the like name the presets of the wizard's list.
std::string PresetOption(std::u16string_view name) {
    std::string option = Text::ToUtf8(name);
    for (char& c : option) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    return option + "-csv";
}

std::optional<std::u16string> PresetOfFormatOption(const std::string& option) {
    for (const auto name : Import::CSV::CsvPresetNames()) {
        if (PresetOption(name) == option) {
            return std::u16string(name);
        }
    }
    return std::nullopt;
}

std::string PresetFormatOptions() {
    std::string list;
    for (const auto name : Import::CSV::CsvPresetNames()) {
        list += (list.empty() ? "" : "|") + PresetOption(name);
    }
    return list;
}

int ImportFile(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw,
                         {"--user", "--format", "--folder", "--separator", "--qualifier", "--folder-separator",
                          "--columns", "--duplicates"},
                         {"--header", "--no-qualifier", "--keep-backup"});
    ExpectPositional(args, 2, 2);
    static const std::map<std::string, Import::ImportFormat> kFormats = {
        {"keepass1-xml", Import::ImportFormat::KeePass1},
        {"keepass2-xml", Import::ImportFormat::KeePass2},
        {"passworddepot-xml", Import::ImportFormat::PasswordDepot5},
        {"pwsafe-xml", Import::ImportFormat::PasswordSafeXml},
        {"sticky-xml", Import::ImportFormat::StickyPassword4},
        {"kaspersky-xml", Import::ImportFormat::KasperskyPasswordManager},
        {"amp-xml", Import::ImportFormat::AlleMeinePassworte},
        {"pwsafe-csv", Import::ImportFormat::PasswordSafeRepository5Csv},
        {"psr-csv", Import::ImportFormat::PasswordSafeRepository5Csv},
        {"csv", Import::ImportFormat::Csv},
    };
    const std::string formatOption = args.Value("--format").value_or("");
    const bool automatic = formatOption == "auto";
    const auto presetName = PresetOfFormatOption(formatOption);
    const auto format = kFormats.find(formatOption);
    if (!automatic && !presetName && format == kFormats.end()) {
        throw UsageError{"Geben Sie das Format mit --format an."};
    }
    // Everything the command line must say is checked before the file is read.
    UsableDuplicateMode(console, args, "keep");
    std::optional<std::vector<int>> columns;
    if (const auto list = args.Value("--columns")) {
        columns = ColumnMapping(*list);
    }
    if (format != kFormats.end() && Import::IsCsvFormat(format->second) && !columns) {
        throw UsageError{"Für CSV-Dateien geben Sie die Spaltenzuordnung mit --columns an."};
    }
    const std::string source = args.Positional()[1];
    if (const auto refusal = Import::CheckRegularFile(source); !refusal.IsEmpty()) {
        throw RequestError{Text::ToUtf8(refusal.View())};
    }
    if (!Import::IsValidImportSource(source)) {
        throw RequestError{Text::ToUtf8(Import::kInvalidSourceMessage)};
    }
    Import::CSV::CsvSettings settings;
    settings.separator = OneCharacter(args, "--separator", u';');
    settings.qualifier = args.Has("--no-qualifier") ? u'\0' : OneCharacter(args, "--qualifier", u'"');
    settings.firstLineHoldsNames = args.Has("--header");
    if (args.Has("--folder-separator")) {
        settings.folderNamesIncluded = true;
        settings.folderSeparator = OneCharacter(args, "--folder-separator", u'/');
    }
    if (const auto folder = args.Value("--folder")) {
        settings.setImportFolderName = true;
        settings.importFolderName = Wide(*folder);
    }

    Import::ImportFormat chosen = format != kFormats.end() ? format->second : Import::ImportFormat::Csv;
    std::optional<Import::RecognisedFormat> recognised;
    if (automatic) {
        recognised = Import::RecogniseImportFormat(source);
        if (!recognised) {
            throw RequestError{"Das Format der Datei \"" + source +
                               "\" wurde nicht erkannt. Geben Sie es mit --format an."};
        }
        if (!recognised->ColumnsKnown()) {
            throw RequestError{"Die Spalten der CSV-Datei \"" + source +
                               "\" wurden nicht erkannt. Geben Sie --format csv und die Spaltenzuordnung mit "
                               "--columns an, oder bei einem Export ohne Kopfzeile dessen Vorlage (etwa --format "
                               "keeper-csv)."};
        }
        console.ErrorLine(u"Erkanntes Format: " + recognised->Name());
        chosen = recognised->format;
    }
    // A named preset, or a CSV file recognised by its header, is read as the wizard reads it.
    const bool byHeader = presetName || (recognised && recognised->format == Import::ImportFormat::Csv);
    std::optional<Import::CSV::CsvPreset> preset;
    if (byHeader) {
        char16_t separator = u',';
        if (presetName) {
            const auto first = Import::CSV::ReadFirstRecord(source, separator);
            preset = Import::CSV::PresetByName(*presetName, Import::CSV::Views(first));
            if (!preset) {
                throw RequestError{"Die Datei passt nicht zur gewählten Vorlage. Mit --format auto wird ihr Format "
                                   "erkannt."};
            }
        } else {
            separator = recognised->separator;
            preset = recognised->preset;
        }
        if (!args.Has("--separator")) {
            settings.separator = separator;
        }
        settings.firstLineHoldsNames = !preset || preset->header || args.Has("--header");
        if (preset && !args.Has("--folder-separator")) {
            settings.folderNamesIncluded = preset->folderSeparator != 0;
            settings.folderSeparator = preset->folderSeparator;
        }
    }
    const bool csv = byHeader || Import::IsCsvFormat(chosen);
    if (csv) {
        if (const auto message = Import::CSV::CheckCsvSettings(settings); !message.empty()) {
            throw UsageError{Text::ToUtf8(message)};
        }
    }
    // Read the file first: a broken file never opens the database.
    PasswordData imported;
    std::vector<Import::ImportWarning> warnings;
    try {
        if (byHeader) {
            Import::CSV::PresetCsvImporter importer(imported, settings);
            importer.SetPreset(preset);
            importer.Import(source);
            std::vector<int> mapping;
            if (columns) {
                mapping = *columns;
            } else if (preset && preset->header == settings.firstLineHoldsNames) {
                mapping = preset->mapping;
            } else if (settings.firstLineHoldsNames) {
                std::vector<Import::PlainString> names;
                for (std::size_t c = 0; c < importer.GetColumnCount(); ++c) {
                    names.push_back(importer.GetSourceName(c));
                }
                mapping = Import::CSV::MappingFromHeader(Import::CSV::Views(names));
            }
            if (!columns) {
                mapping.resize(importer.GetColumnCount(), Import::CSV::TargetNone);
            }
            importer.SetColumnMapping(mapping);
            importer.ImportAllRows();
            warnings = importer.GetWarnings();
        } else {
            auto importer = Import::CreateImporter(chosen, imported, settings);
            if (!csv && settings.setImportFolderName) {
                importer->SetImportFolderName(settings.importFolderName);
            }
            importer->Import(source);
            if (csv) {
                auto& rows = static_cast<Import::CSV::CsvImporter&>(*importer);
                rows.SetColumnMapping(*columns);
                rows.ImportRows();
            }
            warnings = importer->GetWarnings();
        }
    } catch (const UsageError&) {
        throw;
    } catch (const Utilities::Exceptions::Exception& e) {
        console.Error("Fehler: Es ist ein Fehler beim Importieren der Daten aufgetreten.\n");
        const auto detail = Import::DescribeImportFailure(e);
        if (!detail.IsEmpty()) {
            console.ErrorLine(detail.View());
        }
        return 1;
    }
    for (const auto& warning : warnings) {
        console.Error("Hinweis: ");
        console.ErrorLine(warning.text.View());
    }
    if (!imported.HasEntries() && imported.FolderCount() == 0) {
        throw RequestError{"Die Quelle enthält keine Passwortinformationen."};
    }
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    MergeInto(console, session, imported, args, "keep");
    return 0;
}

int ExportFile(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user", "--new-user"}, {"--case-sensitive"});
    ExpectPositional(args, 2, 1000);
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    const PasswordData& data = session.Data();
    ExportImport::Selection selection;
    if (args.Positional().size() == 2) {
        selection = ExportImport::Selection::All(data);
    }
    for (std::size_t i = 2; i < args.Positional().size(); ++i) {
        const std::u16string path = Wide(args.Positional()[i]);
        if (const auto folder = FindFolder(data, path)) {
            // A folder comes with everything in it, as ticking it in the tree does.
            std::vector<PasswordADT::CategoryRef> pending{folder};
            std::set<const PasswordADT::Category*> seen;
            while (!pending.empty()) {
                const auto current = pending.back();
                pending.pop_back();
                if (!seen.insert(current.get()).second) {
                    continue;
                }
                const std::size_t position = PositionOf(data, *current);
                selection.folders.push_back(position);
                for (std::size_t e = 0; e < current->Entries().size(); ++e) {
                    selection.entries.push_back({position, e});
                }
                for (const auto& child : ChildFolders(data, current.get())) {
                    pending.push_back(child);
                }
            }
        } else {
            const EntryLocation entry = RequireEntry(data, path);
            selection.entries.push_back({entry.folderPosition, entry.entryPosition});
        }
    }
    ExportImport::ExportInput input;
    input.path = Wide(args.Positional()[1]);
    if (const auto user = args.Value("--new-user")) {
        input.userName.Assign(Wide(*user));
    } else if (!console.ReadLine("Benutzername der neuen Datenbank: ", input.userName)) {
        throw RequestError{"Geben Sie einen Benutzernamen ein."};
    }
    input.caseSensitiveUserName = args.Has("--case-sensitive");
    input.password = Session::AskNewSecret(console, "Passwort der neuen Datenbank");
    input.repetition = input.password;
    ExchangeAnswers answers(console, -1, false);
    ExportUI ui(answers);
    ExportImport::DatabaseExport exporter(ui, session.File(), data);
    if (exporter.Finish(input, selection) != ExportImport::ExportResult::Exported) {
        throw RequestError{};
    }
    return 0;
}

int MergeDatabase(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user", "--other-user", "--duplicates"}, {"--keep-backup"});
    ExpectPositional(args, 2, 2);
    UsableDuplicateMode(console, args, "ask");
    // A source that could block is refused before the database is opened (and its log-in stamped).
    if (const auto refusal = Import::CheckRegularFile(args.Positional()[1]); !refusal.IsEmpty()) {
        throw RequestError{Text::ToUtf8(refusal.View())};
    }
    Session session(console, args.Positional()[0], args.Value("--user"));
    session.Open();
    LoginCredentials other;
    other.userName = Session::AskUserName(console, args.Value("--other-user"));
    if (!console.ReadSecret("Passwort der anderen Datenbank: ", other.password)) {
        throw RequestError{"Es wurde kein Passwort angegeben."};
    }
    ExchangeAnswers answers(console, -1, false);
    ImportUI ui(answers);
    PasswordData source;
    const auto opened = ExportImport::DatabaseImportSource::Open(ui, Wide(args.Positional()[1]), other, source);
    if (opened != ExportImport::SourceResult::Opened) {
        throw RequestError{};
    }
    MergeInto(console, session, source, args, "ask");
    return 0;
}

} // namespace

std::vector<Command> ExchangeCommands() {
    return {
        {"import",
         "import DATEI QUELLE --format auto|keepass1-xml|keepass2-xml|passworddepot-xml|pwsafe-xml|sticky-xml|"
         "kaspersky-xml|amp-xml|pwsafe-csv|psr-csv|csv|" +
             PresetFormatOptions() +
             " [--separator Z] [--qualifier Z|--no-qualifier] [--header] "
             "[--folder-separator Z] [--columns ordner,beschreibung,benutzername,passwort,email,kommentar,url,-] "
             "[--folder NAME] [--duplicates ask|replace|skip|keep] [--keep-backup]",
         "Importiert die Exportdatei eines anderen Passwortmanagers in die Datenbank.", ImportFile,
         "--format auto erkennt das Format am Anfang der Datei: XML-Dateien am Wurzelelement, CSV-Dateien an\n"
         "ihrer Kopfzeile. Das erkannte Format wird auf der Standardfehlerausgabe genannt.\n"
         "Die CSV-Vorlagen (bitwarden-csv, firefox-csv ...) lesen die Exportdatei des Programms mit dessen\n"
         "Trennzeichen, Kopfzeile und Ordnertrennzeichen; --columns ist dann nicht nötig und ersetzt,\n"
         "wenn angegeben, die Zuordnung der Vorlage.\n"
         "Mit --format csv und --format pwsafe-csv wird die Spaltenzuordnung immer mit --columns angegeben."},
        {"export", "export DATEI NEUEDATEI [EINTRAG|ORDNER ...] [--new-user NAME] [--case-sensitive]",
         "Exportiert Ordner und Einträge (ohne Angabe alle) in eine neue Datenbank.", ExportFile},
        {"merge", "merge DATEI ANDERE [--other-user NAME] [--duplicates ask|replace|skip|keep] [--keep-backup]",
         "Übernimmt alle Ordner und Einträge einer anderen Datenbank.", MergeDatabase},
    };
}

} // namespace Tarnwick::Cli
