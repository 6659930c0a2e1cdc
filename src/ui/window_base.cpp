#include "ui/window_base.h"

#include "ui/image_button.h"
#include "ui/platform.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <utility>

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
                       Platform& platform, QWidget* parent)
    : QWidget(parent), m_platform(platform) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setFixedSize(clientSize);
}

void WindowBase::activateAtFirstBox() {
    activateWindow();
    if (m_firstBox) m_firstBox->setFocus(Qt::OtherFocusReason);
}

ImageButton* WindowBase::addImageButton(int faceNumber, const QString& name, const QRect& geometry,
                                        const QString& toolTip, const QString& accessibleName) {
    return ui::addImageButton(this, faceNumber, name, geometry.topLeft(), toolTip, accessibleName);
}

void WindowBase::unload() {
    m_unloaded = true;
    hide();
    deleteLater();
}

void WindowBase::orderTabsByPosition() {
    // Controls whose tops differ by less than this stand in one row.
    constexpr int kRowTolerance = 12;
    QList<QWidget*> stops;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->focusPolicy() & Qt::TabFocus) stops << child;
    std::stable_sort(stops.begin(), stops.end(),
                     [](const QWidget* a, const QWidget* b) { return a->y() < b->y(); });
    for (qsizetype first = 0; first < stops.size();) {
        qsizetype end = first + 1;
        while (end < stops.size() && stops[end]->y() - stops[first]->y() < kRowTolerance)
            ++end;
        std::stable_sort(stops.begin() + first, stops.begin() + end,
                         [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
        first = end;
    }
    for (qsizetype i = 1; i < stops.size(); ++i)
        setTabOrder(stops[i - 1], stops[i]);
}

void WindowBase::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier &&
        closesOnEscape()) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void WindowBase::showEvent(QShowEvent* event) {
    if (!std::exchange(m_tabsOrdered, true)) orderTabsByPosition();
    QWidget::showEvent(event);
    // A window restored from the task bar keeps the focus where the user left it.
    if (!event->spontaneous()) activateAtFirstBox();
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
    if (m_window.m_running || m_window.m_platform.ending()) return;
    m_started = true;
    m_window.m_running = true;
    m_window.m_closePending = false;
    m_window.m_stop = std::stop_source();
    m_window.m_platform.work().add(this, m_window.m_stop);
}

LongWork::~LongWork() {
    if (!m_started) return;
    m_window.m_platform.work().remove(this);
    m_window.m_running = false;
    if (!m_window.m_closePending) return;
    m_window.m_closePending = false;
    // After the handler that ran the work has returned, not from inside it.
    QTimer::singleShot(0, &m_window, [window = &m_window] {
        if (!window->unloaded() && !window->running()) window->frameClosed();
    });
}

} // namespace pixa::ui
