#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/SecureString.h"
#include "crypto/String.h"
#include "crypto/WipingAllocator.h"

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

    // Output gathers in a buffer of its own that is written with write(2), never through stdio
    // (whose buffers nobody wipes), and zeroed after each write.
    void Out(std::string_view text);
    void OutLine(std::string_view text);
    void Out(std::u16string_view text);
    void Flush();
    void Error(std::string_view text);
    void ErrorLine(std::u16string_view text);

private:
    bool ReadRawLine(std::string_view prompt, bool echo, std::string& line);

    std::FILE* m_in;
    std::FILE* m_out;
    std::FILE* m_err;
    bool m_interactive;
    std::vector<char, CryptoServiceProvider::WipingAllocator<char>> m_pending;
};

} // namespace Tarnwick::Cli
