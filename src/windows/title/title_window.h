// The start-up title window: the title picture drawn row by row over a frozen image of the
// desktop, then, when its one timer fires, the main window.
#pragma once

#include "ui/artwork.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>

class QTimer;

namespace pixa::ui {

class Platform;

inline constexpr int kTitleIntervalMs = 5000;

// The colour value a drawing call compares pixels with: red + green × 256 + blue × 65536.
constexpr int32_t rgbValue(int red, int green, int blue) {
    return red + green * 256 + blue * 65536;
}
inline constexpr int32_t kMagenta = rgbValue(255, 0, 255);
// As a mask colour: copy every pixel, with no colour test and no yields.
inline constexpr int32_t kNoMask = -1;

// What the title is drawn over: the screen's size and the desktop as it looked at start; the
// image is null where the platform gives no picture of the screen (some Wayland sessions).
struct DesktopPicture {
    QSize screenSize;
    QImage image;
};

// The primary screen's desktop through Qt's screen grab.
DesktopPicture grabDesktop();

// Where the title window takes its pictures; tests hand in their own.
struct TitleSources {
    std::function<DesktopPicture()> desktop = grabDesktop;
    std::function<QImage()> picture = titlePicture;
};

class TitleWindow : public QWidget {
    Q_OBJECT
public:
    // `timerDone` shows the main window, loading it first when it is not loaded.
    TitleWindow(Platform& platform, std::function<void()> timerDone,
                int intervalMs = kTitleIntervalMs, TitleSources sources = {});

    // Covers the screen with the frozen desktop, draws the title centred on it and arms the
    // timer. A failure before the drawing ends the application.
    void load();
    // Copies the picture pixel by pixel onto the surface at (`left`, `top`), leaving the pixels
    // of `maskColour` alone, repainting and yielding after each row.
    void drawPicture(int32_t left, int32_t top, int32_t maskColour);
    // Ends the title: hides it for good and shows the main window.
    void finish();

    // What the window shows, and the picture it draws; both are let go once the title ends.
    const QImage& surface() const { return m_surface; }
    const QImage& picture() const { return m_picture; }

signals:
    // The first paint of the window has been done: the title screen is on screen.
    void shownOnScreen();
    // A drawing call ran to its end or stopped at a failure, after `nanoseconds`.
    void drawingEnded(qint64 nanoseconds);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    Platform& m_platform;
    std::function<void()> m_timerDone;
    int m_intervalMs;
    TitleSources m_sources;
    QImage m_surface;
    bool m_painted = false;

    QImage m_picture;
    QTimer* m_timer;
};

} // namespace pixa::ui
