// The busy pointer, held by whoever works: each holder shows it for its own life and takes back
// only its own, so that one window's end of work leaves another's pointer alone.
#pragma once

#include <QGuiApplication>

namespace pixa::ui {

class BusyPointer {
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { release(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

    // Takes the pointer back before the end of the holder's life; once.
    void release() {
        if (!m_held) return;
        m_held = false;
        QGuiApplication::restoreOverrideCursor();
    }

private:
    bool m_held = true;
};

} // namespace pixa::ui
