// The verb clip: a field of an entry on the X clipboard for a while. twcli links no X11, so
// the helper twcli-clip holds the clipboard; the value reaches it through a pipe only.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/EntryFields.h"
#include "cli/Session.h"
#include "cli/VaultPaths.h"
#include "crypto/SecureWipe.h"
#include "options/SettingsStorage.h"

extern char** environ;

namespace Tarnwick::Cli {


namespace {

namespace fs = std::filesystem;

constexpr int kMaxSeconds = 3600;
constexpr const char* kHelperName = "twcli-clip";
// How long the helper may take to own the clipboard.
constexpr int kAnswerMilliseconds = 20000;

int ParseSeconds(const std::string& text) {
    int seconds = 0;
    bool digits = !text.empty() && text.size() <= 4;
    for (const char c : text) {
        digits = digits && c >= '0' && c <= '9';
        if (digits) {
            seconds = seconds * 10 + (c - '0');
        }
    }
    if (!digits || seconds < 1 || seconds > kMaxSeconds) {
        throw UsageError{"--timeout erwartet eine Anzahl Sekunden von 1 bis 3600."};
    }
    return seconds;
}

// The window's time for clearing the clipboard, read from its settings file without
// creating one. "Never" does not suit a process that waits in the background: then, and when
// the file cannot be read, the window's default applies.
int SecondsFromSettings(Console& console) {
    const ApplicationSettings::Settings defaults;
    ApplicationSettings::Settings settings;
    try {
        const fs::path path = OptionsLibrary::SettingsStorage::GetSettingsPath();
        std::error_code error;
        if (!fs::is_regular_file(path, error)) {
            return defaults.clipboardClearSeconds;
        }
        OptionsLibrary::SettingsStorage::Load(path, settings);
    } catch (...) {
        console.Error("Warnung: Die Einstellungen konnten nicht gelesen werden; die Zwischenablage wird nach " +
                      std::to_string(defaults.clipboardClearSeconds) + " Sekunden geleert.\n");
        return defaults.clipboardClearSeconds;
    }
    if (settings.clipboardClearSeconds <= 0) {
        return defaults.clipboardClearSeconds;
    }
    return std::min<int>(settings.clipboardClearSeconds, kMaxSeconds);
}

bool IsProgram(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Next to our own executable (the build tree, or an installation that keeps both together),
// else in the installation's folder for helper programs.
fs::path FindHelper() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path folder = self.parent_path();
        for (const fs::path& candidate : {folder / kHelperName, folder / TW_CLIP_HELPER_DIR / kHelperName}) {
            if (IsProgram(candidate)) {
                return candidate;
            }
        }
    }
    throw RequestError{"Das Hilfsprogramm twcli-clip wurde nicht gefunden; ohne es kann twcli die Zwischenablage "
                       "nicht verwenden."};
}

struct Descriptor {
    int fd = -1;
    Descriptor() = default;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { Close(); }
    void Close() noexcept {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
};

bool MakePipe(Descriptor& read, Descriptor& write) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    read.fd = ends[0];
    write.fd = ends[1];
    return true;
}

// Writes everything; a helper that died early gives EPIPE here, not a signal that ends twcli.
bool WriteAll(int fd, const char* data, std::size_t size) {
    struct sigaction ignore {};
    struct sigaction saved {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, &saved);
    std::size_t done = 0;
    bool ok = true;
    while (done < size) {
        const ssize_t written = ::write(fd, data + done, size - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(written);
    }
    ::sigaction(SIGPIPE, &saved, nullptr);
    return ok;
}

// The helper's answer: "K", or its message; empty when it ended without one. timedOut is set
// when it did not answer in time.
std::string ReadAnswer(int fd, bool& timedOut) {
    std::string answer;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerMilliseconds);
    timedOut = false;
    char buffer[512];
    while (answer.size() < 4096) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd descriptor{fd, POLLIN, 0};
        const int ready = ::poll(&descriptor, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            timedOut = ready == 0;
            break;
        }
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        answer.append(buffer, static_cast<std::size_t>(got));
        if (answer == "K") {
            break;
        }
    }
    return answer;
}

// Starts the helper, hands it the value and waits until it owns the clipboard. value is wiped
// as soon as it is in the pipe.
void HandOver(const fs::path& helper, int seconds, Json::Buffer& value) {
    Descriptor valueRead, valueWrite, answerRead, answerWrite;
    if (!MakePipe(valueRead, valueWrite) || !MakePipe(answerRead, answerWrite)) {
        CryptoServiceProvider::SecureWipe(value.data(), value.capacity());
        throw RequestError{"Das Hilfsprogramm twcli-clip konnte nicht gestartet werden."};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, valueRead.fd, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, answerWrite.fd, STDOUT_FILENO);
    const std::string program = helper.string();
    const std::string secondsText = std::to_string(seconds);
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(secondsText.c_str()), nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    valueRead.Close();
    answerWrite.Close();
    if (spawned != 0) {
        CryptoServiceProvider::SecureWipe(value.data(), value.capacity());
        throw RequestError{"Das Hilfsprogramm twcli-clip konnte nicht gestartet werden."};
    }
    WriteAll(valueWrite.fd, value.data(), value.size());
    CryptoServiceProvider::SecureWipe(value.data(), value.capacity());
    value.clear();
    valueWrite.Close();

    bool timedOut = false;
    const std::string answer = ReadAnswer(answerRead.fd, timedOut);
    if (answer == "K") {
        return; // it serves on in its own session; whoever outlives us reaps it
    }
    if (timedOut) {
        ::kill(pid, SIGTERM);
    }
    ::waitpid(pid, nullptr, 0);
    if (timedOut) {
        throw RequestError{"Das Hilfsprogramm twcli-clip antwortet nicht."};
    }
    if (answer.empty()) {
        throw RequestError{"Das Hilfsprogramm twcli-clip wurde unerwartet beendet."};
    }
    throw RequestError{answer};
}

int Clip(Console& console, const std::vector<std::string>& raw) {
    const Arguments args(raw, {"--user", "--field", "--timeout"}, {});
    ExpectPositional(args, 2, 2);
    const auto timeout = args.Value("--timeout");
    int seconds = timeout ? ParseSeconds(*timeout) : 0;
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        throw RequestError{"Es ist keine X-Anzeige verfügbar (DISPLAY ist nicht gesetzt); twcli kann die "
                           "Zwischenablage nicht verwenden."};
    }
    const fs::path helper = FindHelper();
    if (!timeout) {
        seconds = SecondsFromSettings(console);
    }

    Session session(console, args.Positional()[0], args.Value("--user"));
    session.OpenForEntry(Wide(args.Positional()[1]));
    const EntryLocation entry = RequireEntry(session.Data(), Wide(args.Positional()[1]));
    const std::string fieldName = args.Value("--field").value_or("Passwort");
    Json::Buffer value;
    value.reserve(4096);
    if (!AppendFieldValue(*entry.item, Wide(fieldName), value)) {
        throw RequestError{"Das Feld \"" + fieldName + "\" existiert nicht."};
    }
    HandOver(helper, seconds, value);
    console.Error("Der Wert wurde in die Zwischenablage kopiert und wird nach " + std::to_string(seconds) +
                  (seconds == 1 ? " Sekunde" : " Sekunden") + " gelöscht.\n");
    return 0;
}

} // namespace

std::vector<Command> ClipCommands() {
    return {
        {"clip", "clip DATEI EINTRAG [--field NAME] [--timeout SEKUNDEN] [--user NAME]",
         "Kopiert ein Feld des Eintrags (ohne --field das Passwort) in die X-Zwischenablage und leert sie nach der "
         "Wartezeit wieder (Vorgabe: die Zeit aus den Einstellungen des Programms).",
         Clip},
    };
}

} // namespace Tarnwick::Cli
