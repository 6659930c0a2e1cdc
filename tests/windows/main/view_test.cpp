// The window on a real screen: resized, maximized and full screen with the frame taking the room
// and a photo smaller than a larger frame in its middle; full screen, the photo alone on black
// with the controls over it on demand; the zoom by keys and wheel.
#include "big_screen.h"
#include "main_harness.h"
#include "view_compare.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>
#include <QWheelEvent>

using namespace pixatest;

class ViewTest : public QObject {
    Q_OBJECT
private slots:
    void frameFollowsTheWindow_data();
    void frameFollowsTheWindow();
    void fullScreenShowsThePhotoAlone_data();
    void fullScreenShowsThePhotoAlone();
    void zoom_data();
    void zoom();
};

namespace {

const QSize kScreen(1920, 1080);
const QSize kPhoto(2400, 1800);

} // namespace

void ViewTest::frameFollowsTheWindow_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QSize>("client");
    // Where the photo lies in the frame, fitted and one step smaller: in the frame's corner at
    // the window's own size, in its middle in a larger frame.
    QTest::addColumn<QString>("placed");
    QTest::newRow("as drawn") << "" << QSize(800, 600) << "0,0 0,0";
    QTest::newRow("resized larger") << "resize" << QSize(1200, 900) << "75,0 80,3";
    QTest::newRow("never smaller than drawn") << "shrink" << QSize(800, 600) << "0,0 0,0";
    QTest::newRow("maximized") << "maximize" << kScreen << "315,0 345,22";
    QTest::newRow("full screen") << "F11" << kScreen << "240,0 246,5";
    QTest::newRow("F11 gives the size back") << "resize F11 F11" << QSize(1200, 900) << "75,0 80,3";
    QTest::newRow("Escape gives the size back")
        << "resize F11 Escape" << QSize(1200, 900) << "75,0 80,3";
    QTest::newRow("maximized again after full screen")
        << "maximize F11 F11" << kScreen << "315,0 345,22";
}

void ViewTest::frameFollowsTheWindow() {
    QFETCH(QString, steps);
    QFETCH(QSize, client);
    QFETCH(QString, placed);
    MainHarness h;
    QVERIFY(h.start() && QTest::qWaitForWindowActive(&h.window));
    h.open(h.picture("photo.jpg", {kPhoto, "jpeg"}), 3);
    QTest::mouseClick(h.button("fitButton"), Qt::LeftButton); // fitted, then the window changes
    bool fullScreen = false;
    for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
        fullScreen = step == "F11" ? !fullScreen : fullScreen && step != "Escape";
        if (step == "resize" || step == "shrink")
            h.window.resize(step == "resize" ? QSize(1200, 900) : QSize(640, 480));
        if (step == "maximize") h.window.showMaximized();
        if (step == "F11" || step == "Escape")
            QTest::keyClick(&h.window, step == "F11" ? Qt::Key_F11 : Qt::Key_Escape);
        QTRY_COMPARE(h.window.isFullScreen(), fullScreen);
    }
    QTRY_COMPARE(h.window.size(), client);
    const QRect frame = h.control("photoFrame")->geometry();
    // Full screen, the frame takes the whole screen.
    QCOMPARE(frame, fullScreen ? QRect(QPoint(0, 0), client)
                               : QRect(14, 112, client.width() - 30, client.height() - 136));
    // Fitted into the frame as it is now: one side fills it, the other fits.
    const QSize fitted = h.control("pictureBox")->size();
    // Scaled for the frame as it is now, not for a size it had during the steps.
    QVERIFY(meanDifference(h, resampledInFrame(h, QImage(h.path("photo.jpg")))) <= 1);
    QVERIFY2(fitted.boundedTo(frame.size()) == fitted &&
                 (fitted.width() == frame.width() || fitted.height() == frame.height()),
             qPrintable(h.picture1()));
    const auto placedAt = [&h] {
        const QPoint at = h.control("pictureBox")->pos();
        return QStringLiteral("%1,%2").arg(at.x()).arg(at.y());
    };
    const QString fittedAt = placedAt();
    QTest::keySequence(&h.window, QKeySequence("Ctrl+-"));
    QCOMPARE(fittedAt + " " + placedAt(), placed);
    // The controls above keep their places.
    QCOMPARE(h.button("exitButton")->pos(), QPoint(745, 14));
    QCOMPARE(h.control("captionEdit")->geometry(), QRect(111, 69, 391, 20));
    // At actual size the scroll bars lie flush with the frame, their ranges from its size.
    QTest::mouseClick(h.button("actualSizeButton"), Qt::LeftButton);
    QCOMPARE(h.bar("horizontalScrollBar")->geometry(),
             QRect(frame.left(), frame.bottom() + 1, frame.width(), 16));
    QCOMPARE(h.bar("verticalScrollBar")->geometry(),
             QRect(frame.right() + 1, frame.top(), 14, frame.height()));
    QCOMPARE(QPoint(h.bar("horizontalScrollBar")->maximum(), h.bar("verticalScrollBar")->maximum()),
             QPoint(kPhoto.width() - frame.width(), kPhoto.height() - frame.height()));
}

void ViewTest::fullScreenShowsThePhotoAlone_data() {
    // Keys and pointer moves ("top": the screen's top edge; "middle") => what the window shows,
    // and which control keys go to.
    QTest::addColumn<QString>("input");
    QTest::newRow("alone") << "F11 => alone on black, keys to MainWindow";
    QTest::newRow("the pointer at the top edge")
        << "F11 top => controls on black, keys to MainWindow";
    QTest::newRow("the pointer leaves them")
        << "F11 top middle => alone on black, keys to MainWindow";
    // A letter typed goes to no hidden caption box.
    QTest::newRow("a key press") << "F11 A => controls on black, keys to MainWindow";
    QTest::newRow("Escape gives all back") << "F11 A Escape => as drawn, keys to captionEdit";
}

void ViewTest::fullScreenShowsThePhotoAlone() {
    QFETCH(QString, input);
    MainHarness h;
    QVERIFY(h.start() && QTest::qWaitForWindowActive(&h.window));
    h.open(h.picture("small.bmp", QSize(300, 200)), 3);
    for (const QString& step : input.section(" => ", 0, 0).split(' ')) {
        if (step == "top" || step == "middle")
            QTest::mouseMove(h.window.windowHandle(), QPoint(400, step == "top" ? 0 : 540));
        if (step == "A") QTest::keyClick(h.window.windowHandle(), Qt::Key_A);
        if (step == "F11" || step == "Escape") {
            QTest::keyClick(&h.window, step == "F11" ? Qt::Key_F11 : Qt::Key_Escape);
            QTRY_COMPARE(h.window.isFullScreen(), step == "F11");
            QTRY_COMPARE(h.window.size(), step == "F11" ? kScreen : QSize(800, 600));
        }
    }
    // Where the exit button is, and low in the frame, beside the small photo.
    const QImage shown = h.window.grab().toImage();
    const QRgb button = shown.pixel(750, 20);
    const QRgb frame = shown.pixel(20, 570);
    const QString seen = frame == qRgb(58, 60, 66) ? "as drawn"
                         : frame != qRgb(0, 0, 0)  ? "not on black"
                         : button == frame         ? "alone on black"
                                                   : "controls on black";
    QCOMPARE(seen + ", keys to " + QApplication::focusWidget()->objectName(),
             input.section(" => ", 1));
    QCOMPARE(h.window.captionText(), QString());
}

void ViewTest::zoom_data() {
    // Keys, and wheel notches at a point of the frame ("in@x,y" and "out@x,y" with Ctrl,
    // "down@x,y" without) => the picture box and the zoom shown.
    QTest::addColumn<QString>("input");
    const QString out4 = "Ctrl+- Ctrl+- Ctrl+- Ctrl+- ";
    // About the frame's centre (385, 232) from the top left corner: zooming out keeps the corner,
    // which cannot move into the frame; zooming in on brings the centre's point back.
    QTest::newRow("four steps out halve") << out4 + "=> 0,0 1200x900 50 %";
    QTest::newRow("n out and n in give back")
        << "Ctrl+- Ctrl+- Ctrl++ Ctrl++ => 0,0 2400x1800 100 %";
    QTest::newRow("Ctrl+= and Ctrl+Shift+=")
        << "Ctrl+= Ctrl+= Ctrl+Shift+= Ctrl+Shift+= => -385,-232 4800x3600 200 %";
    QTest::newRow("the wheel at the pointer")
        << "in@100,50 in@100,50 in@100,50 in@100,50 => -100,-50 4800x3600 200 %";
    QTest::newRow("the plain wheel scrolls")
        << "in@0,0 in@0,0 in@0,0 in@0,0 down@0,0 => 0,-40 4800x3600 200 %";
    QTest::newRow("not below 1/16") << out4 + out4 + out4 + out4 + "Ctrl+- => 0,0 150x112 6 %";
    QTest::newRow("not above 8x") << QString("Ctrl++ ").repeated(13) +
                                         "=> -2695,-1624 19200x14400 800 %";
    // Fitted at 464 / 1800 (26 %), between the steps 2^(-8/4) and 2^(-7/4).
    QTest::newRow("from fit, one step in") << "fit Ctrl++ => 0,-36 714x535 30 %";
    QTest::newRow("from fit, one step out") << "fit Ctrl+- => 0,0 600x450 25 %";
}

void ViewTest::zoom() {
    QFETCH(QString, input);
    const QString result = input.section(" => ", 1);
    MainHarness h;
    QVERIFY(h.start() && QTest::qWaitForWindowActive(&h.window));
    h.open(h.picture("photo.jpg", {kPhoto, "jpeg"}), 3);
    QWidget* frame = h.control("photoFrame");
    for (const QString& step : input.section(" => ", 0, 0).split(' ')) {
        const QStringList wheel = step.split(QRegularExpression("[@,]"));
        if (step == "fit") {
            QTest::mouseClick(h.button("fitButton"), Qt::LeftButton);
        } else if (wheel.size() == 3) {
            const QPointF at(wheel[1].toDouble(), wheel[2].toDouble());
            QWheelEvent event(at, frame->mapToGlobal(at), {},
                              QPoint(0, wheel[0] == "in" ? 120 : -120), Qt::NoButton,
                              wheel[0] == "down" ? Qt::NoModifier : Qt::ControlModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(frame, &event);
        } else {
            QTest::keySequence(&h.window, QKeySequence(step));
        }
    }
    QCOMPARE(h.picture1() + " " + h.control<QLabel>("ZoomLabel")->text().mid(7), result);
    // A bitmap saved now holds the reduced picture as shown, or the photo's own pixels when it
    // is enlarged: never an enlargement.
    QCOMPARE(h.window.shownPicture().size(), h.control("pictureBox")->size().boundedTo(kPhoto));
    // Off actual size, the 1:1 button brings it back.
    QCOMPARE(h.viewButtons(), result.endsWith(" 100 %") ? "4a 5c 6a" : "4a 5a 6a");
}

int main(int argc, char** argv) {
    QTemporaryDir screen;
    useOffscreenScreen(screen, kScreen);
    QApplication app(argc, argv);
    ViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "view_test.moc"
