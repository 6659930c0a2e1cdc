// The zoom at every step from 1/16 to 8 times shows the photo as a resample of all its pixels
// would, whichever of its reduced copies it is painted from.
#include "big_screen.h"
#include "main_harness.h"
#include "view_compare.h"
#include "windows/main/picture_box.h"

#include <QApplication>
#include <QtTest>

using namespace pixatest;

class ZoomViewTest : public QObject {
    Q_OBJECT
private slots:
    void zoomShowsThePhoto_data();
    void zoomShowsThePhoto();
};

namespace {

const QSize kPhoto(2400, 1800);

} // namespace

void ZoomViewTest::zoomShowsThePhoto_data() {
    // Zoom steps from actual size, each checked on the way: out to 1/16, in to 8 times.
    QTest::addColumn<QString>("photo");
    QTest::addColumn<QList<int>>("checked");
    QList<int> every;
    for (int steps = -1; steps >= -16; --steps)
        every << steps;
    for (int steps = 1; steps <= 12; ++steps)
        every << steps;
    QTest::newRow("jpeg") << "jpeg" << every;
    // Reduced copies made of pixels in another layout.
    QTest::newRow("grey png") << "grey png" << QList<int>{-5, -9, -16};
    // Copies of the photo opened before are no longer taken.
    QTest::newRow("after another") << "after another" << QList<int>{-6, -12};
}

void ZoomViewTest::zoomShowsThePhoto() {
    QFETCH(QString, photo);
    QFETCH(QList<int>, checked);
    MainHarness h;
    QVERIFY(h.start() && QTest::qWaitForWindowActive(&h.window));
    QImage drawn = photoLike(kPhoto);
    if (photo == "after another") {
        QVERIFY(drawn.mirrored(true, true).save(h.path("other.jpg")));
        h.open(h.path("other.jpg"), 3);
    }
    if (photo == "grey png") drawn = drawn.convertToFormat(QImage::Format_Grayscale8);
    const QString file = h.path(photo == "grey png" ? "photo.png" : "photo.jpg");
    QVERIFY(drawn.save(file));
    h.open(file, 3);
    const QImage shownAtActualSize = h.window.shownPicture();
    const QWidget* box = h.control("pictureBox");
    const auto* painter = static_cast<const pixa::ui::PictureBox*>(box);
    int at = 0;
    for (const int steps : checked) {
        // Back to actual size when the direction turns.
        if (at * steps < 0) {
            QTest::keySequence(&h.window, QKeySequence("Ctrl+1"));
            at = 0;
        }
        for (; at != steps; at += steps < 0 ? -1 : 1)
            QTest::keySequence(&h.window, QKeySequence(steps < 0 ? "Ctrl+-" : "Ctrl++"));
        // Against the photo resampled from all its pixels at the size shown: a reduced copy
        // taken too small, or placed a pixel off, shows as a larger mean difference.
        const QImage reference = resampledInFrame(h, shownAtActualSize);
        // Painted, once the reduced copies are made on another core, from the one under twice
        // the size shown that is at least as large.
        QTRY_VERIFY2(painter->picture().width() < 2 * box->width() ||
                         2 * box->width() > kPhoto.width(),
                     qPrintable(QString::number(steps)));
        QVERIFY2(painter->picture().width() >= std::min(box->width(), kPhoto.width()),
                 qPrintable(QString::number(steps)));
        const double difference = meanDifference(h, reference);
        QVERIFY2(difference <= 1, qPrintable(QString("%1: %2").arg(steps).arg(difference)));
    }
}

int main(int argc, char** argv) {
    QTemporaryDir screen;
    useOffscreenScreen(screen, QSize(1920, 1080));
    QApplication app(argc, argv);
    ZoomViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "zoom_view_test.moc"
