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
    setObjectName(QStringLiteral("Picture1"));
    resize(0, 0);
}

void PictureBox::setPicture(QImage picture) {
    const QSize size = picture.size();
    setPicture(std::move(picture), size);
}

void PictureBox::setPicture(QImage picture, QSize shown) {
    m_picture = std::move(picture);
    m_filledRows = m_picture.height();
    // A photo without transparency covers its box; nothing behind it needs painting.
    setAttribute(Qt::WA_OpaquePaintEvent, !m_picture.hasAlphaChannel());
    resize(shown);
    update();
}

void PictureBox::setFilledRows(int rows) {
    const int before = std::exchange(m_filledRows, rows);
    if (rows > before) update(QRect(0, before, width(), rows - before));
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
    if (m_filledRows < m_picture.height()) {
        // Still decoding, at actual size: what is below the decoded rows is not yet a picture.
        const QRect unfilled = exposed.intersected(QRect(0, m_filledRows, width(), height()));
        if (!unfilled.isEmpty()) painter.fillRect(unfilled, parentWidget()->palette().window());
        exposed = exposed.intersected(QRect(0, 0, width(), m_filledRows));
        if (exposed.isEmpty()) return;
    }
    if (m_picture.size() == size() || m_picture.isNull()) {
        painter.drawImage(exposed.topLeft(), m_picture, exposed);
        return;
    }
    // Enlarged: the whole source pixels under the exposed part, each drawn as a block (no
    // smoothing hint, so the painter takes the nearest pixel).
    const double sx = double(width()) / m_picture.width();
    const double sy = double(height()) / m_picture.height();
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
    Picture2 = new QWidget(window);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(kFrame);
    Picture2->setAutoFillBackground(true);
    QPalette dark = Picture2->palette();
    dark.setColor(QPalette::Window, QColor(58, 60, 66));
    Picture2->setPalette(dark);
    // A click on the photo takes the keyboard from the caption box, so the arrows scroll.
    Picture2->setFocusPolicy(Qt::ClickFocus);
    Picture2->setAccessibleName(QStringLiteral("Photo"));
    Picture2->installEventFilter(this);

    Picture1 = new PictureBox(Picture2);
    Picture1->hide();
    Picture1->installEventFilter(this);

    HScroll1 = new QScrollBar(Qt::Horizontal, window);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    HScroll1->setAccessibleName(QStringLiteral("Scroll the photo across"));
    VScroll1 = new QScrollBar(Qt::Vertical, window);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    VScroll1->setAccessibleName(QStringLiteral("Scroll the photo up and down"));
    for (QScrollBar* bar : {HScroll1, VScroll1}) {
        bar->setRange(0, 0);
        bar->setSingleStep(kScrollStep);
        bar->setFocusPolicy(Qt::NoFocus);
        bar->hide();
    }
    HScroll1->setPageStep(kFrame.width());
    VScroll1->setPageStep(kFrame.height());

    connect(HScroll1, &QScrollBar::valueChanged, this, &PictureViewport::HScroll1_Change);
    connect(VScroll1, &QScrollBar::valueChanged, this, &PictureViewport::VScroll1_Change);
    connect(Picture1, &PictureBox::mouseDown, this, &PictureViewport::Picture1_MouseDown);
    connect(Picture1, &PictureBox::mouseMove, this, &PictureViewport::Picture1_MouseMove);
    connect(Picture1, &PictureBox::mouseUp, this, &PictureViewport::Picture1_MouseUp);
}

void PictureViewport::setPhoto(QImage photo) {
    m_photo = std::move(photo);
    m_reduced = {};
    m_reducedLevel = 0;
    m_filledRows = m_photo.height();
    m_fromPreview = false;
    m_previewShown = {};
    Picture1->setPicture(m_photo);
}

void PictureViewport::setFilledRows(int rows) {
    m_filledRows = rows;
    if (!m_fromPreview) {
        Picture1->setFilledRows(rows);
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

bool PictureViewport::canShow(double zoom) const {
    return whole() || zoom == 1.0 || (zoom < 1.0 && m_preview);
}

void PictureViewport::showPicture() {
    Picture1->show();
}

void PictureViewport::hidePicture() {
    Picture1->hide();
    HScroll1->hide();
    VScroll1->hide();
}

const QImage& PictureViewport::shownPicture() const {
    return Picture1->picture();
}

void PictureViewport::reset(bool scrollBarAtWindowEdge) {
    m_barAtWindowEdge = scrollBarAtWindowEdge;
    m_zoom = 1.0;
    m_fitted = false;
    placeScrollBars();
    setRanges();
    HScroll1->setValue(0);
    VScroll1->setValue(0);
    Picture1->move(0, 0);
    emit zoomChanged();
}

void PictureViewport::placeScrollBars() {
    const QRect frame = Picture2->geometry();
    HScroll1->setGeometry(m_barAtWindowEdge ? 0 : frame.left(), frame.bottom() + 1, frame.width(),
                          kHScrollHeight);
    VScroll1->setGeometry(frame.right() + 1, frame.top(), kVScrollWidth, frame.height());
    HScroll1->setPageStep(frame.width());
    VScroll1->setPageStep(frame.height());
}

void PictureViewport::setRanges() {
    // A photo smaller than the frame leaves no range: the bar stays hidden at 0.
    HScroll1->setMaximum(std::max(0, Picture1->width() - Picture2->width()));
    VScroll1->setMaximum(std::max(0, Picture1->height() - Picture2->height()));
    showScrollBarsAsNeeded();
}

void PictureViewport::showScrollBarsAsNeeded() {
    VScroll1->setVisible(Picture1->height() > Picture2->height());
    HScroll1->setVisible(Picture1->width() > Picture2->width());
}

void PictureViewport::setFrame(const QRect& frame) {
    if (frame == m_frame) return;
    m_frame = frame;
    Picture2->setGeometry(frame);
    placeScrollBars();
    if (m_fitted) {
        fitPhoto();
        return;
    }
    if (!hasPhoto()) return;
    // The bars' values are clamped to the new ranges, and the photo follows them.
    setRanges();
    Picture1->move(-HScroll1->value(), -VScroll1->value());
}

void PictureViewport::actualSize() {
    if (!hasPhoto()) return;
    m_fitted = false;
    showAtZoom(1.0);
    setRanges();
    // From the top left corner, with the thumbs where the photo is.
    HScroll1->setValue(0);
    VScroll1->setValue(0);
    Picture1->move(0, 0);
    emit zoomChanged();
}

void PictureViewport::showAtZoom(double zoom) {
    m_zoom = zoom;
    m_fromPreview = false;
    const QSize shown(std::max(1, nearest(m_photo.width() * zoom)),
                      std::max(1, nearest(m_photo.height() * zoom)));
    if (shown == m_photo.size() || zoom > 1) {
        Picture1->setPicture(m_photo, shown);
        Picture1->setFilledRows(m_filledRows);
        return;
    }
    // Reduced: scaled smoothly once, not on every paint.
    const QImage& from = reductionFor(shown);
    // A preview that could not be made: the decode itself reports the damage.
    if (from.isNull()) return;
    QImage reduced = from.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (reduced.isNull()) throw Failure(err::OutOfMemory, "reducing the photo");
    Picture1->setPicture(std::move(reduced));
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
    const float FW = float(Picture2->width());
    const float FH = float(Picture2->height());
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
    Picture1->move(0, 0);
    if (hasPhoto()) {
        const QSize size = fittedSize(m_photo.size());
        m_zoom = fittedInFrame(m_photo.size()).width() / m_photo.width();
        m_fromPreview = false;
        if (size == m_photo.size()) {
            Picture1->setPicture(m_photo);
            Picture1->setFilledRows(m_filledRows);
        } else if (const QImage& from = reductionFor(size); !from.isNull()) {
            QImage fitted = from.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            if (fitted.isNull()) throw Failure(err::OutOfMemory, "fitting the photo");
            Picture1->setPicture(std::move(fitted));
        }
    }
    HScroll1->hide();
    VScroll1->hide();
    emit zoomChanged();
}

void PictureViewport::zoomAt(double zoom, QPointF anchor) {
    if (!hasPhoto() || Picture1->isHidden() || !canShow(zoom)) return;
    // Zooming on at the same place keeps the photo's point first taken there, which an edge of
    // the photo or whole pixels would otherwise shift step by step.
    const bool goingOn = anchor == m_zoomAnchor && Picture1->pos() == m_zoomPlacedAt;
    const QPointF photoPoint =
        goingOn ? m_zoomPhotoPoint : (anchor - QPointF(Picture1->pos())) / m_zoom;
    m_fitted = false;
    showAtZoom(zoom);
    setRanges();
    const QPointF offset = photoPoint * zoom - anchor;
    const auto place = [](QScrollBar* bar, double value) {
        bar->setValue(bar->isHidden() ? 0 : std::clamp(nearest(value), 0, bar->maximum()));
    };
    place(HScroll1, offset.x());
    place(VScroll1, offset.y());
    Picture1->move(-HScroll1->value(), -VScroll1->value());
    m_zoomAnchor = anchor;
    m_zoomPhotoPoint = photoPoint;
    m_zoomPlacedAt = Picture1->pos();
    emit zoomChanged();
}

void PictureViewport::zoomAboutCentre(double zoom) {
    zoomAt(zoom, QRectF(QPointF(0, 0), QSizeF(Picture2->size())).center());
}

void PictureViewport::HScroll1_Change(int value) {
    Picture1->move(-value, Picture1->y());
}

void PictureViewport::VScroll1_Change(int value) {
    Picture1->move(Picture1->x(), -value);
}

void PictureViewport::Picture1_MouseDown(QPointF at) {
    mousedown = true;
    orig_pict_x = nearest(at.x());
    orig_pict_y = nearest(at.y());
}

void PictureViewport::Picture1_MouseMove(QPointF at) {
    if (!mousedown) return;
    // A step that would carry the photo past an edge is not taken at all.
    const double left = Picture1->x() - (orig_pict_x - at.x());
    if (left <= 0 && -left <= HScroll1->maximum() && !HScroll1->isHidden()) {
        HScroll1->setValue(nearest(-left));
    }
    const double top = Picture1->y() - (orig_pict_y - at.y());
    if (top <= 0 && -top <= VScroll1->maximum() && !VScroll1->isHidden()) {
        VScroll1->setValue(nearest(-top));
    }
}

void PictureViewport::Picture1_MouseUp() {
    mousedown = false;
}

bool PictureViewport::scrollByKey(int key) {
    QScrollBar* bar = VScroll1;
    QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
    switch (key) {
    case Qt::Key_Left:
        bar = HScroll1;
        action = QAbstractSlider::SliderSingleStepSub;
        break;
    case Qt::Key_Right:
        bar = HScroll1;
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
    return HScroll1->isHidden();
}

bool PictureViewport::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == Picture1 || watched == Picture2) && event->type() == QEvent::Wheel) {
        wheel(static_cast<QWheelEvent*>(event), static_cast<QWidget*>(watched));
        return true;
    }
    if (watched == Picture2 &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        Picture2->update();
        Picture1->update();
    }
    if (watched == Picture2 && event->type() == QEvent::Paint && Picture2->hasFocus()) {
        QPainter painter(Picture2);
        drawFocusRing(painter, Picture2->rect());
    }
    return QObject::eventFilter(watched, event);
}

void PictureViewport::wheel(QWheelEvent* event, QWidget* watched) {
    event->accept();
    if (event->modifiers() & Qt::ControlModifier) {
        // A notch (120) is one zoom step, at the pointer.
        m_zoomWheel += event->angleDelta().y();
        const QPointF at = watched->mapTo(Picture2, event->position());
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
    scroll(HScroll1, delta.x());
    scroll(VScroll1, delta.y());
}

} // namespace pixa::ui
