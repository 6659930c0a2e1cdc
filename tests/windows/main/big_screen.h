// An offscreen screen of a desktop's size, without window frames, for the tests and screenshots
// of the window at full screen or maximized. Called before the QApplication is made.
#pragma once

#include <QFile>
#include <QSize>
#include <QTemporaryDir>

namespace pixatest {

// Writes the screen's description into `dir`; the platform reads it when the application starts.
inline void useOffscreenScreen(const QTemporaryDir& dir, QSize size) {
    if (!qgetenv("QT_QPA_PLATFORM").startsWith("offscreen")) return;
    const QString config = dir.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(config));
    file.write(QStringLiteral("{\"windowFrameMargins\": false, \"screens\": [{\"name\": \"desk\", "
                              "\"x\": 0, \"y\": 0, \"width\": %1, \"height\": %2, "
                              "\"logicalDpiX\": 96, \"logicalDpiY\": 96, \"dpr\": 1}]}")
                   .arg(size.width())
                   .arg(size.height())
                   .toUtf8());
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
}

} // namespace pixatest
