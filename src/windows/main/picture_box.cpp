#include "windows/main/picture_box.h"

#include "core/error.h"
#include "ui/image_button.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScopeGuard>

#include <cmath>
#include <utility>

namespace pixa::ui {

namespace {

QImage scaledSmoothly(const QImage& picture, QSize shown, double ratio) {
    QImage scaled = picture.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull()) throw Failure(err::OutOfMemory, "reducing the photo");
    scaled.setDevicePixelRatio(ratio);
    return scaled;
}

} // namespace

PictureBox::PictureBox(QWidget* frame) : QWidget(frame) {
    setObjectName(QStringLiteral("pictureBox"));
    resize(0, 0);
}

void PictureBox::setPicture(QImage picture) {
    const QSize size = picture.size();
    setPicture(std::move(picture), size);
}

void PictureBox::setPicture(QImage picture, QSize shown, Scaling scaling, QSizeF extent) {
    m_picture = std::move(picture);
    m_shown = shown;
    m_extent = extent.isEmpty() ? QSizeF(m_picture.size()) : extent;
    m_scaling = scaling;
    m_scaled = {};
    m_filledRows = m_picture.height();
    // A photo without transparency covers its box; nothing behind it needs painting.
    setAttribute(Qt::WA_OpaquePaintEvent, !m_picture.hasAlphaChannel());
    // On a high-density screen an odd count of device pixels ends half way through the box's
    // last column or row: the box takes it whole and paints the rest as the frame.
    const double ratio = devicePixelRatioF();
    resize(int(std::ceil(shown.width() / ratio)), int(std::ceil(shown.height() / ratio)));
    update();
}

bool PictureBox::shows(const QImage& picture, QSize shown, Scaling scaling) const {
    return picture.cacheKey() == m_picture.cacheKey() && shown == m_shown && scaling == m_scaling;
}

QImage PictureBox::shownPicture() const {
    if (m_scaling == Scaling::Sharp || m_picture.isNull()) return m_picture;
    if (m_scaling == Scaling::Smooth)
        return scaledSmoothly(m_picture, m_shown, devicePixelRatioF());
    if (m_scaled.size() != m_shown)
        m_scaled = scaledSmoothly(m_picture, m_shown, devicePixelRatioF());
    return m_scaled;
}

const QImage& PictureBox::painted() const {
    if (m_scaling != Scaling::Whole || m_picture.isNull()) return m_picture;
    if (m_scaled.size() != m_shown) {
        m_scaled = m_picture.scaled(m_shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_scaled.setDevicePixelRatio(devicePixelRatioF());
    }
    // Out of memory for it: the picture is sampled as it is painted instead.
    return m_scaled.isNull() ? m_picture : m_scaled;
}

QPointF PictureBox::scale() const {
    const double ratio = devicePixelRatioF();
    const QSizeF painted = m_scaling == Scaling::Smooth ? m_extent : QSizeF(this->painted().size());
    return {m_shown.width() / ratio / painted.width(), m_shown.height() / ratio / painted.height()};
}

void PictureBox::setFilledRows(int rows) {
    const int before = std::exchange(m_filledRows, rows);
    if (rows <= before) return;
    const double down = scale().y();
    const int top = int(std::floor(before * down));
    update(QRect(0, top, width(), int(std::ceil(rows * down)) - top));
}

void PictureBox::paintEvent(QPaintEvent* event) {
    // Only the part the frame lets through is drawn, whatever the photo's size.
    QPainter painter(this);
    // The frame's focus shows over the photo, which covers the frame.
    const auto focus = qScopeGuard([&] {
        if (parentWidget()->hasFocus())
            drawFocusRing(painter, QRectF(-pos(), parentWidget()->size()));
    });
    QRect exposed = event->rect();
    if (m_picture.isNull()) return;
    if (QSizeF(m_shown) != QSizeF(size()) * devicePixelRatioF())
        painter.fillRect(exposed, parentWidget()->palette().window());
    const QImage& picture = painted();
    const double sx = scale().x();
    const double sy = scale().y();
    if (m_filledRows < picture.height()) {
        // Still decoding: what is below the decoded rows is not yet a picture.
        const int filled = int(std::floor(m_filledRows * sy));
        const QRect unfilled = exposed.intersected(QRect(0, filled, width(), height()));
        if (!unfilled.isEmpty()) painter.fillRect(unfilled, parentWidget()->palette().window());
        exposed = exposed.intersected(QRect(0, 0, width(), filled));
        if (exposed.isEmpty()) return;
    }
    if (sx == 1 && sy == 1) {
        painter.drawImage(exposed.topLeft(), picture, exposed);
        return;
    }
    if (m_scaling == Scaling::Smooth || (&picture == &m_picture && m_scaling == Scaling::Whole)) {
        // Each device pixel sampled from the picture at its own place, so that parts exposed
        // apart (a scroll's strip) meet without a seam.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(exposed), picture,
                          QRectF(exposed.x() / sx, exposed.y() / sy, exposed.width() / sx,
                                 exposed.height() / sy));
        return;
    }
    // Enlarged, or on a high-density screen: the whole source pixels under the exposed part,
    // each drawn as a block (no smoothing hint, so the painter takes the nearest pixel).
    const QRect source =
        QRectF(exposed.x() / sx, exposed.y() / sy, exposed.width() / sx, exposed.height() / sy)
            .toAlignedRect()
            .intersected(picture.rect());
    painter.drawImage(
        QRectF(source.x() * sx, source.y() * sy, source.width() * sx, source.height() * sy),
        picture, source);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    // The back and forward buttons step through the photos: the window's.
    if (event->button() == Qt::BackButton || event->button() == Qt::ForwardButton) {
        event->ignore();
        return;
    }
    emit mouseDown(event->position());
    event->accept();
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMove(event->position());
    event->accept();
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseUp();
    event->accept();
}

} // namespace pixa::ui
