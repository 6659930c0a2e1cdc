// Turns the signals that ask a process to end (SIGINT, SIGTERM, SIGHUP) into a call on a thread
// of its own, so that long work can be stopped cleanly instead of dying in the middle of a write.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace pixa {

// While an object lives, SIGINT, SIGTERM and SIGHUP no longer end the process: the first of
// them calls `onSignal` with its number, on the object's own watcher thread (never inside the
// signal handler), where it may request a std::stop_source's stop or post to an event loop.
// A second of them while the object lives ends the process at once with that signal's default
// action, so that work that does not stop can always be ended by a second Ctrl-C.
//
// The signals are caught, not blocked: no thread's signal mask changes, so threads started
// before and child processes started meanwhile see the signals as usual. The dispositions the
// signals had before come back when the object is destroyed. Only one object may live at a
// time (signal dispositions belong to the whole process); a second throws std::logic_error.
class StopSignals {
public:
    using Handler = std::function<void(int signalNumber)>;

    explicit StopSignals(Handler onSignal);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that asked for the stop; 0 while none has come.
    int received() const noexcept;

private:
    void watch();

    Handler m_onSignal;
    int m_readEnd = -1;
    int m_writeEnd = -1;
    std::thread m_watcher;
};

} // namespace pixa
