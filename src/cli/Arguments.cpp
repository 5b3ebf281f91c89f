#include "cli/Arguments.h"

namespace Tarnwick::Cli {

Arguments::Arguments(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                     const std::set<std::string>& switches) {
    bool onlyPositional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyPositional || arg.size() < 2 || arg.compare(0, 1, "-") != 0 || arg == "-") {
            m_positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyPositional = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (const auto equals = arg.find('='); equals != std::string::npos && arg.compare(0, 2, "--") == 0) {
            name = arg.substr(0, equals);
            inlineValue = arg.substr(equals + 1);
        }
        if (valueOptions.count(name) != 0) {
            if (inlineValue) {
                m_values.emplace(name, *inlineValue);
            } else if (i + 1 < args.size()) {
                m_values.emplace(name, args[++i]);
            } else {
                throw UsageError{"Die Option " + name + " erwartet einen Wert."};
            }
        } else if (switches.count(name) != 0 && !inlineValue) {
            m_switches.insert(name);
        } else {
            throw UsageError{"Unbekannte Option: " + name};
        }
    }
}

std::optional<std::string> Arguments::Value(const std::string& option) const {
    const auto it = m_values.find(option);
    if (it == m_values.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::vector<std::string> Arguments::Values(const std::string& option) const {
    std::vector<std::string> values;
    const auto range = m_values.equal_range(option);
    for (auto it = range.first; it != range.second; ++it) {
        values.push_back(it->second);
    }
    return values;
}

} // namespace Tarnwick::Cli
