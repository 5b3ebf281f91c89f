#pragma once

#include <string_view>

#include <QByteArray>
#include <QMimeData>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include "app/mainframe/FrameServices.h"

namespace Tarnwick::MainFrame {

// The copied text as the clipboard hands it out. It holds the only plain copy and overwrites
// it in place when the clipboard lets it go or the object dies, so every reader that shares
// the buffer sees the wipe as well.
class SecretMimeData final : public QMimeData {
    Q_OBJECT
public:
    explicit SecretMimeData(std::u16string_view text);
    ~SecretMimeData() override;
    SecretMimeData(const SecretMimeData&) = delete;
    SecretMimeData& operator=(const SecretMimeData&) = delete;

    // Everything X clients and clipboard managers ask for; STRING and TEXT only when the text
    // fits into Latin-1. Empty once wiped.
    QStringList formats() const override;

    void Wipe() noexcept;
    bool IsWiped() const noexcept { return m_wiped; }
    bool FitsLatin1() const noexcept { return m_fitsLatin1; }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    QByteArray m_utf8;
    // Made on the first request for a Latin-1 target only.
    mutable QByteArray m_latin1;
    // Made on the first request for a QString (QMimeData::text()); handed out shared, so the
    // wipe reaches the reader's copy too.
    mutable QString m_utf16;
    bool m_fitsLatin1 = true;
    bool m_wiped = false;
};

// The system clipboard through Qt. Copied text carries the hint that keeps clipboard
// managers from storing it.
class QtFieldClipboard final : public QObject, public IFieldClipboard {
    Q_OBJECT
public:
    QtFieldClipboard();

    void CopyText(std::u16string_view text) override;
    // Empties the clipboard only while it still holds our copy.
    void Clear() override;

    // The data we put on the clipboard while Qt still keeps it; nullptr otherwise.
    const SecretMimeData* Current() const noexcept { return m_data.data(); }

private:
    void OnChanged();
    void WipeCurrent() noexcept;

    // Qt owns and deletes the data when the clipboard changes; the guard turns null then.
    QPointer<SecretMimeData> m_data;
    bool m_holding = false;
    bool m_changing = false;
};

} // namespace Tarnwick::MainFrame
