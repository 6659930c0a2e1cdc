// Renders the batch window after a run with a failure that was stopped before its end, its
// originals moved to the trash, and the message that ends the run, into two PNG files: OUTPUT and OUTPUT with "-message" before ".png".
#include "batch_harness.h"
#include "private_trash.h"
#include "ui/image_button.h"
#include "ui/platform.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QMessageBox>

#include <cstdio>

using namespace pixatest;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FILE\n", argv[0]);
        return 2;
    }
    // The originals go to a trash of the program's own.
    PrivateTrash trash;
    BatchHarness h;
    // Sibling folders whose paths differ only after the label's first characters.
    const QString album = QStringLiteral("/Pictures/Summer holidays in Brittany 2026");
    const QString from = h.sources.path() + album;
    const QString to = h.sources.path() + album + QStringLiteral(" (wrapped)");
    if (!QDir().mkpath(from) || !QDir().mkpath(to)) return 1;
    for (const char* name : {"beach.jpg", "garden.bmp", "harbour.jpg", "mountains.jpg",
                             "wedding.jpg"}) {
        if (!writePhoto(from + QLatin1Char('/') + QString::fromLatin1(name), 400000)) return 1;
    }
    QFile notes(from + QStringLiteral("/holiday-notes.jpg"));
    if (!notes.open(QIODevice::WriteOnly) || notes.write("Ferry at 9, bring the big lens.\n") < 0)
        return 1;
    notes.close();

    h.control<pixa::ui::FolderList>("sourceFolders")->setPath(from);
    h.control<pixa::ui::FolderList>("destinationFolders")->setPath(to);
    pixa::ui::FileList* files = h.control<pixa::ui::FileList>("photoList");
    for (int i = 0; i < files->entryCount(); ++i)
        files->item(i)->setSelected(true);
    h.control<QCheckBox>("trashOriginalsBox")->setChecked(true);
    // Stopped while the fifth of six files is written: that one finishes, the sixth is left.
    QObject::connect(h.window, &pixa::ui::BatchWrapWindow::fileStarting, h.window, [&](int k) {
        if (k == 5) h.control<pixa::ui::ImageButton>("abortButton")->clicked();
    });
    h.control<pixa::ui::ImageButton>("startButton")->clicked();

    const QString output = QString::fromLocal8Bit(argv[1]);
    if (!h.window->grab().save(output)) return 1;
    if (h.platform.messages().isEmpty()) return 1;
    // The end message as the application shows it.
    QMessageBox box(QMessageBox::NoIcon, pixa::ui::kAppTitle, h.platform.messages().last(),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.show();
    QString messageOutput = output;
    messageOutput.insert(messageOutput.lastIndexOf(QStringLiteral(".png")),
                         QStringLiteral("-message"));
    return box.grab().save(messageOutput) ? 0 : 1;
}
