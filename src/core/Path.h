#pragma once

#include <filesystem>

namespace Tarnwick::Core {

// The program's folders and file services. File system paths are std::filesystem::path;
// text that is stored or shown converts at that boundary (core/text/Utf.h).
class Path {
public:
    // $XDG_DATA_HOME/Kelmarsh/Tarnwick/2010/ (default ~/.local/share/...), created with mode
    // 0700 on first use and cached for the rest of the run.
    static const std::filesystem::path& GetLocalAppPath();
};

} // namespace Tarnwick::Core
