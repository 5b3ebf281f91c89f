// The main window's auto-completion over the fake desktop: the hot key opens the smart tag
// with the entries of the window in front, the chosen entry is typed only into that window and
// only when the smart tag chose it, and the copy commands ask about a clipboard watcher.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "app/mainframe/AutoCompletionController.h"
#include "app/mainframe/ClipboardController.h"
#include "model/PasswordData.h"
#include "platform/x11/FakeDesktop.h"
#include "support/DialogResponder.h"
#include "support/TemporaryXdgFolders.h"
#include "uilib/SmartTagWnd.h"

namespace {

using namespace Tarnwick;
using MainFrame::AutoCompletionController;
using Platform::FakeDesktopWindows;
using Platform::FakeHotKeyGrabber;
using Platform::FakeKeyboard;
using Platform::FakeSelections;
using UiLibrary::SmartTag::CSmartTagWnd;

constexpr Platform::WindowId kTarget = 0x600001;
constexpr std::uint32_t kSuperShift = 8 | 4;

class FieldClipboard final : public MainFrame::IFieldClipboard {
public:
    void CopyText(std::u16string_view value) override { text = value; }
    void Clear() override {
        text.clear();
        ++clears;
    }
    std::u16string text;
    int clears = 0;
};

// Opens the smart tag's menu from the keyboard and presses the keys in it once it shows.
void ChooseWithKeys(CSmartTagWnd& tag, const std::vector<Qt::Key>& keys) {
    QTimer::singleShot(0, &tag, [&tag, keys] {
        QMenu* menu = tag.Menu();
        QTimer::singleShot(50, menu, [menu, keys] {
            for (Qt::Key key : keys) {
                QTest::keyClick(menu, key);
            }
        });
    });
    QTest::keyClick(&tag, Qt::Key_Return);
}

QStringList Texts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return texts;
}

class AutoCompletionControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        responder = std::make_unique<TestSupport::ScriptedResponder>();
        desktop = std::make_shared<AutoCompletionController::Desktop>();
        desktop->windows = windows;
        desktop->keyboard = keyboard;
        desktop->hotKey = grabber;
        desktop->selections = selections;
        previous = AutoCompletionController::SetDesktopFactory([this] { return desktop; });
        windows->titles[kTarget] = u"Anmeldung - Testziel";
        windows->active = kTarget;
        windows->focus = kTarget;

        auto folder = data.AddFolder(u"Web");
        bank = Entry(u"Bank", u"Anmeldung - Testziel");
        folder->Entries().push_back(Entry(u"Anderswo", u"Woanders"));
        folder->Entries().push_back(bank);
        folder->Entries().push_back(Entry(u"", u"Anmeldung - Testziel"));
        folder->Entries().push_back(Entry(u"", u"Anmeldung - Testziel"));
        index.Rebuild(data);

        host.isLocked = [this] { return locked; };
        host.findMatches = [this](std::u16string_view title) {
            return matchesOverride ? *matchesOverride : index.FindMatches(data, title);
        };
        host.requestEntry = [this](std::size_t f, std::size_t e) { requested.emplace_back(f, e); };
        host.requestChoice = [this](int choice) { choices.push_back(choice); };
    }

    void TearDown() override {
        controller.reset();
        QCoreApplication::processEvents();
        AutoCompletionController::SetDesktopFactory(previous);
        responder.reset();
    }

    static PasswordADT::PasswordItemRef Entry(std::u16string_view description, std::u16string_view target) {
        auto item = std::make_shared<PasswordADT::PasswordItem>();
        item->SetDescription(description);
        item->SetTargetWindow(target);
        item->SetSequence(u"{USERNAME}{TAB}{PASSWORD}{ENTER}");
        item->SetUserName(u"jürgen@straße.de");
        item->SetPassword(0, StringServiceProvider::SecureString(std::u16string_view(u"P@ß wörd!")));
        return item;
    }

    void Make() {
        controller = std::make_shared<AutoCompletionController>(host, settings);
        ASSERT_TRUE(controller->Start());
    }

    void PressHotKey(Platform::ServerTime time = 4321) {
        grabber->Press('a', kSuperShift, time);
        QCoreApplication::processEvents();
    }

    CSmartTagWnd* Tag() const { return controller->SmartTag(); }

    QStringList Shown() const {
        QStringList texts;
        for (const auto& shown : responder->Seen()) {
            texts << (shown.text.isEmpty() ? shown.instruction : shown.text);
        }
        return texts;
    }

    TestSupport::TemporaryXdgFolders xdg;
    std::unique_ptr<TestSupport::ScriptedResponder> responder;
    Platform::Journal journal;
    std::shared_ptr<FakeDesktopWindows> windows = std::make_shared<FakeDesktopWindows>(journal);
    std::shared_ptr<FakeKeyboard> keyboard = std::make_shared<FakeKeyboard>(journal);
    std::shared_ptr<FakeSelections> selections = std::make_shared<FakeSelections>(journal);
    std::shared_ptr<FakeHotKeyGrabber> grabber = std::make_shared<FakeHotKeyGrabber>();
    std::shared_ptr<AutoCompletionController::Desktop> desktop;
    AutoCompletionController::DesktopFactory previous;
    ApplicationSettings::Settings settings;
    PasswordADT::PasswordData data;
    PasswordADT::PasswordItemRef bank;
    AutoCompletion::AutoCompletionIndex index;
    std::optional<std::vector<AutoCompletion::AutoCompletionIndex::Match>> matchesOverride;
    AutoCompletionController::Host host;
    std::shared_ptr<AutoCompletionController> controller;
    bool locked = false;
    std::vector<std::pair<std::size_t, std::size_t>> requested;
    std::vector<int> choices;
};

TEST_F(AutoCompletionControllerTest, TheWindowStartsTheDefaultHotKeyWhenAutoCompletionIsOn) {
    Make();
    EXPECT_EQ(grabber->grabbed, (std::set<std::pair<std::uint32_t, unsigned>>{{'a', kSuperShift}}));
    controller.reset();
    EXPECT_TRUE(grabber->grabbed.empty());
    settings.autoCompletionEnabled = false;
    Make();
    EXPECT_TRUE(grabber->grabbed.empty());
}

TEST_F(AutoCompletionControllerTest, TheHotKeyShowsTheMatchingEntriesBesideThePointer) {
    Make();
    PressHotKey();
    ASSERT_NE(Tag(), nullptr);
    EXPECT_TRUE(Tag()->Exists());
    EXPECT_EQ(Tag()->GetSafeParent(), kTarget);
    EXPECT_EQ(Texts(Tag()->Menu()),
              (QStringList{QStringLiteral("Bank"), QStringLiteral("Passwortinformation 1"),
                           QStringLiteral("Passwortinformation 2"), QStringLiteral("-"),
                           QStringLiteral("Neues Passwort für Anwendung erstellen"),
                           QStringLiteral("Anwendung vorhandenem Passwort zuordnen"), QStringLiteral("-"),
                           QStringLiteral("Abbrechen")}));
    EXPECT_EQ(Tag()->pos(), QPoint(370, 270)); // the pointer at 400,300
    EXPECT_EQ(windows->classes[static_cast<Platform::WindowId>(Tag()->winId())], "0xTWSmartTagWnd");
    // One at a time.
    CSmartTagWnd* first = Tag();
    PressHotKey();
    EXPECT_EQ(Tag(), first);
}

TEST_F(AutoCompletionControllerTest, TheSmartTagStandsBesideTheCaretWhenTheProgramTellsIt) {
    windows->caret = Platform::ScreenRect{300, 200, 1, 16};
    Make();
    PressHotKey();
    ASSERT_NE(Tag(), nullptr);
    EXPECT_EQ(Tag()->pos(), QPoint(305 - 30, 226 - 30));
}

TEST_F(AutoCompletionControllerTest, NothingOpensOverTarnwickItselfOrWhileLocked) {
    Make();
    windows->processes[kTarget] = ::getpid();
    PressHotKey();
    EXPECT_EQ(Tag(), nullptr);
    windows->processes.clear();

    locked = true;
    PressHotKey();
    EXPECT_EQ(Tag(), nullptr);
    ASSERT_EQ(responder->Seen().size(), 1u);
    EXPECT_EQ(responder->Seen()[0].caption, QStringLiteral("Arbeitsbereich ist gesperrt"));
    EXPECT_EQ(responder->Seen()[0].text, QStringLiteral("Um die Auto-Vervollständigung ausführen zu können, geben "
                                                        "Sie den Arbeitsbereich wieder frei."));
    settings.allowAutoCompletionWhenLocked = true;
    PressHotKey();
    EXPECT_NE(Tag(), nullptr);
}

TEST_F(AutoCompletionControllerTest, AnotherUsersWindowIsRefused) {
    // A process of another user: a child that gives up root, or init when we are not root.
    pid_t other = 1;
    pid_t child = 0;
    if (::geteuid() == 0) {
        child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setuid(65534) == 0) {
                ::pause();
            }
            ::_exit(1);
        }
        other = child;
        // The child runs as the other user once /proc says so.
        struct stat info {};
        for (int i = 0; i < 200 && (::stat(("/proc/" + std::to_string(child)).c_str(), &info) != 0 || info.st_uid == 0);
             ++i) {
            ::usleep(5000);
        }
    }
    Make();
    windows->processes[kTarget] = other;
    PressHotKey();
    if (child > 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    EXPECT_EQ(Tag(), nullptr);
    ASSERT_EQ(responder->Seen().size(), 1u);
    EXPECT_EQ(responder->Seen()[0].caption, QStringLiteral("Zugriff verweigert"));
    EXPECT_EQ(responder->Seen()[0].instruction, QStringLiteral("Tarnwick kann das SmartTag nicht anzeigen."));
    EXPECT_EQ(responder->Seen()[0].expanded,
              QStringLiteral("Tarnwick hat nicht die benötigten Rechte auf die Anwendung zuzugreifen. Eine Mögliche "
                             "Lösung wäre, Tarnwick als Administrator auszuführen."));
    EXPECT_TRUE(responder->Seen()[0].buttons.contains(QStringLiteral("Weitere Informationen")));
    EXPECT_TRUE(selections->offered.empty());
}

TEST_F(AutoCompletionControllerTest, TheChosenEntryIsTypedIntoTheWindowItWasChosenFor) {
    Make();
    PressHotKey(777);
    ASSERT_NE(Tag(), nullptr);
    ChooseWithKeys(*Tag(), {Qt::Key_Return});
    ASSERT_EQ(requested, (std::vector<std::pair<std::size_t, std::size_t>>{{0, 1}}));
    EXPECT_TRUE(controller->Run(nullptr, *bank));
    EXPECT_EQ(selections->offered, (std::vector<std::string>{"jürgen@straße.de", "P@ß wörd!"}));
    EXPECT_NE(std::find(journal.begin(), journal.end(), "activate:" + std::to_string(kTarget) + "@777"), journal.end());
    EXPECT_TRUE(responder->Seen().empty());
    // Once only: the same request again types nothing.
    EXPECT_TRUE(controller->Run(nullptr, *bank));
    EXPECT_EQ(selections->offered.size(), 2u);
}

TEST_F(AutoCompletionControllerTest, ARequestTheSmartTagDidNotMakeTypesNothing) {
    Make();
    // Straight to the runner, as a message from anywhere else would try.
    EXPECT_TRUE(controller->Run(nullptr, *bank));
    EXPECT_TRUE(selections->offered.empty());
    // Another entry than the one chosen.
    PressHotKey();
    ChooseWithKeys(*Tag(), {Qt::Key_Return});
    const auto other = Entry(u"Bank", u"Anmeldung - Testziel");
    EXPECT_TRUE(controller->Run(nullptr, *other));
    EXPECT_TRUE(selections->offered.empty());
}

TEST_F(AutoCompletionControllerTest, AWindowThatNoLongerMatchesTheEntryGetsNothing) {
    Make();
    PressHotKey();
    ChooseWithKeys(*Tag(), {Qt::Key_Return});
    windows->titles[kTarget] = u"Überweisung - Anderes Programm";
    EXPECT_TRUE(controller->Run(nullptr, *bank));
    EXPECT_TRUE(selections->offered.empty());
    EXPECT_EQ(Shown(), QStringList{QStringLiteral("Es ist ein Fehler beim Ausführen der Auto-Vervollständigung aufgetreten.")});
}

TEST_F(AutoCompletionControllerTest, PositionsTravelInFull) {
    matchesOverride = std::vector<AutoCompletion::AutoCompletionIndex::Match>{{70000, 80000, bank}};
    Make();
    PressHotKey();
    ChooseWithKeys(*Tag(), {Qt::Key_Return});
    EXPECT_EQ(requested, (std::vector<std::pair<std::size_t, std::size_t>>{{70000, 80000}}));
    EXPECT_TRUE(controller->Run(nullptr, *bank));
    EXPECT_EQ(selections->offered.size(), 2u);
}

TEST_F(AutoCompletionControllerTest, CancelAndEscapeRequestNothing) {
    Make();
    PressHotKey();
    ChooseWithKeys(*Tag(), {Qt::Key_Up, Qt::Key_Return}); // "Abbrechen"
    QCoreApplication::processEvents();
    EXPECT_TRUE(requested.empty());
    EXPECT_TRUE(choices.empty());
    PressHotKey();
    ASSERT_NE(Tag(), nullptr);
    QTest::keyClick(Tag(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_TRUE(requested.empty());
    EXPECT_TRUE(choices.empty());
    EXPECT_TRUE(selections->offered.empty());
}

TEST_F(AutoCompletionControllerTest, TheFixedCommandsGoToTheWindow) {
    Make();
    PressHotKey();
    ChooseWithKeys(*Tag(), {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return});
    EXPECT_EQ(choices, std::vector<int>{32998});
}

TEST_F(AutoCompletionControllerTest, MoreThanFiftyOneEntriesAreRefusedWithTheMessage) {
    std::vector<AutoCompletion::AutoCompletionIndex::Match> many;
    for (std::uint32_t i = 0; i < 52; ++i) {
        many.push_back({0, i, bank});
    }
    matchesOverride = many;
    Make();
    PressHotKey();
    EXPECT_TRUE(Tag() == nullptr || !Tag()->Exists());
    EXPECT_EQ(Shown(), QStringList{QStringLiteral("Fehler beim Hinzufügen eines Menüeintrags.")});
}

TEST_F(AutoCompletionControllerTest, TheOptionsFollowTheSwitchAndTheKey) {
    Make();
    ApplicationSettings::Settings before = settings;
    settings.hotKey = 'K';
    controller->ApplySettings(before);
    EXPECT_EQ(grabber->grabbed, (std::set<std::pair<std::uint32_t, unsigned>>{{'k', kSuperShift}}));
    before = settings;
    settings.autoCompletionEnabled = false;
    controller->ApplySettings(before);
    EXPECT_TRUE(grabber->grabbed.empty());
    before = settings;
    settings.autoCompletionEnabled = true;
    settings.hotKeyModifier1 = 2;
    controller->ApplySettings(before);
    EXPECT_EQ(grabber->grabbed, (std::set<std::pair<std::uint32_t, unsigned>>{{'k', 2 | 4}}));
    // A combination another program holds: the window says so.
    grabber->taken.insert({'l', 2 | 4});
    before = settings;
    settings.hotKey = 'L';
    controller->ApplySettings(before);
    EXPECT_EQ(Shown(), (QStringList{QStringLiteral("Fehler beim Ändern der Schnellzugriffstaste."),
                                    QStringLiteral("Die Taste für den Schnellzugriff konnte nicht geändert werden.")}));
}

TEST_F(AutoCompletionControllerTest, ACopyAsksFirstWhileAProgramWatchesTheClipboard) {
    Make();
    auto field = std::make_shared<FieldClipboard>();
    std::vector<MainFrame::ClipboardKind> kinds;
    MainFrame::ClipboardController clipboard(settings, field, [&](MainFrame::ClipboardKind kind) { kinds.push_back(kind); });
    controller->AttachClipboard(clipboard);

    clipboard.Copy(u"ohne Beobachter", MainFrame::ClipboardKind::UserName);
    EXPECT_EQ(field->text, u"ohne Beobachter");
    EXPECT_TRUE(responder->Seen().empty());

    Platform::ClipboardWatcher watcher;
    watcher.processId = 4711;
    watcher.program = "/usr/bin/klipper";
    watcher.windowClass = "Klipper";
    selections->watcher = watcher;
    responder->Then(1); // "Daten nicht kopieren"
    clipboard.Copy(u"geheim", MainFrame::ClipboardKind::Password);
    EXPECT_EQ(field->text, u"ohne Beobachter");
    EXPECT_EQ(kinds.size(), 1u);
    ASSERT_EQ(responder->Seen().size(), 1u);
    EXPECT_EQ(responder->Seen()[0].instruction, QStringLiteral("Die Zwischenablage wird z.Zt. von einem Programm überwacht!"));
    EXPECT_EQ(responder->Seen()[0].text,
              QStringLiteral("Anwendung: klipper\nBeschreibung: Klipper\nDigitale Signatur: unbekannt"));
    EXPECT_EQ(responder->Seen()[0].captions,
              (QStringList{QStringLiteral("Daten kopieren"), QStringLiteral("Daten nicht kopieren")}));
    responder->Then(0); // "Daten kopieren"
    clipboard.Copy(u"geheim", MainFrame::ClipboardKind::Password);
    EXPECT_EQ(field->text, u"geheim");

    // Without the setting nobody is asked.
    settings.warnClipboardWatched = false;
    clipboard.Copy(u"still", MainFrame::ClipboardKind::UserName);
    EXPECT_EQ(field->text, u"still");
    EXPECT_EQ(responder->Seen().size(), 2u);
}

TEST_F(AutoCompletionControllerTest, ClearingLeavesAnotherProgramsTextAlone) {
    Make();
    auto field = std::make_shared<FieldClipboard>();
    MainFrame::ClipboardController clipboard(settings, field, [](MainFrame::ClipboardKind) {});
    controller->AttachClipboard(clipboard);
    clipboard.Copy(u"geheim", MainFrame::ClipboardKind::Password);
    selections->owner = static_cast<std::int64_t>(::getpid()) + 1; // another program took it
    clipboard.OnTimer();
    EXPECT_EQ(field->clears, 0);
    EXPECT_FALSE(clipboard.IsTimerRunning());
    selections->owner = ::getpid();
    clipboard.Clear();
    EXPECT_EQ(field->clears, 1);
}

} // namespace
