// Verbs without a database: the quality estimate (and the generator).
#include <cmath>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/Session.h"
#include "generator/QualityAnalyser.h"
#include "generator/QualityMeter.h"

namespace Tarnwick::Cli {

namespace {

int Estimate(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {}, {"--json"});
    ExpectPositional(args, 0, 1);
    StringServiceProvider::SecureString password;
    if (args.Positional().size() == 1) {
        password.Assign(Wide(args.Positional()[0]));
    } else if (!console.ReadSecret("Passwort: ", password)) {
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

} // namespace

std::vector<Command> ToolCommands() {
    return {
        {"estimate", "estimate [PASSWORT] [--json]",
         "Bewertet ein Passwort mit der Qualitätsanzeige (ohne Argument wird es abgefragt).", Estimate},
    };
}

} // namespace Tarnwick::Cli
