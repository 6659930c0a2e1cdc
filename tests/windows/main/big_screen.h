// Before the QApplication is made: an offscreen screen of a desktop's size without window
// frames, described in a file in `dir`, for the window maximized or full screen.
#pragma once

#include <QFile>
#include <QSize>
#include <QTemporaryDir>

namespace pixatest {

inline void useOffscreenScreen(const QTemporaryDir& dir, QSize size) {
    if (!qgetenv("QT_QPA_PLATFORM").startsWith("offscreen")) return;
    QFile file(dir.filePath(QStringLiteral("screen.json")));
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(file.fileName()));
    file.write(QStringLiteral(R"({"windowFrameMargins": false, "screens": [{"name": "desk",
        "x": 0, "y": 0, "width": %1, "height": %2, "logicalDpiX": 96, "logicalDpiY": 96}]})")
                   .arg(size.width())
                   .arg(size.height())
                   .toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(file.fileName()));
}

} // namespace pixatest
