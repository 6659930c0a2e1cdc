// A picture used as a push button, showing one of its named faces: up, pressed or disabled.
#pragma once

#include <QLabel>

class QPainter;

namespace pixa::ui {

// The focus ring of the project's own controls: two pixels of dark blue inside `inside`.
void drawFocusRing(QPainter& painter, const QRectF& inside);

class ImageButton;

// An image button on `parent` at `topLeft` (its face gives its size), named `name` among the
// parent's children, with the tooltip that describes it and the short name a screen reader calls
// it by: every window's buttons are made here.
ImageButton* addImageButton(QWidget* parent, int faceNumber, const QString& name, QPoint topLeft,
                            const QString& toolTip, const QString& accessibleName);

class ImageButton : public QLabel {
    Q_OBJECT
public:
    // `faceNumber` 1..13; the button shows "<n>a" and takes that face's size.
    explicit ImageButton(int faceNumber, QWidget* parent = nullptr);

    int faceNumber() const { return m_faceNumber; }
    // The name of the face shown now ("4a", "4b", "4c").
    QString currentFace() const { return m_currentFace; }
    void setFace(const QString& name);

    // The disabled face and the disabled state together; enable() the up face and enabled.
    void disable();
    void enable();

    // What a click does, for the keyboard and for assistive technology: clicked(), unless the
    // button is disabled.
    void click();

signals:
    // The left button was pressed and released on the button, or Space or Enter was pressed
    // while it had the keyboard focus.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The face as drawn: a disabled label would grey its picture a second time.
    void paintEvent(QPaintEvent* event) override;

private:
    int m_faceNumber;
    QString m_currentFace;
    bool m_leftPressed = false;
};

} // namespace pixa::ui
