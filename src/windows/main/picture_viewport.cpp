#include "windows/main/picture_viewport.h"

#include "core/error.h"
#include "ui/image_button.h"
#include "ui/window_base.h"
#include "windows/main/zoom_steps.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScopeGuard>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <utility>

namespace pixa::ui {

namespace {

constexpr QRect kFrame = fromTwips(210, 1680, 11550, 6960);
constexpr int kHScrollHeight = 240 / 15;
constexpr int kVScrollWidth = 210 / 15;
// One arrow click or arrow key moves the photo this far.
constexpr int kScrollStep = 40;

// Halves to even, as the drag's arithmetic asks.
int nearest(double value) {
    return static_cast<int>(std::nearbyint(value));
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

void PictureBox::setPicture(QImage picture, QSize shown) {
    m_picture = std::move(picture);
    m_shown = shown;
    m_filledRows = m_picture.height();
    // A photo without transparency covers its box; nothing behind it needs painting.
    setAttribute(Qt::WA_OpaquePaintEvent, !m_picture.hasAlphaChannel());
    // On a high-density screen an odd count of device pixels ends half way through the box's
    // last column or row: the box takes it whole and paints the rest as the frame.
    const double ratio = devicePixelRatioF();
    resize(int(std::ceil(shown.width() / ratio)), int(std::ceil(shown.height() / ratio)));
    update();
}

QPointF PictureBox::scale() const {
    const double ratio = devicePixelRatioF();
    return {m_shown.width() / ratio / m_picture.width(),
            m_shown.height() / ratio / m_picture.height()};
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
    const double sx = scale().x();
    const double sy = scale().y();
    if (m_filledRows < m_picture.height()) {
        // Still decoding, at actual size: what is below the decoded rows is not yet a picture.
        const int filled = int(std::floor(m_filledRows * sy));
        const QRect unfilled = exposed.intersected(QRect(0, filled, width(), height()));
        if (!unfilled.isEmpty()) painter.fillRect(unfilled, parentWidget()->palette().window());
        exposed = exposed.intersected(QRect(0, 0, width(), filled));
        if (exposed.isEmpty()) return;
    }
    if (sx == 1 && sy == 1) {
        painter.drawImage(exposed.topLeft(), m_picture, exposed);
        return;
    }
    // Enlarged, or on a high-density screen: the whole source pixels under the exposed part,
    // each drawn as a block (no smoothing hint, so the painter takes the nearest pixel).
    const QRect source =
        QRectF(exposed.x() / sx, exposed.y() / sy, exposed.width() / sx, exposed.height() / sy)
            .toAlignedRect()
            .intersected(m_picture.rect());
    painter.drawImage(
        QRectF(source.x() * sx, source.y() * sy, source.width() * sx, source.height() * sy),
        m_picture, source);
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

PictureViewport::PictureViewport(QWidget* window) : QObject(window), m_frame(kFrame) {
    m_photoFrame = new QWidget(window);
    m_photoFrame->setObjectName(QStringLiteral("photoFrame"));
    m_photoFrame->setGeometry(kFrame);
    m_photoFrame->setAutoFillBackground(true);
    setOnBlack(false);
    // A click on the photo takes the keyboard from the caption box, so the arrows scroll.
    m_photoFrame->setFocusPolicy(Qt::ClickFocus);
    m_photoFrame->setAccessibleName(QStringLiteral("Photo"));
    m_photoFrame->installEventFilter(this);

    m_pictureBox = new PictureBox(m_photoFrame);
    m_pictureBox->hide();
    m_pictureBox->installEventFilter(this);

    m_horizontalBar = new QScrollBar(Qt::Horizontal, window);
    m_horizontalBar->setObjectName(QStringLiteral("horizontalScrollBar"));
    m_horizontalBar->setAccessibleName(QStringLiteral("Scroll the photo across"));
    m_verticalBar = new QScrollBar(Qt::Vertical, window);
    m_verticalBar->setObjectName(QStringLiteral("verticalScrollBar"));
    m_verticalBar->setAccessibleName(QStringLiteral("Scroll the photo up and down"));
    for (QScrollBar* bar : {m_horizontalBar, m_verticalBar}) {
        bar->setRange(0, 0);
        bar->setSingleStep(kScrollStep);
        bar->setFocusPolicy(Qt::NoFocus);
        bar->hide();
    }
    m_horizontalBar->setPageStep(kFrame.width());
    m_verticalBar->setPageStep(kFrame.height());

    connect(m_horizontalBar, &QScrollBar::valueChanged, this, &PictureViewport::placeBox);
    connect(m_verticalBar, &QScrollBar::valueChanged, this, &PictureViewport::placeBox);
    connect(m_pictureBox, &PictureBox::mouseDown, this, &PictureViewport::dragStarted);
    connect(m_pictureBox, &PictureBox::mouseMove, this, &PictureViewport::dragMoved);
    connect(m_pictureBox, &PictureBox::mouseUp, this, &PictureViewport::dragEnded);
}

void PictureViewport::setPhoto(QImage photo) {
    m_photo = std::move(photo);
    m_reduced = {};
    m_reducedLevel = 0;
    m_filledRows = m_photo.height();
    m_fromPreview = false;
    m_previewShown = {};
    m_pictureBox->setPicture(m_photo);
}

void PictureViewport::setFilledRows(int rows) {
    m_filledRows = rows;
    if (!m_fromPreview) {
        m_pictureBox->setFilledRows(rows);
        return;
    }
    if (!whole()) return;
    // Full detail now: the same view, made from the photo itself.
    m_previewShown = {};
    m_fitted ? fitPhoto() : showAtZoom(m_zoom);
}

void PictureViewport::setPreview(std::function<QImage(QSize)> preview) {
    m_preview = std::move(preview);
}

double PictureViewport::ratio() const {
    return m_photoFrame->devicePixelRatioF();
}

bool PictureViewport::canShow(double zoom) const {
    return whole() || zoom == 1.0 || (zoom < 1.0 && m_preview);
}

void PictureViewport::showPicture() {
    m_pictureBox->show();
}

void PictureViewport::hidePicture() {
    m_pictureBox->hide();
    m_horizontalBar->hide();
    m_verticalBar->hide();
}

const QImage& PictureViewport::shownPicture() const {
    return m_pictureBox->picture();
}

void PictureViewport::reset(bool scrollBarAtWindowEdge) {
    m_barAtWindowEdge = scrollBarAtWindowEdge;
    m_zoom = 1.0;
    m_fitted = false;
    placeScrollBars();
    setRanges();
    m_horizontalBar->setValue(0);
    m_verticalBar->setValue(0);
    placeBox();
    emit zoomChanged();
}

void PictureViewport::placeBox() {
    // Beyond the window's own size, the photo lies in the middle of the frame where it is
    // narrower or lower than the frame, not in a corner beside an empty band.
    const bool centred = m_frame.width() > kFrame.width() || m_frame.height() > kFrame.height();
    const auto along = [centred](const QScrollBar* bar, int box, int frame) {
        if (centred && box < frame) return (frame - box) / 2;
        return bar->isHidden() ? 0 : -bar->value();
    };
    m_pictureBox->move(along(m_horizontalBar, m_pictureBox->width(), m_photoFrame->width()),
                       along(m_verticalBar, m_pictureBox->height(), m_photoFrame->height()));
}

void PictureViewport::placeScrollBars() {
    const QRect frame = m_photoFrame->geometry();
    m_horizontalBar->setGeometry(m_barAtWindowEdge ? 0 : frame.left(), frame.bottom() + 1,
                                 frame.width(), kHScrollHeight);
    m_verticalBar->setGeometry(frame.right() + 1, frame.top(), kVScrollWidth, frame.height());
    m_horizontalBar->setPageStep(frame.width());
    m_verticalBar->setPageStep(frame.height());
}

void PictureViewport::setRanges() {
    // A photo smaller than the frame leaves no range: the bar stays hidden at 0.
    m_horizontalBar->setMaximum(std::max(0, m_pictureBox->width() - m_photoFrame->width()));
    m_verticalBar->setMaximum(std::max(0, m_pictureBox->height() - m_photoFrame->height()));
    showScrollBarsAsNeeded();
}

void PictureViewport::showScrollBarsAsNeeded() {
    m_verticalBar->setVisible(m_pictureBox->height() > m_photoFrame->height());
    m_horizontalBar->setVisible(m_pictureBox->width() > m_photoFrame->width());
}

void PictureViewport::setOnBlack(bool black) {
    QPalette palette = m_photoFrame->palette();
    palette.setColor(QPalette::Window, black ? QColor(Qt::black) : QColor(58, 60, 66));
    m_photoFrame->setPalette(palette);
}

void PictureViewport::setFrame(const QRect& frame) {
    if (frame == m_frame) return;
    m_frame = frame;
    m_photoFrame->setGeometry(frame);
    placeScrollBars();
    if (m_fitted) {
        fitPhoto();
        return;
    }
    if (!hasPhoto()) return;
    // The bars' values are clamped to the new ranges, and the photo follows them.
    setRanges();
    placeBox();
}

void PictureViewport::actualSize() {
    if (!hasPhoto()) return;
    m_fitted = false;
    showAtZoom(1.0);
    setRanges();
    // From the top left corner, with the thumbs where the photo is.
    m_horizontalBar->setValue(0);
    m_verticalBar->setValue(0);
    placeBox();
    emit zoomChanged();
}

void PictureViewport::showAtZoom(double zoom) {
    m_zoom = zoom;
    m_fromPreview = false;
    const QSize shown(std::max(1, nearest(m_photo.width() * zoom)),
                      std::max(1, nearest(m_photo.height() * zoom)));
    if (shown == m_photo.size() || zoom > 1) {
        m_pictureBox->setPicture(m_photo, shown);
        m_pictureBox->setFilledRows(m_filledRows);
        return;
    }
    // Reduced: scaled smoothly once, not on every paint.
    const QImage& from = reductionFor(shown);
    // A preview that could not be made: the decode itself reports the damage.
    if (from.isNull()) return;
    QImage reduced = from.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (reduced.isNull()) throw Failure(err::OutOfMemory, "reducing the photo");
    reduced.setDevicePixelRatio(ratio());
    m_pictureBox->setPicture(std::move(reduced));
}

const QImage& PictureViewport::reductionFor(QSize shown) {
    const auto reducedSize = [this](int level) {
        return QSize(std::max(1, m_photo.width() >> level), std::max(1, m_photo.height() >> level));
    };
    if (!whole()) {
        m_previewShown = m_preview ? m_preview(shown) : QImage();
        m_fromPreview = true;
        return m_previewShown;
    }
    int level = 0;
    while (level < 30 && reducedSize(level + 1).width() >= shown.width() &&
           reducedSize(level + 1).height() >= shown.height()) {
        ++level;
    }
    // Under a quarter of the photo's width the pass over all its pixels is worth keeping.
    if (level < 2) return m_photo;
    if (m_reducedLevel != level) {
        const QImage& from = m_reducedLevel > 0 && m_reducedLevel < level ? m_reduced : m_photo;
        QImage reduced =
            from.scaled(reducedSize(level), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (reduced.isNull()) return m_photo;
        m_reduced = std::move(reduced);
        m_reducedLevel = level;
    }
    return m_reduced;
}

void PictureViewport::fitToWindow() {
    // Without a preview, a fit waits for the whole photo as the zoom does.
    if (!whole() && !m_preview) return;
    m_fitted = true;
    fitPhoto();
}

QSizeF PictureViewport::fittedInFrame(QSize photo) const {
    // The photo at actual size is a device pixel to each of its pixels.
    const float FW = float(m_photoFrame->width() * ratio());
    const float FH = float(m_photoFrame->height() * ratio());
    const float W = float(photo.width());
    const float H = float(photo.height());
    float newWidth = W;
    float newHeight = H;
    if (W > FW || H > FH) {
        const float HW = H * (FW / W); // the height when the width fits the frame
        const float WH = W * (FH / H); // the width when the height fits the frame
        if (HW > FH) {
            newWidth = WH;
            newHeight = FH;
        } else {
            newWidth = FW;
            newHeight = HW;
        }
    }
    return {newWidth, newHeight};
}

QSize PictureViewport::fittedSize(QSize photo) const {
    const QSizeF fitted = fittedInFrame(photo);
    return {std::max(1, nearest(fitted.width())), std::max(1, nearest(fitted.height()))};
}

void PictureViewport::fitPhoto() {
    if (hasPhoto()) {
        const QSize size = fittedSize(m_photo.size());
        m_zoom = fittedInFrame(m_photo.size()).width() / m_photo.width();
        m_fromPreview = false;
        if (size == m_photo.size()) {
            m_pictureBox->setPicture(m_photo);
            m_pictureBox->setFilledRows(m_filledRows);
        } else if (const QImage& from = reductionFor(size); !from.isNull()) {
            QImage fitted = from.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            if (fitted.isNull()) throw Failure(err::OutOfMemory, "fitting the photo");
            fitted.setDevicePixelRatio(ratio());
            m_pictureBox->setPicture(std::move(fitted));
        }
    }
    m_horizontalBar->hide();
    m_verticalBar->hide();
    placeBox();
    emit zoomChanged();
}

void PictureViewport::zoomAt(double zoom, QPointF anchor) {
    if (!hasPhoto() || m_pictureBox->isHidden() || !canShow(zoom)) return;
    // Zooming on at the same place keeps the photo's point first taken there, which an edge of
    // the photo or whole pixels would otherwise shift step by step.
    const bool goingOn = anchor == m_zoomAnchor && m_pictureBox->pos() == m_zoomPlacedAt;
    const QPointF photoPoint =
        goingOn ? m_zoomPhotoPoint : (anchor - QPointF(m_pictureBox->pos())) * ratio() / m_zoom;
    m_fitted = false;
    showAtZoom(zoom);
    setRanges();
    const QPointF offset = photoPoint * zoom / ratio() - anchor;
    const auto place = [](QScrollBar* bar, double value) {
        bar->setValue(bar->isHidden() ? 0 : std::clamp(nearest(value), 0, bar->maximum()));
    };
    place(m_horizontalBar, offset.x());
    place(m_verticalBar, offset.y());
    placeBox();
    m_zoomAnchor = anchor;
    m_zoomPhotoPoint = photoPoint;
    m_zoomPlacedAt = m_pictureBox->pos();
    emit zoomChanged();
}

void PictureViewport::zoomAboutCentre(double zoom) {
    zoomAt(zoom, QRectF(QPointF(0, 0), QSizeF(m_photoFrame->size())).center());
}

void PictureViewport::dragStarted(QPointF at) {
    m_dragging = true;
    m_dragStartX = nearest(at.x());
    m_dragStartY = nearest(at.y());
}

void PictureViewport::dragMoved(QPointF at) {
    if (!m_dragging) return;
    // A step that would carry the photo past an edge is not taken at all.
    const double left = m_pictureBox->x() - (m_dragStartX - at.x());
    if (left <= 0 && -left <= m_horizontalBar->maximum() && !m_horizontalBar->isHidden()) {
        m_horizontalBar->setValue(nearest(-left));
    }
    const double top = m_pictureBox->y() - (m_dragStartY - at.y());
    if (top <= 0 && -top <= m_verticalBar->maximum() && !m_verticalBar->isHidden()) {
        m_verticalBar->setValue(nearest(-top));
    }
}

void PictureViewport::dragEnded() {
    m_dragging = false;
}

bool PictureViewport::scrollByKey(int key) {
    QScrollBar* bar = m_verticalBar;
    QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
    switch (key) {
    case Qt::Key_Left:
        bar = m_horizontalBar;
        action = QAbstractSlider::SliderSingleStepSub;
        break;
    case Qt::Key_Right:
        bar = m_horizontalBar;
        action = QAbstractSlider::SliderSingleStepAdd;
        break;
    case Qt::Key_Up:
        action = QAbstractSlider::SliderSingleStepSub;
        break;
    case Qt::Key_Down:
        action = QAbstractSlider::SliderSingleStepAdd;
        break;
    case Qt::Key_PageUp:
        action = QAbstractSlider::SliderPageStepSub;
        break;
    case Qt::Key_PageDown:
        action = QAbstractSlider::SliderPageStepAdd;
        break;
    case Qt::Key_Home:
        action = QAbstractSlider::SliderToMinimum;
        break;
    case Qt::Key_End:
        action = QAbstractSlider::SliderToMaximum;
        break;
    default:
        return false;
    }
    // A hidden bar (a photo that fits, or a fitted one) scrolls nothing.
    if (!bar->isHidden()) bar->triggerAction(action);
    return true;
}

bool PictureViewport::fitsAcross() const {
    return m_horizontalBar->isHidden();
}

bool PictureViewport::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_pictureBox || watched == m_photoFrame) && event->type() == QEvent::Wheel) {
        wheel(static_cast<QWheelEvent*>(event), static_cast<QWidget*>(watched));
        return true;
    }
    if (watched == m_photoFrame &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        m_photoFrame->update();
        m_pictureBox->update();
    }
    if (watched == m_photoFrame && event->type() == QEvent::Paint && m_photoFrame->hasFocus()) {
        QPainter painter(m_photoFrame);
        drawFocusRing(painter, m_photoFrame->rect());
    }
    return QObject::eventFilter(watched, event);
}

void PictureViewport::wheel(QWheelEvent* event, QWidget* watched) {
    event->accept();
    if (event->modifiers() & Qt::ControlModifier) {
        // A notch (120) is one zoom step, at the pointer.
        m_zoomWheel += event->angleDelta().y();
        const QPointF at = watched->mapTo(m_photoFrame, event->position());
        for (; m_zoomWheel >= 120; m_zoomWheel -= 120)
            zoomAt(zoomStepIn(m_zoom), at);
        for (; m_zoomWheel <= -120; m_zoomWheel += 120)
            zoomAt(zoomStepOut(m_zoom), at);
        return;
    }
    QPoint delta = event->angleDelta();
    // Shift turns the wheel sideways, unless the system has done so already.
    if (event->modifiers() & Qt::ShiftModifier && delta.x() == 0) delta = QPoint(delta.y(), 0);
    const double pixelsPerNotch = QApplication::wheelScrollLines() * kScrollStep / 3.0;
    const auto scroll = [pixelsPerNotch](QScrollBar* bar, int eighthsOfDegrees) {
        if (bar->isHidden() || eighthsOfDegrees == 0) return;
        bar->setValue(bar->value() - nearest(eighthsOfDegrees / 120.0 * pixelsPerNotch));
    };
    scroll(m_horizontalBar, delta.x());
    scroll(m_verticalBar, delta.y());
}

} // namespace pixa::ui
