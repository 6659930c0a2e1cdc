#include "ui/yielder.h"

#include <QCoreApplication>

#include <algorithm>
#include <climits>

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

int barRange(uint64_t blocks) {
    return static_cast<int>(std::min<uint64_t>(blocks, INT_MAX));
}

Progress barProgress(std::function<void(int value, int maximum)> setValue) {
    return [setValue = std::move(setValue), yielder = Yielder(),
            shown = int64_t(-1)](uint64_t block, uint64_t count) mutable {
        const int64_t maximum = barRange(count);
        const auto value = static_cast<int64_t>(std::min<uint64_t>(block, maximum));
        const int64_t step = maximum > 100 ? value * 100 / maximum : value;
        if (step != shown) {
            shown = step;
            setValue(static_cast<int>(value), static_cast<int>(maximum));
        }
        yielder.maybeYield();
    };
}

} // namespace pixa::ui
