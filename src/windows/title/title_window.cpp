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
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("timer"));
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &TitleWindow::finish);
}

void TitleWindow::load() {
    int32_t left = 0;
    int32_t top = 0;
    int32_t maskColour = 0;
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

        m_picture = m_sources.picture();
        if (m_picture.isNull()) throw Failure(err::InvalidPicture, "no title picture");
        m_picture = m_picture.convertToFormat(QImage::Format_RGB32);
        if (m_picture.isNull()) throw Failure(err::OutOfMemory);

        left = centredOffset(int64_t(m_surface.width()) - m_picture.width());
        top = centredOffset(int64_t(m_surface.height()) - m_picture.height());
        maskColour = kMagenta;
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

    drawPicture(left, top, maskColour);

    m_timer->setInterval(m_intervalMs);
    m_timer->start();
}

void TitleWindow::drawPicture(int32_t left, int32_t top, int32_t maskColour) {
    QElapsedTimer clock;
    clock.start();
    const bool masked = maskColour != kNoMask;
    QImage& surface = m_surface;
    try {
        for (int i = 0; i < m_picture.height(); ++i) {
            const auto* source = reinterpret_cast<const QRgb*>(m_picture.constScanLine(i));
            for (int j = 0; j < m_picture.width(); ++j) {
                const QRgb pixel = source[j];
                if (masked && valueOf(pixel) == maskColour) continue;
                const int32_t x = checkedSum(j, left);
                const int32_t y = checkedSum(i, top);
                // Off the surface a pixel is lost, as on any screen.
                if (x < 0 || y < 0 || x >= surface.width() || y >= surface.height()) continue;
                reinterpret_cast<QRgb*>(surface.scanLine(y))[x] = pixel;
            }
            if (!masked) continue;
            // The finished row, then the yield that lets it reach the screen.
            const int64_t row = int64_t(i) + top;
            if (row >= 0 && row < surface.height()) update(0, int(row), surface.width(), 1);
            QCoreApplication::processEvents();
        }
        if (!masked) update();
    } catch (const Failure& failure) {
        reportError(m_platform, this, ErrorVariant::Sequential, failure);
    } catch (const std::bad_alloc&) {
        reportError(m_platform, this, ErrorVariant::Sequential, Failure(err::OutOfMemory));
    }
    emit drawingEnded(clock.nsecsElapsed());
}

void TitleWindow::finish() {
    m_timer->stop();
    hide();
    // Never shown again: the screen-sized surface is not kept for nothing.
    m_surface = QImage();
    m_picture = QImage();
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
