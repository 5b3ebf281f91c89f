#include "app/mainframe/FieldClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QStringView>
#include <QVariant>

#include "uilib/QtTextWipe.h"
#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::MainFrame {

namespace {

const QString kTextPlain = QStringLiteral("text/plain");
const QString kTextPlainUtf8 = QStringLiteral("text/plain;charset=utf-8");
const QString kUtf8String = QStringLiteral("UTF8_STRING");
const QString kString = QStringLiteral("STRING");
const QString kText = QStringLiteral("TEXT");
const QString kPasswordManagerHint = QStringLiteral("x-kde-passwordManagerHint");
} // namespace

std::u16string_view ClipboardStatusText(ClipboardKind kind) {
    switch (kind) {
    case ClipboardKind::Data:
        return u"Zwischenablage: Daten";
    case ClipboardKind::Description:
        return u"Zwischenablage: Beschreibung";
    case ClipboardKind::UserName:
        return u"Zwischenablage: Benutzername";
    case ClipboardKind::Password:
        return u"Zwischenablage: Passwort";
    case ClipboardKind::Email:
        return u"Zwischenablage: E-Mail";
    case ClipboardKind::Comment:
        return u"Zwischenablage: Kommentar";
    case ClipboardKind::Url:
        return u"Zwischenablage: Url/Programm";
    case ClipboardKind::FieldName:
        return u"Zwischenablage: Feld \"Name\"";
    case ClipboardKind::FieldValue:
        return u"Zwischenablage: Feld \"Wert\"";
    case ClipboardKind::HistoryDate:
        return u"Zwischenablage: Datum aus Historie";
    case ClipboardKind::HistoryPassword:
        return u"Zwischenablage: Passwort aus Historie";
    case ClipboardKind::Empty:
        break;
    }
    return u"Zwischenablage: Leer";
}

SecretMimeData::SecretMimeData(std::u16string_view text)
    : m_utf8(QStringView(text.data(), static_cast<qsizetype>(text.size())).toUtf8()) {
    for (const char16_t unit : text) {
        if (unit > 0xFF) {
            m_fitsLatin1 = false;
            break;
        }
    }
}

SecretMimeData::~SecretMimeData() {
    Wipe();
}

QStringList SecretMimeData::formats() const {
    if (m_wiped) {
        return {};
    }
    // On X11 Qt answers UTF8_STRING, STRING and TEXT from text/plain by itself; the names
    // here serve every other reader.
    QStringList list{kTextPlain, kTextPlainUtf8, kUtf8String};
    if (m_fitsLatin1) {
        list << kString << kText;
    }
    list << kPasswordManagerHint;
    return list;
}

QVariant SecretMimeData::retrieveData(const QString& mimeType, QMetaType type) const {
    if (m_wiped) {
        return {};
    }
    if (mimeType == kPasswordManagerHint) {
        return QByteArrayLiteral("secret");
    }
    const bool utf8 = mimeType == kTextPlain || mimeType == kTextPlainUtf8 || mimeType == kUtf8String;
    const bool latin1 = mimeType == kString || mimeType == kText;
    if (!utf8 && !(latin1 && m_fitsLatin1)) {
        return {};
    }
    if (type.id() == QMetaType::QString) {
        // One UTF-16 form, shared with every reader like the UTF-8 one.
        if (m_utf16.isNull()) {
            m_utf16 = QString::fromUtf8(m_utf8);
        }
        return m_utf16;
    }
    if (utf8) {
        // A shallow copy: the reader shares our buffer and sees the wipe.
        return m_utf8;
    }
    if (m_latin1.isNull()) {
        // Every character is below U+0100, so the UTF-8 form has one or two bytes each.
        m_latin1 = QByteArray(m_utf8.size(), Qt::Uninitialized);
        qsizetype out = 0;
        for (qsizetype i = 0; i < m_utf8.size(); ++i) {
            const auto lead = static_cast<unsigned char>(m_utf8[i]);
            if (lead < 0x80 || i + 1 >= m_utf8.size()) {
                m_latin1[out++] = static_cast<char>(lead);
            } else {
                const auto next = static_cast<unsigned char>(m_utf8[++i]);
                m_latin1[out++] = static_cast<char>(((lead & 0x1F) << 6) | (next & 0x3F));
            }
        }
        // Shrinking in place keeps the one allocation that Wipe() reaches.
        m_latin1.truncate(out);
    }
    return m_latin1;
}

void SecretMimeData::Wipe() noexcept {
    MFCServiceProvider::WipeSharedInPlace(m_utf8);
    MFCServiceProvider::WipeSharedInPlace(m_latin1);
    MFCServiceProvider::WipeSharedInPlace(m_utf16);
    m_utf8 = QByteArray();
    m_latin1 = QByteArray();
    m_utf16 = QString();
    m_wiped = true;
}

QtFieldClipboard::QtFieldClipboard() {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        connect(clipboard, &QClipboard::dataChanged, this, &QtFieldClipboard::OnChanged);
    }
}

void QtFieldClipboard::CopyText(std::u16string_view text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        throw Utilities::Exceptions::Exception(u"no clipboard", u"Clipboard::CopyText");
    }
    WipeCurrent();
    auto* data = new SecretMimeData(text);
    m_data = data;
    m_changing = true;
    clipboard->setMimeData(data); // Qt takes ownership
    m_changing = false;
    // The X server ignores the new owner when Qt's last event time is older than the current
    // owner's; then the old content would be pasted instead.
    if (clipboard->mimeData() != data) {
        WipeCurrent();
        m_holding = false;
        throw Utilities::Exceptions::Exception(u"the clipboard was not taken over", u"Clipboard::CopyText");
    }
    m_holding = true;
}

void QtFieldClipboard::Clear() {
    WipeCurrent();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        throw Utilities::Exceptions::Exception(u"no clipboard", u"ClipboardBase::Clear");
    }
    if (!m_holding || !clipboard->ownsClipboard()) {
        // Another program's text (or nothing) is there now: it is not ours to take away.
        m_holding = false;
        return;
    }
    m_changing = true;
    clipboard->clear();
    m_changing = false;
    m_holding = false;
}

void QtFieldClipboard::WipeCurrent() noexcept {
    if (SecretMimeData* data = m_data.data()) {
        data->Wipe();
    }
    m_data.clear();
}

void QtFieldClipboard::OnChanged() {
    if (m_changing || !m_holding) {
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard != nullptr && !clipboard->ownsClipboard()) {
        m_holding = false;
        // Usually Qt has deleted the data already; if not, nobody may read it any more.
        WipeCurrent();
        if (onLost) {
            try {
                onLost();
            } catch (...) {
                LogProvider::GenericLog::LogEvent(0, u"QtFieldClipboard::OnChanged: handler failed");
            }
        }
    }
}

} // namespace Tarnwick::MainFrame
