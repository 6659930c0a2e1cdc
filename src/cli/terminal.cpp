#include "cli/terminal.h"

#include "cli/cli_error.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace pixa {

namespace {

void writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return; // nowhere to show it; the prompt or progress is only a courtesy
        text.remove_prefix(static_cast<size_t>(n));
    }
}

// Puts the terminal on standard input into character mode without echo and restores it.
class HiddenInput {
public:
    HiddenInput() {
        if (::tcgetattr(STDIN_FILENO, &m_saved) != 0) {
            throw CliError(kExitFailure, "cannot read a password from the terminal");
        }
        termios quiet = m_saved;
        // Signals are read as characters so that Ctrl-C can restore the echo before it stops us.
        quiet.c_lflag &= static_cast<tcflag_t>(~(ECHO | ICANON | ISIG));
        quiet.c_cc[VMIN] = 1;
        quiet.c_cc[VTIME] = 0;
        // TCSANOW keeps what was typed ahead of the prompt.
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    ~HiddenInput() { restore(); }
    HiddenInput(const HiddenInput&) = delete;
    HiddenInput& operator=(const HiddenInput&) = delete;

    void restore() { ::tcsetattr(STDIN_FILENO, TCSANOW, &m_saved); }

private:
    termios m_saved{};
};

void dropLastCharacter(std::string& line) {
    // Continuation bytes of a UTF-8 character go with it.
    while (!line.empty() && (static_cast<unsigned char>(line.back()) & 0xC0) == 0x80) {
        line.pop_back();
    }
    if (!line.empty()) line.pop_back();
}

} // namespace

bool isTerminal(int fd) {
    return ::isatty(fd) == 1;
}

std::string readHiddenLine(std::string_view prompt) {
    // Echo goes off before the prompt appears, so that nothing typed after it is shown.
    HiddenInput hidden;
    writeAll(STDERR_FILENO, prompt);
    std::string line;
    for (;;) {
        char c = 0;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || (c == '\x04' && line.empty())) {
            hidden.restore();
            writeAll(STDERR_FILENO, "\n");
            throw CliError(kExitFailure, "no password was entered");
        }
        if (c == '\n' || c == '\r') break;
        if (c == '\x03') {
            hidden.restore();
            writeAll(STDERR_FILENO, "\n");
            std::signal(SIGINT, SIG_DFL);
            std::raise(SIGINT);
            throw CliError(kExitFailure, "interrupted");
        }
        if (c == '\x7f' || c == '\b') {
            dropLastCharacter(line);
        } else if (c == '\x15') {
            line.clear();
        } else if (static_cast<unsigned char>(c) >= 0x20) {
            line += c;
        }
    }
    hidden.restore();
    writeAll(STDERR_FILENO, "\n");
    return line;
}

ProgressLine::ProgressLine(std::string label)
    : m_label(std::move(label)), m_enabled(isTerminal(STDERR_FILENO)) {}

ProgressLine::~ProgressLine() {
    finish();
}

void ProgressLine::update(uint64_t block, uint64_t count) {
    if (!m_enabled || count == 0) return;
    const int percent = static_cast<int>(block * 100 / count);
    if (percent == m_percent) return;
    m_percent = percent;
    m_shown = true;
    writeAll(STDERR_FILENO, "\r" + m_label + ": " + std::to_string(percent) + "%");
}

void ProgressLine::finish() {
    if (!m_shown) return;
    m_shown = false;
    writeAll(STDERR_FILENO, "\n");
}

} // namespace pixa
