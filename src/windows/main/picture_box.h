// The picture box: the widget the picture viewport's frame clips, painting the part of its picture
// the frame lets through at the size shown, and reporting the mouse.
#pragma once

#include <QImage>
#include <QWidget>

namespace pixa::ui {

class PictureBox final : public QWidget {
    Q_OBJECT
public:
    // How a picture is drawn over the device pixels shown.
    enum class Scaling {
        Sharp, // each pixel a block: at actual size and enlarged
        Whole, // scaled smoothly from every pixel, once, when first painted
        Smooth // reduced to less than twice the size shown: sampled smoothly as it is painted
    };

    explicit PictureBox(QWidget* frame);

    const QImage& picture() const { return m_picture; }
    // What the box shows at the size shown: the picture itself when Sharp, else scaled smoothly.
    QImage shownPicture() const;
    // Shows `picture` one pixel to a device pixel, its size in the window its size over the
    // device pixel ratio.
    void setPicture(QImage picture);
    // Shows `picture` over `shown` device pixels. A Smooth one may cover `extent` of its pixels, a
    // fraction more than its size (a copy of a photo whose width or height was odd).
    void setPicture(QImage picture, QSize shown, Scaling scaling = Scaling::Sharp,
                    QSizeF extent = {});
    bool shows(const QImage& picture, QSize shown, Scaling scaling) const;
    // Only the picture's first `rows` rows hold pixels yet; the rest is painted as the frame.
    void setFilledRows(int rows);

signals:
    void mouseDown(QPointF at);
    void mouseMove(QPointF at);
    void mouseUp();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The picture painted: the smooth scaling of a Whole one, made now if it is not yet.
    const QImage& painted() const;
    // The box's coordinates per painted pixel, across and down.
    QPointF scale() const;

    QImage m_picture;
    QSize m_shown; // in device pixels
    QSizeF m_extent;
    Scaling m_scaling = Scaling::Sharp;
    // A Whole picture scaled: made at the first paint after a change, so that a burst of resizes
    // scales it once.
    mutable QImage m_scaled;
    int m_filledRows = 0;
};

} // namespace pixa::ui
