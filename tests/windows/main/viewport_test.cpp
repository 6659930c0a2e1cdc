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
    void secondPhotoStartsAtItsTopLeft();
    void wheelAndKeys_data();
    void wheelAndKeys();
    void fit_data();
    void fit();
    void fitThenActualSize();
    void viewCommandsBeforeAnyPhoto();
};

namespace {

// Starts the window and opens a bitmap of `size`.
bool openPhoto(MainHarness& h, QSize size) {
    if (!h.start()) return false;
    h.open(h.picture(QStringLiteral("photo.bmp"), size), 2);
    return h.platform.messages().isEmpty();
}

void mouse(QWidget* target, QEvent::Type type, QPointF local) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, target->mapToGlobal(local), Qt::LeftButton, held, {});
    QApplication::sendEvent(target, &event);
}

} // namespace

void ViewportTest::reset_data() {
    QTest::addColumn<QSize>("photo");
    QTest::addColumn<QString>("hscroll"); // value/maximum, "-" hidden
    QTest::addColumn<QString>("vscroll");
    QTest::newRow("smaller than the frame") << QSize(500, 300) << "-"
                                            << "-";
    QTest::newRow("exactly the frame") << QSize(770, 464) << "-"
                                       << "-";
    QTest::newRow("one pixel wider") << QSize(771, 464) << "0/1"
                                     << "-";
    QTest::newRow("wider only") << QSize(1000, 400) << "0/230"
                                << "-";
    QTest::newRow("taller only") << QSize(600, 700) << "-"
                                 << "0/236";
    QTest::newRow("larger both ways") << QSize(1000, 800) << "0/230"
                                      << "0/336";
}

void ViewportTest::reset() {
    QFETCH(QSize, photo);
    QFETCH(QString, hscroll);
    QFETCH(QString, vscroll);
    MainHarness h;
    QVERIFY(openPhoto(h, photo));
    QCOMPARE(h.picture1(), QStringLiteral("0,0 %1x%2").arg(photo.width()).arg(photo.height()));
    QCOMPARE(h.scroll("HScroll1"), hscroll);
    QCOMPARE(h.scroll("VScroll1"), vscroll);
    // Flush under and right of the frame.
    QCOMPARE(h.bar("HScroll1")->geometry(), QRect(14, 576, 770, 16));
    QCOMPARE(h.bar("VScroll1")->geometry(), QRect(784, 112, 14, 464));
}

void ViewportTest::drag_data() {
    // Mouse offsets from the press point, in the frame; "|" releases the button.
    QTest::addColumn<QString>("moves");
    QTest::addColumn<QString>("picture"); // where Picture1 ends, in the frame
    QTest::newRow("right while the left edge shows") << "50,0"
                                                     << "0,0";
    QTest::newRow("left in steps") << "-100,0 -200,0"
                                   << "-200,0";
    QTest::newRow("a step that would pass the edge") << "-100,0 -200,0 -300,0"
                                                     << "-200,0";
    QTest::newRow("one fast step past the edge") << "-300,0"
                                                 << "0,0";
    QTest::newRow("each direction on its own") << "-100,-400"
                                               << "-100,0";
    QTest::newRow("up and left, then part way back") << "-100,-100 -50,-50"
                                                     << "-50,-50";
    QTest::newRow("released: moving does nothing") << "-100,0 | -200,0"
                                                   << "-100,0";
}

void ViewportTest::drag() {
    QFETCH(QString, moves);
    QFETCH(QString, picture);
    MainHarness h;
    QVERIFY(openPhoto(h, QSize(1000, 800)));
    QWidget* box = h.control("Picture1");
    const QPointF pressed(400, 300);
    mouse(box, QEvent::MouseButtonPress, pressed);
    for (const QString& step : moves.split(QLatin1Char(' '))) {
        if (step == QLatin1String("|")) {
            mouse(box, QEvent::MouseButtonRelease, pressed);
            continue;
        }
        const QStringList xy = step.split(QLatin1Char(','));
        const QPointF inFrame = pressed + QPointF(xy[0].toDouble(), xy[1].toDouble());
        mouse(box, QEvent::MouseMove, inFrame - QPointF(box->pos()));
    }
    QCOMPARE(QStringLiteral("%1,%2").arg(box->x()).arg(box->y()), picture);
    // The thumbs follow the photo.
    QCOMPARE(h.bar("HScroll1")->value(), -box->x());
    QCOMPARE(h.bar("VScroll1")->value(), -box->y());
}

void ViewportTest::secondPhotoStartsAtItsTopLeft() {
    MainHarness h;
    QVERIFY(openPhoto(h, QSize(1000, 800)));
    h.bar("HScroll1")->setValue(200);
    h.bar("VScroll1")->setValue(100);
    QCOMPARE(h.picture1(), QStringLiteral("-200,-100 1000x800"));
    h.open(h.picture(QStringLiteral("second.bmp"), QSize(900, 600)), 2);
    QCOMPARE(h.picture1(), QStringLiteral("0,0 900x600"));
    QCOMPARE(h.scroll("HScroll1") + " " + h.scroll("VScroll1"), QStringLiteral("0/130 0/136"));
}

void ViewportTest::wheelAndKeys_data() {
    QTest::addColumn<QSize>("photo");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("picture"); // where Picture1 ends
    QTest::newRow("wheel down") << QSize(1000, 800) << "wheel"
                                << "0,-40";
    QTest::newRow("Shift and wheel: sideways") << QSize(1000, 800) << "shift-wheel"
                                               << "-40,0";
    QTest::newRow("wheel with nothing to scroll") << QSize(1000, 400) << "wheel"
                                                  << "0,0";
    QTest::newRow("arrow right") << QSize(1000, 800) << "Right"
                                 << "-40,0";
    QTest::newRow("Page Down stops at the bottom") << QSize(1000, 800) << "PgDown"
                                                   << "0,-336";
    QTest::newRow("End") << QSize(600, 700) << "End"
                         << "0,-236";
    QTest::newRow("arrow down with nothing to scroll") << QSize(1000, 400) << "Down"
                                                       << "0,0";
}

void ViewportTest::wheelAndKeys() {
    QFETCH(QSize, photo);
    QFETCH(QString, input);
    QFETCH(QString, picture);
    MainHarness h;
    QVERIFY(openPhoto(h, photo));
    QWidget* frame = h.control("Picture2");
    if (input.endsWith(QLatin1String("wheel"))) {
        const Qt::KeyboardModifiers mods =
            input.startsWith(QLatin1String("shift")) ? Qt::ShiftModifier : Qt::NoModifier;
        QWheelEvent wheel(QPointF(100, 100), frame->mapToGlobal(QPointF(100, 100)), {},
                          QPoint(0, -120), Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(h.control("Picture1"), &wheel);
    } else {
        frame->setFocus();
        QTest::keyClick(frame, QKeySequence::fromString(input)[0].key());
    }
    const QWidget* box = h.control("Picture1");
    QCOMPARE(QStringLiteral("%1,%2").arg(box->x()).arg(box->y()), picture);
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
    h.bar("HScroll1")->setValue(50);
    QTest::mouseClick(h.button("Command3"), Qt::LeftButton);
    QCOMPARE(h.picture1(), QStringLiteral("0,0 %1x%2").arg(fitted.width()).arg(fitted.height()));
    QCOMPARE(h.window.shownPicture().size(), fitted);
    QCOMPARE(h.scroll("HScroll1") + h.scroll("VScroll1"), QStringLiteral("--"));
    QCOMPARE(h.viewButtons(), QStringLiteral("4a 5a 6c"));
    QVERIFY(!QGuiApplication::overrideCursor());
}

void ViewportTest::fitThenActualSize() {
    MainHarness h;
    QVERIFY(openPhoto(h, QSize(1000, 800)));
    h.bar("HScroll1")->setValue(100);
    h.window.Command3_Click();
    QTest::mouseClick(h.button("Command2"), Qt::LeftButton);
    QCOMPARE(h.picture1(), QStringLiteral("0,0 1000x800"));
    QCOMPARE(h.window.shownPicture().size(), QSize(1000, 800));
    QCOMPARE(h.scroll("HScroll1") + " " + h.scroll("VScroll1"), QStringLiteral("0/230 0/336"));
    QCOMPARE(h.viewButtons(), QStringLiteral("4a 5c 6a"));
}

void ViewportTest::viewCommandsBeforeAnyPhoto() {
    MainHarness h;
    QVERIFY(h.start());
    h.window.Command2_Click();
    QCOMPARE(h.viewButtons(), QStringLiteral("4c 5c 6a"));
    h.window.Command3_Click();
    QCOMPARE(h.viewButtons(), QStringLiteral("4c 5a 6c"));
    QCOMPARE(h.picture1(), QStringLiteral("hidden"));
    QCOMPARE(h.platform.messages(), QStringList());
}

QTEST_MAIN(ViewportTest)
#include "viewport_test.moc"
