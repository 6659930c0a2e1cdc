// The window on a real screen: resized, maximized and full screen with the frame taking the room,
// and the zoom by keys and wheel.
#include "big_screen.h"
#include "main_harness.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QtTest>
#include <QWheelEvent>

using namespace pixatest;

class ViewTest : public QObject {
    Q_OBJECT
private slots:
    void frameFollowsTheWindow_data();
    void frameFollowsTheWindow();
    void zoom_data();
    void zoom();
    void largePhotoShowsWhileItDecodes_data();
    void largePhotoShowsWhileItDecodes();
};

namespace {

const QSize kScreen(1920, 1080);
const QSize kPhoto(2400, 1800);

bool openPhoto(MainHarness& h) {
    if (!h.start() || !QTest::qWaitForWindowActive(&h.window)) return false;
    h.open(h.picture("photo.jpg", {kPhoto, "jpeg"}), 3);
    return h.platform.messages().isEmpty();
}

// "x,y wxh" of a control.
QString placed(const QWidget* w) {
    return QStringLiteral("%1,%2 %3x%4").arg(w->x()).arg(w->y()).arg(w->width()).arg(w->height());
}

} // namespace

void ViewTest::frameFollowsTheWindow_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QSize>("client");
    QTest::newRow("as drawn") << "" << QSize(800, 600);
    QTest::newRow("resized larger") << "resize" << QSize(1200, 900);
    QTest::newRow("never smaller than drawn") << "shrink" << QSize(800, 600);
    QTest::newRow("maximized") << "maximize" << kScreen;
    QTest::newRow("full screen") << "F11" << kScreen;
    QTest::newRow("F11 gives the size back") << "resize F11 F11" << QSize(1200, 900);
    QTest::newRow("Escape gives the size back") << "resize F11 Escape" << QSize(1200, 900);
    QTest::newRow("maximized again after full screen") << "maximize F11 F11" << kScreen;
}

void ViewTest::frameFollowsTheWindow() {
    QFETCH(QString, steps);
    QFETCH(QSize, client);
    MainHarness h;
    QVERIFY(openPhoto(h));
    QTest::mouseClick(h.button("Command3"), Qt::LeftButton); // fitted, then the window changes
    bool fullScreen = false;
    for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
        fullScreen = step == "F11" ? !fullScreen : fullScreen && step != "Escape";
        if (step == "resize") h.window.resize(1200, 900);
        if (step == "shrink") h.window.resize(640, 480);
        if (step == "maximize") h.window.showMaximized();
        if (step == "F11") QTest::keyClick(&h.window, Qt::Key_F11);
        if (step == "Escape") QTest::keyClick(&h.window, Qt::Key_Escape);
        QTRY_COMPARE(h.window.isFullScreen(), fullScreen);
    }
    QTRY_COMPARE(h.window.size(), client);
    const QRect frame = h.control("Picture2")->geometry();
    QCOMPARE(frame, QRect(14, 112, client.width() - 30, client.height() - 136));
    // Fitted into the frame as it is now: one side fills it, the other fits.
    const QSize fitted = h.control("Picture1")->size();
    QVERIFY2(fitted.boundedTo(frame.size()) == fitted &&
                 (fitted.width() == frame.width() || fitted.height() == frame.height()),
             qPrintable(h.picture1()));
    // The controls above keep their places.
    QCOMPARE(placed(h.button("Command6")) + " " + placed(h.control("Text1")),
             "745,14 40x37 111,69 391x20");
    // At actual size the scroll bars lie flush with the frame, their ranges from its size.
    QTest::mouseClick(h.button("Command2"), Qt::LeftButton);
    QCOMPARE(h.bar("HScroll1")->geometry(),
             QRect(frame.left(), frame.bottom() + 1, frame.width(), 16));
    QCOMPARE(h.bar("VScroll1")->geometry(),
             QRect(frame.right() + 1, frame.top(), 14, frame.height()));
    QCOMPARE(h.scrollBars(), QStringLiteral("0/%1 0/%2")
                                 .arg(kPhoto.width() - frame.width())
                                 .arg(kPhoto.height() - frame.height()));
}

void ViewTest::zoom_data() {
    // Keys, and wheel notches at a point of the frame: "in@x,y" and "out@x,y" with Ctrl,
    // "down@x,y" without => Picture1 and the zoom.
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("zoom");
    // About the frame's centre (385, 232) from the photo's top left corner: zooming out keeps the
    // corner, as the photo cannot move past it; zooming in on brings the centre's point back.
    QTest::newRow("four steps out halve") << "Ctrl+- Ctrl+- Ctrl+- Ctrl+-"
                                          << "0,0 1200x900"
                                          << "50 %";
    QTest::newRow("n out and n in give back the size")
        << "Ctrl+- Ctrl+- Ctrl+- Ctrl++ Ctrl++ Ctrl++"
        << "0,0 2400x1800"
        << "100 %";
    QTest::newRow("Ctrl+= and Ctrl+Shift+= zoom in too")
        << "Ctrl+= Ctrl+= Ctrl+Shift+= Ctrl+Shift+="
        << "-385,-232 4800x3600"
        << "200 %";
    QTest::newRow("the wheel keeps the point under the pointer")
        << "in@100,50 in@100,50 in@100,50 in@100,50"
        << "-100,-50 4800x3600"
        << "200 %";
    QTest::newRow("the plain wheel scrolls the zoomed photo")
        << "in@0,0 in@0,0 in@0,0 in@0,0 down@0,0"
        << "0,-40 4800x3600"
        << "200 %";
    QTest::newRow("not below 1/16") << QString("Ctrl+- ").repeated(20).trimmed() << "0,0 150x112"
                                    << "6 %";
    QTest::newRow("not above 8x") << QString("Ctrl++ ").repeated(14).trimmed()
                                  << "-2695,-1624 19200x14400"
                                  << "800 %";
    // Fitted at 464 / 1800 (26 %), between the steps 2^(-8/4) and 2^(-7/4).
    QTest::newRow("from fit, one step in") << "fit Ctrl++"
                                           << "0,-36 714x535"
                                           << "30 %";
    QTest::newRow("from fit, one step out") << "fit Ctrl+-"
                                            << "0,0 600x450"
                                            << "25 %";
}

void ViewTest::zoom() {
    QFETCH(QString, input);
    QFETCH(QString, shown);
    QFETCH(QString, zoom);
    MainHarness h;
    QVERIFY(openPhoto(h));
    QWidget* frame = h.control("Picture2");
    for (const QString& step : input.split(' ')) {
        if (step == "fit") {
            QTest::mouseClick(h.button("Command3"), Qt::LeftButton);
        } else if (step.contains('@')) {
            const QStringList xy = step.section('@', 1).split(',');
            const QPointF at(xy[0].toDouble(), xy[1].toDouble());
            const QString turn = step.section('@', 0, 0);
            QWheelEvent wheel(at, frame->mapToGlobal(at), {}, QPoint(0, turn == "in" ? 120 : -120),
                              Qt::NoButton, turn == "down" ? Qt::NoModifier : Qt::ControlModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(frame, &wheel);
        } else {
            QTest::keySequence(&h.window, QKeySequence(step));
        }
    }
    QCOMPARE(h.picture1(), shown);
    QCOMPARE(h.control<QLabel>("ZoomLabel")->text(), "Zoom : " + zoom);
    // A bitmap saved now holds the reduced picture as shown, or the photo's own pixels when it
    // is enlarged: never an enlargement.
    QCOMPARE(h.window.shownPicture().size(), h.control("Picture1")->size().boundedTo(kPhoto));
    // Off actual size, the 1:1 button brings it back.
    QCOMPARE(h.viewButtons(), zoom == "100 %" ? "4a 5c 6a" : "4a 5a 6a");
}

void ViewTest::largePhotoShowsWhileItDecodes_data() {
    QTest::addColumn<QString>("atFirstPaint"); // what the user does when the photo first shows
    QTest::addColumn<QString>("shown");        // Picture1 in the end
    QTest::newRow("waits") << ""
                           << "0,0 4000x2500";
    QTest::newRow("exit stops the decode") << "exit"
                                           << "hidden";
    QTest::newRow("a new open stops it and opens") << "open"
                                                   << "0,0 300x200";
}

void ViewTest::largePhotoShowsWhileItDecodes() {
    QFETCH(QString, atFirstPaint);
    QFETCH(QString, shown);
    MainHarness h;
    QVERIFY(h.start());
    const QString large = h.picture("large.jpg", {QSize(4000, 2500), "jpeg"});
    const QString small = h.picture("small.bmp", QSize(300, 200));
    // The first paint of the photo comes while it still decodes: nothing to save yet.
    QWidget* box = h.control("Picture1");
    std::optional<pixa::ui::ShownPhoto::Kind> paintedWhile;
    struct PaintSpy : QObject {
        std::function<void()> onPaint;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint && onPaint) std::exchange(onPaint, nullptr)();
            return false;
        }
    } spy;
    spy.onPaint = [&] {
        paintedWhile = h.window.shownPhoto().kind;
        if (atFirstPaint == "exit") h.button("Command6")->clicked();
        if (atFirstPaint == "open") h.window.openByName(small);
    };
    box->installEventFilter(&spy);
    h.window.openByName(large);
    QTRY_COMPARE(h.picture1(), shown);
    QCOMPARE(paintedWhile, pixa::ui::ShownPhoto::Kind::Nothing);
    QCOMPARE(h.platform.messages(), QStringList());
    QCOMPARE(h.platform.applicationEnded(), atFirstPaint == "exit");
    QCOMPARE(h.window.shownPhoto().ws_file, atFirstPaint == "open" ? small : large);
}

int main(int argc, char** argv) {
    QTemporaryDir screen;
    useOffscreenScreen(screen, kScreen);
    QApplication app(argc, argv);
    ViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "view_test.moc"
