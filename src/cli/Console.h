#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "crypto/SecureString.h"
#include "crypto/String.h"

namespace Tarnwick::Cli {

// The terminal or the pipes the tool talks through. Secrets are read without echo on a
// terminal, or one line each from standard input when it is not one, and go straight into
// secure strings.
class Console {
public:
    Console(std::FILE* in, std::FILE* out, std::FILE* err);
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    bool IsInteractive() const noexcept { return m_interactive; }
    // A line of text (the user name, an answer); false at the end of the input.
    bool ReadLine(std::string_view prompt, StringServiceProvider::PlainString& line);
    // A secret, without echo on a terminal; false at the end of the input.
    bool ReadSecret(std::string_view prompt, StringServiceProvider::SecureString& secret);

    void Out(std::string_view text);
    void OutLine(std::string_view text);
    void Out(std::u16string_view text);
    void Error(std::string_view text);
    void ErrorLine(std::u16string_view text);

private:
    bool ReadRawLine(std::string_view prompt, bool echo, std::string& line);

    std::FILE* m_in;
    std::FILE* m_out;
    std::FILE* m_err;
    bool m_interactive;
    // Text on its way out, converted in one reused buffer: zeroed after each write, wiped at the end.
    std::string m_scratch;
};

} // namespace Tarnwick::Cli
