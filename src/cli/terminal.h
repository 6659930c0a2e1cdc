// The terminal side of the tool: hidden password entry and a progress line on standard error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pixa {

bool isTerminal(int fd);

// Shows `prompt` on standard error and reads one line from the terminal on standard input
// without echo. Backspace and Ctrl-U edit the line; Ctrl-C restores the terminal and ends the
// process by SIGINT as usual; end of input before any character is a failure.
std::string readHiddenLine(std::string_view prompt);

// A one-line percentage on standard error, redrawn in place; silent unless standard error is a
// terminal, so that logs and pipes get no carriage returns.
class ProgressLine {
public:
    explicit ProgressLine(std::string label);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void update(uint64_t block, uint64_t count);
    // Ends the line; called by the destructor when not called before.
    void finish();

private:
    std::string m_label;
    bool m_enabled;
    bool m_shown = false;
    int m_percent = -1;
};

} // namespace pixa
