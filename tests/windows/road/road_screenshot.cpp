// Renders the main window showing an unwrapped photo with its information labels, reached
// through the real windows: registration, open, caption, save, open the wrapped photo, unlock;
// then a step past the last photo of the folder, and the same window locked; and the grid of an
// album of plain and wrapped photos, before and after a lock.
#include "road_harness.h"

#include "core/pff_file.h"
#include "windows/main/photo_grid.h"

#include <QApplication>
#include <QImageWriter>

#include <cstdio>

using namespace pixatest;

namespace {

// An album of eight in `folder`: photos of one scene in other lights, named and captioned as
// people do, every second one wrapped when asked.
bool writeAlbum(RoadHarness& h, const QString& folder, bool wrapSome) {
    QDir(h.root).mkdir(folder);
    const char* names[] = {"beach", "harbour", "garden", "birthday", "market", "lake", "hills", "snow"};
    for (int i = 0; i < 8; ++i) {
        QImage picture = photoLike(QSize(900 + 60 * (i % 3), 640));
        if (i % 3 == 1) picture = picture.rgbSwapped();
        if (i % 4 == 2) picture = picture.mirrored(true, false);
        const bool wrapped = wrapSome && i % 2 == 1;
        const QString plain = h.path(folder + QStringLiteral("/%1.jpg").arg(QLatin1String(names[i])));
        const QString source = wrapped ? h.path(QStringLiteral("source.jpg")) : plain;
        if (!QImageWriter(source, "jpeg").write(picture)) return false;
        if (!wrapped) continue;
        const std::string caption = std::string(names[i]) + " with the family";
        pixa::encrypt_pff_file({source.toStdString(),
                                h.path(folder + QStringLiteral("/%1.pff").arg(QLatin1String(names[i])))
                                    .toStdString(),
                                caption, ".JPG", h.session.currentOwner(), &h.clock});
    }
    return true;
}

} // namespace

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

    // The grid of plain photos, then of a mixed album with one wrapped photo unlocked, so that
    // the others of its password show their pictures.
    const auto settled = [&h] {
        return QTest::qWaitFor([&h] { return !h.window.grid().working(); }, 60000);
    };
    if (!writeAlbum(h, QStringLiteral("plain"), false)) return 1;
    h.open(h.path(QStringLiteral("plain/beach.jpg")), 3);
    h.window.switchGrid();
    if (!settled()) return 1;
    h.window.grab().save(out.filePath(QStringLiteral("main-window-grid-plain.png")));
    h.window.switchGrid();
    if (!writeAlbum(h, QStringLiteral("album"), true) ||
        !h.openWrapped(h.path(QStringLiteral("album/harbour.pff")), QStringLiteral("view")))
        return 1;
    h.window.switchGrid();
    if (!settled()) return 1;
    h.window.grab().save(out.filePath(QStringLiteral("main-window-grid.png")));
    h.window.lock();
    if (!settled()) return 1;
    h.window.grab().save(out.filePath(QStringLiteral("main-window-grid-locked.png")));
    return 0;
}
