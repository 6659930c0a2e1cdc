// Failures of the command-line tool that decide its exit status on their own.
#pragma once

#include <stdexcept>
#include <string>

namespace pixa {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitRefused = 3;

// A message for standard error (one or more lines) and the exit status that goes with it.
class CliError : public std::runtime_error {
public:
    CliError(int exitStatus, const std::string& message)
        : std::runtime_error(message), m_exitStatus(exitStatus) {}

    int exitStatus() const noexcept { return m_exitStatus; }

private:
    int m_exitStatus;
};

inline CliError usageError(const std::string& message) {
    return CliError(kExitUsage, message);
}

} // namespace pixa
