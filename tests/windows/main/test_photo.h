// A photo-like picture drawn by code (sky, sun, hills, a lake, trees, a house), for window tests,
// screenshots and benchmarks.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace pixatest {

// Adds a camera's noise to every pixel, the same every time.
inline void addGrain(QImage& image) {
    quint32 seed = 1;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int d = int(seed >> 26) - 32;
            row[x] =
                qRgb(std::clamp(qRed(row[x]) + d, 0, 255), std::clamp(qGreen(row[x]) + d, 0, 255),
                     std::clamp(qBlue(row[x]) + d, 0, 255));
        }
    }
}

inline QImage photoLike(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size.width() / 1000.0, size.height() / 750.0);

    QLinearGradient sky(0, 0, 0, 420);
    sky.setColorAt(0, QColor(38, 92, 170));
    sky.setColorAt(0.7, QColor(150, 196, 236));
    sky.setColorAt(1, QColor(250, 214, 170));
    p.fillRect(QRectF(0, 0, 1000, 750), sky);

    QRadialGradient sun(760, 170, 90);
    sun.setColorAt(0, QColor(255, 250, 210));
    sun.setColorAt(0.35, QColor(255, 228, 120));
    sun.setColorAt(1, QColor(255, 228, 120, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(760, 170), 90, 90);

    const auto hill = [&p](double baseY, double peak, double shift, QColor near, QColor far) {
        QPainterPath path;
        path.moveTo(0, 750);
        path.lineTo(0, baseY);
        for (int x = 0; x < 1000; x += 10) {
            const double rise = 0.55 + 0.3 * std::sin(x / 97.0 + shift) + 0.15 * std::sin(x / 23.0);
            path.lineTo(x + 10, baseY - peak * rise);
        }
        path.lineTo(1000, 750);
        QLinearGradient shade(0, baseY - peak, 0, 750);
        shade.setColorAt(0, far);
        shade.setColorAt(1, near);
        p.fillPath(path, shade);
    };
    hill(380, 160, 10, QColor(70, 110, 120), QColor(120, 150, 170));
    hill(450, 120, -15, QColor(40, 110, 50), QColor(90, 150, 80));

    QLinearGradient lake(0, 520, 0, 750);
    lake.setColorAt(0, QColor(90, 150, 200));
    lake.setColorAt(1, QColor(20, 60, 110));
    p.setBrush(lake);
    p.drawEllipse(QRectF(80, 540, 560, 150));

    for (int i = 0; i < 14; ++i) {
        const double x = 40 + i * 70 + (i % 3) * 11;
        const double y = 500 + (i % 4) * 12;
        p.setBrush(QColor(90, 60, 30));
        p.drawRect(QRectF(x - 4, y, 8, 40));
        p.setBrush(QColor(20 + i * 5, 90 + (i % 5) * 12, 40));
        p.drawEllipse(QPointF(x, y - 10), 26, 34);
    }

    p.setBrush(QColor(236, 226, 200));
    p.drawRect(QRectF(700, 470, 150, 100));
    p.setBrush(QColor(170, 50, 40));
    QPolygonF roof;
    roof << QPointF(690, 472) << QPointF(775, 410) << QPointF(860, 472);
    p.drawPolygon(roof);
    p.setBrush(QColor(80, 60, 50));
    p.drawRect(QRectF(760, 515, 26, 55));
    p.setBrush(QColor(120, 180, 220));
    p.drawRect(QRectF(715, 490, 30, 24));
    p.drawRect(QRectF(805, 490, 30, 24));
    return image;
}

// A JPEG whose frame header is made to claim 12000 × 12000 pixels.
inline QByteArray claimingHuge(QByteArray bytes) {
    for (const char marker : {'\xC0', '\xC2'}) {
        const qsizetype at = bytes.indexOf(QByteArray("\xFF", 1) + marker);
        if (at >= 0) bytes.replace(at + 5, 4, QByteArray("\x2E\xE0\x2E\xE0", 4));
    }
    return bytes;
}

} // namespace pixatest
