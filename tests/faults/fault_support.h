// Helpers of the fault tests: private folders, the command-line tool run as a child process
// with time limits, test pictures and file checks.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pixafault {

namespace fs = std::filesystem;

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it, mounts included.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& path() const { return m_path; }
    fs::path operator/(const std::string& name) const { return m_path / name; }
    // Mounts a tmpfs of `options` ("size=1m", "ro") on a new subfolder; nullopt when this
    // process may not mount. The mount is undone by the destructor.
    std::optional<fs::path> mountTmpfs(const std::string& name, const std::string& options);

private:
    fs::path m_path;
    std::vector<fs::path> m_mounts;
};

struct ProcessResult {
    bool exited = false; // false: killed by a signal, see `signal`
    int exitCode = -1;
    int signal = 0;
    bool timedOut = false;
    std::string out;
    std::string err;
    long maxResidentKiB = 0; // the child's peak memory
};

// How a child is started: its arguments after the program, extra environment entries
// ("NAME=value", replacing this process's own), a hook run in the child just before exec
// (limits, user), and what its standard input gives (a pipe holding `input`, at most 64 KiB;
// /dev/null without it).
struct Launch {
    std::vector<std::string> args;
    std::vector<std::string> env = {};
    std::function<void()> inChild = {};
    std::optional<std::string> input = {};
};

// The environment that gives the tool the owner password "ownerpw" and viewer password "viewerpw".
inline const std::vector<std::string> kPasswords = {"PIXAMANTLER_OWNER_PASSWORD=ownerpw",
                                                    "PIXAMANTLER_VIEWER_PASSWORD=viewerpw"};

// The command-line tool under test; $PIXA_FAULT_CLI names another build of it (an older one, to
// see a test fail).
const char* cliPath();

// Starts the tool with standard input from /dev/null and its output in files of `folder`.
pid_t startCli(const Launch& launch, const fs::path& outputFolder);
// Waits for `pid` at most `limit`, polling; nullopt when it still runs then. `usage` receives
// the child's resource use when it has ended.
std::optional<int> waitUntil(pid_t pid, std::chrono::microseconds limit,
                             struct rusage* usage = nullptr);
// Runs the tool to its end (killed after `limit`) and collects its output.
ProcessResult runCli(const Launch& launch, std::chrono::seconds limit = std::chrono::seconds(60));

std::string readFile(const fs::path& path);
void writeFile(const fs::path& path, const std::string& bytes);
// A picture the tool accepts (it starts like a bitmap), its bytes told apart by `seed`.
std::string bitmapBytes(size_t size, uint32_t seed);
// An owner store of `count` owners "Owner 0", "Owner 1" ..., as registration writes them.
std::string ownerStoreBytes(int count);
// Names of the temporary files the application's writers leave in `folder`.
std::vector<std::string> temporariesIn(const fs::path& folder);
unsigned modeOf(const fs::path& path);
// Whether the tool's message is fit for a terminal: no control characters but line ends and tabs.
bool printableMessage(const std::string& text);
// How many kills a kill test does: PIXA_FAULT_KILLS, else `fallback`.
int killCount(int fallback);

} // namespace pixafault
