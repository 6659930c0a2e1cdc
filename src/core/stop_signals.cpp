#include "core/stop_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace pixa {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

// A signal handler can reach nothing but process-wide state, and signal dispositions are
// process-wide themselves: this is the state of the one StopSignals object that may live.
std::atomic<int> g_writeEnd{-1};
std::atomic<int> g_received{0};
struct sigaction g_previous[kSignalCount];
bool g_caught[kSignalCount];

static_assert(std::atomic<int>::is_always_lock_free, "the handler needs lock-free atomics");

extern "C" void onStopSignal(int signalNumber) {
    const int savedErrno = errno;
    int expected = 0;
    if (!g_received.compare_exchange_strong(expected, signalNumber)) {
        // A stop is already on its way: this signal ends the process as if nothing caught it.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        ::sigemptyset(&fallback.sa_mask);
        ::sigaction(signalNumber, &fallback, nullptr);
        ::raise(signalNumber);
        errno = savedErrno;
        return;
    }
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    const int fd = g_writeEnd.load();
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

StopSignals::StopSignals(Handler onSignal) : m_onSignal(std::move(onSignal)) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category());
    m_readEnd = ends[0];
    m_writeEnd = ends[1];
    int expected = -1;
    if (!g_writeEnd.compare_exchange_strong(expected, m_writeEnd)) {
        ::close(m_readEnd);
        ::close(m_writeEnd);
        throw std::logic_error("only one StopSignals object may live at a time");
    }
    g_received = 0;
    m_watcher = std::thread([this] { watch(); });
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    // Interrupted system calls go on: the work looks at its stop token between its steps.
    action.sa_flags = SA_RESTART;
    ::sigemptyset(&action.sa_mask);
    for (int i = 0; i < kSignalCount; ++i) {
        ::sigaction(kSignals[i], nullptr, &g_previous[i]);
        // A signal ignored when the process started (nohup, a background job of a script) stays
        // ignored, as the shell that arranged it means.
        g_caught[i] = g_previous[i].sa_handler != SIG_IGN;
        if (g_caught[i]) ::sigaction(kSignals[i], &action, nullptr);
    }
}

StopSignals::~StopSignals() {
    for (int i = 0; i < kSignalCount; ++i) {
        if (g_caught[i]) ::sigaction(kSignals[i], &g_previous[i], nullptr);
    }
    const unsigned char quit = 0;
    while (::write(m_writeEnd, &quit, 1) < 0 && errno == EINTR) {
    }
    m_watcher.join();
    g_writeEnd = -1;
    ::close(m_writeEnd);
    ::close(m_readEnd);
    g_received = 0;
}

int StopSignals::received() const noexcept {
    return g_received.load();
}

void StopSignals::watch() {
    for (;;) {
        unsigned char byte = 0;
        const ssize_t n = ::read(m_readEnd, &byte, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || byte == 0) return;
        try {
            if (m_onSignal) m_onSignal(byte);
        } catch (...) {
            // Nothing on this thread could report it; the stop itself has been asked for or not.
        }
    }
}

} // namespace pixa
