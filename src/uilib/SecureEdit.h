#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include <QClipboard>
#include <QColor>
#include <QLineEdit>
#include <QPointer>
#include <QString>

#include "crypto/SecureString.h"
#include "crypto/String.h"

class QMenu;

namespace MFCServiceProvider {

class PasswordIndicator;

// A password field. The real characters live in a secure string; the line edit only shows
// them. While it masks it holds nothing but mask characters, so its text, undo history,
// selection, clipboard and drag paths never see the password. Unmasked it shows a copy that is
// wiped at the next change, and the field still does every edit itself, so no undo history and
// no half-typed copies of the password are left in the line edit's buffers.
class SecureEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr char16_t kMaskCharacter = u'\u25CF';
    // Answers whether Caps Lock is on; supplied by the platform layer.
    using CapsLockProbe = std::function<bool()>;

    explicit SecureEdit(QWidget* parent = nullptr);
    ~SecureEdit() override;

    // A plain copy of the content (wiped when out lets go of it).
    void GetText(StringServiceProvider::PlainString& out) const;
    // The content without a lasting plain copy.
    void GetSecureText(StringServiceProvider::SecureString& out) const;
    void SetText(std::u16string_view text);
    void SetText(const StringServiceProvider::SecureString& text);
    // Shows the content as masks or as text.
    void SetMasked(bool masked);
    bool IsMasked() const noexcept { return m_masked; }
    // The indicator (the quality bar, say) is updated after every change; nullptr detaches it.
    void AttachQualityBar(PasswordIndicator* bar);
    // Length of the content in UTF-16 code units.
    std::size_t GetLength() const;

    // The right-click menu; while masked it offers neither undo, cut nor copy.
    QMenu* CreateContextMenu();

    static void SetCapsLockProbe(CapsLockProbe probe);

signals:
    // After every change of the content.
    void SecureTextChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void OnTextChanged();
    void MergeWindowText();
    bool HandleEditKey(QKeyEvent& event);
    bool HandleMaskedMove(QKeyEvent& event);
    void RemoveWord(bool forward);
    void InsertAt(int start, int removeLength, std::u16string_view input);
    void InsertAtCursor(std::u16string_view input);
    void RemoveRange(int start, int length);
    void RemoveSelection();
    void PasteSecure(QClipboard::Mode mode);
    void Show(int length, int caret);
    void ReplaceWindowText(const QString& text);
    void ApplyMaskedState();
    void UpdateQualityBar();
    void Changed();
    void CheckCapsLock();

    bool m_masked = true;
    StringServiceProvider::SecureString m_secureText;
    int m_shownLength = 0;
    bool m_rewriting = false;
    QPointer<PasswordIndicator> m_qualityBar;
};

// A SecureEdit with a grey hint while it is empty.
class SecureCueBannerEdit : public SecureEdit {
    Q_OBJECT
public:
    explicit SecureCueBannerEdit(QWidget* parent = nullptr);

    void SetCueText(const QString& text);
    QString GetCueText() const { return m_cueText; }
    void SetCueColour(const QColor& colour);
    QColor GetCueColour() const { return m_cueColour; }
    void SetTextOffset(bool offset);
    bool IsCueShown() const { return text().isEmpty() && !m_cueText.isEmpty(); }

private:
    void Refresh();

    QString m_cueText;
    QColor m_cueColour;
    bool m_offset = false;
};

} // namespace MFCServiceProvider
