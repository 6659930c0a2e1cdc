// Renders the viewer unlock window, a password being typed, into a PNG file.
#include "unlock_harness.h"

#include <QApplication>

#include <cstdio>

using namespace pixatest;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    UnlockHarness h;
    pixa::ui::UnlockWindow* window = h.open(h.wrap(bitmapBytes(), "harbour"));
    if (!window) return 1;
    QTest::keyClicks(box(window, "passwordEdit"), QStringLiteral("harb"));
    return window->grab().save(
               QDir(QString::fromLocal8Bit(argv[1])).filePath(QStringLiteral("viewer-unlock.png")))
               ? 0
               : 1;
}
