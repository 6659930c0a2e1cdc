// Mouse input for window tests that goes the way a user's does: through the top-level window,
// so that Qt's own routing (the implicit grab of a pressed button, disabled widgets) applies.
#pragma once

#include <QTest>
#include <QWidget>
#include <QWindow>

namespace pixa::ui::testing {

inline QWindow* windowOf(QWidget* widget) {
    return widget->window()->windowHandle();
}

// The point `local` of `widget` in its top-level window's coordinates.
inline QPoint inWindow(QWidget* widget, QPoint local) {
    return widget->mapTo(widget->window(), local);
}

inline void pressOn(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mousePress(windowOf(widget), button, {}, inWindow(widget, widget->rect().center()));
}

// Releases `button` at `windowPoint` of the window that holds `widget`, wherever that is.
inline void releaseAt(QWidget* widget, QPoint windowPoint,
                      Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseMove(windowOf(widget), windowPoint);
    QTest::mouseRelease(windowOf(widget), button, {}, windowPoint);
}

inline void clickOn(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(windowOf(widget), button, {}, inWindow(widget, widget->rect().center()));
}

} // namespace pixa::ui::testing
