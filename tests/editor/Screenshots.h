#pragma once

#include <QDir>
#include <QString>
#include <QWidget>

namespace TestSupport {

// Writes a picture of the widget when TW_SCREENSHOT_DIR names a folder.
inline void Screenshot(QWidget& widget, const QString& name) {
    const QString folder = qEnvironmentVariable("TW_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        return;
    }
    QDir().mkpath(folder);
    widget.show();
    widget.grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

} // namespace TestSupport
