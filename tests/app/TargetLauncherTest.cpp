// Starting an entry's URL or program: which texts reach the URL handler, which become a
// program that starts only after the user agreed, and which are refused. Nothing is really
// opened or started here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <vector>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUrl>

#include "app/mainframe/TargetLauncher.h"
#include "support/DialogResponder.h"
#include "support/TemporaryXdgFolders.h"

namespace {

using Tarnwick::MainFrame::Classify;
using Tarnwick::MainFrame::CommandLineForDisplay;
using Tarnwick::MainFrame::DefaultLaunchEffects;
using Tarnwick::MainFrame::LaunchEffects;
using Tarnwick::MainFrame::LaunchMessage;
using Tarnwick::MainFrame::LaunchResult;
using Tarnwick::MainFrame::LaunchTarget;
using Tarnwick::MainFrame::TargetKind;
using Tarnwick::MainFrame::TargetLauncher;

// Records every effect instead of performing it.
struct Recorder {
    std::vector<QUrl> opened;
    std::vector<QString> asked;
    std::vector<std::pair<QString, QStringList>> started;
    bool agree = false;
    bool openSucceeds = true;
    bool startSucceeds = true;

    LaunchEffects Effects() {
        LaunchEffects effects;
        effects.openUrl = [this](const QUrl& url) {
            opened.push_back(url);
            return openSucceeds;
        };
        effects.confirmProgram = [this](QWidget*, const QString& shown) {
            asked.push_back(shown);
            return agree;
        };
        effects.startProcess = [this](const QString& program, const QStringList& arguments) {
            started.emplace_back(program, arguments);
            return startSucceeds;
        };
        return effects;
    }
};

class TargetLauncherTest : public ::testing::Test {
protected:
    LaunchResult Launch(const QString& text) { return TargetLauncher(m_recorder.Effects()).Launch(nullptr, text); }

    TestSupport::TemporaryXdgFolders m_folders; // failures are logged
    Recorder m_recorder;
};

void WriteFile(const std::filesystem::path& path, bool executable) {
    std::ofstream(path) << "#!/bin/sh\nexit 0\n";
    std::filesystem::permissions(path,
                                 executable ? std::filesystem::perms::owner_all : std::filesystem::perms::owner_read |
                                                                                      std::filesystem::perms::owner_write);
}

QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

TEST_F(TargetLauncherTest, AddressesGoToTheUrlHandler) {
    const std::vector<std::pair<QString, QString>> cases = {
        {QStringLiteral("http://example.org/login"), QStringLiteral("http://example.org/login")},
        {QStringLiteral("  HTTPS://Example.org/konto?x=1  "), QStringLiteral("https://example.org/konto?x=1")},
        {QStringLiteral("ftp://ftp.example.org/pub"), QStringLiteral("ftp://ftp.example.org/pub")},
        {QStringLiteral("mailto:hilfe@example.org"), QStringLiteral("mailto:hilfe@example.org")},
        {QStringLiteral("file:///tmp/tw-nicht-vorhanden.pdf"), QStringLiteral("file:///tmp/tw-nicht-vorhanden.pdf")},
        {QStringLiteral("www.example.org/login"), QStringLiteral("https://www.example.org/login")},
    };
    for (const auto& [text, expected] : cases) {
        m_recorder.opened.clear();
        EXPECT_EQ(Launch(text), LaunchResult::Opened) << text.toStdString();
        ASSERT_EQ(m_recorder.opened.size(), 1U) << text.toStdString();
        EXPECT_EQ(m_recorder.opened.front().toString(), expected);
        EXPECT_TRUE(LaunchMessage(LaunchResult::Opened, text).isEmpty());
    }
    EXPECT_TRUE(m_recorder.asked.empty());
    EXPECT_TRUE(m_recorder.started.empty());
}

TEST_F(TargetLauncherTest, DangerousAndUnknownSchemesAreNeverOpened) {
    for (const char* text :
         {"javascript:alert(1)", "JavaScript:alert(document.cookie)", "data:text/html,<script>alert(1)</script>",
          "data:text/html;base64,PHNjcmlwdD5hbGVydCgxKTwvc2NyaXB0Pg==", "vbscript:msgbox(1)", "smb://x",
          "smb://server/freigabe/datei.exe", "ssh://root@example.org", "tel:+491234", "steam://run/1",
          "file://server/freigabe/x.pdf", "file:relativ/pfad", "http:ohne-host", "mailto:"}) {
        const QString entry = QString::fromUtf8(text);
        EXPECT_EQ(Classify(entry), TargetKind::Refused) << text;
        EXPECT_EQ(Launch(entry), LaunchResult::Refused) << text;
        const QString message = LaunchMessage(LaunchResult::Refused, entry);
        EXPECT_TRUE(message.startsWith(QStringLiteral("Die Adresse \"") + entry +
                                       QStringLiteral("\" kann nicht geöffnet werden.")))
            << message.toStdString();
    }
    EXPECT_TRUE(m_recorder.opened.empty());
    EXPECT_TRUE(m_recorder.asked.empty());
    EXPECT_TRUE(m_recorder.started.empty());
}

TEST_F(TargetLauncherTest, ProgramsDoNotStartWhenTheUserDeclines) {
    m_recorder.agree = false;
    EXPECT_EQ(Launch(QStringLiteral("/usr/bin/xterm -e rm -rf ~")), LaunchResult::Declined);
    EXPECT_EQ(Launch(QStringLiteral("calc.exe")), LaunchResult::Declined);
    ASSERT_EQ(m_recorder.asked.size(), 2U);
    EXPECT_EQ(m_recorder.asked[0], QStringLiteral("/usr/bin/xterm -e rm -rf ~"));
    EXPECT_EQ(m_recorder.asked[1], QStringLiteral("calc.exe"));
    EXPECT_TRUE(m_recorder.started.empty());
    EXPECT_TRUE(m_recorder.opened.empty());
    EXPECT_TRUE(LaunchMessage(LaunchResult::Declined, QStringLiteral("calc.exe")).isEmpty());
}

TEST_F(TargetLauncherTest, ConfirmedProgramsStartWithTheSplitArguments) {
    m_recorder.agree = true;
    EXPECT_EQ(Launch(QStringLiteral("/usr/bin/xterm -e rm -rf ~")), LaunchResult::Started);
    EXPECT_EQ(Launch(QStringLiteral("calc.exe")), LaunchResult::Started);
    ASSERT_EQ(m_recorder.started.size(), 2U);
    EXPECT_EQ(m_recorder.started[0].first, QStringLiteral("/usr/bin/xterm"));
    EXPECT_EQ(m_recorder.started[0].second,
              (QStringList{QStringLiteral("-e"), QStringLiteral("rm"), QStringLiteral("-rf"), QStringLiteral("~")}));
    EXPECT_EQ(m_recorder.started[1].first, QStringLiteral("calc.exe"));
    EXPECT_TRUE(m_recorder.started[1].second.isEmpty());
    EXPECT_TRUE(m_recorder.opened.empty());
}

TEST_F(TargetLauncherTest, NoShellEverReadsTheCommand) {
    m_recorder.agree = true;
    EXPECT_EQ(Launch(QStringLiteral("a; b")), LaunchResult::Started);
    EXPECT_EQ(Launch(QStringLiteral("echo $(id) `id` > /tmp/tw-x && reboot | cat")), LaunchResult::Started);
    EXPECT_EQ(Launch(QStringLiteral("\"/opt/Mein Programm/start\" --name \"a b\" $HOME")), LaunchResult::Started);
    ASSERT_EQ(m_recorder.started.size(), 3U);
    EXPECT_EQ(m_recorder.started[0].first, QStringLiteral("a;"));
    EXPECT_EQ(m_recorder.started[0].second, QStringList{QStringLiteral("b")});
    EXPECT_EQ(m_recorder.started[1].first, QStringLiteral("echo"));
    EXPECT_EQ(m_recorder.started[1].second,
              (QStringList{QStringLiteral("$(id)"), QStringLiteral("`id`"), QStringLiteral(">"), QStringLiteral("/tmp/tw-x"),
                           QStringLiteral("&&"), QStringLiteral("reboot"), QStringLiteral("|"), QStringLiteral("cat")}));
    EXPECT_EQ(m_recorder.started[2].first, QStringLiteral("/opt/Mein Programm/start"));
    EXPECT_EQ(m_recorder.started[2].second,
              (QStringList{QStringLiteral("--name"), QStringLiteral("a b"), QStringLiteral("$HOME")}));
    // The question shows the command exactly as it will run.
    ASSERT_EQ(m_recorder.asked.size(), 3U);
    EXPECT_EQ(m_recorder.asked[2], QStringLiteral("\"/opt/Mein Programm/start\" --name \"a b\" $HOME"));
}

TEST_F(TargetLauncherTest, BlankTextDoesNothing) {
    for (const char* text : {"", "   ", "\t\n ", "\"\""}) {
        const QString entry = QString::fromUtf8(text);
        const LaunchResult result = Launch(entry);
        EXPECT_TRUE(result == LaunchResult::Nothing || result == LaunchResult::Refused) << text;
    }
    EXPECT_EQ(Launch(QString()), LaunchResult::Nothing);
    EXPECT_EQ(Launch(QStringLiteral(" \t ")), LaunchResult::Nothing);
    EXPECT_TRUE(LaunchMessage(LaunchResult::Nothing, QString()).isEmpty());
    EXPECT_TRUE(m_recorder.opened.empty());
    EXPECT_TRUE(m_recorder.asked.empty());
    EXPECT_TRUE(m_recorder.started.empty());
}

TEST_F(TargetLauncherTest, FilesThatCouldRunAreProgramsEvenAsFileAddresses) {
    const std::filesystem::path folder = m_folders.Root() / "Mein Ordner";
    std::filesystem::create_directories(folder);
    WriteFile(folder / "run.sh", true);
    WriteFile(folder / "app.desktop", false);
    WriteFile(folder / "Vertrag.txt", false);

    LaunchTarget target;
    EXPECT_EQ(Classify(QUrl::fromLocalFile(Q(folder / "run.sh")).toString(), &target), TargetKind::Program);
    EXPECT_EQ(target.program, Q(folder / "run.sh"));
    EXPECT_TRUE(target.arguments.isEmpty());
    EXPECT_EQ(Classify(Q(folder / "run.sh"), &target), TargetKind::Program);
    EXPECT_EQ(target.program, Q(folder / "run.sh"));
    EXPECT_EQ(Classify(QUrl::fromLocalFile(Q(folder / "app.desktop")).toString()), TargetKind::Program);

    // A document, also as a plain path with a blank in it, opens with its handler.
    EXPECT_EQ(Classify(Q(folder / "Vertrag.txt"), &target), TargetKind::Address);
    EXPECT_EQ(target.address, QUrl::fromLocalFile(Q(folder / "Vertrag.txt")));
    EXPECT_EQ(Launch(QUrl::fromLocalFile(Q(folder / "Vertrag.txt")).toString()), LaunchResult::Opened);

    m_recorder.agree = false;
    EXPECT_EQ(Launch(QUrl::fromLocalFile(Q(folder / "run.sh")).toString()), LaunchResult::Declined);
    EXPECT_TRUE(m_recorder.started.empty());
    ASSERT_EQ(m_recorder.asked.size(), 1U);
    EXPECT_EQ(m_recorder.asked[0], QLatin1Char('"') + Q(folder / "run.sh") + QLatin1Char('"'));
}

TEST_F(TargetLauncherTest, AnUnknownSchemeCountsAsAProgramOnlyWhenOneExists) {
    const std::filesystem::path bin = m_folders.Root() / "bin";
    std::filesystem::create_directories(bin);
    WriteFile(bin / "tw-werkzeug:start", true);
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(Q(bin)) + ':' + savedPath);

    LaunchTarget target;
    EXPECT_EQ(Classify(QStringLiteral("tw-werkzeug:start --schnell"), &target), TargetKind::Program);
    EXPECT_EQ(target.program, QStringLiteral("tw-werkzeug:start"));
    EXPECT_EQ(target.arguments, QStringList{QStringLiteral("--schnell")});
    EXPECT_EQ(Classify(QStringLiteral("tw-anderes:start")), TargetKind::Refused);
    qputenv("PATH", savedPath);
}

TEST_F(TargetLauncherTest, FailuresAreReportedAndLoggedWithoutTheEntryText) {
    m_recorder.openSucceeds = false;
    m_recorder.startSucceeds = false;
    m_recorder.agree = true;
    const QString address = QStringLiteral("https://geheim.example.org/konto");
    const QString program = QStringLiteral("geheimes-programm --token abc");
    EXPECT_EQ(Launch(address), LaunchResult::OpenFailed);
    EXPECT_EQ(LaunchMessage(LaunchResult::OpenFailed, address),
              QStringLiteral("Die Adresse \"https://geheim.example.org/konto\" konnte nicht geöffnet werden."));
    EXPECT_EQ(Launch(program), LaunchResult::StartFailed);
    EXPECT_EQ(LaunchMessage(LaunchResult::StartFailed, program),
              QStringLiteral("Das Programm \"geheimes-programm --token abc\" konnte nicht gestartet werden."));

    // Both failures are in the log, the entry's text is not.
    int lines = 0;
    for (const auto& file : std::filesystem::recursive_directory_iterator(m_folders.Root())) {
        if (file.path().filename() != "tlp.log") {
            continue;
        }
        QFile log(Q(file.path()));
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        while (!log.atEnd()) {
            const QList<QByteArray> fields = log.readLine().trimmed().split(' ');
            ASSERT_EQ(fields.size(), 4);
            const QByteArray text = QByteArray::fromBase64(fields[3]);
            EXPECT_FALSE(text.contains("geheim")) << text.toStdString();
            EXPECT_TRUE(text.contains("TargetLauncher::Launch")) << text.toStdString();
            ++lines;
        }
    }
    EXPECT_EQ(lines, 2);
}

TEST_F(TargetLauncherTest, ThrowingEffectsNeitherEscapeNorStartAnything) {
    LaunchEffects effects = m_recorder.Effects();
    effects.confirmProgram = [](QWidget*, const QString&) -> bool { throw std::runtime_error("kaputt"); };
    effects.openUrl = [](const QUrl&) -> bool { throw std::runtime_error("kaputt"); };
    const TargetLauncher launcher(effects);
    EXPECT_EQ(launcher.Launch(nullptr, QStringLiteral("calc.exe")), LaunchResult::StartFailed);
    EXPECT_EQ(launcher.Launch(nullptr, QStringLiteral("https://example.org")), LaunchResult::OpenFailed);
    EXPECT_TRUE(m_recorder.started.empty());
}

TEST(TargetLauncherCommandLine, DisplayedCommandSplitsBackIntoTheSameWords) {
    const QStringList words{QStringLiteral("/opt/Mein Programm/run"), QStringLiteral("a\"b"), QStringLiteral("\"start"),
                            QStringLiteral("ende\""), QStringLiteral("x y"), QStringLiteral("$(id)"), QStringLiteral(";"),
                            QStringLiteral("tab\there"), QStringLiteral("\"ganz\" \"zitiert\"")};
    const QString shown = CommandLineForDisplay(words.front(), words.mid(1));
    EXPECT_EQ(QProcess::splitCommand(shown), words) << shown.toStdString();
    EXPECT_EQ(CommandLineForDisplay(QStringLiteral("calc.exe"), {}), QStringLiteral("calc.exe"));
}

// The real question: a task dialog whose default answer does not start the program.
TEST(TargetLauncherDialog, AsksInATaskDialogThatDefaultsToNotStarting) {
    std::vector<std::pair<QString, QStringList>> started;
    LaunchEffects effects = DefaultLaunchEffects();
    effects.openUrl = [](const QUrl&) { return false; };
    effects.startProcess = [&](const QString& program, const QStringList& arguments) {
        started.emplace_back(program, arguments);
        return true;
    };
    const TargetLauncher launcher(effects);
    TestSupport::ScriptedResponder responder;
    responder.Then(1);
    responder.Then(TestSupport::ScriptedResponder::Cancel{});
    responder.Then(0);

    const QString command = QStringLiteral("/usr/bin/xterm -e rm -rf ~");
    EXPECT_EQ(launcher.Launch(nullptr, command), LaunchResult::Declined);
    EXPECT_EQ(launcher.Launch(nullptr, command), LaunchResult::Declined);
    EXPECT_TRUE(started.empty());
    EXPECT_EQ(launcher.Launch(nullptr, command), LaunchResult::Started);
    ASSERT_EQ(started.size(), 1U);
    EXPECT_EQ(started[0].first, QStringLiteral("/usr/bin/xterm"));

    ASSERT_EQ(responder.Seen().size(), 3U);
    const auto& shown = responder.Seen().front();
    EXPECT_EQ(shown.caption, QStringLiteral("Programm starten"));
    EXPECT_EQ(shown.instruction, QStringLiteral("Möchten Sie das folgende Programm starten?"));
    EXPECT_TRUE(shown.text.startsWith(command + QStringLiteral("\n\n"))) << shown.text.toStdString();
    EXPECT_EQ(shown.captions, (QStringList{QStringLiteral("Programm starten"), QStringLiteral("Nicht starten")}));
    EXPECT_EQ(shown.defaultButton, QStringLiteral("Nicht starten"));
}

} // namespace
