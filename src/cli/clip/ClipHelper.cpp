// twcli-clip: keeps one value of twcli on the X clipboard for a while after twcli has ended,
// so that twcli itself needs no X11. twcli writes the value into our standard input and reads
// our answer from standard output: "K" once the clipboard is ours, else a German message.
// The only argument is the time in seconds; the value never stands on the command line.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <initializer_list>
#include <string_view>

#include "crypto/SecureWipe.h"
#include "platform/CrashHandler.h"
#include "platform/x11/ClipboardServer.h"
#include "platform/x11/X11Connection.h"

namespace {

using Tarnwick::Platform::WipedBytes;

constexpr int kMaxSeconds = 3600;
// More than any field of an entry holds as UTF-8.
constexpr std::size_t kMaxValueBytes = 1024 * 1024;

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

// One answer to twcli; false when twcli is gone.
bool Report(std::string_view text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// The whole of standard input; the read buffer is wiped after every piece.
bool ReadValue(WipedBytes& value) {
    std::array<char, 4096> buffer;
    value.reserve(buffer.size());
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        if (value.size() + static_cast<std::size_t>(got) > kMaxValueBytes) {
            ok = false;
            break;
        }
        value.insert(value.end(), buffer.data(), buffer.data() + got);
        CryptoServiceProvider::SecureWipe(buffer.data(), static_cast<std::size_t>(got));
    }
    CryptoServiceProvider::SecureWipe(buffer.data(), buffer.size());
    return ok;
}

// Puts /dev/null in place of the streams; they stay open, so that no later descriptor (the
// X connection) takes their numbers.
void ToNull(std::initializer_list<int> streams) {
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0) {
        return;
    }
    for (const int stream : streams) {
        ::dup2(null, stream);
    }
    if (null > STDERR_FILENO) {
        ::close(null);
    }
}

int ParseSeconds(const char* text) {
    if (text == nullptr || *text < '0' || *text > '9') {
        return 0;
    }
    char* end = nullptr;
    errno = 0;
    const long seconds = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || seconds < 1 || seconds > kMaxSeconds) {
        return 0;
    }
    return static_cast<int>(seconds);
}

} // namespace

int main(int argc, char** argv) {
    // Nothing of twcli but the two pipes and its error stream.
    ::close_range(3, ~0U, 0);
    // Standard streams that were closed are opened on /dev/null, so they keep their numbers.
    int spare = ::open("/dev/null", O_RDWR);
    while (spare >= 0 && spare <= STDERR_FILENO) {
        spare = ::open("/dev/null", O_RDWR);
    }
    if (spare > STDERR_FILENO) {
        ::close(spare);
    }
    std::signal(SIGPIPE, SIG_IGN);
    // A session of our own: the terminal's Ctrl+C and hang-up do not reach us, and twcli
    // and its shell need not wait for us.
    ::setsid();
    if (!Tarnwick::Platform::ForbidCoreDumps().Ok()) {
        Report("Der Schutz vor Speicherabbildern konnte nicht eingerichtet werden.");
        return 1;
    }
    const int seconds = argc == 2 ? ParseSeconds(argv[1]) : 0;
    if (seconds == 0) {
        Report("Aufruf: twcli-clip SEKUNDEN (der Wert folgt auf der Standardeingabe).");
        return 2;
    }
    WipedBytes value;
    if (!ReadValue(value)) {
        Report("Der Wert konnte nicht gelesen werden.");
        return 1;
    }
    ToNull({STDIN_FILENO});

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }

    int status = 0;
    try {
        Tarnwick::Platform::X11::Connection connection(nullptr);
        Tarnwick::Platform::ClipboardServer server(connection);
        if (!server.Take(std::move(value))) {
            Report("Die Zwischenablage konnte nicht übernommen werden.");
            return 1;
        }
        // twcli gone before our answer: nobody was told, so nothing stays on the clipboard.
        if (!Report("K")) {
            server.Release();
            return 1;
        }
        // twcli's streams are let go, so that nobody who reads its output waits for us.
        ToNull({STDOUT_FILENO, STDERR_FILENO});
        server.Serve(std::chrono::seconds(seconds), [] { return g_stop != 0; });
        server.Release();
    } catch (...) {
        Report("Die Verbindung zum X-Server konnte nicht hergestellt werden.");
        status = 1;
    }
    return status; // value's allocator wipes what the server did not take
}
