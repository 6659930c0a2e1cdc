// The picture viewport: the reset, scrolling by bars, wheel and keys, dragging, and the
// actual-size and fit-to-window commands.
#include "main_harness.h"

#include <QApplication>
#include <QMouseEvent>
#include <QtTest>

using namespace pixatest;

class ViewportTest : public QObject {
    Q_OBJECT
private slots:
    void reset_data();
    void reset();
    void drag_data();
    void drag();
    void wheelAndKeys_data();
    void wheelAndKeys();
    void fit_data();
    void fit();
};

namespace {

// Starts the window and opens a bitmap of `size`.
bool openPhoto(MainHarness& h, QSize size) {
    if (!h.start()) return false;
    h.open(h.picture("photo.bmp", size), 2);
    return h.platform.messages().isEmpty();
}

QString at(const MainHarness& h) {
    return h.picture1().section(' ', 0, 0);
}

QString sized(QSize size) {
    return QStringLiteral("0,0 %1x%2").arg(size.width()).arg(size.height());
}

} // namespace

void ViewportTest::reset_data() {
    QTest::addColumn<QSize>("photo");
    QTest::addColumn<QString>("bars");
    QTest::newRow("smaller than the frame") << QSize(500, 300) << "- -";
    QTest::newRow("exactly the frame") << QSize(770, 464) << "- -";
    QTest::newRow("one pixel wider") << QSize(771, 464) << "0/1 -";
    QTest::newRow("wider only") << QSize(1000, 400) << "0/230 -";
    QTest::newRow("taller only") << QSize(600, 700) << "- 0/236";
    QTest::newRow("larger both ways") << QSize(1000, 800) << "0/230 0/336";
}

void ViewportTest::reset() {
    QFETCH(QSize, photo);
    QFETCH(QString, bars);
    MainHarness h;
    QVERIFY(openPhoto(h, photo));
    QCOMPARE(h.picture1() + " " + h.scrollBars(), sized(photo) + " " + bars);
    // Flush under and right of the frame.
    QCOMPARE(h.bar("horizontalScrollBar")->geometry(), QRect(14, 576, 770, 16));
    QCOMPARE(h.bar("verticalScrollBar")->geometry(), QRect(784, 112, 14, 464));
    // A second photo, opened after scrolling, shows from its top left corner.
    h.bar("horizontalScrollBar")->setValue(200);
    h.bar("verticalScrollBar")->setValue(100);
    h.open(h.picture("second.bmp", QSize(900, 600)), 2);
    QCOMPARE(h.picture1() + " " + h.scrollBars(), "0,0 900x600 0/130 0/136");
}

void ViewportTest::drag_data() {
    // Mouse offsets from the press point ("|" releases the button) => where the picture box ends.
    QTest::addColumn<QString>("moves");
    QTest::newRow("right while the left edge shows") << "50,0 => 0,0";
    QTest::newRow("left in steps") << "-100,0 -200,0 => -200,0";
    QTest::newRow("a step that would pass the edge") << "-100,0 -200,0 -300,0 => -200,0";
    QTest::newRow("one fast step past the edge") << "-300,0 => 0,0";
    QTest::newRow("each direction on its own") << "-100,-400 => -100,0";
    QTest::newRow("up and left, then part way back") << "-100,-100 -50,-50 => -50,-50";
    QTest::newRow("released: moving does nothing") << "-100,0 | -200,0 => -100,0";
}

void ViewportTest::drag() {
    QFETCH(QString, moves);
    MainHarness h;
    QVERIFY(openPhoto(h, QSize(1000, 800)));
    QWidget* box = h.control("pictureBox");
    const QPointF pressed(400, 300); // in the frame, as the photo starts at 0,0
    const auto send = [box](QEvent::Type type, QPointF inFrame, Qt::MouseButtons held) {
        const QPointF local = inFrame - QPointF(box->pos());
        QMouseEvent event(type, local, box->mapToGlobal(local), Qt::LeftButton, held, {});
        QApplication::sendEvent(box, &event);
    };
    send(QEvent::MouseButtonPress, pressed, Qt::LeftButton);
    for (const QString& step : moves.section(" => ", 0, 0).split(' ')) {
        const QStringList xy = step.split(',');
        if (step == "|") send(QEvent::MouseButtonRelease, pressed, Qt::NoButton);
        if (xy.size() == 2) {
            send(QEvent::MouseMove, pressed + QPointF(xy[0].toDouble(), xy[1].toDouble()),
                 Qt::LeftButton);
        }
    }
    QCOMPARE(at(h), moves.section(" => ", 1));
    // The thumbs follow the photo.
    QCOMPARE(QPoint(h.bar("horizontalScrollBar")->value(), h.bar("verticalScrollBar")->value()), -box->pos());
}

void ViewportTest::wheelAndKeys_data() {
    QTest::addColumn<QSize>("photo");
    QTest::addColumn<QString>("input"); // => where the picture box ends
    QTest::newRow("wheel down") << QSize(1000, 800) << "wheel => 0,-40";
    QTest::newRow("Shift and wheel: sideways") << QSize(1000, 800) << "Shift => -40,0";
    QTest::newRow("wheel with nothing to scroll") << QSize(1000, 400) << "wheel => 0,0";
    QTest::newRow("Page Down stops at the bottom") << QSize(1000, 800) << "PgDown => 0,-336";
    QTest::newRow("arrow down with nothing to scroll") << QSize(1000, 400) << "Down => 0,0";
}

void ViewportTest::wheelAndKeys() {
    QFETCH(QSize, photo);
    QFETCH(QString, input);
    const QString key = input.section(" => ", 0, 0);
    MainHarness h;
    QVERIFY(openPhoto(h, photo));
    QWidget* frame = h.control("photoFrame");
    if (key == "wheel" || key == "Shift") {
        QWheelEvent wheel(QPointF(9, 9), frame->mapToGlobal(QPointF(9, 9)), {}, QPoint(0, -120),
                          Qt::NoButton, key == "Shift" ? Qt::ShiftModifier : Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(h.control("pictureBox"), &wheel);
    } else {
        frame->setFocus();
        QTest::keyClick(frame, QKeySequence::fromString(key)[0].key());
    }
    QCOMPARE(at(h), input.section(" => ", 1));
}

void ViewportTest::fit_data() {
    QTest::addColumn<QSize>("photo");
    QTest::addColumn<QSize>("fitted");
    QTest::newRow("the height decides (15000 x 12000 twips)")
        << QSize(1000, 800) << QSize(580, 464);
    QTest::newRow("wider only: the width decides") << QSize(1540, 464) << QSize(770, 232);
    QTest::newRow("taller only, a half rounded to even") << QSize(385, 928) << QSize(192, 464);
    QTest::newRow("smaller: kept") << QSize(500, 300) << QSize(500, 300);
    QTest::newRow("exactly the frame: kept") << QSize(770, 464) << QSize(770, 464);
}

void ViewportTest::fit() {
    QFETCH(QSize, photo);
    QFETCH(QSize, fitted);
    MainHarness h;
    QVERIFY(openPhoto(h, photo));
    const QString bars = h.scrollBars();
    h.bar("horizontalScrollBar")->setValue(50);
    QTest::mouseClick(h.button("fitButton"), Qt::LeftButton);
    QCOMPARE(h.picture1() + " " + h.scrollBars(), sized(fitted) + " - -");
    QCOMPARE(h.window.shownPicture().size(), fitted);
    QCOMPARE(h.viewButtons(), "4a 5a 6c");
    QVERIFY(!QGuiApplication::overrideCursor());
    // Actual size brings the whole photo back, from its top left corner, with its scroll bars.
    QTest::mouseClick(h.button("actualSizeButton"), Qt::LeftButton);
    QCOMPARE(h.picture1() + " " + h.scrollBars(), sized(photo) + " " + bars);
    QCOMPARE(h.window.shownPicture().size(), photo);
    QCOMPARE(h.viewButtons(), "4a 5c 6a");
}

QTEST_MAIN(ViewportTest)
#include "viewport_test.moc"
