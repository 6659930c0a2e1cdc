#include "ui/image_button.h"

#include "ui/artwork.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <utility>

namespace pixa::ui {

namespace {

const QColor kFocusRing(0, 0, 160);

} // namespace

ImageButton::ImageButton(int faceNumber, QWidget* parent)
    : QLabel(parent), m_faceNumber(faceNumber) {
    // A click never takes the keyboard focus from the window's text boxes (their rules run when
    // the focus leaves them), but Tab reaches the button, so it works without a mouse.
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(faceSize(faceNumber));
    setFace(QString::number(faceNumber) + QLatin1Char('a'));
}

void ImageButton::setFace(const QString& name) {
    const QPixmap face = facePixmap(name);
    if (face.isNull()) {
        qWarning("ImageButton: there is no face named %s", qPrintable(name));
        return;
    }
    setPixmap(face);
    m_currentFace = name.toLower();
}

ImageButton* addImageButton(QWidget* parent, int faceNumber, const QString& name, QPoint topLeft,
                            const QString& toolTip, const QString& accessibleName) {
    auto* button = new ImageButton(faceNumber, parent);
    button->setObjectName(name);
    button->move(topLeft);
    button->setToolTip(toolTip);
    button->setAccessibleName(accessibleName);
    return button;
}

void ImageButton::disable() {
    setFace(QString::number(m_faceNumber) + QLatin1Char('c'));
    setEnabled(false);
    m_leftPressed = false;
}

void ImageButton::enable() {
    setFace(QString::number(m_faceNumber) + QLatin1Char('a'));
    setEnabled(true);
}

void ImageButton::click() {
    if (isEnabled()) emit clicked();
}

void ImageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The face is drawn for the densest screen; on a less dense one it is reduced smoothly.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(0, 0, pixmap());
    // Just inside the black frame, over the outer bevel: plain on every face and in every
    // state, and clear of the symbol on the narrow faces.
    if (hasFocus()) drawFocusRing(painter, QRectF(rect()).adjusted(1, 1, -1, -1));
}

void drawFocusRing(QPainter& painter, const QRectF& inside) {
    QPen ring(kFocusRing, 2);
    ring.setJoinStyle(Qt::MiterJoin);
    painter.setPen(ring);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(inside.adjusted(1, 1, -1, -1));
}

void ImageButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->isAutoRepeat()) break;
        event->accept();
        click();
        return;
    default:
        break;
    }
    QLabel::keyPressEvent(event);
}

void ImageButton::mousePressEvent(QMouseEvent* event) {
    setFace(QString::number(m_faceNumber) + QLatin1Char('b'));
    // Painted at once, so the pressed look shows even if the click starts long work.
    repaint();
    if (event->button() == Qt::LeftButton) m_leftPressed = true;
    event->accept();
}

void ImageButton::mouseReleaseEvent(QMouseEvent* event) {
    // Qt sends the release to the widget that saw the press, wherever the pointer is now.
    setFace(QString::number(m_faceNumber) + QLatin1Char('a'));
    repaint();
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    const bool wasPressed = std::exchange(m_leftPressed, false);
    // A press dragged off the button and released elsewhere is no click.
    if (wasPressed && rect().contains(event->position().toPoint())) emit clicked();
}

} // namespace pixa::ui
