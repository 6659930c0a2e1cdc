// The tool's entry point behind main(): global options, the command table and exit statuses.
#pragma once

#include <string>
#include <vector>

namespace pixa {

// Runs one command line (without the program name) and returns the exit status.
int runCli(const std::vector<std::string>& args);

} // namespace pixa
