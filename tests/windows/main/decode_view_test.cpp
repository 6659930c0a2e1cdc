// A large photo shown while it decodes: its first paint comes before the decode ends, and what the
// user does meanwhile (a fit, actual size, a zoom step, a new open, a step, the exit) is shown at
// once and ends as it would on the whole photo.
#include "big_screen.h"
#include "main_harness.h"

#include <QApplication>
#include <QtTest>

#include <functional>

using namespace pixatest;

class DecodeViewTest : public QObject {
    Q_OBJECT
private slots:
    void largePhotoShowsWhileItDecodes_data();
    void largePhotoShowsWhileItDecodes();
};

namespace {

const QSize kScreen(1920, 1080);

// Calls `onPaint` at the first paint of the object it filters.
struct FirstPaint : QObject {
    std::function<void()> onPaint;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && onPaint) std::exchange(onPaint, nullptr)();
        return false;
    }
};

// The large photo in `h`'s folder. Drawn and encoded once: that takes longer than a row itself.
QString largePhoto(MainHarness& h) {
    static QByteArray bytes;
    const QString path = h.path("large.jpg");
    if (bytes.isEmpty()) {
        h.picture("large.jpg", {QSize(4000, 2500), "jpeg", false, {}, true});
        QFile made(path);
        if (!made.open(QIODevice::ReadOnly)) qFatal("cannot read large.jpg");
        bytes = made.readAll();
        return path;
    }
    QFile copy(path);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size())
        qFatal("cannot write large.jpg");
    return path;
}

} // namespace

void DecodeViewTest::largePhotoShowsWhileItDecodes_data() {
    QTest::addColumn<QString>("atFirstPaint"); // what the user does when the photo first shows
    QTest::addColumn<QString>(
        "whileDecoding");               // the picture box right after it, with the row below
    QTest::addColumn<QString>("shown"); // the picture box in the end
    QTest::newRow("waits") << ""
                           << ""
                           << "0,0 4000x2500";
    QTest::newRow("exit stops the decode") << "exit"
                                           << ""
                                           << "hidden";
    QTest::newRow("a new open stops it and opens") << "open"
                                                   << ""
                                                   << "0,0 300x200";
    // Fitted at once, from a reduced decode once it has ended, then from the whole photo.
    QTest::newRow("fit") << "fit"
                         << "0,0 742x464"
                         << "0,0 742x464";
    QTest::newRow("fit, then exit") << "fit exit"
                                    << "0,0 742x464"
                                    << "hidden";
    // Back at 1:1 the rows not yet decoded are painted as the frame, not as a picture.
    // A step out from 1:1 is shown from the decode at 1/2 until the photo is whole.
    QTest::newRow("a step out") << "out"
                                << "0,0 3364x2102"
                                << "0,0 3364x2102";
    QTest::newRow("fit, then 1:1") << "fit 1:1"
                                   << "0,0 4000x2500 frame"
                                   << "0,0 4000x2500";
    // A step from a fitted photo is fitted from its first paint to its end.
    QTest::newRow("a fitted step") << "fitted step"
                                   << "0,0 742x464"
                                   << "0,0 742x464";
}

void DecodeViewTest::largePhotoShowsWhileItDecodes() {
    QFETCH(QString, atFirstPaint);
    QFETCH(QString, whileDecoding);
    QFETCH(QString, shown);
    MainHarness h;
    // Exposed, so that the first paint comes at the decode's first look at the events.
    QVERIFY(h.start() && QTest::qWaitForWindowExposed(&h.window));
    const QString large = largePhoto(h);
    const QString small = h.picture("small.bmp", QSize(300, 200));
    // The photo's first paint comes while it still decodes, with nothing to save yet.
    std::optional<pixa::ui::ShownPhoto::Kind> paintedWhile;
    QString seenWhile;
    FirstPaint spy;
    spy.onPaint = [&] {
        paintedWhile = h.window.shownPhoto().kind;
        if (atFirstPaint == "open") h.window.openByName(small);
        // Once the paint is done, as clicks come: the rest still decodes.
        QTimer::singleShot(0, &h.window, [&] {
            const QStringList steps = atFirstPaint.split(' ');
            if (steps.contains("fit")) h.button("fitButton")->clicked();
            if (steps.contains("1:1")) h.button("actualSizeButton")->clicked();
            if (steps.contains("out")) QTest::keySequence(&h.window, QKeySequence("Ctrl+-"));
            // Reduced, the rows show until the reduced decode has ended on its core: only at
            // 1:1 is the frame below them certain.
            const QImage box = h.control("pictureBox")->grab().toImage();
            const bool frameBelow =
                steps.contains("1:1") && box.pixel(10, box.height() - 1) == qRgb(58, 60, 66);
            seenWhile = h.picture1() + (frameBelow ? " frame" : "") +
                        (h.window.shownPhoto().savable() ? " decoded" : "");
            if (steps.contains("exit")) h.button("exitButton")->clicked();
        });
    };
    if (atFirstPaint == "fitted step") {
        h.window.openByName(small);
        QTest::mouseClick(h.button("fitButton"), Qt::LeftButton);
    }
    h.control("pictureBox")->installEventFilter(&spy);
    // large.jpg comes before small.bmp in their folder.
    atFirstPaint == "fitted step" ? h.window.step(false) : h.window.openByName(large);
    QTRY_COMPARE(h.picture1(), shown);
    if (shown != "hidden") QTRY_VERIFY(h.window.shownPhoto().savable()); // decoded whole
    QCOMPARE(paintedWhile, pixa::ui::ShownPhoto::Kind::Nothing);
    QCOMPARE(h.platform.messages(), QStringList());
    QCOMPARE(h.platform.applicationEnded(), atFirstPaint.endsWith("exit"));
    QCOMPARE(h.window.shownPhoto().ws_file, atFirstPaint == "open" ? small : large);
    if (whileDecoding.isEmpty()) return;
    QCOMPARE(seenWhile, whileDecoding);
    if (shown == "hidden") return;
    // The view at the end is the one made from the whole photo.
    const QImage atEnd = h.window.shownPicture();
    QTest::mouseClick(h.button("actualSizeButton"), Qt::LeftButton);
    if (atFirstPaint == "fit" || atFirstPaint == "fitted step")
        QTest::mouseClick(h.button("fitButton"), Qt::LeftButton);
    if (atFirstPaint == "out") QTest::keySequence(&h.window, QKeySequence("Ctrl+-"));
    QCOMPARE(h.window.shownPicture(), atEnd);
}

int main(int argc, char** argv) {
    QTemporaryDir screen;
    useOffscreenScreen(screen, kScreen);
    QApplication app(argc, argv);
    DecodeViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "decode_view_test.moc"
