// Renders the main window showing an unwrapped photo with its information labels, reached
// through the real windows: registration, open, caption, save, open the wrapped photo, unlock;
// then a step past the last photo of the folder, and the same window locked.
#include "road_harness.h"

#include <QApplication>

#include <cstdio>

using namespace pixatest;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    RoadHarness h;
    if (!h.start(QStringLiteral("Alice Martin"), QStringLiteral("view"))) return 1;
    h.open(h.picture(QStringLiteral("lake.jpg"), QSize(1600, 1200), "jpeg"), 3);
    QTest::keyClicks(h.window.findChild<QLineEdit*>(QStringLiteral("captionEdit")),
                     QStringLiteral("The lake house, summer evening"));
    h.save(h.path(QStringLiteral("lake")), 1);
    if (h.platform.takeMessages() != pixatest::savedPicture(h.path(QStringLiteral("lake.jpg"))))
        return 1;
    if (!h.openWrapped(h.path(QStringLiteral("lake.pff")), QStringLiteral("view"))) return 1;
    if (!h.platform.messages().isEmpty()) return 1;
    h.window.fitToWindow();
    h.window.grab().save(out.filePath(QStringLiteral("main-window-unwrapped.png")));
    // The last photo of its folder: a step further says so under the information.
    h.window.step(true);
    h.window.grab().save(out.filePath(QStringLiteral("main-window-last-photo.png")));
    // Locked: the unwrapped photo and its information gone, the lock said under the panel.
    h.window.lock();
    h.window.grab().save(out.filePath(QStringLiteral("main-window-locked.png")));
    return 0;
}
