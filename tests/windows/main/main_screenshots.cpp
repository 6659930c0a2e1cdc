// Renders the main window with a large photo, scrolled and then fitted, and on a 1920 × 1080
// screen maximized with the photo fitted in the frame's middle, full screen (the photo alone on
// black, then with the controls the pointer at the top edge shows), and zoomed in, into PNG files;
// at 200 % the window at its own size alone, into the same names with "@2x".
#include "big_screen.h"
#include "main_harness.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QWheelEvent>

#include <cstdio>

using namespace pixatest;

int main(int argc, char** argv) {
    QTemporaryDir screen;
    useOffscreenScreen(screen, QSize(1920, 1080));
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString scale = app.devicePixelRatio() == 2 ? QStringLiteral("@2x") : QString();

    MainHarness h;
    const auto save = [&](const char* name) {
        h.window.grab().save(out.filePath(QLatin1String(name) + scale + QLatin1String(".png")));
    };
    if (!h.start()) return 1;
    h.open(h.picture(QStringLiteral("lake.jpg"), {QSize(2400, 1800), "jpeg"}), 3);
    if (!h.platform.messages().isEmpty()) return 1;
    h.bar("horizontalScrollBar")->setValue(1400);
    h.bar("verticalScrollBar")->setValue(850);
    h.control<QLineEdit>("captionEdit")->setText(QStringLiteral("The lake house, summer evening"));
    save("main-window-scrolled");

    h.window.fitToWindow();
    save("main-window-fitted");
    if (!scale.isEmpty()) return 0;

    h.window.showMaximized();
    if (!QTest::qWaitFor([&] { return h.window.width() > 800; })) return 1;
    save("main-window-maximized");

    QTest::keyClick(&h.window, Qt::Key_F11);
    if (!QTest::qWaitFor([&] { return h.window.width() == 1920 && h.window.height() == 1080; }))
        return 1;
    save("main-window-full-screen");
    QTest::mouseMove(h.window.windowHandle(), QPoint(960, 0));
    save("main-window-full-screen-controls");

    // Maximized again and fitted, then twelve notches of Ctrl+wheel over the house: four times
    // its size, in sharp pixels.
    QTest::keyClick(&h.window, Qt::Key_Escape);
    if (!QTest::qWaitFor([&] { return !h.window.isFullScreen(); })) return 1;
    h.window.fitToWindow();
    QWidget* frame = h.window.findChild<QWidget*>(QStringLiteral("photoFrame"));
    const QPointF at(1290, 600);
    for (int notch = 0; notch < 12; ++notch) {
        QWheelEvent wheel(at, frame->mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(frame, &wheel);
    }
    save("main-window-zoomed");
    return 0;
}
