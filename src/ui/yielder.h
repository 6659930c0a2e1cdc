// Lets pending window events run from inside long work, at most every few milliseconds.
#pragma once

#include <QElapsedTimer>

namespace pixa::ui {

class Yielder {
public:
    explicit Yielder(int intervalMs = 15);
    // Runs pending events when at least the interval has passed since the last time.
    void maybeYield();
    // Runs pending events now (where a yield is needed for correctness, e.g. between files).
    void yieldNow();

private:
    int m_intervalMs;
    QElapsedTimer m_timer;
};

} // namespace pixa::ui
