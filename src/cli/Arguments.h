#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace Tarnwick::Cli {

// A verb's command line: positional arguments, options with a value and switches. Options may
// repeat (--field A=1 --field B=2).
class Arguments {
public:
    // valueOptions take the next argument (or "=value"); every other "--x" is a switch.
    // Throws UsageError for an unknown option or a missing value.
    Arguments(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
              const std::set<std::string>& switches);

    const std::vector<std::string>& Positional() const { return m_positional; }
    bool Has(const std::string& option) const { return m_values.count(option) != 0 || m_switches.count(option) != 0; }
    std::optional<std::string> Value(const std::string& option) const;
    std::vector<std::string> Values(const std::string& option) const;

private:
    std::vector<std::string> m_positional;
    std::multimap<std::string, std::string> m_values;
    std::set<std::string> m_switches;
};

// Wrong use of the tool: exit status 2 and the message.
struct UsageError {
    std::string message;
};

// A failed request: exit status 1 and the message (German, for the user).
struct RequestError {
    std::string message;
};

} // namespace Tarnwick::Cli
