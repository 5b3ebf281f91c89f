#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace Tarnwick::UpdateExecutor {

// How a started program ended.
struct ProcessResult {
    int startError = 0;  // errno when the program could not be started at all
    bool exited = false; // false when a signal ended it
    int exitCode = -1;
    int signal = 0;

    bool Started() const noexcept { return startError == 0; }
};

// Starts program (an absolute path; no shell, no search along PATH) with the arguments after
// argv[0] and waits for it. environment replaces the inherited one when given; output, when
// given, receives up to outputLimit bytes of the program's standard output (the rest is read
// and dropped, so the program never blocks on a full pipe).
ProcessResult RunAndWait(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>* environment = nullptr, std::string* output = nullptr,
                         std::size_t outputLimit = 64 * 1024);

// Starts program in a session of its own and does not wait for it: it outlives the caller and
// gets no terminal signals meant for it. Returns 0 or the errno of the failed start.
int StartDetached(const std::string& program, const std::vector<std::string>& arguments);

} // namespace Tarnwick::UpdateExecutor
