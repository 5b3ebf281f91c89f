#include "cli/Console.h"

#include <cstring>
#include <memory>
#include <termios.h>
#include <unistd.h>

#include "base/text/Utf.h"
#include "crypto/SecureWipe.h"

namespace Tarnwick::Cli {

namespace {

// Leaves echo off for a scope and restores the terminal on every path.
class EchoOff {
public:
    explicit EchoOff(int fd) : m_fd(fd) {
        if (tcgetattr(fd, &m_saved) == 0) {
            termios quiet = m_saved;
            quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
            m_active = tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~EchoOff() {
        if (m_active) {
            tcsetattr(m_fd, TCSAFLUSH, &m_saved);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int m_fd;
    termios m_saved{};
    bool m_active = false;
};

void WipeString(std::string& text) {
    CryptoServiceProvider::SecureWipe(text.data(), text.capacity());
    text.clear();
}

} // namespace

Console::Console(std::FILE* in, std::FILE* out, std::FILE* err)
    : m_in(in), m_out(out), m_err(err), m_interactive(isatty(fileno(in)) != 0) {}

bool Console::ReadRawLine(std::string_view prompt, bool echo, std::string& line) {
    line.clear();
    line.reserve(256);
    if (m_interactive) {
        Error(prompt);
    }
    std::unique_ptr<EchoOff> quiet;
    if (m_interactive && !echo) {
        quiet = std::make_unique<EchoOff>(fileno(m_in));
    }
    bool any = false;
    for (int c = std::fgetc(m_in); c != EOF; c = std::fgetc(m_in)) {
        any = true;
        if (c == '\n') {
            break;
        }
        if (line.size() + 1 >= line.capacity()) {
            // Grow by hand so that the old buffer is wiped, not just freed.
            std::string bigger;
            bigger.reserve(line.capacity() * 2);
            bigger.assign(line);
            WipeString(line);
            line.swap(bigger);
        }
        line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    if (m_interactive && !echo) {
        Error("\n");
    }
    return any;
}

bool Console::ReadLine(std::string_view prompt, StringServiceProvider::PlainString& text) {
    std::string line;
    const bool ok = ReadRawLine(prompt, true, line);
    const std::u16string converted = Text::FromUtf8(line);
    text.Assign(converted);
    WipeString(line);
    return ok;
}

bool Console::ReadSecret(std::string_view prompt, StringServiceProvider::SecureString& secret) {
    std::string line;
    const bool ok = ReadRawLine(prompt, false, line);
    std::u16string converted = Text::FromUtf8(line);
    WipeString(line);
    secret.Assign(converted);
    CryptoServiceProvider::SecureWipe(converted.data(), converted.capacity() * sizeof(char16_t));
    return ok;
}

void Console::Out(std::string_view text) { std::fwrite(text.data(), 1, text.size(), m_out); }

void Console::OutLine(std::string_view text) {
    Out(text);
    Out("\n");
}

void Console::Out(std::u16string_view text) {
    m_scratch.clear();
    Text::AppendUtf8(text, m_scratch);
    Out(m_scratch);
    // One buffer for every line: zeroed at once, and wiped in full when the console ends.
    std::memset(m_scratch.data(), 0, m_scratch.size());
}

Console::~Console() { WipeString(m_scratch); }

void Console::Error(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), m_err);
    std::fflush(m_err);
}

void Console::ErrorLine(std::u16string_view text) {
    Error(Text::ToUtf8(text));
    Error("\n");
}

} // namespace Tarnwick::Cli
