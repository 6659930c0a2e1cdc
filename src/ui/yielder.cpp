#include "ui/yielder.h"

#include <QCoreApplication>

namespace pixa::ui {

Yielder::Yielder(int intervalMs) : m_intervalMs(intervalMs) {
    m_timer.start();
}

void Yielder::maybeYield() {
    if (m_timer.elapsed() >= m_intervalMs) yieldNow();
}

void Yielder::yieldNow() {
    QCoreApplication::processEvents();
    m_timer.restart();
}

} // namespace pixa::ui
