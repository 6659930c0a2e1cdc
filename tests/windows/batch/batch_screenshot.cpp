// Renders the batch window in the middle of a run, with its originals going to the trash, into a
// PNG file.
#include "batch_harness.h"
#include "private_trash.h"
#include "ui/image_button.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>

#include <cstdio>

using namespace pixatest;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FILE\n", argv[0]);
        return 2;
    }
    // The originals written before the picture is taken go to a trash of the program's own.
    PrivateTrash trash;
    BatchHarness h;
    QStringList names;
    for (const char* name : {"beach.jpg", "birthday.jpg", "garden.bmp", "harbour.jpg",
                             "mountains.jpg", "scan-001.bmp", "wedding.jpg"}) {
        names << QString::fromLatin1(name);
        if (!writePhoto(h.sources.filePath(names.last()), 400000)) return 1;
    }
    h.select({"beach.jpg", "garden.bmp", "harbour.jpg", "mountains.jpg", "wedding.jpg"});
    h.control<QCheckBox>("trashOriginalsBox")->setChecked(true);
    bool saved = false;
    QObject::connect(h.window, &pixa::ui::BatchWrapWindow::fileStarting, h.window, [&](int k) {
        if (k != 3) return;
        // Halfway through the third file's blocks.
        auto* bar = h.window->findChild<QWidget*>(QStringLiteral("progressBar"));
        bar->show();
        bar->setProperty("value", bar->property("maximum").toInt() * 55 / 100);
        saved = h.window->grab().save(QString::fromLocal8Bit(argv[1]));
    });
    h.control<pixa::ui::ImageButton>("startButton")->clicked();
    return saved ? 0 : 1;
}
