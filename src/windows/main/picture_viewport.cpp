#include "windows/main/picture_viewport.h"

#include "imaging/picture_decode.h"
#include "ui/image_button.h"
#include "ui/window_base.h"
#include "windows/main/photo_pyramid.h"
#include "windows/main/zoom_steps.h"

#include <QApplication>
#include <QPainter>
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

PictureViewport::PictureViewport(QWidget* window, WorkList& work)
    : QObject(window), m_frame(kFrame), m_pyramid(new PhotoPyramid(work, this)) {
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
    connect(m_pyramid, &PhotoPyramid::levelMade, this, [this] {
        if (m_pyramid->complete()) m_previewShown = {};
        if (m_reducedShown.isValid()) showReduced(m_reducedShown);
    });
}

void PictureViewport::setPhoto(QImage photo, bool whole) {
    m_photo = std::move(photo);
    m_filledRows = whole ? m_photo.height() : 0;
    m_previewShown = {};
    m_reducedShown = {};
    m_pyramid->build(whole ? m_photo : QImage());
    m_pictureBox->setPicture(m_photo);
    m_pictureBox->setFilledRows(m_filledRows);
}

void PictureViewport::setFilledRows(int rows) {
    const bool wasWhole = whole();
    m_filledRows = rows;
    if (whole() && !wasWhole) m_pyramid->build(m_photo);
    if (m_reducedShown.isValid()) {
        // A reduced decode may have ended, or the photo may be whole now.
        showReduced(m_reducedShown);
        return;
    }
    m_pictureBox->setFilledRows(rows);
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

QImage PictureViewport::shownPicture() const {
    // The same pixels however far the reduced copies have come.
    if (m_reducedShown.isValid() && whole() &&
        !m_pictureBox->shows(m_photo, m_reducedShown, PictureBox::Scaling::Whole))
        return m_photo.scaled(m_reducedShown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return m_pictureBox->shownPicture();
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
    const QSize shown(std::max(1, nearest(m_photo.width() * zoom)),
                      std::max(1, nearest(m_photo.height() * zoom)));
    if (shown == m_photo.size() || zoom > 1) {
        m_reducedShown = {};
        m_pictureBox->setPicture(m_photo, shown);
        m_pictureBox->setFilledRows(m_filledRows);
        return;
    }
    showReduced(shown);
}

void PictureViewport::showReduced(QSize shown) {
    m_reducedShown = shown;
    const bool scaleWhole = whole() && scaledWhole(shown);
    QImage source = scaleWhole ? m_photo : sourceFor(shown);
    const bool rows = source.cacheKey() == m_photo.cacheKey();
    const auto scaling = scaleWhole ? PictureBox::Scaling::Whole : PictureBox::Scaling::Smooth;
    // A copy at 1/2^k of the photo stands for all of it, a fraction of a pixel beyond its own
    // last column or row where the photo's size was odd.
    const double down =
        std::exp2(std::round(std::log2(double(m_photo.width()) / std::max(1, source.width()))));
    const QSizeF extent(m_photo.width() / down, m_photo.height() / down);
    if (!m_pictureBox->shows(source, shown, scaling))
        m_pictureBox->setPicture(std::move(source), shown, scaling, extent);
    if (rows) m_pictureBox->setFilledRows(m_filledRows);
}

bool PictureViewport::scaledWhole(QSize shown) const {
    // A view the frame holds whole, of a photo under a large one's size and less than four times
    // the view's, is scaled once from every pixel of the photo, the sharpest there is: each copy
    // would leave some out.
    const QSize frame(nearest(m_photoFrame->width() * ratio()),
                      nearest(m_photoFrame->height() * ratio()));
    const bool inFrame = shown.width() <= frame.width() && shown.height() <= frame.height();
    const bool quarterCovers =
        (m_photo.width() >> 2) >= shown.width() && (m_photo.height() >> 2) >= shown.height();
    return inFrame && !quarterCovers &&
           int64_t(m_photo.width()) * m_photo.height() < kStripDecodePixels;
}

QImage PictureViewport::sourceFor(QSize shown) {
    if (!whole()) {
        if (m_preview) {
            QImage preview = m_preview(shown);
            if (!preview.isNull()) m_previewShown = std::move(preview);
        }
        return m_previewShown.isNull() ? m_photo : m_previewShown;
    }
    QImage best = m_pyramid->levelFor(shown);
    const bool previewCovers = !m_previewShown.isNull() &&
                               m_previewShown.width() >= shown.width() &&
                               m_previewShown.height() >= shown.height();
    if (previewCovers && (best.isNull() || m_previewShown.width() < best.width()))
        best = m_previewShown;
    return best.isNull() ? m_photo : best;
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
        if (size == m_photo.size()) {
            m_reducedShown = {};
            m_pictureBox->setPicture(m_photo);
            m_pictureBox->setFilledRows(m_filledRows);
        } else {
            showReduced(size);
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
