#pragma once

#include <string_view>

#include <QWidget>

#include "crypto/SecureString.h"

namespace MFCServiceProvider {

// A widget that shows something about the password of a SecureEdit (its strength, say). The
// edit reports every change to it and needs to know nothing else about it.
class PasswordIndicator : public QWidget {
public:
    using QWidget::QWidget;

    virtual void UpdateFromPassword(const StringServiceProvider::SecureString& password) = 0;
};

} // namespace MFCServiceProvider
