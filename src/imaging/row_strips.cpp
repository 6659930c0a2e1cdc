#include "imaging/row_strips.h"

#include <algorithm>
#include <climits>

namespace pixa {

bool RowStrips::topFirst() const {
    return int64_t(m_picture.width()) * m_picture.height() >= kStripDecodePixels;
}

void RowStrips::allocate(QSize size, bool alpha, uint64_t extraBytes) {
    const uint64_t pixels = uint64_t(size.width()) * uint64_t(size.height());
    requireDecodeBudget(m_path, size.width(), size.height(), pixels * 4 + extraBytes);
    m_alpha = alpha;
    m_picture = pictureOnLargePages(size, alpha ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_RGB32);
    if (m_picture.isNull()) outOfMemory(m_path);
}

void RowStrips::decode(int rows) {
    const int first = m_rowsDone;
    decodeTo(int(std::min<int64_t>(m_picture.height(), int64_t(first) + rows)));
    if (!m_alpha) return;
    // Premultiplied as Qt converts the straight alpha its readers give, pixel for pixel.
    for (int y = first; y < m_rowsDone; ++y) {
        auto* row = reinterpret_cast<QRgb*>(writableRow(y));
        for (int x = 0; x < m_picture.width(); ++x)
            row[x] = qPremultiply(row[x]);
    }
}

QImage RowStrips::reduced(QSize atLeast) {
    const int denom = scaleDenominator(m_picture.size(), atLeast);
    if (m_reducedDenom != denom) {
        decode(INT_MAX);
        const QSize size((m_picture.width() + denom - 1) / denom,
                         (m_picture.height() + denom - 1) / denom);
        m_reduced = m_picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (m_reduced.isNull()) outOfMemory(m_path);
        m_reducedDenom = denom;
    }
    return m_reduced;
}

} // namespace pixa
