#include "windows/main/top_controls.h"

#include "windows/main/main_backdrop.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <utility>

namespace pixa::ui {

namespace {

// How long the band stays over a full screen photo after the last key press.
constexpr std::chrono::seconds kShownAfterKey{3};

} // namespace

TopControls::TopControls(QWidget* window)
    : QObject(window), m_window(window), m_band(new QWidget(window)) {
    m_band->setObjectName(QStringLiteral("topControls"));
    m_band->setGeometry(0, 0, window->width(), kControlsHeight);
    m_hideTimer.setSingleShot(true);
    m_hideTimer.setInterval(kShownAfterKey);
    connect(&m_hideTimer, &QTimer::timeout, this, [this] {
        if (!m_pointerOver) conceal();
    });
    m_window->installEventFilter(this);
}

bool TopControls::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window) {
        if (event->type() == QEvent::Resize || event->type() == QEvent::WindowStateChange)
            windowChanged();
        return QObject::eventFilter(watched, event);
    }
    // The window's own QWindow: every key press of the window passes it, those that shortcuts
    // take too, and every move of the pointer over it, whichever control is under the pointer.
    if (!m_fullScreen) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) reveal();
    if (event->type() == QEvent::MouseMove) pointerAt(static_cast<QMouseEvent*>(event)->position());
    return QObject::eventFilter(watched, event);
}

void TopControls::windowChanged() {
    m_band->resize(m_window->width(), kControlsHeight);
    // Once there: the window's QWindow is made when the window is first shown.
    if (QWindow* handle = m_window->windowHandle()) handle->installEventFilter(this);
    const bool fullScreen = m_window->isFullScreen();
    if (fullScreen != m_fullScreen) fullScreen ? enterFullScreen() : leaveFullScreen();
    if (!m_fullScreen) return;
    QPalette palette = m_band->palette();
    palette.setBrush(QPalette::Window, controlsBackdrop(m_window->width()));
    m_band->setPalette(palette);
}

void TopControls::enterFullScreen() {
    m_fullScreen = true;
    QWidget* focus = QApplication::focusWidget();
    m_focusBefore = m_band->isAncestorOf(focus) ? focus : nullptr;
    // Over the frame, which takes the whole window, on the band of the window's backdrop.
    m_band->setAutoFillBackground(true);
    m_band->raise();
    conceal();
}

void TopControls::leaveFullScreen() {
    m_fullScreen = false;
    m_hideTimer.stop();
    m_pointerOver = false;
    m_band->setAutoFillBackground(false);
    m_band->show();
    if (m_focusBefore) m_focusBefore->setFocus(Qt::OtherFocusReason);
}

void TopControls::reveal() {
    m_band->show();
    m_hideTimer.start();
}

void TopControls::conceal() {
    m_hideTimer.stop();
    m_pointerOver = false;
    // Keys go to the window, not to a control no one sees.
    if (m_band->isAncestorOf(QApplication::focusWidget())) m_window->setFocus(Qt::OtherFocusReason);
    m_band->hide();
}

void TopControls::pointerAt(QPointF at) {
    // The topmost row, where a pointer pushed upwards stops.
    if (at.y() < 1) {
        m_pointerOver = true;
        reveal();
        return;
    }
    const bool over = m_band->isVisible() && m_band->geometry().contains(at.toPoint());
    // Hidden as the pointer leaves it, not as the pointer moves elsewhere after a key showed it.
    if (std::exchange(m_pointerOver, over) && !over) conceal();
}

} // namespace pixa::ui
