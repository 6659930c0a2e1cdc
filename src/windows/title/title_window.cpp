#include "windows/title/title_window.h"

#include "core/error.h"
#include "core/error_table.h"
#include "ui/error_report.h"
#include "ui/platform.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <limits>
#include <new>

namespace pixa::ui {
namespace {

// Where the platform gives no picture of the desktop.
const QColor kDarkBackdrop(18, 20, 28);

int32_t toInt32(int64_t value) {
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        throw Failure(err::Overflow);
    return static_cast<int32_t>(value);
}

// Half of `difference`, rounded to the nearest integer with halves going to the even one.
int32_t centredOffset(int64_t difference) {
    const int64_t lower = (difference - (difference & 1)) / 2;
    if ((difference & 1) == 0 || lower % 2 == 0) return toInt32(lower);
    return toInt32(lower + 1);
}

int32_t checkedSum(int32_t a, int32_t b) {
    int32_t sum;
    if (__builtin_add_overflow(a, b, &sum)) throw Failure(err::Overflow);
    return sum;
}

int32_t valueOf(QRgb pixel) {
    return rgbValue(qRed(pixel), qGreen(pixel), qBlue(pixel));
}

} // namespace

DesktopPicture grabDesktop() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    DesktopPicture desktop{screen->geometry().size(), {}};
    const QPixmap grab = screen->grabWindow(0);
    if (grab.isNull()) return desktop;
    desktop.image = grab.toImage();
    // A scaled screen grabs more pixels than the window has; the window works in its own.
    if (desktop.image.size() != desktop.screenSize)
        desktop.image = desktop.image.scaled(desktop.screenSize, Qt::IgnoreAspectRatio,
                                             Qt::SmoothTransformation);
    return desktop;
}

TitleWindow::TitleWindow(Platform& platform, std::function<void()> timerDone, int intervalMs,
                         TitleSources sources)
    : m_platform(platform), m_timerDone(std::move(timerDone)), m_intervalMs(intervalMs),
      m_sources(std::move(sources)) {
    setObjectName(QStringLiteral("TitleWindow"));
    setWindowTitle(kAppTitle);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    // Every pixel comes from the surface: nothing to clear first, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &TitleWindow::Timer1_Timer);
}

void TitleWindow::Form_Load() {
    int32_t dest_x = 0;
    int32_t dest_y = 0;
    int32_t mask_color = 0;
    try {
        const DesktopPicture desktop = m_sources.desktop();
        if (desktop.screenSize.isEmpty()) throw Failure(err::DeviceUnavailable, "no screen");
        m_surface = QImage(desktop.screenSize, QImage::Format_RGB32);
        if (m_surface.isNull()) throw Failure(err::OutOfMemory);
        m_surface.fill(kDarkBackdrop);
        if (!desktop.image.isNull()) {
            QPainter painter(&m_surface);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(0, 0, desktop.image);
        }
        resize(m_surface.size());
        showFullScreen();

        Picture1 = m_sources.picture();
        if (Picture1.isNull()) throw Failure(err::InvalidPicture, "no title picture");
        Picture1 = Picture1.convertToFormat(QImage::Format_RGB32);
        if (Picture1.isNull()) throw Failure(err::OutOfMemory);

        dest_x = centredOffset(int64_t(m_surface.width()) - Picture1.width());
        dest_y = centredOffset(int64_t(m_surface.height()) - Picture1.height());
        mask_color = kMagenta;
    } catch (const Failure& failure) {
        m_platform.message(this,
                           QStringLiteral("Internal error %1 has occured").arg(failure.number()));
        m_platform.endApplication(1);
        return;
    } catch (const std::bad_alloc&) {
        m_platform.message(this,
                           QStringLiteral("Internal error %1 has occured").arg(err::OutOfMemory));
        m_platform.endApplication(1);
        return;
    }

    myimagelistdraw(*this, dest_x, dest_y, mask_color);

    Timer1->setInterval(m_intervalMs);
    Timer1->start();
}

void TitleWindow::myimagelistdraw(TitleWindow& destobj, int32_t dest_x, int32_t dest_y,
                                  int32_t mask_color) {
    QElapsedTimer clock;
    clock.start();
    const bool masked = mask_color != kNoMask;
    QImage& surface = destobj.m_surface;
    try {
        for (int i = 0; i < Picture1.height(); ++i) {
            const auto* source = reinterpret_cast<const QRgb*>(Picture1.constScanLine(i));
            for (int j = 0; j < Picture1.width(); ++j) {
                const QRgb pixel = source[j];
                if (masked && valueOf(pixel) == mask_color) continue;
                const int32_t x = checkedSum(j, dest_x);
                const int32_t y = checkedSum(i, dest_y);
                // Off the surface a pixel is lost, as on any screen.
                if (x < 0 || y < 0 || x >= surface.width() || y >= surface.height()) continue;
                reinterpret_cast<QRgb*>(surface.scanLine(y))[x] = pixel;
            }
            if (!masked) continue;
            // The finished row, then the yield that lets it reach the screen.
            const int64_t row = int64_t(i) + dest_y;
            if (row >= 0 && row < surface.height()) destobj.update(0, int(row), surface.width(), 1);
            QCoreApplication::processEvents();
        }
        if (!masked) destobj.update();
    } catch (const Failure& failure) {
        reportError(m_platform, this, ErrorVariant::Sequential, failure);
    } catch (const std::bad_alloc&) {
        reportError(m_platform, this, ErrorVariant::Sequential, Failure(err::OutOfMemory));
    }
    emit drawingEnded(clock.nsecsElapsed());
}

void TitleWindow::Timer1_Timer() {
    Timer1->stop();
    hide();
    // Never shown again: the screen-sized surface is not kept for nothing.
    m_surface = QImage();
    Picture1 = QImage();
    if (m_timerDone) m_timerDone();
}

void TitleWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (!m_surface.rect().contains(event->rect())) painter.fillRect(event->rect(), kDarkBackdrop);
    painter.drawImage(event->rect(), m_surface, event->rect());
    painter.end();
    if (!m_painted) {
        m_painted = true;
        emit shownOnScreen();
    }
}

void TitleWindow::closeEvent(QCloseEvent* event) {
    // Closing the start-up screen closes the application: nothing else is open yet.
    event->ignore();
    m_platform.endApplication(0);
}

} // namespace pixa::ui
