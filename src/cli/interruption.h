// The long work of a command (a wrap, an unwrap, a listing, a registration's wait for the store)
// made stoppable by SIGINT, SIGTERM and SIGHUP: the core's stop discards what was being written,
// and the tool ends with 128 + the signal's number, as a shell reports a process the signal ended.
#pragma once

#include "core/error.h"
#include "core/stop_signals.h"

#include <stop_token>

namespace pixa {

// Lives around the work only, never around a password prompt, which handles Ctrl-C itself.
class Interruption {
public:
    Interruption();

    std::stop_token token() const { return m_stop.get_token(); }
    // When `failure` is the stop that a signal asked for, throws the tool's end for it.
    void rethrowIfInterrupted(const Failure& failure) const;

private:
    std::stop_source m_stop;
    StopSignals m_signals; // after m_stop: its watcher uses m_stop until it is destroyed
};

} // namespace pixa
