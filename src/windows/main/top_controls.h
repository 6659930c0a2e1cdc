// The band at the main window's top that holds the command buttons, the caption box and the
// information panel: part of the window as drawn; full screen, hidden over the photo and shown
// while the pointer rests at the top edge or for a few seconds after a key press.
#pragma once

#include <QObject>
#include <QPointer>
#include <QPointF>
#include <QTimer>

class QWidget;

namespace pixa::ui {

class TopControls final : public QObject {
    Q_OBJECT
public:
    // Creates the band on `window`; the command bar and the information panel put their
    // controls in it, at the places they have in the window.
    explicit TopControls(QWidget* window);

    QWidget* band() const { return m_band; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The window was resized, or went into or out of full screen.
    void windowChanged();
    void enterFullScreen();
    void leaveFullScreen();
    // Full screen: shows the band over the photo for a while, or hides it.
    void reveal();
    void conceal();
    // Full screen: the pointer moved to `at` in the window.
    void pointerAt(QPointF at);

    QWidget* m_window;
    QWidget* m_band;
    QTimer m_hideTimer;
    // The control of the band that had the focus before full screen, which has it back after.
    QPointer<QWidget> m_focusBefore;
    bool m_fullScreen = false;
    // Full screen: the pointer is at the top edge or over the shown band.
    bool m_pointerOver = false;
};

} // namespace pixa::ui
