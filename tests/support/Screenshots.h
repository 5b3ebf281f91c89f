#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace TestSupport {

// The folder TW_SCREENSHOT_DIR names (created), or empty when no pictures are asked for.
inline QString ScreenshotFolder() {
    const QString folder = qEnvironmentVariable("TW_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
    }
    return folder;
}

// Shows the widget, lets it settle and writes its picture as PNG into the folder.
inline bool SavePicture(QWidget& widget, const QString& folder, const QString& file) {
    widget.show();
    widget.raise();
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
    }
    const QPixmap picture = widget.grab();
    return !picture.isNull() && picture.save(QDir(folder).filePath(file), "PNG");
}

// Writes a picture of the widget when TW_SCREENSHOT_DIR names a folder.
inline void Screenshot(QWidget& widget, const QString& name) {
    const QString folder = ScreenshotFolder();
    if (!folder.isEmpty()) {
        SavePicture(widget, folder, name + QStringLiteral(".png"));
    }
}

} // namespace TestSupport
