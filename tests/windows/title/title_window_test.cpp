// The title window: the masked copy of the title over the frozen desktop, its centring and
// clipping, the row-by-row repaint, the one timer, and the failures of loading and drawing.
#include "core/error.h"
#include "scripted_platform.h"
#include "windows/title/title_window.h"

#include <QPaintEvent>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <limits>

using pixa::ui::DesktopPicture;
using pixa::ui::ScriptedPlatform;
using pixa::ui::TitleSources;
using pixa::ui::TitleWindow;

namespace {

const QRgb kDesktop = qRgb(40, 120, 40);
const QRgb kMagentaRgb = qRgb(255, 0, 255);

// A desktop of one colour, and a picture of `size` in one colour with a column of `edge`
// pixels at its left: the picture's place and masking are then easy to read off the surface.
TitleSources sources(QSize screen, QSize picture, QRgb fill, QRgb edge, bool desktopImage = true) {
    TitleSources s;
    s.desktop = [screen, desktopImage] {
        DesktopPicture d{screen, {}};
        if (desktopImage) {
            d.image = QImage(screen, QImage::Format_RGB32);
            d.image.fill(kDesktop);
        }
        return d;
    };
    s.picture = [picture, fill, edge] {
        QImage image(picture, QImage::Format_RGB32);
        image.fill(fill);
        for (int y = 0; y < image.height(); ++y)
            image.setPixel(0, y, edge);
        return image;
    };
    return s;
}

struct Title {
    ScriptedPlatform platform;
    int mainWindowShown = 0;
    TitleWindow window;

    explicit Title(TitleSources s, int intervalMs = pixa::ui::kTitleIntervalMs)
        : window(
              platform, [this] { ++mainWindowShown; }, intervalMs, std::move(s)) {}

    QTimer* timer() { return window.findChild<QTimer*>(QStringLiteral("timer")); }
};

// Records the paint events of a window, and what its surface held at each.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(TitleWindow& title) : m_title(title) { title.installEventFilter(this); }
    QList<QRect> rects;
    QList<int> drawnRows; // rows of the title finished on the surface at each paint

    int titleTop = 0;
    QRgb titleColour = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Paint) return false;
        rects << static_cast<QPaintEvent*>(event)->rect();
        int rows = 0;
        const QImage& s = m_title.surface();
        while (titleTop + rows < s.height() &&
               s.pixel(s.width() / 2, titleTop + rows) == titleColour)
            ++rows;
        drawnRows << rows;
        return false;
    }

private:
    TitleWindow& m_title;
};

} // namespace

class TitleWindowTest : public QObject {
    Q_OBJECT
private slots:
    void maskColour_data();
    void maskColour();
    void centredAndClipped_data();
    void centredAndClipped();
    void darkBackdropWithoutDesktopPicture();
    void rowsReachTheScreenTopToBottom();
    void mainWindowOnlyWhenTheTimerFires();
    void shortIntervalEndsTheTitleOnce();
    void loadFailureEndsTheApplication_data();
    void loadFailureEndsTheApplication();
    void overflowStopsTheDrawingButNotTheTimer();
    void noMaskCopiesEveryPixel();
    void closingTheTitleEndsTheApplication();
    void shippedPictureHasTheMaskAroundIt();
};

void TitleWindowTest::maskColour_data() {
    QTest::addColumn<QRgb>("pixel");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("magenta leaves the desktop") << kMagentaRgb << false;
    QTest::newRow("one step off magenta is drawn") << qRgb(255, 0, 254) << true;
    QTest::newRow("magenta with green is drawn") << qRgb(255, 1, 255) << true;
    QTest::newRow("black is drawn") << qRgb(0, 0, 0) << true;
    QTest::newRow("white is drawn") << qRgb(255, 255, 255) << true;
}

void TitleWindowTest::maskColour() {
    QFETCH(QRgb, pixel);
    QFETCH(bool, drawn);
    Title t(sources(QSize(200, 100), QSize(20, 10), qRgb(10, 10, 200), pixel));
    t.window.load();
    QCOMPARE(t.platform.messages(), QStringList{});
    // Centred: (200 - 20) / 2, (100 - 10) / 2.
    QCOMPARE(t.window.surface().pixel(90, 45), drawn ? pixel : kDesktop);
    QCOMPARE(t.window.surface().pixel(91, 45), qRgb(10, 10, 200));
}

void TitleWindowTest::centredAndClipped_data() {
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QPoint>("origin"); // where the picture's top left lands
    QTest::newRow("wide screen") << QSize(1024, 768) << QPoint(299, 294);
    QTest::newRow("half rounds down to even") << QSize(427, 181) << QPoint(0, 0);
    QTest::newRow("half rounds up to even") << QSize(429, 183) << QPoint(2, 2);
    QTest::newRow("two and a half rounds to two") << QSize(431, 185) << QPoint(2, 2);
    QTest::newRow("narrower and lower than the picture") << QSize(300, 100) << QPoint(-63, -40);
    QTest::newRow("narrower by an odd count") << QSize(421, 180) << QPoint(-2, 0);
}

void TitleWindowTest::centredAndClipped() {
    QFETCH(QSize, screen);
    QFETCH(QPoint, origin);
    const QSize picture(426, 180);
    // Each pixel of the picture knows where it came from.
    TitleSources s = sources(screen, picture, 0, 0);
    s.picture = [picture] {
        QImage image(picture, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                image.setPixel(x, y, qRgb(x % 256, y, x / 256 + 10));
        return image;
    };
    Title t(s);
    t.window.load();
    QCOMPARE(t.platform.messages(), QStringList{});
    const QImage& surface = t.window.surface();
    QCOMPARE(surface.size(), screen);
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            const QPoint p = QPoint(x, y) - origin;
            const bool inside =
                p.x() >= 0 && p.y() >= 0 && p.x() < picture.width() && p.y() < picture.height();
            const QRgb expected = inside ? qRgb(p.x() % 256, p.y(), p.x() / 256 + 10) : kDesktop;
            if (surface.pixel(x, y) != expected)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        }
    }
}

void TitleWindowTest::darkBackdropWithoutDesktopPicture() {
    Title t(sources(QSize(500, 300), QSize(426, 180), qRgb(1, 2, 3), qRgb(1, 2, 3), false));
    t.window.load();
    QCOMPARE(t.platform.messages(), QStringList{});
    const QRgb backdrop = t.window.surface().pixel(0, 0);
    QCOMPARE(t.window.surface().pixel(499, 299), backdrop);
    QVERIFY(qGray(backdrop) < 64);
    QCOMPARE(t.window.surface().pixel(250, 150), qRgb(1, 2, 3));
}

void TitleWindowTest::rowsReachTheScreenTopToBottom() {
    const QRgb colour = qRgb(200, 30, 30);
    Title t(sources(QSize(600, 400), QSize(426, 180), colour, colour));
    PaintRecorder recorder(t.window);
    recorder.titleTop = 110;
    recorder.titleColour = colour;
    QSignalSpy ended(&t.window, &TitleWindow::drawingEnded);
    t.window.load();
    QCOMPARE(ended.size(), 1);
    QVERIFY(t.window.isVisible());
    // A repaint for each finished row, each seeing one row more than the one before it (the
    // first row's may go with the window's first full paint).
    QList<int> rowPaints;
    for (qsizetype i = 0; i < recorder.rects.size(); ++i)
        if (recorder.rects.at(i).height() == 1) rowPaints << recorder.drawnRows.at(i);
    QVERIFY2(rowPaints.size() >= 179, qPrintable(QString::number(rowPaints.size())));
    for (qsizetype i = 1; i < rowPaints.size(); ++i)
        QCOMPARE(rowPaints.at(i), rowPaints.at(i - 1) + 1);
    QCOMPARE(rowPaints.constLast(), 180);
}

void TitleWindowTest::mainWindowOnlyWhenTheTimerFires() {
    Title t(sources(QSize(600, 400), QSize(426, 180), qRgb(9, 9, 9), qRgb(9, 9, 9)));
    t.window.load();
    QCOMPARE(t.mainWindowShown, 0);
    QVERIFY(t.timer()->isActive());
    QVERIFY(t.timer()->isSingleShot());
    QCOMPARE(t.timer()->interval(), 5000);

    t.window.finish();
    QCOMPARE(t.mainWindowShown, 1);
    QVERIFY(!t.window.isVisible());
    QVERIFY(!t.timer()->isActive());
    QCOMPARE(t.platform.messages(), QStringList{});
}

void TitleWindowTest::shortIntervalEndsTheTitleOnce() {
    Title t(sources(QSize(600, 400), QSize(426, 180), qRgb(9, 9, 9), qRgb(9, 9, 9)), 1);
    QSignalSpy fired(t.timer(), &QTimer::timeout);
    t.window.load();
    QTRY_COMPARE(t.mainWindowShown, 1);
    QVERIFY(!t.window.isVisible());
    QVERIFY(!t.timer()->isActive());
    QCOMPARE(fired.size(), 1);
}

void TitleWindowTest::loadFailureEndsTheApplication_data() {
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<bool>("picture");
    QTest::addColumn<QString>("message");
    QTest::newRow("no screen") << QSize() << true << "Internal error 68 has occured";
    QTest::newRow("no title picture")
        << QSize(600, 400) << false << "Internal error 481 has occured";
}

void TitleWindowTest::loadFailureEndsTheApplication() {
    QFETCH(QSize, screen);
    QFETCH(bool, picture);
    QFETCH(QString, message);
    TitleSources s = sources(screen, QSize(426, 180), qRgb(9, 9, 9), qRgb(9, 9, 9));
    if (!picture) s.picture = [] { return QImage(); };
    Title t(s);
    t.window.load();
    QCOMPARE(t.platform.messages(), QStringList{message});
    QCOMPARE(t.platform.exitCode(), std::optional<int>(1));
    QVERIFY(!t.timer()->isActive());
    QCOMPARE(t.mainWindowShown, 0);
}

void TitleWindowTest::overflowStopsTheDrawingButNotTheTimer() {
    const QRgb colour = qRgb(50, 60, 70);
    Title t(sources(QSize(600, 400), QSize(426, 180), colour, colour));
    t.window.load();
    QVERIFY(t.timer()->isActive());
    QSignalSpy ended(&t.window, &TitleWindow::drawingEnded);
    // The second pixel's column passes the largest coordinate there is.
    t.window.drawPicture(std::numeric_limits<int32_t>::max(), 0, pixa::ui::kMagenta);
    QCOMPARE(ended.size(), 1);
    QCOMPARE(t.platform.messages(), QStringList{"An internal error : 6 has occured"});
    QVERIFY(!t.platform.applicationEnded());
    QVERIFY(t.timer()->isActive());
    t.window.finish();
    QCOMPARE(t.mainWindowShown, 1);
}

void TitleWindowTest::noMaskCopiesEveryPixel() {
    Title t(sources(QSize(600, 400), QSize(426, 180), kMagentaRgb, kMagentaRgb));
    t.window.load();
    QCOMPARE(t.window.surface().pixel(300, 200), kDesktop);
    PaintRecorder recorder(t.window);
    t.window.drawPicture(0, 0, pixa::ui::kNoMask);
    QCOMPARE(t.window.surface().pixel(0, 0), kMagentaRgb);
    QCOMPARE(t.window.surface().pixel(425, 179), kMagentaRgb);
    QCOMPARE(t.window.surface().pixel(426, 180), kDesktop);
    // No yield while copying: nothing was painted in between.
    QCOMPARE(recorder.rects.size(), 0);
}

void TitleWindowTest::closingTheTitleEndsTheApplication() {
    Title t(sources(QSize(600, 400), QSize(426, 180), qRgb(9, 9, 9), qRgb(9, 9, 9)));
    t.window.load();
    t.window.close();
    QCOMPARE(t.platform.exitCode(), std::optional<int>(0));
    QCOMPARE(t.mainWindowShown, 0);
}

void TitleWindowTest::shippedPictureHasTheMaskAroundIt() {
    const QImage picture = pixa::ui::titlePicture();
    QCOMPARE(picture.size(), QSize(426, 180));
    QVERIFY(!picture.hasAlphaChannel());
    // The corners let the desktop through; the middle of the plate does not.
    QCOMPARE(picture.pixel(0, 0), kMagentaRgb);
    QCOMPARE(picture.pixel(425, 0), kMagentaRgb);
    QCOMPARE(picture.pixel(425, 179), kMagentaRgb);
    QVERIFY(picture.pixel(300, 170) != kMagentaRgb);
    // Nothing pinkish at the edges: every pixel is the mask exactly or far from it.
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            if (p == kMagentaRgb) continue;
            const bool nearMagenta = qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) > 200;
            if (nearMagenta) QFAIL(qPrintable(QStringLiteral("pink at %1,%2").arg(x).arg(y)));
        }
    }
}

QTEST_MAIN(TitleWindowTest)
#include "title_window_test.moc"
