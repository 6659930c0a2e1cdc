// The picture viewport: a frame that clips a box as large as the photo it shows at
// its zoom (the picture box), scrolled by two scroll bars and by dragging the photo with the mouse.
// The frame is placed by the window and grows with it.
#pragma once

#include "windows/main/picture_box.h"

#include <QImage>
#include <QObject>
#include <QWidget>

#include <functional>

class QScrollBar;
class QWheelEvent;

namespace pixa::ui {

class PhotoPyramid;
class WorkList;

class PictureViewport final : public QObject {
    Q_OBJECT
public:
    // Creates the frame, the picture box and both scroll bars on `window`, all hidden but the
    // frame. The reduced copies of a photo are made as work of `work`.
    PictureViewport(QWidget* window, WorkList& work);

    // A new photo, shown at its own size and hidden until showPicture(); reset() places it.
    // Decoding, it has no rows yet (`whole` false): setFilledRows() tells them.
    void setPhoto(QImage photo, bool whole = true);
    bool hasPhoto() const { return !m_photo.isNull(); }
    void showPicture();
    // Hides the photo and both scroll bars.
    void hidePicture();
    // While a photo decodes: its first `rows` rows hold pixels. A view from the preview gives way
    // to the photo itself once it is whole.
    void setFilledRows(int rows);
    // While a photo decodes, reduced views (fit, zoom below 100 %) come from `preview`: the whole
    // photo reduced to at least the size asked once that reduced decode has ended, else null
    // (asked again as the rows come; it must not wait). Until then they show the rows decoded.
    // Without one, or above 100 %, the zoom waits for the whole photo.
    void setPreview(std::function<QImage(QSize)> preview);
    bool whole() const { return m_filledRows >= m_photo.height(); }
    // What `m_pictureBox` displays: at the size shown when the photo is fitted or reduced (scaled
    // from the photo itself once it is whole), the photo's own pixels when it is enlarged.
    QImage shownPicture() const;

    // Places the frame in the window: the scroll bars follow it, flush as reset() puts them, a
    // fitted photo is fitted into it again, a zoomed one keeps its zoom and its place as far as
    // the new range allows.
    void setFrame(const QRect& frame);
    const QRect& frame() const { return m_frame; }
    // Where the photo does not cover the frame, the frame shows black (the photo alone, full
    // screen) or its dark grey.
    void setOnBlack(bool black);
    double zoom() const { return m_zoom; }
    bool fitted() const { return m_fitted; }
    // Shows the photo at `zoom`, keeping the photo's point under `anchor` (in the frame's
    // coordinates) where it is. Smooth when reduced, sharp pixels when enlarged.
    void zoomAt(double zoom, QPointF anchor);
    // The same about the frame's centre.
    void zoomAboutCentre(double zoom);

    // Places and sizes the scroll bars along the frame, sets their ranges from the photo's size,
    // shows each only where the photo is larger than the frame, and brings the photo to the
    // frame's top left corner (its middle, where the photo is smaller, in a frame larger than the
    // window's own size gives it). `scrollBarAtWindowEdge` starts the horizontal bar at the
    // window's left edge instead of the frame's.
    void reset(bool scrollBarAtWindowEdge = false);
    // The photo pixel for pixel again, from the frame's top left corner (placed as reset() does).
    void actualSize();
    // Shrinks a photo larger than the frame into it, keeping its proportions, smoothly.
    void fitToWindow();
    // The size fitToWindow() gives a photo of `photo`'s size in the frame as it is now, in device
    // pixels.
    QSize fittedSize(QSize photo) const;

    // The viewport's events.
    void dragStarted(QPointF at);
    void dragMoved(QPointF at);
    void dragEnded();

    // Keyboard scrolling (arrows, Page Up and Down, Home, End) through the shown scroll bars;
    // false for another key.
    bool scrollByKey(int key);
    // Whether the photo's width fits the frame at its zoom (so nothing scrolls across), or no
    // photo is shown.
    bool fitsAcross() const;

signals:
    // The zoom or the fitted state changed: by reset, actual size, fit or a zoom.
    void zoomChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void wheel(QWheelEvent* event, QWidget* watched);
    void showScrollBarsAsNeeded();
    // Moves m_pictureBox where the scroll bars put it, or into the frame's middle (see reset()).
    void placeBox();
    void placeScrollBars();
    // The scroll bars' ranges from m_pictureBox's size, each shown where needed.
    void setRanges();
    // Gives m_pictureBox the photo at `zoom`.
    void showAtZoom(double zoom);
    void fitPhoto();
    // In device pixels.
    QSizeF fittedInFrame(QSize photo) const;
    // Gives m_pictureBox the photo reduced to `shown` device pixels, from the best picture there
    // is now; called again as better ones come (a reduced decode, the photo whole, a copy made).
    void showReduced(QSize shown);
    // The smallest picture at hand at least `shown`: a reduced copy, the reduced decode, or the
    // photo (its rows while it decodes).
    QImage sourceFor(QSize shown);
    bool scaledWhole(QSize shown) const;
    bool canShow(double zoom) const;
    // Device pixels per pixel of the window: the zoom counts photo pixels per device pixel.
    double ratio() const;

    QWidget* m_photoFrame = nullptr;
    PictureBox* m_pictureBox = nullptr;
    QScrollBar* m_horizontalBar = nullptr;
    QScrollBar* m_verticalBar = nullptr;
    QImage m_photo;
    QRect m_frame;
    bool m_barAtWindowEdge = false;
    double m_zoom = 1.0;
    bool m_fitted = false;
    // The last zoom's anchor in the frame, the photo's point kept under it, and where the photo
    // was left.
    QPointF m_zoomAnchor{-1, -1};
    QPointF m_zoomPhotoPoint;
    QPoint m_zoomPlacedAt;
    // Wheel turns with Ctrl not yet a whole notch (a touchpad's small steps).
    int m_zoomWheel = 0;
    int m_filledRows = 0;
    PhotoPyramid* m_pyramid = nullptr;
    std::function<QImage(QSize)> m_preview;
    // The last reduced decode while the photo decoded, kept until the copies are all made.
    QImage m_previewShown;
    QSize m_reducedShown; // of a reduced view; invalid for the photo at or above its size

    // Drag state.
    bool m_dragging = false;
    int m_dragStartX = 0;
    int m_dragStartY = 0;
};

} // namespace pixa::ui
