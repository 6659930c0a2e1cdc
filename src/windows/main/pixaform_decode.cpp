// The main window shows a large JPEG while it decodes: the rows that fill the frame first, then
// the rest strip by strip between the window's events, as long work that a stop ends; fitted or
// reduced meanwhile, it is shown from the decoder's reduced decode of the whole photo.
#include "windows/main/pixaform.h"

#include "core/error.h"
#include "ui/yielder.h"
#include "imaging/jpeg_strips.h"
#include "imaging/picture_loader.h"
#include "windows/main/picture_viewport.h"

#include <QLabel>
#include <QScopeGuard>
#include <QTimer>

#include <climits>

namespace pixa::ui {

void pixaform::showPictureFile(const QString& path, const QString& fileType, std::stop_token stop) {
    const std::unique_ptr<JpegStrips> jpeg = JpegStrips::open(path);
    if (!jpeg || !jpeg->topFirst()) {
        if (jpeg) jpeg->decode(INT_MAX);
        placePhoto(jpeg ? jpeg->picture() : ui::loadPicture(path), false);
        m_photo.show({ShownPhoto::Kind::Picture, path, fileType}, true);
        return;
    }
    // A photo that will be fitted is first painted from the reduced decode, made at once: rows at
    // actual size would not be seen. Else the fitted view is decoded ahead on another core, for a
    // fit asked while the rows decode.
    if (!(m_keepFit && jpeg->reducible())) {
        if (jpeg->reducible()) jpeg->reduceAhead(m_viewport->fittedSize(jpeg->picture().size()));
        jpeg->decode(m_viewport->frame().height());
    }
    m_viewport->setPhoto(jpeg->picture());
    m_viewport->setFilledRows(jpeg->rowsDone());
    m_viewport->showPicture();
    m_viewport->reset(false);
    m_decoding = true;
    const auto decoded = qScopeGuard([this] {
        m_decoding = false;
        m_viewport->setPreview({});
    });
    // Fitted or reduced while it decodes, it is shown from a reduced decode of the whole photo.
    if (jpeg->reducible())
        m_viewport->setPreview([&jpeg](QSize atLeast) {
            try {
                return jpeg->reduced(atLeast);
            } catch (const Failure&) {
                // The decode of the rows meets the same damage and reports it.
                return QImage();
            } catch (const std::bad_alloc&) {
                return QImage();
            }
        });
    keepView();
    try {
        Yielder yielder;
        yielder.yieldNow();
        while (!jpeg->whole()) {
            if (stop.stop_requested()) throw Failure(err::UserInterrupt, path.toStdString());
            jpeg->decode(kRowsPerStrip);
            m_viewport->setFilledRows(jpeg->rowsDone());
            yielder.maybeYield();
        }
    } catch (...) {
        // A photo not decoded whole is not left on screen.
        m_viewport->setPhoto({});
        m_viewport->hidePicture();
        m_zoomLabel->hide();
        throw;
    }
    m_photo.show({ShownPhoto::Kind::Picture, path, fileType}, true);
}

bool pixaform::stopDecodingThen(std::function<void()> again) {
    if (!m_decoding) return false;
    requestStop();
    // Once the stopped decode has unwound: its handler still holds the window's long work.
    QTimer::singleShot(0, this, std::move(again));
    return true;
}

} // namespace pixa::ui
