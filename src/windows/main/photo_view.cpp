#include "windows/main/photo_view.h"

#include "core/error.h"
#include "imaging/picture_decode.h"
#include "ui/busy_pointer.h"
#include "ui/error_report.h"
#include "ui/platform.h"
#include "ui/window_base.h"
#include "ui/yielder.h"
#include "windows/main/main_backdrop.h"
#include "windows/main/picture_viewport.h"
#include "windows/main/zoom_steps.h"

#include <QScopeGuard>
#include <QTimer>

#include <climits>
#include <new>
#include <optional>

namespace pixa::ui {

PhotoView::PhotoView(WindowBase& window, Platform& platform)
    : QObject(&window), m_window(window), m_platform(platform),
      m_viewport(new PictureViewport(&window, platform.work())) {
    connect(m_viewport, &PictureViewport::zoomChanged, this, &PhotoView::zoomChanged);
    // The frame follows the window's size and state.
    m_window.installEventFilter(this);
}

bool PhotoView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize || event->type() == QEvent::WindowStateChange) placeFrame();
    return QObject::eventFilter(watched, event);
}

void PhotoView::placeFrame() {
    // Full screen, the photo is shown alone on black, the frame taking the whole window. From a
    // maximized window the size may stay the same: the state decides.
    const bool fullScreen = m_window.isFullScreen();
    m_viewport->setOnBlack(fullScreen);
    m_viewport->setFrame(fullScreen ? m_window.rect() : viewportFrame(m_window.size()));
}

QImage PhotoView::shownPicture() const {
    return m_viewport->shownPicture();
}

bool PhotoView::hasPhoto() const {
    return m_viewport->hasPhoto();
}

bool PhotoView::fitted() const {
    return m_viewport->fitted();
}

double PhotoView::zoom() const {
    return m_viewport->zoom();
}

void PhotoView::place(QImage photo, bool scrollBarAtWindowEdge) {
    m_viewport->setPhoto(std::move(photo));
    m_viewport->showPicture();
    m_viewport->reset(scrollBarAtWindowEdge);
    keepView();
}

void PhotoView::keepView() {
    if (m_keepFit) m_viewport->fitToWindow();
}

void PhotoView::clear() {
    m_viewport->setPhoto({});
    m_viewport->hidePicture();
}

void PhotoView::showFile(const QString& path, std::stop_token stop) {
    const std::unique_ptr<PictureDecode> decode = PictureDecode::open(path);
    if (!decode || !decode->topFirst()) {
        if (decode) decode->decode(INT_MAX);
        place(decode ? decode->picture() : loadPicture(path), false);
        return;
    }
    // The fitted view is decoded ahead on another core, for a photo that will be fitted or a fit
    // asked while the rows decode. One that will be fitted shows that view as soon as it has
    // ended, not rows at actual size, which would not be seen.
    if (decode->reducible()) decode->reduceAhead(m_viewport->fittedSize(decode->picture().size()));
    if (!(m_keepFit && decode->reducible())) decode->decode(m_viewport->frame().height());
    m_viewport->setPhoto(decode->picture(), false);
    m_viewport->setFilledRows(decode->rowsDone());
    m_viewport->showPicture();
    m_viewport->reset(false);
    m_decoding = true;
    const auto decoded = qScopeGuard([this] {
        m_decoding = false;
        m_viewport->setPreview({});
    });
    // Fitted or reduced while it decodes, it is shown from a reduced decode of the whole photo,
    // made on another core: the window does not wait for it.
    if (decode->reducible())
        m_viewport->setPreview([&decode](QSize atLeast) {
            try {
                return decode->reducedSoon(atLeast);
            } catch (const Failure&) {
                // The decode of the rows meets the same damage and reports it.
                return QImage();
            } catch (const std::bad_alloc&) {
                return QImage();
            }
        });
    keepView();
    decodeRest(*decode, path, stop);
}

void PhotoView::decodeRest(PictureDecode& decode, const QString& path, std::stop_token stop) {
    try {
        Yielder yielder;
        yielder.yieldNow();
        while (!decode.whole()) {
            if (stop.stop_requested()) throw Failure(err::UserInterrupt, path.toStdString());
            decode.decode(kRowsPerStrip);
            m_viewport->setFilledRows(decode.rowsDone());
            yielder.maybeYield();
        }
    } catch (...) {
        // A photo not decoded whole is not left on screen.
        clear();
        throw;
    }
}

bool PhotoView::stopDecodingThen(std::function<void()> again) {
    if (!m_decoding) return false;
    m_window.requestStop();
    // Once the stopped decode has unwound: its handler still holds the window's long work.
    QTimer::singleShot(0, this, std::move(again));
    return true;
}

void PhotoView::zoomStep(bool in) {
    const double now = m_viewport->zoom();
    m_viewport->zoomAboutCentre(in ? zoomStepIn(now) : zoomStepOut(now));
}

void PhotoView::toggleFullScreen() {
    if (m_window.isFullScreen()) {
        m_beforeFullScreen.testFlag(Qt::WindowMaximized) ? m_window.showMaximized()
                                                         : m_window.showNormal();
        return;
    }
    m_beforeFullScreen = m_window.windowState();
    m_window.showFullScreen();
}

void PhotoView::actualSize() {
    // While a large photo decodes, it shows the rows decoded so far.
    std::optional<LongWork> work;
    if (!m_decoding && !work.emplace(m_window).started()) return;
    m_viewport->actualSize();
}

void PhotoView::fit() {
    // While a large photo decodes, it is fitted at once, from a reduced decode once that has ended.
    std::optional<LongWork> work;
    if (!m_decoding && !work.emplace(m_window).started()) return;
    try {
        BusyPointer busy;
        Yielder().yieldNow();
        // Scaled from the photo kept in memory: the file is not read again.
        m_viewport->fitToWindow();
        busy.release();
        Yielder().yieldNow();
    } catch (const Failure& failure) {
        reportError(m_platform, &m_window, ErrorVariant::File, failure);
    }
}

} // namespace pixa::ui
