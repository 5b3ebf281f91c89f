#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include "uilib/PasswordIndicator.h"
#include "uilib/SecureEdit.h"

using MFCServiceProvider::SecureCueBannerEdit;
using MFCServiceProvider::SecureEdit;
using StringServiceProvider::PlainString;
using StringServiceProvider::SecureString;

namespace {

const QChar kMask(SecureEdit::kMaskCharacter);

std::u16string Content(const SecureEdit& edit) {
    PlainString plain;
    edit.GetText(plain);
    return plain.ToStdString();
}

QString Masks(int count) {
    return QString(count, kMask);
}

bool OnlyMasks(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == kMask; });
}

// Every text the line edit itself held while the spy listened.
bool WindowHeldOnlyMasks(const QSignalSpy& spy) {
    return std::all_of(spy.begin(), spy.end(), [](const QList<QVariant>& args) {
        return OnlyMasks(args.at(0).toString());
    });
}

// Keys that type text QTest cannot derive from a key code.
void TypeText(QWidget& widget, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Click, &widget, Qt::Key_unknown, QString(c), modifiers);
    }
}

QAction* MenuAction(QMenu& menu, const char* name) {
    for (QAction* action : menu.actions()) {
        if (action->objectName() == QLatin1String(name)) {
            return action;
        }
    }
    return nullptr;
}

// Records what the edit reports.
class RecordingIndicator : public MFCServiceProvider::PasswordIndicator {
public:
    void UpdateFromPassword(const SecureString& password) override {
        seen = password.Reveal().ToStdString();
        ++fromPassword;
    }

    std::u16string seen;
    int fromPassword = 0;
};

class SecureEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        QGuiApplication::clipboard()->clear();
        edit.resize(200, 24);
    }
    void TearDown() override { QGuiApplication::clipboard()->clear(); }

    // Typed "abcde" with the caret at the end.
    void TypeFive() {
        QTest::keyClicks(&edit, QStringLiteral("abcde"));
        ASSERT_EQ(Content(edit), u"abcde");
    }

    SecureEdit edit;
};

TEST_F(SecureEditTest, TypedTextLivesOnlyInTheSecureString) {
    QSignalSpy window(&edit, &QLineEdit::textChanged);
    QSignalSpy changes(&edit, &SecureEdit::SecureTextChanged);
    EXPECT_TRUE(edit.IsMasked());
    QTest::keyClicks(&edit, QStringLiteral("abc"));
    EXPECT_EQ(Content(edit), u"abc");
    EXPECT_EQ(edit.text(), Masks(3));
    EXPECT_EQ(edit.displayText(), Masks(3));
    EXPECT_EQ(edit.GetLength(), 3u);
    EXPECT_EQ(edit.cursorPosition(), 3);
    EXPECT_EQ(changes.count(), 3);
    EXPECT_TRUE(WindowHeldOnlyMasks(window));

    // Non-ASCII input and AltGr characters.
    TypeText(edit, QString::fromUtf16(u"ß€"));
    TypeText(edit, QStringLiteral("{"), Qt::ControlModifier | Qt::AltModifier); // AltGr
    TypeText(edit, QStringLiteral("x"), Qt::ControlModifier); // a command, not text
    EXPECT_EQ(Content(edit), u"abcß€{");
    EXPECT_TRUE(WindowHeldOnlyMasks(window));
    EXPECT_FALSE(edit.isUndoAvailable());
}

TEST_F(SecureEditTest, CommandKeysAreNotTyped) {
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier); // select all, nothing to select
    QTest::keyClick(&edit, Qt::Key_Escape);
    QTest::keyClick(&edit, Qt::Key_F2);
    EXPECT_EQ(Content(edit), u"");
    EXPECT_TRUE(edit.text().isEmpty());
}

TEST_F(SecureEditTest, InsertInTheMiddle) {
    TypeFive();
    QTest::keyClick(&edit, Qt::Key_Left);
    QTest::keyClick(&edit, Qt::Key_Left);
    QTest::keyClicks(&edit, QStringLiteral("XY"));
    EXPECT_EQ(Content(edit), u"abcXYde");
    EXPECT_EQ(edit.cursorPosition(), 5);
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClicks(&edit, QStringLiteral("0"));
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClicks(&edit, QStringLiteral("9"));
    EXPECT_EQ(Content(edit), u"0abcXYde9");
    EXPECT_EQ(edit.text(), Masks(9));
}

TEST_F(SecureEditTest, BackspaceAndDeleteRemoveTheRightCharacter) {
    TypeFive();
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(Content(edit), u"abcd");
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(Content(edit), u"bcd");
    QTest::keyClick(&edit, Qt::Key_Right);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(Content(edit), u"cd");
    EXPECT_EQ(edit.cursorPosition(), 0);
    QTest::keyClick(&edit, Qt::Key_Backspace); // nothing before the caret
    EXPECT_EQ(Content(edit), u"cd");
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClick(&edit, Qt::Key_Delete); // nothing after it
    EXPECT_EQ(Content(edit), u"cd");
    EXPECT_EQ(edit.text(), Masks(2));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(Content(edit), u"");
    EXPECT_TRUE(edit.text().isEmpty());
}

TEST_F(SecureEditTest, WordAndLineDeletion) {
    TypeFive();
    QTest::keyClick(&edit, Qt::Key_Left);
    QTest::keyClick(&edit, Qt::Key_Left);
    QTest::keyClick(&edit, Qt::Key_Backspace, Qt::ControlModifier); // to the start
    EXPECT_EQ(Content(edit), u"de");
    EXPECT_EQ(edit.cursorPosition(), 0);
    QTest::keyClicks(&edit, QStringLiteral("xyz"));
    QTest::keyClick(&edit, Qt::Key_Left);
    QTest::keyClick(&edit, Qt::Key_Delete, Qt::ControlModifier); // to the end
    EXPECT_EQ(Content(edit), u"xy");
    EXPECT_EQ(edit.text(), Masks(2));
}

TEST_F(SecureEditTest, TypingReplacesTheSelection) {
    TypeFive();
    // Two of five selected, one typed: four remain with the new one in their place.
    edit.setSelection(1, 2);
    QTest::keyClicks(&edit, QStringLiteral("Z"));
    EXPECT_EQ(Content(edit), u"aZde");
    EXPECT_EQ(edit.cursorPosition(), 2);
    EXPECT_FALSE(edit.hasSelectedText());

    // Selected with the keyboard, backwards from the end.
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClick(&edit, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(&edit, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(edit.selectedText(), Masks(2));
    QTest::keyClicks(&edit, QStringLiteral("QRS"));
    EXPECT_EQ(Content(edit), u"aZQRS");

    // Deleting a selection, and replacing everything.
    edit.setSelection(1, 3);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(Content(edit), u"aS");
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&edit, QStringLiteral("new"));
    EXPECT_EQ(Content(edit), u"new");
    EXPECT_EQ(edit.text(), Masks(3));
}

TEST_F(SecureEditTest, MaskCharactersAreNotInput) {
    TypeFive();
    TypeText(edit, QString(kMask));
    EXPECT_EQ(Content(edit), u"abcde");
    QGuiApplication::clipboard()->setText(QString::fromUtf16(u"x\u25CFy"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Content(edit), u"abcdexy");
    QGuiApplication::clipboard()->setText(Masks(3));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Content(edit), u"abcdexy");
    EXPECT_EQ(edit.text(), Masks(7));
}

TEST_F(SecureEditTest, PasteGoesIntoTheSecureString) {
    QSignalSpy window(&edit, &QLineEdit::textChanged);
    TypeFive();
    QGuiApplication::clipboard()->setText(QStringLiteral("PQ"));
    edit.setCursorPosition(2);
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Content(edit), u"abPQcde");
    EXPECT_EQ(edit.cursorPosition(), 4);

    // Over a selection, with Shift+Insert.
    edit.setSelection(0, 4);
    QTest::keyClick(&edit, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(Content(edit), u"PQcde");

    // A single-line field takes a pasted text up to its first line break.
    QGuiApplication::clipboard()->setText(QStringLiteral("top\nsecond line"));
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Content(edit), u"PQcdetop");
    QGuiApplication::clipboard()->setText(QStringLiteral("\r\nrest"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Content(edit), u"PQcdetop");

    EXPECT_EQ(edit.text(), Masks(8));
    EXPECT_TRUE(WindowHeldOnlyMasks(window));
    EXPECT_FALSE(edit.isUndoAvailable());
}

TEST_F(SecureEditTest, MaximumLengthHolds) {
    edit.setMaxLength(6);
    QTest::keyClicks(&edit, QStringLiteral("abcdefgh"));
    EXPECT_EQ(Content(edit), u"abcdef");
    edit.setSelection(1, 2);
    QGuiApplication::clipboard()->setText(QStringLiteral("WXYZ"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Content(edit), u"aWXdef");
    edit.SetText(u"0123456789");
    EXPECT_EQ(Content(edit), u"012345");
}

TEST_F(SecureEditTest, CopyCutAndUndoAreRefusedWhileMasked) {
    TypeFive();
    QGuiApplication::clipboard()->setText(QStringLiteral("sentinel"));
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("sentinel"));
    QTest::keyClick(&edit, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("sentinel"));
    EXPECT_EQ(Content(edit), u"abcde");

    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Content(edit), u"abcd");
    EXPECT_FALSE(edit.isUndoAvailable());
    EXPECT_FALSE(edit.isRedoAvailable());

    // Unmasked, the visible text may be copied.
    edit.SetMasked(false);
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("abcd"));
}

TEST_F(SecureEditTest, ContextMenuWhileMasked) {
    TypeFive();
    edit.setSelection(1, 2);
    QGuiApplication::clipboard()->setText(QStringLiteral("77"));
    std::unique_ptr<QMenu> menu(edit.CreateContextMenu());
    for (const char* name : {"edit-undo", "edit-redo", "edit-cut", "edit-copy"}) {
        ASSERT_NE(MenuAction(*menu, name), nullptr) << name;
        EXPECT_FALSE(MenuAction(*menu, name)->isEnabled()) << name;
    }
    QAction* paste = MenuAction(*menu, "edit-paste");
    ASSERT_NE(paste, nullptr);
    EXPECT_TRUE(paste->isEnabled());
    paste->trigger();
    EXPECT_EQ(Content(edit), u"a77de");

    edit.setSelection(0, 1);
    menu.reset(edit.CreateContextMenu());
    QAction* remove = MenuAction(*menu, "edit-delete");
    ASSERT_NE(remove, nullptr);
    ASSERT_TRUE(remove->isEnabled());
    remove->trigger();
    EXPECT_EQ(Content(edit), u"77de");
    EXPECT_EQ(edit.text(), Masks(4));

    // Unmasked the standard menu with a working copy item comes back.
    edit.SetMasked(false);
    edit.selectAll();
    menu.reset(edit.CreateContextMenu());
    const auto actions = menu->actions();
    EXPECT_TRUE(std::any_of(actions.begin(), actions.end(), [](QAction* a) {
        const QString text = a->text().remove(QLatin1Char('&'));
        return a->isEnabled() && (text.startsWith(QLatin1String("Copy")) || text.startsWith(QLatin1String("Kopieren")));
    }));
}

TEST_F(SecureEditTest, NothingIsDraggedOutOrDroppedIn) {
    TypeFive();
    EXPECT_FALSE(edit.dragEnabled());
    EXPECT_FALSE(edit.acceptDrops());

    QMimeData data;
    data.setText(QStringLiteral("dropped"));
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&edit, &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_EQ(Content(edit), u"abcde");
    EXPECT_EQ(edit.text(), Masks(5));

    edit.SetMasked(false);
    EXPECT_FALSE(edit.dragEnabled());
    EXPECT_TRUE(edit.acceptDrops());
}

TEST_F(SecureEditTest, InputMethodsAreToldTheFieldIsHidden) {
    const Qt::InputMethodHints hidden = Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText;
    EXPECT_EQ(edit.inputMethodHints() & hidden, hidden);
    edit.SetMasked(false);
    EXPECT_FALSE(edit.inputMethodHints() & Qt::ImhHiddenText);
    EXPECT_TRUE(edit.inputMethodHints() & Qt::ImhSensitiveData);
    edit.SetMasked(true);
    EXPECT_EQ(edit.inputMethodHints() & hidden, hidden);
}

TEST_F(SecureEditTest, CommittedInputMethodTextIsMerged) {
    QSignalSpy window(&edit, &QLineEdit::textChanged);
    TypeFive();
    edit.setCursorPosition(2);
    QInputMethodEvent compose(QStringLiteral("pre"), {});
    QCoreApplication::sendEvent(&edit, &compose);
    EXPECT_EQ(Content(edit), u"abcde"); // a composition is not shown or taken
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf16(u"日本"));
    QCoreApplication::sendEvent(&edit, &commit);
    EXPECT_EQ(Content(edit), u"ab日本cde");
    EXPECT_EQ(edit.cursorPosition(), 4);

    // Replacing the two characters before the caret.
    QInputMethodEvent replace;
    replace.setCommitString(QStringLiteral("Q"), -2, 2);
    QCoreApplication::sendEvent(&edit, &replace);
    EXPECT_EQ(Content(edit), u"abQcde");
    EXPECT_EQ(edit.text(), Masks(6));
    EXPECT_TRUE(WindowHeldOnlyMasks(window));
}

TEST_F(SecureEditTest, UnmaskShowsAndRemaskHidesTheText) {
    TypeFive();
    edit.setCursorPosition(3);
    edit.SetMasked(false);
    EXPECT_FALSE(edit.IsMasked());
    EXPECT_EQ(edit.text(), QStringLiteral("abcde"));
    EXPECT_EQ(edit.cursorPosition(), 3);
    EXPECT_EQ(Content(edit), u"abcde");
    edit.SetMasked(false); // unchanged: nothing happens
    EXPECT_EQ(edit.text(), QStringLiteral("abcde"));

    QTest::keyClicks(&edit, QStringLiteral("XY"));
    EXPECT_EQ(edit.text(), QStringLiteral("abcXYde"));
    EXPECT_EQ(Content(edit), u"abcXYde");

    edit.SetMasked(true);
    EXPECT_EQ(edit.text(), Masks(7));
    EXPECT_EQ(edit.cursorPosition(), 5);
    EXPECT_EQ(Content(edit), u"abcXYde");
    EXPECT_FALSE(edit.isUndoAvailable());
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(Content(edit), u"abcXde");

    edit.SetMasked(false);
    edit.SetText(u"plain");
    EXPECT_EQ(edit.text(), QStringLiteral("plain"));
    edit.SetMasked(true);
    EXPECT_EQ(Content(edit), u"plain");
}

TEST_F(SecureEditTest, ShownTextEditsLikeALineEditButKeepsNoHistory) {
    // The same keys in an ordinary line edit give the same text and caret, while the field
    // does every edit itself and so keeps no undo history.
    edit.SetMasked(false);
    QLineEdit reference;
    const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&edit, key, modifiers);
        QTest::keyClick(&reference, key, modifiers);
        EXPECT_EQ(edit.text(), reference.text()) << QTest::toString(QKeySequence(key | modifiers));
        EXPECT_EQ(edit.cursorPosition(), reference.cursorPosition());
        EXPECT_EQ(Content(edit), reference.text().toStdU16String());
    };
    QTest::keyClicks(&edit, QStringLiteral("Hallo Welt 42"));
    QTest::keyClicks(&reference, QStringLiteral("Hallo Welt 42"));
    EXPECT_EQ(Content(edit), u"Hallo Welt 42");
    press(Qt::Key_Backspace, Qt::ControlModifier);
    press(Qt::Key_Left, Qt::ControlModifier);
    press(Qt::Key_Delete, Qt::ControlModifier);
    press(Qt::Key_Home);
    press(Qt::Key_Right, Qt::ShiftModifier);
    press(Qt::Key_Right, Qt::ShiftModifier);
    press(Qt::Key_Delete);
    press(Qt::Key_End);
    press(Qt::Key_Left, Qt::ShiftModifier);
    press(Qt::Key_Backspace);
    press(Qt::Key_Home);
    press(Qt::Key_Delete);
    EXPECT_EQ(Content(edit), u"lo");
    EXPECT_FALSE(edit.isUndoAvailable());
    QTest::keyClick(&edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Content(edit), u"lo");

    // Cut takes the shown selection to the clipboard and out of the content.
    edit.SetText(u"schnitt");
    edit.setSelection(0, 3);
    QTest::keyClick(&edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("sch"));
    EXPECT_EQ(Content(edit), u"nitt");
    EXPECT_EQ(edit.text(), QStringLiteral("nitt"));

    // What the line edit changes itself (a drop) becomes the content.
    QMimeData data;
    data.setText(QStringLiteral("fall"));
    edit.setCursorPosition(4);
    QDragEnterEvent enter(QPoint(190, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&edit, &enter);
    QDropEvent drop(QPointF(190, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&edit, &drop);
    EXPECT_EQ(Content(edit), edit.text().toStdU16String());
    EXPECT_NE(Content(edit).find(u"fall"), std::u16string::npos);
}

TEST_F(SecureEditTest, SecureTextCrossesTheLibraryBoundary) {
    // Protected here, read there, and back: both sides must share one memory protection.
    const SecureString secret(std::u16string_view(u"Gl\u00FCck 7/\u20AC"));
    edit.SetText(secret);
    EXPECT_EQ(edit.text(), Masks(9));
    SecureString back;
    edit.GetSecureText(back);
    EXPECT_TRUE(back.Equals(secret));
    EXPECT_TRUE(back.Equals(std::u16string_view(u"Gl\u00FCck 7/\u20AC")));
    edit.SetMasked(false);
    edit.GetSecureText(back);
    EXPECT_TRUE(back.Equals(secret));
    edit.SetText(SecureString());
    EXPECT_TRUE(edit.text().isEmpty());
    EXPECT_EQ(edit.GetLength(), 0u);
}

TEST_F(SecureEditTest, ChangesMadeThroughTheLineEditAreMerged) {
    // Public line-edit slots change the window text directly; the field folds them in.
    TypeFive();
    edit.setCursorPosition(2);
    edit.insert(QStringLiteral("xy"));
    EXPECT_EQ(Content(edit), u"abxycde");
    EXPECT_EQ(edit.text(), Masks(7));
    EXPECT_EQ(edit.cursorPosition(), 4);

    edit.setSelection(1, 3);
    edit.insert(QStringLiteral("Q"));
    EXPECT_EQ(Content(edit), u"aQcde");

    edit.setCursorPosition(3);
    edit.backspace();
    EXPECT_EQ(Content(edit), u"aQde");
    edit.del();
    EXPECT_EQ(Content(edit), u"aQe");

    edit.setSelection(0, 2);
    edit.del();
    EXPECT_EQ(Content(edit), u"e");

    edit.insert(Masks(2)); // masks are never input
    EXPECT_EQ(Content(edit), u"e");
    EXPECT_EQ(edit.text(), Masks(1));

    edit.setText(QStringLiteral("fresh"));
    EXPECT_EQ(Content(edit), u"fresh");
    EXPECT_EQ(edit.text(), Masks(5));
    edit.clear();
    EXPECT_EQ(Content(edit), u"");
    EXPECT_FALSE(edit.isUndoAvailable());
}

TEST_F(SecureEditTest, ReadOnlyFieldRefusesEdits) {
    TypeFive();
    edit.setReadOnly(true);
    QTest::keyClicks(&edit, QStringLiteral("xyz"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QGuiApplication::clipboard()->setText(QStringLiteral("p"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Content(edit), u"abcde");
}

TEST_F(SecureEditTest, IndicatorFollowsThePassword) {
    RecordingIndicator indicator;
    edit.AttachQualityBar(&indicator);
    EXPECT_EQ(indicator.fromPassword, 1);
    EXPECT_EQ(indicator.seen, u"");

    // It is handed the secure string, masked and unmasked.
    QTest::keyClicks(&edit, QStringLiteral("abcd"));
    EXPECT_EQ(indicator.seen, u"abcd");
    EXPECT_EQ(indicator.fromPassword, 5);
    edit.SetText(u"wxyz");
    EXPECT_EQ(indicator.seen, u"wxyz");

    edit.SetMasked(false);
    EXPECT_EQ(indicator.seen, u"wxyz");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(indicator.seen, u"wxy");
    edit.SetMasked(true);
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(indicator.seen, u"");

    edit.AttachQualityBar(nullptr);
    QTest::keyClicks(&edit, QStringLiteral("abc"));
    EXPECT_EQ(indicator.seen, u"");
}

TEST_F(SecureEditTest, IndicatorMayGoFirst) {
    auto* indicator = new RecordingIndicator;
    edit.AttachQualityBar(indicator);
    delete indicator;
    QTest::keyClicks(&edit, QStringLiteral("abc"));
    EXPECT_EQ(Content(edit), u"abc");
}

TEST_F(SecureEditTest, CapsLockWarningOnFocus) {
    bool capsLock = true;
    SecureEdit::SetCapsLockProbe([&capsLock] { return capsLock; });
    edit.show();
    QFocusEvent focus(QEvent::FocusIn, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(&edit, &focus);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_TRUE(QToolTip::text().contains(QString::fromUtf16(u"Feststelltaste ist aktiviert")));
    EXPECT_TRUE(QToolTip::text().contains(QString::fromUtf16(u"Sie sollten die Feststelltaste deaktivieren")));
    QToolTip::hideText();

    // Unmasked fields do not warn.
    edit.SetMasked(false);
    QCoreApplication::sendEvent(&edit, &focus);
    EXPECT_FALSE(QToolTip::isVisible());
    edit.SetMasked(true);
    capsLock = false;
    QCoreApplication::sendEvent(&edit, &focus);
    EXPECT_FALSE(QToolTip::isVisible());
    SecureEdit::SetCapsLockProbe(nullptr);
}

TEST(SecureCueBannerEdit, CueShowsWhileEmpty) {
    SecureCueBannerEdit edit;
    edit.SetCueText(QStringLiteral("Passwort"));
    EXPECT_TRUE(edit.IsCueShown());
    EXPECT_EQ(edit.placeholderText(), QStringLiteral("Passwort"));
    QTest::keyClicks(&edit, QStringLiteral("s"));
    EXPECT_FALSE(edit.IsCueShown());
    EXPECT_EQ(Content(edit), u"s");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_TRUE(edit.IsCueShown());
}

// The X11 primary selection: run under Xvfb (QT_QPA_PLATFORM=xcb), skipped elsewhere.
TEST_F(SecureEditTest, X11PrimarySelectionStaysUntouched) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection()) {
        GTEST_SKIP() << "no primary selection on this platform";
    }
    edit.show();
    TypeFive();
    clipboard->setText(QStringLiteral("sentinel"), QClipboard::Selection);

    edit.setSelection(0, 3);
    QTest::mouseRelease(&edit, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(edit.selectionStart(), 0);
    EXPECT_EQ(edit.selectionLength(), 3);
    QTest::mouseDClick(&edit, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClick(&edit, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(&edit, Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(clipboard->text(QClipboard::Selection), QStringLiteral("sentinel"));

    // A middle click pastes the primary selection into the secure text.
    edit.setCursorPosition(5);
    QTest::mouseClick(&edit, Qt::MiddleButton, {}, QPoint(edit.width() - 5, 5));
    EXPECT_EQ(Content(edit), u"abcdesentinel");
    EXPECT_EQ(edit.text(), Masks(13));

    // Unmasked the line edit offers its selection again (so the check above can fail).
    edit.SetMasked(false);
    edit.setSelection(0, 3);
    QTest::mouseRelease(&edit, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clipboard->text(QClipboard::Selection), QStringLiteral("abc"));
}

} // namespace
