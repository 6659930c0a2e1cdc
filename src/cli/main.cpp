// pixamantler-cli: the headless command-line tool over the core.
#include "cli/cli_main.h"
#include "core/process_privacy.h"

#include <csignal>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Passwords are typed into this process: no core dump may keep them.
    pixa::keepMemoryPrivate();
    // A file-size limit then fails the write with EFBIG, reported as "Disk full", instead of
    // killing the process halfway.
    std::signal(SIGXFSZ, SIG_IGN);
    return pixa::runCli(std::vector<std::string>(argv + 1, argv + argc));
}
