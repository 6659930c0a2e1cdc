// The photo on screen: the viewport with its zoom and fit, its frame following the window's size
// (the whole window full screen, the photo alone on black), and the decode of what it shows, a
// large photo shown from its first rows on while the rest decodes.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>
#include <stop_token>

namespace pixa {
class PictureDecode;
}

namespace pixa::ui {

class PictureViewport;
class Platform;
class WindowBase;

class PhotoView final : public QObject {
    Q_OBJECT
public:
    // Creates the viewport on `window`, whose long work a decode, a fit and actual size run as.
    PhotoView(WindowBase& window, Platform& platform);

    PictureViewport& viewport() const { return *m_viewport; }
    // What the view displays, at the size shown; null when it shows nothing.
    QImage shownPicture() const;
    bool hasPhoto() const;

    // Gives the view a whole photo at actual size (fitted while a step keeps the fit), the
    // horizontal scroll bar starting at the window's edge when asked.
    void place(QImage photo, bool scrollBarAtWindowEdge);
    // Decodes the picture in `path` and shows it at actual size: a large JPEG from its first
    // rows on while the rest decodes between the window's events, until `stop`. Throws
    // pixa::Failure: a picture not decoded whole is not left on screen.
    void showFile(const QString& path, std::stop_token stop);
    // Takes the photo off the screen.
    void clear();
    bool decoding() const { return m_decoding; }
    // While a picture decodes: stops it and runs `again` once it has ended; false otherwise.
    bool stopDecodingThen(std::function<void()> again);

    // While set, each photo placed is fitted, as a fitted photo's step keeps the fit.
    void setKeepFit(bool keep) { m_keepFit = keep; }
    bool fitted() const;
    double zoom() const;
    void zoomStep(bool in);
    // The window goes full screen, the frame taking all of it, or back to how it was before.
    void toggleFullScreen();
    // The commands of the view's buttons: at once while a photo decodes (its open holds the
    // window's long work), else as long work of their own. A fit that fails is reported.
    void actualSize();
    void fit();

signals:
    // The zoom or the fitted state changed.
    void zoomChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The frame where the window's size and state put it.
    void placeFrame();
    void keepView();
    // The rows after the first, strip by strip; throws as showFile().
    void decodeRest(PictureDecode& decode, const QString& path, std::stop_token stop);

    WindowBase& m_window;
    Platform& m_platform;
    PictureViewport* m_viewport;
    // The window's state before full screen, given back when it ends.
    Qt::WindowStates m_beforeFullScreen;
    bool m_decoding = false;
    bool m_keepFit = false;
};

} // namespace pixa::ui
