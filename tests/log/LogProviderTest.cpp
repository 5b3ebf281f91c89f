#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <stdexcept>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <syslog.h>
#include <unistd.h>
#include <vector>

#include "core/Path.h"
#include "base/text/Utf.h"
#include "log/EventLogger.h"
#include "log/LogProvider.h"
#include "support/TemporaryXdgFolders.h"

namespace fs = std::filesystem;
using namespace Tarnwick::LogProvider;
using EmberkiteDatabase::DBException;
using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;

namespace {

// Standard Base64 decoder for reading the log back.
std::string DecodeBase64(const std::string& text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::uint32_t buffer = 0;
    int bits = 0;
    for (const char c : text) {
        if (c == '=') {
            break;
        }
        const auto value = alphabet.find(c);
        if (value == std::string::npos) {
            ADD_FAILURE() << "not Base64: " << text;
            return {};
        }
        buffer = (buffer << 6) | static_cast<std::uint32_t>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((buffer >> bits) & 0xFF));
        }
    }
    return out;
}

struct Line {
    std::int64_t time = 0;
    std::uint32_t kind = 0;
    std::int64_t code = 0;
    std::u16string text;
};

Line ParseLine(const std::string& line) {
    std::istringstream in(line);
    Line parsed;
    std::string encoded;
    in >> parsed.time >> parsed.kind >> parsed.code >> encoded;
    EXPECT_FALSE(in.fail()) << line;
    std::string rest;
    EXPECT_FALSE(in >> rest) << "extra field in " << line;
    parsed.text = Tarnwick::Text::FromUtf8(DecodeBase64(encoded));
    return parsed;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<Line> ReadLog(const fs::path& path) {
    const std::string all = ReadAll(path);
    EXPECT_TRUE(all.empty() || all.back() == '\n') << "the last line is unfinished";
    std::vector<Line> lines;
    std::istringstream in(all);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(ParseLine(line));
    }
    return lines;
}

class FakeSystemLog : public Tarnwick::Platform::ISystemLog {
public:
    struct Report {
        std::string source;
        int priority;
        std::string text;
    };
    void Report(const char* source, int priority, const std::string& text) noexcept override {
        reports.push_back({source, priority, text});
    }
    std::vector<struct Report> reports;
};

class LogTest : public ::testing::Test {
protected:
    void SetUp() override { m_previous = EventLogger::SetSystemLog(&syslog); }
    void TearDown() override { EventLogger::SetSystemLog(m_previous); }

    fs::path LogPath() const { return Tarnwick::Core::Path::GetLocalAppPath() / "tlp.log"; }

    std::vector<Line> Lines() const { return ReadLog(LogPath()); }

    TestSupport::TemporaryXdgFolders xdg;
    FakeSystemLog syslog;

private:
    Tarnwick::Platform::ISystemLog* m_previous = nullptr;
};

} // namespace

TEST_F(LogTest, LinesCarryTimeKindCodeAndBase64OfTheText) {
    const std::u16string text = u"Größe überschritten: „Datei“ – 100 € 😀\nzweite Zeile";
    const std::int64_t before = std::time(nullptr);
    GenericLog::LogEvent(4000000000u, text);
    const std::int64_t after = std::time(nullptr);

    const std::string raw = ReadAll(LogPath());
    ASSERT_EQ(std::count(raw.begin(), raw.end(), '\n'), 1)
        << "one line per event, the text's line feed encoded";
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_GE(lines[0].time, before);
    EXPECT_LE(lines[0].time, after);
    EXPECT_EQ(lines[0].kind, 0u);
    EXPECT_EQ(lines[0].code, 4000000000);
    EXPECT_EQ(lines[0].text, text);
    // Base64 of the UTF-8 bytes, standard alphabet, padded.
    EXPECT_NE(
        raw.find(
            " 0 4000000000 "
            "R3LDtsOfZSDDvGJlcnNjaHJpdHRlbjog4oCeRGF0ZWnigJwg4oCTIDEwMCDigqwg8J+YgAp6d2VpdGUgWmVpbGU=\n"),
        std::string::npos)
        << raw;
    EXPECT_TRUE(syslog.reports.empty());
}

TEST_F(LogTest, LogFileIsPrivate) {
    GenericLog::LogEvent(1, u"eins");
    struct stat info {};
    ASSERT_EQ(::stat(LogPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // A log left readable by others is narrowed on the next write.
    ::chmod(LogPath().c_str(), 0644);
    GenericLog::LogEvent(2, u"zwei");
    ASSERT_EQ(::stat(LogPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(Lines().size(), 2u);
}

TEST_F(LogTest, FileRollsAtTheSizeLimit) {
    const std::string filler(40, 'x');
    // 32767 bytes: the next line is appended and the file grows past the limit.
    std::ofstream(LogPath(), std::ios::binary) << std::string(32767, 'a');
    GenericLog::LogEvent(7, u"danach");
    const std::string grown = ReadAll(LogPath());
    EXPECT_GT(grown.size(), 32768u);
    EXPECT_EQ(grown.substr(0, 32767), std::string(32767, 'a'));
    EXPECT_EQ(ParseLine(grown.substr(32767)).text, u"danach");

    // Now at or over the limit: emptied before the new line is written.
    GenericLog::LogEvent(8, u"neu");
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].code, 8);
    EXPECT_EQ(lines[0].text, u"neu");

    std::ofstream(LogPath(), std::ios::binary | std::ios::trunc) << std::string(32768, 'b');
    GenericLog::LogEvent(9, u"genau");
    lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, u"genau");
}

TEST_F(LogTest, EveryExceptionTypeIsLoggedWithItsFullText) {
    const Exception plain(u"Maximale Größe erreicht.", u"PasswordData::Add");
    const WindowsException windows(u"", static_cast<std::int32_t>(0x80090019u), u"CryptAcquireContext",
                                   u"HashBaseWin::CreateCspHandle");
    const DBException database(-31, u"HeaderVerifier::VerifyMainHeader", u"Ungültige Datenbanksignatur");

    KelExceptionLog::LogEvent(plain);
    WindowsExceptionLog::LogEvent(windows);
    DatabaseExceptionLog::LogEvent(database);
    GenericExceptionLog::LogEvent(plain);
    GenericExceptionLog::LogEvent(windows);
    GenericExceptionLog::LogEvent(database);
    // Caught as the base type: kind 1, but still the derived type's text.
    try {
        throw WindowsException(u"m", 5, u"OpenClipboard", u"ClipboardBase::Open");
    } catch (const Exception& caught) {
        GenericExceptionLog::LogEvent(caught);
    }
    WindowsErrorLog::LogEvent(5, u"OpenProcess", u"ClipboardViewer::GetModuleName");
    WindowsErrorLog::LogEvent(0xFFFFFFFFu, nullptr, nullptr);

    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 9u);
    const std::u16string plainText = u"Message: Maximale Größe erreicht.\nTarget: PasswordData::Add";
    const std::u16string windowsText =
        u"Error: -2146893799\nMessage: \nFunction: CryptAcquireContext\nTarget: HashBaseWin::CreateCspHandle";
    const std::u16string databaseText =
        u"Error: ffffffe1\nMessage: HeaderVerifier::VerifyMainHeader\nTarget: Ungültige Datenbanksignatur";
    const struct {
        std::uint32_t kind;
        std::int64_t code;
        std::u16string text;
    } expected[] = {
        {1, 0, plainText},
        {3, -2146893799, windowsText},
        {2, -31, databaseText},
        {1, 0, plainText},
        {3, -2146893799, windowsText},
        {2, -31, databaseText},
        {1, 0, u"Error: 5\nMessage: m\nFunction: OpenClipboard\nTarget: ClipboardBase::Open"},
        {4, 5, u"Error: 5\nFunction: OpenProcess\nTarget: ClipboardViewer::GetModuleName"},
        {4, 4294967295, u"Error: 4294967295\nFunction: \nTarget: "},
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].kind, expected[i].kind) << i;
        EXPECT_EQ(lines[i].code, expected[i].code) << i;
        EXPECT_EQ(lines[i].text, expected[i].text) << i;
    }
    EXPECT_TRUE(syslog.reports.empty());
}

TEST_F(LogTest, TheCatchBoundaryLogsEveryKindOfException) {
    const auto logged = [](auto&& thrower) {
        try {
            thrower();
        } catch (...) {
            LogCurrentException();
        }
    };
    logged([] { throw DBException(-31, u"HeaderVerifier::VerifyMainHeader", u"Ungültige Datenbanksignatur"); });
    logged([] { throw WindowsException(u"", 13, u"open", u"FileBackup::Create"); });
    logged([] { throw Exception(u"Maximale Größe erreicht.", u"PasswordData::Add"); });
    logged([] { throw std::runtime_error("Gr\xC3\xB6\xC3\x9F" "e"); });
    logged([] { throw 42; });
    // Outside a catch block there is nothing to log, and nothing breaks.
    LogCurrentException();

    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].kind, 2u);
    EXPECT_EQ(lines[0].code, -31);
    EXPECT_EQ(lines[0].text, u"Error: ffffffe1\nMessage: HeaderVerifier::VerifyMainHeader\nTarget: Ungültige Datenbanksignatur");
    EXPECT_EQ(lines[1].kind, 3u);
    EXPECT_EQ(lines[1].code, 13);
    EXPECT_EQ(lines[1].text, u"Error: 13\nMessage: \nFunction: open\nTarget: FileBackup::Create");
    EXPECT_EQ(lines[2].kind, 1u);
    EXPECT_EQ(lines[2].text, u"Message: Maximale Größe erreicht.\nTarget: PasswordData::Add");
    EXPECT_EQ(lines[3].kind, 0u);
    EXPECT_EQ(lines[3].code, 0);
    EXPECT_EQ(lines[3].text, u"Größe");
    EXPECT_EQ(lines[4].kind, 0u);
    EXPECT_EQ(lines[4].text, u"unknown exception");
}

TEST_F(LogTest, UnwritableLogFallsBackToTheSystemLog) {
    // The file's place is taken by a folder.
    fs::create_directories(LogPath());
    const std::int64_t before = std::time(nullptr);
    WindowsErrorLog::LogEvent(5, u"OpenProcess", u"X::Y");
    ASSERT_EQ(syslog.reports.size(), 1u);
    const auto& report = syslog.reports[0];
    EXPECT_EQ(report.source, "Tarnwick");
    EXPECT_EQ(report.priority, LOG_USER | LOG_ERR);
    // Unencoded: time, kind, code and the text itself.
    std::istringstream fields(report.text);
    std::int64_t time = 0;
    fields >> time;
    EXPECT_GE(time, before);
    EXPECT_EQ(report.text.substr(report.text.find(' ')),
              " 4 5 Error: 5\nFunction: OpenProcess\nTarget: X::Y\n");

    // The local application folder cannot be made at all.
    xdg.Set("XDG_DATA_HOME", xdg.Root() / "blocked" / "data");
    std::ofstream(xdg.Root() / "blocked") << "a file, not a folder";
    Tarnwick::Core::Path::ResetCacheForTesting();
    KelExceptionLog::LogEvent(Exception(u"Umlaute äöü", u"A::B"));
    ASSERT_EQ(syslog.reports.size(), 2u);
    EXPECT_NE(syslog.reports[1].text.find(" 1 0 Message: Umlaute äöü\nTarget: A::B\n"), std::string::npos);

    // The file opens but the write fails (a full disk).
    FileLogger full("/dev/full");
    ASSERT_TRUE(full.IsOpen());
    full.LogEvent(0, 42, u"voll");
    ASSERT_EQ(syslog.reports.size(), 3u);
    EXPECT_NE(syslog.reports[2].text.find(" 0 42 voll\n"), std::string::npos);
}

TEST_F(LogTest, TwoProcessesShareTheFile) {
    constexpr int kLines = 60;
    GenericLog::LogEvent(0, u"start");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (int i = 0; i < kLines; ++i) {
            GenericLog::LogEvent(2000 + i, u"Kindprozess schreibt eine Zeile");
        }
        ::_exit(0);
    }
    for (int i = 0; i < kLines; ++i) {
        GenericLog::LogEvent(1000 + i, u"Elternprozess schreibt eine Zeile");
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u + 2 * kLines);
    int parent = 0;
    int other = 0;
    for (const auto& line : lines) {
        if (line.code >= 2000) {
            EXPECT_EQ(line.code, 2000 + other++);
            EXPECT_EQ(line.text, u"Kindprozess schreibt eine Zeile");
        } else if (line.code >= 1000) {
            EXPECT_EQ(line.code, 1000 + parent++);
            EXPECT_EQ(line.text, u"Elternprozess schreibt eine Zeile");
        }
    }
    EXPECT_EQ(parent, kLines);
    EXPECT_EQ(other, kLines);
}
