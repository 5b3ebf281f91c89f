#include "app/mainframe/FieldClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "crypto/SecureWipe.h"
#include "log/LogProvider.h"
#include "log/exceptions/Exception.h"

namespace Tarnwick::MainFrame {

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
    QString value = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    QByteArray utf8 = value.toUtf8();
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/plain;charset=utf-8"), utf8);
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    // The mime data keeps its own copies; ours are wiped.
    CryptoServiceProvider::SecureWipe(utf8.data(), static_cast<std::size_t>(utf8.size()));
    CryptoServiceProvider::SecureWipe(value.data(), static_cast<std::size_t>(value.size()) * sizeof(QChar));
    m_changing = true;
    clipboard->setMimeData(data);
    m_changing = false;
    m_holding = true;
}

void QtFieldClipboard::Clear() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        throw Utilities::Exceptions::Exception(u"no clipboard", u"ClipboardBase::Clear");
    }
    m_changing = true;
    clipboard->clear();
    m_changing = false;
    m_holding = false;
}

void QtFieldClipboard::OnChanged() {
    if (m_changing || !m_holding) {
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard != nullptr && !clipboard->ownsClipboard()) {
        m_holding = false;
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
