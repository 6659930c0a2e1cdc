// The main window at two device pixels to a pixel: the photo's pixels one for one on the device
// at actual size, a fitted view made at the device's size, the buttons' faces drawn sharp.
#include "main_harness.h"
#include "ui/artwork.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>
#include <QWheelEvent>

using namespace pixatest;

class HiDpiTest : public QObject {
    Q_OBJECT
private slots:
    void devicePixels_data();
    void devicePixels();
};

void HiDpiTest::devicePixels_data() {
    // "fit" or Ctrl+wheel notches at 100,50 => the picture box, the bars and the zoom; device
    // pixels to a pixel of the picture shown.
    QTest::addColumn<QSize>("photo");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("enlarged");
    QTest::newRow("actual size") << QSize(501, 300) << "=> 0,0 251x150 - - 100 %" << 1;
    QTest::newRow("scrolled") << QSize(2000, 1200) << "=> 0,0 1000x600 0/230 0/136 100 %" << 1;
    QTest::newRow("fitted") << QSize(2400, 1800) << "fit => 0,0 619x464 - - 52 %" << 1;
    QTest::newRow("at the pointer") << QSize(1000, 600) << "in in in in => -100,-50 1000x600 "
                                                           "100/230 50/136 200 %" << 2;
}

void HiDpiTest::devicePixels() {
    QFETCH(QSize, photo);
    QFETCH(QString, steps);
    QFETCH(int, enlarged);
    MainHarness h;
    QVERIFY(h.start());
    // Every pixel unlike its neighbours, so an enlarged or shifted view cannot pass for it.
    QImage fine(photo, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x)
            fine.setPixel(x, y, qRgb(x * 37 % 256, y * 53 % 256, (x + y) * 101 % 256));
    }
    QVERIFY(fine.save(h.path("photo.bmp")));
    h.open(h.path("photo.bmp"), 2);
    QWidget* frame = h.control("photoFrame");
    for (const QString& step : steps.section("=> ", 0, 0).split(' ', Qt::SkipEmptyParts)) {
        if (step == "fit") h.window.fitToWindow();
        QWheelEvent in({100, 50}, frame->mapToGlobal(QPointF(100, 50)), {}, {0, 120},
                       Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        if (step == "in") QApplication::sendEvent(frame, &in);
    }
    QCOMPARE(h.picture1() + " " + h.scrollBars() + " " +
                 h.control<QLabel>("ZoomLabel")->text().mid(7),
             steps.section("=> ", 1));
    const QImage shown = h.window.shownPicture();
    const QImage device = frame->grab().toImage();
    for (const QPoint at : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(333, 211),
                            QPoint(shown.width() - 1, shown.height() - 1)}) {
        const QPoint onDevice = h.control("pictureBox")->pos() * 2 + at * enlarged;
        if (device.rect().contains(onDevice))
            QCOMPARE(QColor(device.pixel(onDevice)), QColor(shown.pixel(at)));
    }
    // The faces drawn at the device's resolution, not their own enlarged.
    QImage blocks = pixa::ui::faceImage("6a").scaled(pixa::ui::faceSize(6) * 2);
    blocks.setDevicePixelRatio(2);
    QCOMPARE(h.button("fitButton")->pixmap().size(), blocks.size());
    QVERIFY(h.button("fitButton")->pixmap().toImage().convertToFormat(blocks.format()) != blocks);
}

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    HiDpiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "hidpi_test.moc"
