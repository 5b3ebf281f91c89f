#pragma once

#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "base/text/Utf.h"

namespace Tarnwick::Cli {

// The positional arguments a verb needs, exactly.
inline void ExpectPositional(const Arguments& args, std::size_t minimum, std::size_t maximum) {
    const std::size_t count = args.Positional().size();
    if (count < minimum) {
        throw UsageError{"Es fehlen Argumente."};
    }
    if (count > maximum) {
        throw UsageError{"Zu viele Argumente."};
    }
}

inline std::u16string Wide(const std::string& utf8) { return Text::FromUtf8(utf8); }

} // namespace Tarnwick::Cli
