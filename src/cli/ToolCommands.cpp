// Verbs without a database: the quality estimate (and the generator).
#include <cmath>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/Session.h"
#include "cli/Json.h"
#include "base/text/Utf.h"
#include "crypto/SecureWipe.h"
#include "cli/GeneratorOptions.h"
#include "generator/QualityAnalyser.h"
#include "generator/QualityMeter.h"

namespace Tarnwick::Cli {

namespace {

int Estimate(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {}, {"--json"});
    if (!args.Positional().empty()) {
        // Every user of the machine can read a command line (/proc/PID/cmdline).
        throw UsageError{"Das Passwort wird nicht auf der Befehlszeile angenommen, da andere Benutzer sie lesen "
                         "können. Geben Sie es nach der Aufforderung ein oder leiten Sie es über die Standardeingabe "
                         "weiter."};
    }
    StringServiceProvider::SecureString password;
    if (!console.ReadSecret("Passwort: ", password)) {
        throw RequestError{"Es wurde kein Passwort angegeben."};
    }
    CryptoServiceProvider::PasswordMeter::QualityAnalyser analyser;
    const int score = analyser.Analyse(password);
    const int percent = CryptoServiceProvider::PasswordMeter::QualityMeter::ScoreToPosition(score);
    if (args.Has("--json")) {
        console.OutLine("{\"score\":" + std::to_string(score) + ",\"percent\":" + std::to_string(percent) + "}");
    } else {
        console.OutLine("Bewertung: " + std::to_string(score) + " Bit (" + std::to_string(percent) + " %)");
    }
    return 0;
}

int Generate(Console& console, const std::vector<std::string>& raw) {
    std::set<std::string> values = kGeneratorOptions;
    values.insert("--count");
    std::set<std::string> switches = kGeneratorSwitches;
    switches.insert("--json");
    const Arguments args(raw, values, switches);
    ExpectPositional(args, 0, 0);
    const int count = NumberOption(args, "--count", 1, 1, 100000);
    const auto passwords = GeneratePasswords(console, args, static_cast<std::size_t>(count));
    const bool json = args.Has("--json");
    Json::Buffer text;
    text.reserve(4096);
    if (json) {
        text.push_back('[');
    }
    for (std::size_t i = 0; i < passwords.size(); ++i) {
        const auto plain = passwords[i].Reveal();
        if (json) {
            if (i > 0) {
                text.push_back(',');
            }
            Json::AppendQuoted(text, plain.View());
        } else {
            Text::EncodeUtf8(plain.View(), [&](char c) { text.push_back(c); });
            text.push_back('\n');
        }
    }
    if (json) {
        text += "]\n";
    }
    console.Out(text);
    return 0;
}

} // namespace

std::vector<Command> ToolCommands() {
    return {
        {"generate",
         "generate [--policy NAME | --length N [--upper] [--lower] [--digits] [--punctuation] [--special] "
         "[--brackets] | --hex N | --base64 N] [--count N] [--json]",
         "Erzeugt Passwörter nach einer Richtlinie, nach Zeichengruppen oder als Hex-/Base64-Text.", Generate},
        {"estimate", "estimate [--json]",
         "Bewertet ein Passwort mit der Qualitätsanzeige; es wird abgefragt oder eine Zeile von der Standardeingabe "
         "gelesen.",
         Estimate},
    };
}

} // namespace Tarnwick::Cli
