// The main window's auto-completion and copy commands on the Xvfb display, as a user meets
// them: Super+Shift+A over another program's log-in window, the smart tag, the entry typed
// into that window; the clipboard cleared after its time; the warning about a watcher. The
// other programs are tw_target_window, xclip and xdotool. SmartTagScreenshot draws the smart
// tag beside the target for scripts/screenshots.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "app/mainframe/AutoCompletionController.h"
#include "app/mainframe/ClipboardController.h"
#include "app/mainframe/FieldClipboard.h"
#include "app/MainFrameTestSupport.h"
#include "platform/DesktopTestSupport.h"
#include "uilib/SmartTagWnd.h"

namespace {

using namespace DesktopTest;
using Tarnwick::UiLibrary::SmartTag::CSmartTagWnd;

constexpr std::u16string_view kEntryUser = u"jürgen@straße.de";
constexpr std::u16string_view kEntryPassword = u"P@ß wörd!{} äöüÄÖÜ €^´`~|<>";

void Pump() { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); }

CSmartTagWnd* VisibleSmartTag() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* tag = qobject_cast<CSmartTagWnd*>(widget); tag != nullptr && tag->Exists() && tag->isVisible()) {
            return tag;
        }
    }
    return nullptr;
}

QMenu* VisibleSmartTagMenu() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* menu = qobject_cast<QMenu*>(widget); menu != nullptr && menu->isVisible() &&
                                                        menu->objectName() == QLatin1String("SmartTagMenu")) {
            return menu;
        }
    }
    return nullptr;
}

bool Eventually(const std::function<bool()>& done) { return WaitUntil(done, std::chrono::seconds(20), Pump); }

// Runs the step once its condition holds, from a timer, so that it also happens inside the
// menu's own event loop.
class Script final : public QObject {
public:
    void When(std::function<bool()> condition, std::function<void()> action) {
        m_steps.push_back({std::move(condition), std::move(action)});
        if (!m_timer.isActive()) {
            connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
            m_timer.start(50);
        }
    }
    bool Done() const { return m_steps.empty(); }

private:
    void Poll() {
        if (!m_steps.empty() && m_steps.front().first()) {
            const auto action = m_steps.front().second;
            m_steps.erase(m_steps.begin());
            action();
        }
    }
    std::vector<std::pair<std::function<bool()>, std::function<void()>>> m_steps;
    QTimer m_timer;
};

class AutoCompletionOnXvfb : public MainFrameTest::MainFrameFixture {
protected:
    void SetUp() override {
        if (!Enabled()) {
            GTEST_SKIP() << "runs on the desktop test server (ctest, xvfb-run)";
        }
        MainFrameFixture::SetUp();
        ASSERT_TRUE(SetLayout("us"));
    }

    void TearDown() override {
        frame.reset();
        Pump();
        target.Stop();
        other.Stop();
        MainFrameFixture::TearDown();
    }

    static Tarnwick::PasswordADT::PasswordData Vault() {
        Tarnwick::PasswordADT::PasswordData data;
        auto folder = data.AddFolder(u"Web");
        auto other = std::make_shared<Tarnwick::PasswordADT::PasswordItem>();
        other->SetDescription(u"Anderswo");
        other->SetTargetWindow(u"Ganz woanders");
        other->SetSequence(u"{USERNAME}{ENTER}");
        folder->Entries().push_back(other);
        auto entry = std::make_shared<Tarnwick::PasswordADT::PasswordItem>();
        entry->SetDescription(u"Testziel-Anmeldung");
        entry->SetTargetWindow(u"Anmeldung - Testziel");
        entry->SetSequence(u"{USERNAME}{TAB}{PASSWORD}{ENTER}");
        entry->SetUserName(kEntryUser);
        entry->SetPassword(0, StringServiceProvider::SecureString(kEntryPassword));
        folder->Entries().push_back(entry);
        return data;
    }

    unsigned long StartTarget() {
        const auto ready = dir.Path() / "ready";
        if (!target.Start({TW_TARGET_WINDOW, "--title", "Anmeldung - Testziel", "--out", State().string(), "--ready",
                           ready.string()})) {
            return 0;
        }
        if (!Eventually([&] { return !ReadFile(ready).empty(); })) {
            return 0;
        }
        return std::stoul(ReadFile(ready));
    }

    std::filesystem::path State() const { return dir.Path() / "state"; }

    // The field's text from the target's state file (hex-coded UTF-8; the click count is plain).
    std::string Field(const std::string& name) const {
        std::istringstream in(ReadFile(State()));
        for (std::string line; std::getline(in, line);) {
            if (line.rfind(name + "=", 0) == 0) {
                std::string bytes;
                const std::string hex = line.substr(name.size() + 1);
                if (name == "clicks") {
                    return hex;
                }
                for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
                    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
                }
                return bytes;
            }
        }
        return "?";
    }

    Child target;
    Child other;
};

TEST_F(AutoCompletionOnXvfb, TheHotKeyOverTheTargetOpensTheSmartTagAndTheChosenEntryIsTyped) {
    ASSERT_NE(StartTarget(), 0u);
    Open(Vault());
    ASSERT_TRUE(frame->IsLoaded());
    EXPECT_TRUE(responder->Seen().empty());

    Script script;
    script.When([] { return VisibleSmartTag() != nullptr; }, [] { RunProgram({"xdotool", "key", "Return"}); });
    script.When([] { return VisibleSmartTagMenu() != nullptr; }, [] {
        const QMenu* menu = VisibleSmartTagMenu();
        // The entry for this window is offered, the other one is not.
        EXPECT_EQ(menu->actions().first()->text(), QStringLiteral("Testziel-Anmeldung"));
        EXPECT_EQ(menu->actions().size(), 6);
        RunProgram({"xdotool", "key", "Return"});
    });
    ASSERT_EQ(RunProgram({"xdotool", "key", "super+shift+a"}).status, 0);
    ASSERT_TRUE(Eventually([&] { return Field("clicks") == "1"; }));
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(Field("user"), "jürgen@straße.de");
    EXPECT_EQ(Field("password"), "P@ß wörd!{} äöüÄÖÜ €^´`~|<>");
    EXPECT_TRUE(responder->Seen().empty());
    EXPECT_EQ(VisibleSmartTag(), nullptr);
}

TEST_F(AutoCompletionOnXvfb, EscapeClosesTheSmartTagAndSendsNothing) {
    ASSERT_NE(StartTarget(), 0u);
    Open(Vault());
    ASSERT_EQ(RunProgram({"xdotool", "key", "super+shift+a"}).status, 0);
    ASSERT_TRUE(Eventually([] { return VisibleSmartTag() != nullptr; }));
    ASSERT_EQ(RunProgram({"xdotool", "key", "Escape"}).status, 0);
    ASSERT_TRUE(Eventually([] { return VisibleSmartTag() == nullptr; }));
    // Whatever the window would have done is done by now: the target has nothing.
    QTest::qWait(500);
    target.Send("dump");
    ASSERT_TRUE(Eventually([&] { return Field("clicks") == "0"; }));
    EXPECT_EQ(Field("user"), "");
    EXPECT_EQ(Field("password"), "");
    EXPECT_TRUE(responder->Seen().empty());
}

TEST_F(AutoCompletionOnXvfb, ASecondProgramHoldingTheHotKeyGivesTheMessage) {
    const auto ready = dir.Path() / "grab";
    ASSERT_TRUE(other.Start({TW_TARGET_WINDOW, "--grab", "--ready", ready.string()}));
    ASSERT_TRUE(Eventually([&] { return ReadFile(ready) == "0"; }));
    Open(Vault());
    // The window runs on without the hot key.
    EXPECT_TRUE(frame->IsLoaded());
    ASSERT_EQ(responder->Seen().size(), 1u);
    EXPECT_EQ(responder->Seen()[0].text, QStringLiteral("Fehler beim Registrieren der Schnellzugriffstaste."));
    EXPECT_EQ(responder->Seen()[0].icon, QMessageBox::Critical);
}

class CopiedFieldOnXvfb : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Enabled()) {
            GTEST_SKIP() << "runs on the desktop test server (ctest, xvfb-run)";
        }
        responder = std::make_unique<TestSupport::ScriptedResponder>();
    }
    static Result ReadClipboard() { return RunPumping({"xclip", "-selection", "clipboard", "-o"}, Pump); }

    TestSupport::TemporaryXdgFolders xdg;
    TestSupport::TempDir dir;
    std::unique_ptr<TestSupport::ScriptedResponder> responder;
    ApplicationSettings::Settings settings;
};

TEST_F(CopiedFieldOnXvfb, APasswordIsGoneAfterTheClearingTimeAndTheUsersOwnTextStays) {
    settings.clipboardClearSeconds = 2;
    auto field = std::make_shared<Tarnwick::MainFrame::QtFieldClipboard>();
    QStringList kinds;
    Tarnwick::MainFrame::ClipboardController clipboard(settings, field, [&](Tarnwick::MainFrame::ClipboardKind kind) {
        kinds << MainFrameTest::Q(Tarnwick::MainFrame::ClipboardStatusText(kind));
    });
    clipboard.Copy(u"P@ß wörd!", Tarnwick::MainFrame::ClipboardKind::Password);
    EXPECT_EQ(ReadClipboard().out, "P@ß wörd!");
    EXPECT_TRUE(clipboard.IsTimerRunning());
    ASSERT_TRUE(Eventually([&] { return ReadClipboard().out.empty(); }));
    EXPECT_EQ(kinds.back(), QStringLiteral("Zwischenablage: Leer"));

    // The user copies a text of their own meanwhile: the clearing leaves it alone.
    clipboard.Copy(u"P@ß wörd!", Tarnwick::MainFrame::ClipboardKind::Password);
    std::ofstream(dir.Path() / "mine") << "meine Notiz";
    ASSERT_EQ(RunProgram({"xclip", "-selection", "clipboard", "-i", (dir.Path() / "mine").string()}, {}, false).status, 0);
    ASSERT_TRUE(Eventually([&] { return ReadClipboard().out == "meine Notiz"; }));
    QTest::qWait(3000); // past the two seconds
    EXPECT_EQ(ReadClipboard().out, "meine Notiz");
    EXPECT_FALSE(clipboard.IsTimerRunning());
}

TEST_F(CopiedFieldOnXvfb, AClipboardManagerIsNamedBeforeACopy) {
    const auto ready = dir.Path() / "manager";
    Child manager({TW_TARGET_WINDOW, "--manager", "--ready", ready.string()});
    ASSERT_TRUE(Eventually([&] { return ReadFile(ready) == "0"; }));
    Tarnwick::MainFrame::AutoCompletionController controller({}, settings);
    auto field = std::make_shared<Tarnwick::MainFrame::QtFieldClipboard>();
    Tarnwick::MainFrame::ClipboardController clipboard(settings, field, [](Tarnwick::MainFrame::ClipboardKind) {});
    controller.AttachClipboard(clipboard);
    responder->Then(1); // "Daten nicht kopieren"
    clipboard.Copy(u"geheim", Tarnwick::MainFrame::ClipboardKind::Password);
    ASSERT_EQ(responder->Seen().size(), 1u);
    EXPECT_EQ(responder->Seen()[0].instruction, QStringLiteral("Die Zwischenablage wird z.Zt. von einem Programm überwacht!"));
    EXPECT_TRUE(responder->Seen()[0].text.startsWith(QStringLiteral("Anwendung: tw_target_window\n")))
        << responder->Seen()[0].text.toStdString();
    EXPECT_NE(ReadClipboard().out, "geheim");
}

// A picture of the smart tag and its menu beside the target, for scripts/screenshots.
class SmartTagScreenshot : public AutoCompletionOnXvfb {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("TW_SCREENSHOT_DIR") || QGuiApplication::platformName() != "xcb") {
            GTEST_SKIP() << "draws only for scripts/screenshots";
        }
        MainFrameFixture::SetUp();
    }
};

TEST_F(SmartTagScreenshot, BesideTheTarget) {
    Child windowManager({"openbox", "--sm-disable"});
    QTest::qWait(500);
    ASSERT_NE(StartTarget(), 0u);
    Open(Vault());
    RunProgram({"xdotool", "mousemove", "330", "236"}); // in the user name field
    const QString file = qEnvironmentVariable("TW_SCREENSHOT_DIR") + QStringLiteral("/smarttag.png");
    Script script;
    script.When([] { return VisibleSmartTag() != nullptr; }, [] { RunProgram({"xdotool", "key", "Return"}); });
    script.When([] { return VisibleSmartTagMenu() != nullptr; }, [file] {
        QTest::qWait(300);
        QGuiApplication::primaryScreen()->grabWindow(0, 120, 120, 640, 440).save(file);
        RunProgram({"xdotool", "key", "Escape"});
    });
    ASSERT_EQ(RunProgram({"xdotool", "key", "super+shift+a"}).status, 0);
    ASSERT_TRUE(Eventually([&] { return script.Done(); }));
    RunProgram({"xdotool", "key", "Escape"});
    EXPECT_TRUE(QFileInfo::exists(file));
}

} // namespace
