#include "cli/Commands.h"

#include <algorithm>
#include <exception>
#include <new>

#include "cli/Arguments.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::Cli {

std::vector<Command> DatabaseCommands();
std::vector<Command> ReadCommands();
std::vector<Command> EntryCommands();
std::vector<Command> ToolCommands();
std::vector<Command> ExchangeCommands();
std::vector<Command> ClipCommands();

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = [] {
        std::vector<Command> all = DatabaseCommands();
        for (auto& c : ReadCommands()) {
            all.push_back(std::move(c));
        }
        for (auto& c : EntryCommands()) {
            all.push_back(std::move(c));
        }
        for (auto& c : ExchangeCommands()) {
            all.push_back(std::move(c));
        }
        for (auto& c : ToolCommands()) {
            all.push_back(std::move(c));
        }
        std::ranges::move(ClipCommands(), std::back_inserter(all));
        return all;
    }();
    return commands;
}

namespace {

// To standard output when asked for, to standard error after a call without a command.
void PrintOverview(Console& console, bool asError) {
    const auto line = [&](std::string_view text) {
        if (asError) {
            console.Error(std::string(text) + "\n");
        } else {
            console.OutLine(text);
        }
    };
    line("twcli - Tarnwick auf der Kommandozeile");
    line("");
    line("Aufruf: twcli BEFEHL [ARGUMENTE] [OPTIONEN]");
    line("");
    line("Befehle:");
    for (const auto& command : AllCommands()) {
        std::string entry = "  " + command.name;
        entry.resize(std::max<std::size_t>(entry.size() + 1, 16), ' ');
        line(entry + command.help);
    }
    line("");
    line("Benutzername und Passwörter werden nie auf der Kommandozeile übergeben: twcli fragt sie");
    line("ohne Echo im Terminal ab oder liest sie zeilenweise von der Standardeingabe.");
    line("Einträge werden als \"Ordner/Unterordner/Beschreibung\" angegeben, mehrdeutige als");
    line("\"Ordner/Beschreibung#n\" (der n-te Eintrag dieser Beschreibung). In Namen steht \"\\/\" für einen");
    line("Schrägstrich, \"\\\\\" für einen Backslash, \"\\#\" für ein Doppelkreuz und \"\\n\" für einen");
    line("Zeilenumbruch; ls gibt Pfade in dieser Schreibweise aus.");
    line("\"twcli BEFEHL --help\" zeigt die Hilfe zu einem Befehl.");
    line("Rückgabewert: 0 Erfolg, 1 fehlgeschlagene Anfrage (bei search: kein Treffer), 2 falscher Aufruf.");
}

} // namespace

int RunTool(Console& console, const std::vector<std::string>& args) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintOverview(console, args.empty());
        return args.empty() ? 2 : 0;
    }
    for (const auto& command : AllCommands()) {
        if (command.name != args[0]) {
            continue;
        }
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        for (const auto& arg : rest) {
            if (arg == "--help" || arg == "-h") {
                console.OutLine("Aufruf: twcli " + command.usage);
                console.OutLine("");
                console.OutLine(command.help);
                if (!command.details.empty()) {
                    console.OutLine("");
                    console.OutLine(command.details);
                }
                return 0;
            }
        }
        try {
            return command.run(console, rest);
        } catch (const UsageError& e) {
            console.Error("twcli " + command.name + ": " + e.message + "\nAufruf: twcli " + command.usage + "\n");
            return 2;
        } catch (const RequestError& e) {
            if (!e.message.empty()) {
                console.Error("Fehler: " + e.message + "\n");
            }
            return 1;
        } catch (const Utilities::Exceptions::Exception& e) {
            console.Error("Fehler: ");
            console.ErrorLine(e.GetMessage().IsEmpty() ? e.GetTarget().View() : e.GetMessage().View());
            return 1;
        } catch (const std::bad_alloc&) {
            console.Error("Fehler: Nicht genügend Arbeitsspeicher.\n");
            return 1;
        } catch (const std::exception&) {
            console.Error("Fehler: Unerwarteter Fehler.\n");
            return 1;
        }
    }
    console.Error("twcli: Unbekannter Befehl \"" + args[0] + "\". \"twcli --help\" zeigt alle Befehle.\n");
    return 2;
}

} // namespace Tarnwick::Cli
