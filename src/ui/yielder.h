// Lets pending window events run from inside long work, at most every few milliseconds, and
// turns the core's block progress into a window's progress bar.
#pragma once

#include "core/pff_file.h"

#include <QElapsedTimer>

#include <functional>

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

// The core's progress callback for a window's bar: `setValue(block, blockCount)` is called when
// the shown hundredth changes (a repaint a block would cost more than the block), and pending
// events run at most every 15 ms. Counts beyond int are held at its maximum.
Progress barProgress(std::function<void(int value, int maximum)> setValue);

// A count of blocks as a bar's range, held at int's maximum.
int barRange(uint64_t blocks);

} // namespace pixa::ui
