// What the photo frame shows, against the photo resampled from all its pixels: the view tests'
// check of a fitted, reduced or enlarged photo.
#pragma once

#include "main_harness.h"

#include <QPainter>

#include <cstdlib>

namespace pixatest {

// The photo resampled from all its pixels where the picture box lies in the frame, in the
// frame's coordinates: reduced smoothly by area, enlarged by a smooth transform of only the part
// the frame shows (the whole enlarged photo would be a gigabyte at 8 times).
inline QImage resampledInFrame(const MainHarness& h, const QImage& photo) {
    const QWidget* box = h.control("pictureBox");
    QImage reference(h.control("photoFrame")->size(), QImage::Format_RGB32);
    reference.fill(Qt::black);
    QPainter painter(&reference);
    if (box->width() <= photo.width()) {
        painter.drawImage(box->pos(), photo.scaled(box->size(), Qt::IgnoreAspectRatio,
                                                   Qt::SmoothTransformation));
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(box->geometry()), photo);
    }
    return reference;
}

// The mean difference of a channel between what the frame shows of the picture box and
// `reference`, in the frame's coordinates.
inline double meanDifference(const MainHarness& h, const QImage& reference) {
    const QWidget* box = h.control("pictureBox");
    const QImage seen = h.control("photoFrame")->grab().toImage();
    const QRect shown = seen.rect().intersected(box->geometry());
    qint64 sum = 0;
    for (int y = shown.top(); y <= shown.bottom(); ++y) {
        for (int x = shown.left(); x <= shown.right(); ++x) {
            const QRgb a = seen.pixel(x, y);
            const QRgb b = reference.pixel(x, y);
            sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                   std::abs(qBlue(a) - qBlue(b));
        }
    }
    return double(sum) / (3.0 * shown.width() * shown.height());
}

} // namespace pixatest
