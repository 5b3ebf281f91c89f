#pragma once

#include <QByteArray>
#include <QString>

#include "crypto/SecureWipe.h"

namespace MFCServiceProvider {

// Wipes the string's buffer when this is its last owner (a shared buffer belongs to someone
// else, and writing through data() would only wipe a fresh copy), then lets it go.
inline void WipeQString(QString& text) noexcept {
    if (!text.isEmpty() && text.isDetached()) {
        CryptoServiceProvider::SecureWipe(text.data(), static_cast<std::size_t>(text.size()) * sizeof(QChar));
    }
    text.clear();
}

// Wipes a buffer that is shared on purpose (handed out as copies that must die with it),
// for every holder at once.
inline void WipeSharedInPlace(const QString& text) noexcept {
    if (!text.isEmpty()) {
        CryptoServiceProvider::SecureWipe(const_cast<QChar*>(text.constData()),
                                          static_cast<std::size_t>(text.size()) * sizeof(QChar));
    }
}

inline void WipeSharedInPlace(const QByteArray& bytes) noexcept {
    if (!bytes.isEmpty()) {
        CryptoServiceProvider::SecureWipe(const_cast<char*>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
    }
}

} // namespace MFCServiceProvider
