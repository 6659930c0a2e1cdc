#include "windows/main/photo_pyramid.h"

#include "ui/platform.h"

#include <QMetaObject>

#include <cstdint>
#include <mutex>
#include <system_error>
#include <vector>

namespace pixa::ui {

struct PhotoPyramid::Levels {
    mutable std::mutex mutex;
    std::vector<QImage> images; // 1/2, 1/4, ... of the photo
};

namespace {

// Rows of a halving between two looks at a stop: a stopped making ends within a millisecond.
constexpr int kRowsBetweenStops = 16;

// The mean of four pixels, each channel rounded; premultiplied pixels average as they are.
inline uint32_t mean4(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    constexpr uint32_t kEven = 0x00ff00ff;
    const uint32_t rb = (a & kEven) + (b & kEven) + (c & kEven) + (d & kEven) + 0x00020002;
    const uint32_t ag = ((a >> 8) & kEven) + ((b >> 8) & kEven) + ((c >> 8) & kEven) +
                        ((d >> 8) & kEven) + 0x00020002;
    return ((rb >> 2) & kEven) | ((ag << 6) & ~kEven);
}

bool averagedAsIs(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
}

// `from` at half its width and height, each pixel the mean of the four it covers (a last odd
// column or row is left out); null when stopped or out of memory. Pixels of another layout are
// first converted, some rows at a time.
QImage halved(const QImage& from, std::stop_token stop) {
    const QImage::Format format = averagedAsIs(from.format()) ? from.format()
                                  : from.hasAlphaChannel()    ? QImage::Format_ARGB32_Premultiplied
                                                              : QImage::Format_RGB32;
    QImage half(from.width() / 2, from.height() / 2, format);
    if (half.isNull()) return {};
    for (int top = 0; top < half.height(); top += kRowsBetweenStops) {
        if (stop.stop_requested()) return {};
        const int rows = std::min(kRowsBetweenStops, half.height() - top);
        const QImage band =
            averagedAsIs(from.format())
                ? from
                : from.copy(0, top * 2, from.width(), rows * 2).convertToFormat(format);
        if (band.isNull()) return {};
        const int bandTop = averagedAsIs(from.format()) ? top * 2 : 0;
        for (int y = 0; y < rows; ++y) {
            const auto* upper =
                reinterpret_cast<const uint32_t*>(band.constScanLine(bandTop + y * 2));
            const auto* lower =
                reinterpret_cast<const uint32_t*>(band.constScanLine(bandTop + y * 2 + 1));
            auto* out = reinterpret_cast<uint32_t*>(half.scanLine(top + y));
            for (int x = 0; x < half.width(); ++x)
                out[x] = mean4(upper[2 * x], upper[2 * x + 1], lower[2 * x], lower[2 * x + 1]);
        }
    }
    return half;
}

} // namespace

PhotoPyramid::PhotoPyramid(WorkList& work, QObject* parent)
    : QObject(parent), m_work(work), m_levels(std::make_shared<Levels>()) {}

PhotoPyramid::~PhotoPyramid() {
    stop();
}

void PhotoPyramid::stop() {
    m_stop.request_stop();
    // The making looks at the stop every few rows: waiting for it is short.
    if (m_making.valid()) m_making.wait();
    m_making = {};
    m_work.remove(this);
}

void PhotoPyramid::build(QImage photo) {
    stop();
    ++m_generation;
    m_levels = std::make_shared<Levels>();
    m_complete = photo.isNull();
    if (photo.isNull()) return;
    m_stop = std::stop_source();
    // The making ends before this object goes (stop()), and a report posted meanwhile goes with it.
    const auto report = [self = this, generation = m_generation](bool last) {
        QMetaObject::invokeMethod(
            self, [self, generation, last] { self->made(generation, last); }, Qt::QueuedConnection);
    };
    const auto make = [levels = m_levels, report](QImage from, std::stop_token stop) {
        while (from.width() >= 2 && from.height() >= 2) {
            QImage half = halved(from, stop);
            if (half.isNull()) break;
            {
                const std::lock_guard lock(levels->mutex);
                levels->images.push_back(half);
            }
            from = std::move(half);
            report(false);
        }
        report(true);
    };
    try {
        m_making = std::async(std::launch::async, make, std::move(photo), m_stop.get_token());
        m_work.add(this, m_stop);
    } catch (const std::system_error&) {
        // No thread for it: the views are made from the photo itself.
        m_complete = true;
    }
}

void PhotoPyramid::made(int generation, bool last) {
    if (generation != m_generation) return;
    if (last) {
        m_complete = true;
        m_work.remove(this);
    }
    emit levelMade();
}

QImage PhotoPyramid::levelFor(QSize size) const {
    const std::lock_guard lock(m_levels->mutex);
    QImage best;
    for (const QImage& level : m_levels->images) {
        if (level.width() < size.width() || level.height() < size.height()) break;
        best = level;
    }
    return best;
}

bool PhotoPyramid::complete() const {
    return m_complete;
}

} // namespace pixa::ui
