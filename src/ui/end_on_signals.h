// Ends the application on the signals that ask a process to end (SIGINT, SIGTERM, SIGHUP) the way
// its exit command does: the call is made on the window thread, where the long work runs.
#pragma once

#include "core/stop_signals.h"

#include <functional>

class QObject;

namespace pixa::ui {

class EndOnSignals {
public:
    // While this object lives, the first such signal runs `end` in `context`'s thread, at the
    // event loop's next turn (a long work's yield included); a second ends the process at once.
    // `context` must outlive this object.
    EndOnSignals(QObject* context, std::function<void()> end);

private:
    StopSignals m_signals;
};

} // namespace pixa::ui
