#include "ui/window_base.h"

#include "ui/image_button.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>
#include <QWindow>

namespace pixa::ui {

void presentOver(QWidget* window, QWidget* over) {
    if (window->isVisible()) {
        window->raise();
        window->activateWindow();
        return;
    }
    if (over && over->isVisible()) {
        // A dialog of `over` to the window manager, which then keeps it above `over`: a click on
        // a main window that it disabled would otherwise raise that window over it and bury it.
        window->setWindowFlag(Qt::Dialog, true);
        window->move(over->geometry().center() - window->rect().center());
        window->winId();
        if (over->windowHandle()) window->windowHandle()->setTransientParent(over->windowHandle());
    }
    window->show();
}

WindowBase::WindowBase(const QString& objectName, const QString& caption, const QSize& clientSize,
                       QWidget* parent)
    : QWidget(parent) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setFixedSize(clientSize);
}

void WindowBase::Form_Activate() {
    activateWindow();
    if (m_firstBox) m_firstBox->setFocus(Qt::OtherFocusReason);
}

ImageButton* WindowBase::addImageButton(int faceNumber, const QString& name, const QRect& geometry,
                                        const QString& toolTip) {
    auto* button = new ImageButton(faceNumber, this);
    button->setObjectName(name);
    button->move(geometry.topLeft());
    button->setToolTip(toolTip);
    return button;
}

void WindowBase::unload() {
    m_unloaded = true;
    hide();
    deleteLater();
}

void WindowBase::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window restored from the task bar keeps the focus where the user left it.
    if (!event->spontaneous()) Form_Activate();
}

void WindowBase::closeEvent(QCloseEvent* event) {
    // The window unloads or hides itself, or the application ends, in frameClosed().
    event->ignore();
    if (m_unloaded) return;
    if (m_running) {
        m_closePending = true;
        closeWhileRunning();
        return;
    }
    frameClosed();
}

void WindowBase::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_backdrop);
}

LongWork::LongWork(WindowBase& window) : m_window(window) {
    if (m_window.m_running) return;
    m_started = true;
    m_window.m_running = true;
    m_window.m_closePending = false;
    m_window.m_stop = std::stop_source();
}

LongWork::~LongWork() {
    if (!m_started) return;
    m_window.m_running = false;
    if (!m_window.m_closePending) return;
    m_window.m_closePending = false;
    // After the handler that ran the work has returned, not from inside it.
    QTimer::singleShot(0, &m_window, [window = &m_window] {
        if (!window->unloaded() && !window->running()) window->frameClosed();
    });
}

} // namespace pixa::ui
