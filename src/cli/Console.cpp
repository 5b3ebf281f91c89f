#include "cli/Console.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <termios.h>
#include <unistd.h>

#include "base/text/Utf.h"
#include "crypto/ScopedWipe.h"
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

} // namespace

Console::Console(std::FILE* in, std::FILE* out, std::FILE* err)
    : m_in(in), m_out(out), m_err(err), m_interactive(isatty(fileno(in)) != 0) {
    // Secrets arrive on standard input: a stdio buffer would keep them after the line is read.
    std::setvbuf(m_in, nullptr, _IONBF, 0);
    m_pending.reserve(1 << 16);
}

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
            CryptoServiceProvider::WipeString(line);
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
    CryptoServiceProvider::WipeString(line);
    return ok;
}

bool Console::ReadSecret(std::string_view prompt, StringServiceProvider::SecureString& secret) {
    std::string line;
    const bool ok = ReadRawLine(prompt, false, line);
    std::u16string converted = Text::FromUtf8(line);
    CryptoServiceProvider::WipeString(line);
    secret.Assign(converted);
    CryptoServiceProvider::WipeString(converted);
    return ok;
}

namespace {

constexpr std::size_t kFlushBytes = 1 << 20;

} // namespace

void Console::Out(std::string_view text) {
    m_pending.insert(m_pending.end(), text.begin(), text.end());
    if (m_pending.size() >= kFlushBytes) {
        Flush();
    }
}

void Console::OutLine(std::string_view text) {
    Out(text);
    Out("\n");
}

void Console::Out(std::u16string_view text) {
    Text::EncodeUtf8(text, [&](char c) { m_pending.push_back(c); });
    if (m_pending.size() >= kFlushBytes) {
        Flush();
    }
}

void Console::Flush() {
    if (m_pending.empty()) {
        return;
    }
    const int fd = fileno(m_out);
    if (fd < 0) {
        // A stream without a descriptor (a test's memory stream).
        std::fwrite(m_pending.data(), 1, m_pending.size(), m_out);
        std::fflush(m_out);
    } else {
        std::fflush(m_out);
        const char* data = m_pending.data();
        std::size_t left = m_pending.size();
        while (left > 0) {
            const ssize_t written = ::write(fd, data, left);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                break;
            }
            data += written;
            left -= static_cast<std::size_t>(written);
        }
    }
    CryptoServiceProvider::SecureWipe(m_pending.data(), m_pending.size());
    m_pending.clear();
}

Console::~Console() { Flush(); }

void Console::Error(std::string_view text) {
    Flush();
    std::fwrite(text.data(), 1, text.size(), m_err);
    std::fflush(m_err);
}

void Console::ErrorLine(std::u16string_view text) {
    Error(Text::ToUtf8(text));
    Error("\n");
}

} // namespace Tarnwick::Cli
