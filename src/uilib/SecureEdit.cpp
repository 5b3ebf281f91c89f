#include "uilib/SecureEdit.h"

#include <algorithm>
#include <vector>

#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QStyleHints>
#include <QToolTip>

#include "crypto/WipingAllocator.h"
#include "uiext/CueBannerEdit.h"
#include "uiext/QtText.h"
#include "uilib/PasswordIndicator.h"
#include "uilib/QtTextWipe.h"

namespace MFCServiceProvider {

using Tarnwick::UiText::Q;
using Tarnwick::UiText::View;

namespace {

// Working copies of the password; every block is wiped before it is freed.
using WipedText = std::vector<char16_t, CryptoServiceProvider::WipingAllocator<char16_t>>;

SecureEdit::CapsLockProbe& CapsLockProbeSlot() {
    static SecureEdit::CapsLockProbe probe;
    return probe;
}

// What of typed or pasted text goes into the field: mask characters are not input, and a
// single-line field takes a pasted text only up to its first line break.
WipedText UsableInput(std::u16string_view input) {
    WipedText usable;
    usable.reserve(input.size());
    for (const char16_t c : input) {
        if (c == u'\r' || c == u'\n') {
            break;
        }
        if (c != SecureEdit::kMaskCharacter) {
            usable.push_back(c);
        }
    }
    return usable;
}

// The line edit's own test for a key that types text.
bool IsTextInput(const QKeyEvent& event) {
    const QString text = event.text();
    if (text.isEmpty()) {
        return false;
    }
    const QChar c = text.at(0);
    if (c.category() == QChar::Other_Format) {
        return true;
    }
    // Ctrl and Ctrl+Shift are commands; AltGr (Ctrl+Alt) still types.
    if (event.modifiers() == Qt::ControlModifier || event.modifiers() == (Qt::ShiftModifier | Qt::ControlModifier)) {
        return false;
    }
    if (c.isPrint() || c.category() == QChar::Other_PrivateUse) {
        return true;
    }
    return c.isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate();
}

QString MenuText(const QString& text, QKeySequence::StandardKey key) {
    if (!QGuiApplication::styleHints()->showShortcutsInContextMenus()) {
        return text;
    }
    return text + QLatin1Char('\t') + QKeySequence(key).toString(QKeySequence::NativeText);
}

constexpr Qt::InputMethodHints kSensitiveHints =
    Qt::ImhSensitiveData | Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase;

} // namespace

SecureEdit::SecureEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, &SecureEdit::OnTextChanged);
    ApplyMaskedState();
}

SecureEdit::~SecureEdit() {
    if (!m_masked) {
        // Take the shown password out of the widget so its buffers can be wiped.
        const QSignalBlocker blocker(this);
        ReplaceWindowText(QString());
    }
}

void SecureEdit::ApplyMaskedState() {
    setInputMethodHints(m_masked ? (kSensitiveHints | Qt::ImhHiddenText) : kSensitiveHints);
    // Never drag a password out; while masked nothing is dropped in either.
    setDragEnabled(false);
    setAcceptDrops(!m_masked);
}

std::size_t SecureEdit::GetLength() const {
    return m_secureText.Length();
}

void SecureEdit::GetText(StringServiceProvider::PlainString& out) const {
    m_secureText.Read(out);
}

void SecureEdit::GetSecureText(StringServiceProvider::SecureString& out) const {
    out = m_secureText;
}

void SecureEdit::SetText(std::u16string_view text) {
    text = text.substr(0, static_cast<std::size_t>(std::max(maxLength(), 0)));
    m_secureText.Assign(text);
    Show(static_cast<int>(text.size()), static_cast<int>(text.size()));
    Changed();
}

void SecureEdit::SetText(const StringServiceProvider::SecureString& text) {
    const StringServiceProvider::PlainString plain = text.Reveal();
    SetText(plain.View());
}

void SecureEdit::SetMasked(bool masked) {
    if (masked == m_masked) {
        return;
    }
    const int caret = cursorPosition();
    m_masked = masked;
    ApplyMaskedState();
    Show(static_cast<int>(m_secureText.Length()), caret);
    UpdateQualityBar();
}

void SecureEdit::AttachQualityBar(PasswordIndicator* bar) {
    m_qualityBar = bar;
    UpdateQualityBar();
}

void SecureEdit::SetCapsLockProbe(CapsLockProbe probe) {
    CapsLockProbeSlot() = std::move(probe);
}

void SecureEdit::UpdateQualityBar() {
    if (m_qualityBar == nullptr) {
        return;
    }
    m_qualityBar->UpdateFromPassword(m_secureText);
}

void SecureEdit::Changed() {
    UpdateQualityBar();
    emit SecureTextChanged();
}

void SecureEdit::ReplaceWindowText(const QString& text) {
    // Keep references to the old text and to the line edit's own copy of it for display, so
    // that both buffers can be wiped once the widget has let go of them.
    QString old = QLineEdit::text();
    QString shown = displayText();
    setText(text);
    if (shown.constData() == old.constData()) {
        shown.clear();
    }
    WipeQString(shown);
    WipeQString(old);
}

void SecureEdit::Show(int length, int caret) {
    m_rewriting = true;
    if (m_masked) {
        ReplaceWindowText(QString(length, QChar(kMaskCharacter)));
    } else {
        const StringServiceProvider::PlainString plain = m_secureText.Reveal();
        ReplaceWindowText(Q(plain.View())); // the widget's text from now on; wiped when replaced
    }
    setCursorPosition(std::clamp(caret, 0, length));
    m_rewriting = false;
    m_shownLength = length;
}

void SecureEdit::OnTextChanged() {
    if (m_rewriting) {
        return;
    }
    if (!m_masked) {
        // A change the line edit made itself (a drop, an input method, its menu): the shown
        // text is the content.
        const QString window = text();
        m_secureText.Assign(View(window));
        m_shownLength = static_cast<int>(window.size());
        Changed();
        return;
    }
    MergeWindowText();
}

// A change that reached the widget's own text (a programmatic insert, clear, a deletion):
// every character that is not a mask character is new input, the masks around it stand for
// the untouched secure text.
void SecureEdit::MergeWindowText() {
    QString window = text();
    const int shown = static_cast<int>(window.size());
    const int caret = cursorPosition();
    const int difference = shown - m_shownLength;

    int first = -1;
    int last = -1;
    for (int i = 0; i < shown; ++i) {
        if (window.at(i).unicode() != kMaskCharacter) {
            if (first < 0) {
                first = i;
            }
            last = i;
        }
    }

    const StringServiceProvider::PlainString current = m_secureText.Reveal();
    const std::u16string_view secure = current.View();
    const int length = static_cast<int>(secure.size());
    WipedText merged;
    merged.reserve(static_cast<std::size_t>(std::max(length, shown)));
    if (first < 0) {
        if (difference < 0) {
            // Characters were deleted up to the caret.
            const int start = std::clamp(caret, 0, length);
            const int end = std::clamp(caret - difference, start, length);
            merged.insert(merged.end(), secure.begin(), secure.begin() + start);
            merged.insert(merged.end(), secure.begin() + end, secure.end());
        } else {
            // Only mask characters arrived, and they are not input.
            merged.assign(secure.begin(), secure.end());
        }
    } else {
        const int prefix = std::min(first, length);
        const int suffix = std::min(shown - 1 - last, length - prefix);
        merged.insert(merged.end(), secure.begin(), secure.begin() + prefix);
        for (int i = first; i <= last; ++i) {
            const char16_t c = window.at(i).unicode();
            if (c != kMaskCharacter) {
                merged.push_back(c);
            }
        }
        merged.insert(merged.end(), secure.end() - suffix, secure.end());
    }

    m_secureText.Assign(merged.data(), merged.size());
    Show(static_cast<int>(merged.size()), caret);
    WipeQString(window);
    Changed();
}

void SecureEdit::InsertAt(int start, int removeLength, std::u16string_view input) {
    const StringServiceProvider::PlainString current = m_secureText.Reveal();
    const std::u16string_view secure = current.View();
    const int length = static_cast<int>(secure.size());
    start = std::clamp(start, 0, length);
    removeLength = std::clamp(removeLength, 0, length - start);

    WipedText piece = UsableInput(input);
    const int room = std::max(maxLength() - (length - removeLength), 0);
    if (static_cast<int>(piece.size()) > room) {
        piece.resize(static_cast<std::size_t>(room));
    }
    if (removeLength == 0 && piece.empty()) {
        return;
    }

    WipedText merged;
    merged.reserve(static_cast<std::size_t>(length - removeLength) + piece.size());
    merged.insert(merged.end(), secure.begin(), secure.begin() + start);
    merged.insert(merged.end(), piece.begin(), piece.end());
    merged.insert(merged.end(), secure.begin() + start + removeLength, secure.end());
    m_secureText.Assign(merged.data(), merged.size());
    Show(static_cast<int>(merged.size()), start + static_cast<int>(piece.size()));
    Changed();
}

void SecureEdit::InsertAtCursor(std::u16string_view input) {
    if (isReadOnly() || UsableInput(input).empty()) {
        return;
    }
    if (hasSelectedText()) {
        InsertAt(selectionStart(), static_cast<int>(selectionLength()), input);
    } else {
        InsertAt(cursorPosition(), 0, input);
    }
}

void SecureEdit::RemoveRange(int start, int length) {
    if (isReadOnly() || length <= 0) {
        return;
    }
    InsertAt(start, length, std::u16string_view());
}

void SecureEdit::RemoveSelection() {
    if (hasSelectedText()) {
        RemoveRange(selectionStart(), static_cast<int>(selectionLength()));
    }
}

void SecureEdit::PasteSecure(QClipboard::Mode mode) {
    if (isReadOnly()) {
        return;
    }
    QString pasted = QGuiApplication::clipboard()->text(mode);
    InsertAtCursor(View(pasted));
    WipeQString(pasted);
}

// Every edit goes through the secure string: the line edit's own key handling would keep an
// undo history and leave copies of the text in the buffers it lets go, and while masked it
// would copy selections to the clipboard.
bool SecureEdit::HandleEditKey(QKeyEvent& event) {
    const int caret = cursorPosition();
    const int length = static_cast<int>(m_secureText.Length());

    if (event.matches(QKeySequence::Undo) || event.matches(QKeySequence::Redo)) {
        return true; // no history is kept
    }
    if (event.matches(QKeySequence::Copy)) {
        return m_masked; // refused while masked; the shown text may be copied
    }
    if (event.matches(QKeySequence::Cut)) {
        if (!m_masked && hasSelectedText()) {
            copy();
            RemoveSelection();
        }
        return true;
    }
    if (event.matches(QKeySequence::Paste)) {
        const bool selection = event.modifiers() == (Qt::ControlModifier | Qt::ShiftModifier) &&
                               event.key() == Qt::Key_Insert &&
                               QGuiApplication::clipboard()->supportsSelection();
        PasteSecure(selection ? QClipboard::Selection : QClipboard::Clipboard);
        return true;
    }
    if (event.matches(QKeySequence::SelectAll)) {
        selectAll();
        return true;
    }
    if (event.matches(QKeySequence::DeleteEndOfLine)) {
        RemoveRange(caret, length - caret);
        return true;
    }
    if (event.matches(QKeySequence::DeleteCompleteLine)) {
        RemoveRange(0, length);
        return true;
    }
    if (event.matches(QKeySequence::DeleteStartOfWord) || event.matches(QKeySequence::DeleteEndOfWord)) {
        const bool forward = event.matches(QKeySequence::DeleteEndOfWord);
        if (hasSelectedText()) {
            RemoveSelection();
        } else if (m_masked) {
            // The masks are one word.
            RemoveRange(forward ? caret : 0, forward ? length - caret : caret);
        } else {
            RemoveWord(forward);
        }
        return true;
    }
    if (event.matches(QKeySequence::Delete)) {
        if (hasSelectedText()) {
            RemoveSelection();
        } else {
            RemoveRange(caret, 1);
        }
        return true;
    }
    if (event.key() == Qt::Key_Backspace) {
        if (hasSelectedText()) {
            RemoveSelection();
        } else if (caret > 0) {
            RemoveRange(caret - 1, 1);
        }
        return true;
    }
    if (IsTextInput(event)) {
        const QString typed = event.text(); // shares the event's buffer, which Qt owns
        InsertAtCursor(View(typed));
        return true;
    }
    return false;
}

// Moving over masks: they are one word.
bool SecureEdit::HandleMaskedMove(QKeyEvent& event) {
    if (event.matches(QKeySequence::MoveToStartOfLine) || event.matches(QKeySequence::MoveToStartOfBlock) ||
        event.matches(QKeySequence::MoveToStartOfDocument) || event.matches(QKeySequence::MoveToPreviousWord)) {
        home(false);
        return true;
    }
    if (event.matches(QKeySequence::MoveToEndOfLine) || event.matches(QKeySequence::MoveToEndOfBlock) ||
        event.matches(QKeySequence::MoveToEndOfDocument) || event.matches(QKeySequence::MoveToNextWord)) {
        end(false);
        return true;
    }
    if (event.matches(QKeySequence::SelectStartOfLine) || event.matches(QKeySequence::SelectStartOfBlock) ||
        event.matches(QKeySequence::SelectStartOfDocument) || event.matches(QKeySequence::SelectPreviousWord)) {
        home(true);
        return true;
    }
    if (event.matches(QKeySequence::SelectEndOfLine) || event.matches(QKeySequence::SelectEndOfBlock) ||
        event.matches(QKeySequence::SelectEndOfDocument) || event.matches(QKeySequence::SelectNextWord)) {
        end(true);
        return true;
    }
    if (event.matches(QKeySequence::MoveToNextChar)) {
        if (hasSelectedText()) {
            setCursorPosition(selectionEnd());
        } else {
            cursorForward(false);
        }
        return true;
    }
    if (event.matches(QKeySequence::MoveToPreviousChar)) {
        if (hasSelectedText()) {
            setCursorPosition(selectionStart());
        } else {
            cursorBackward(false);
        }
        return true;
    }
    if (event.matches(QKeySequence::SelectNextChar)) {
        cursorForward(true);
        return true;
    }
    if (event.matches(QKeySequence::SelectPreviousChar)) {
        cursorBackward(true);
        return true;
    }
    return false;
}

// Removes from the caret to the start or end of the word in the shown text.
void SecureEdit::RemoveWord(bool forward) {
    if (isReadOnly()) {
        return;
    }
    if (forward) {
        cursorWordForward(true);
    } else {
        cursorWordBackward(true);
    }
    RemoveSelection();
}

void SecureEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Enter || event->key() == Qt::Key_Return) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (HandleEditKey(*event) || (m_masked && HandleMaskedMove(*event))) {
        event->accept();
        return;
    }
    if (m_masked) {
        event->ignore();
        return;
    }
    // Moving and selecting in the shown text, and copying it.
    QLineEdit::keyPressEvent(event);
}

void SecureEdit::keyReleaseEvent(QKeyEvent* event) {
    QLineEdit::keyReleaseEvent(event);
    if (event->key() == Qt::Key_CapsLock) {
        CheckCapsLock();
    }
}

void SecureEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (!m_masked) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    if (isReadOnly()) {
        event->ignore();
        return;
    }
    // A hidden field shows no composition; only committed text counts.
    const QString committed = event->commitString();
    if (!committed.isEmpty() || event->replacementLength() > 0) {
        RemoveSelection();
        const int caret = cursorPosition();
        if (event->replacementLength() > 0) {
            InsertAt(caret + event->replacementStart(), event->replacementLength(), View(committed));
        } else {
            InsertAt(caret, 0, View(committed));
        }
    }
    event->accept();
}

void SecureEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_masked) {
        QLineEdit::mouseReleaseEvent(event);
        return;
    }
    if (event->button() == Qt::MiddleButton) {
        // X11 pastes the primary selection on a middle click; it goes straight into the
        // secure text.
        if (QGuiApplication::clipboard()->supportsSelection() && !isReadOnly()) {
            deselect();
            PasteSecure(QClipboard::Selection);
        }
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && hasSelectedText()) {
        // The line edit offers every mouse selection as the X11 primary selection: hide the
        // selection while it handles the release, then put it back.
        const int start = selectionStart();
        const int length = static_cast<int>(selectionLength());
        const bool caretAtStart = cursorPosition() == start;
        deselect();
        QLineEdit::mouseReleaseEvent(event);
        if (caretAtStart) {
            setSelection(start + length, -length);
        } else {
            setSelection(start, length);
        }
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

QMenu* SecureEdit::CreateContextMenu() {
    if (!m_masked) {
        return createStandardContextMenu();
    }
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("qt_edit_menu"));
    const bool editable = !isReadOnly();
    const auto add = [menu](const char* name, const QString& text, bool enabled) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setEnabled(enabled);
        return action;
    };
    if (editable) {
        add("edit-undo", MenuText(QLineEdit::tr("&Undo"), QKeySequence::Undo), false);
        add("edit-redo", MenuText(QLineEdit::tr("&Redo"), QKeySequence::Redo), false);
        menu->addSeparator();
        add("edit-cut", MenuText(QLineEdit::tr("Cu&t"), QKeySequence::Cut), false);
    }
    add("edit-copy", MenuText(QLineEdit::tr("&Copy"), QKeySequence::Copy), false);
    if (editable) {
        const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
        QAction* paste = add("edit-paste", MenuText(QLineEdit::tr("&Paste"), QKeySequence::Paste),
                             clipboard != nullptr && clipboard->hasText());
        connect(paste, &QAction::triggered, this, [this] { PasteSecure(QClipboard::Clipboard); });
        QAction* remove = add("edit-delete", QLineEdit::tr("Delete"), hasSelectedText());
        connect(remove, &QAction::triggered, this, [this] { RemoveSelection(); });
    }
    menu->addSeparator();
    QAction* all = add("select-all", MenuText(QLineEdit::tr("Select All"), QKeySequence::SelectAll),
                       !text().isEmpty() && selectionLength() != text().size());
    connect(all, &QAction::triggered, this, &QLineEdit::selectAll);
    return menu;
}

void SecureEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = CreateContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void SecureEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (m_masked) {
        event->ignore();
        return;
    }
    QLineEdit::dragEnterEvent(event);
}

void SecureEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (m_masked) {
        event->ignore();
        return;
    }
    QLineEdit::dragMoveEvent(event);
}

void SecureEdit::dropEvent(QDropEvent* event) {
    if (m_masked) {
        event->ignore();
        return;
    }
    QLineEdit::dropEvent(event);
}

void SecureEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    CheckCapsLock();
}

void SecureEdit::CheckCapsLock() {
    const CapsLockProbe& probe = CapsLockProbeSlot();
    if (!m_masked || !probe || !probe()) {
        return;
    }
    const QString title = QString::fromUtf16(u"Feststelltaste ist aktiviert");
    const QString text = QString::fromUtf16(
        u"Das Kennwort wird eventuell falsch eingegeben, wenn die Feststelltaste aktiviert ist.\n\n"
        u"Sie sollten die Feststelltaste deaktivieren, bevor Sie ein Kennwort eingeben.");
    const QString tip = QStringLiteral("<b>%1</b><br>%2")
                            .arg(title.toHtmlEscaped(), text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")));
    QToolTip::showText(mapToGlobal(QPoint(0, height())), tip, this);
}

SecureCueBannerEdit::SecureCueBannerEdit(QWidget* parent)
    : SecureEdit(parent), m_cueColour(CueBanner::DefaultColour(*this)) {}

void SecureCueBannerEdit::SetCueText(const QString& text) {
    m_cueText = text;
    Refresh();
}

void SecureCueBannerEdit::SetCueColour(const QColor& colour) {
    m_cueColour = colour;
    Refresh();
}

void SecureCueBannerEdit::SetTextOffset(bool offset) {
    m_offset = offset;
    Refresh();
}

void SecureCueBannerEdit::Refresh() {
    CueBanner::Apply(*this, m_cueText, m_cueColour, m_offset);
}

} // namespace MFCServiceProvider
