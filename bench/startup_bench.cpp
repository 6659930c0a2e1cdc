// Start-up of the real program on a real display ($DISPLAY; bench/startup.sh gives it an Xvfb of
// its own): from just before the process is spawned to the title screen's first paint, and the
// title's row-by-row drawing, as the program reports them with PIXAMANTLER_TRACE_START set.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

#ifndef PIXA_APP_PATH
#define PIXA_APP_PATH "pixamantler"
#endif

double monotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct StartTimes {
    double shownMs = 0;   // spawn to the first paint of the title
    double drawnMs = 0;   // spawn to the title's last row
    double drawingMs = 0; // the drawing itself
};

// Starts the program in a data folder of its own, reads its trace until the title is drawn, and
// ends it before the title does. nullopt when it does not get there within 30 seconds.
std::optional<StartTimes> startOnce(const std::filesystem::path& home) {
    int out[2];
    if (pipe(out) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);

    std::vector<std::string> settings = {
        "PIXAMANTLER_TRACE_START=1", "PIXAMANTLER_HOME=" + home.string(), "HOME=" + home.string()};
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("PIXAMANTLER_", 0) != 0 && entry.rfind("HOME=", 0) != 0)
            settings.push_back(entry);
    }
    std::vector<char*> env;
    for (std::string& s : settings)
        env.push_back(s.data());
    env.push_back(nullptr);
    std::string program = PIXA_APP_PATH;
    char* argv[] = {program.data(), nullptr};

    const double start = monotonicMs();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, env.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return std::nullopt;
    }

    StartTimes times;
    bool shown = false;
    bool drawn = false;
    std::string pending;
    const double deadline = start + 30'000;
    while (!drawn && monotonicMs() < deadline) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 1000) <= 0) continue;
        char buffer[512];
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got <= 0) break;
        pending.append(buffer, size_t(got));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;
             pending.erase(0, end + 1)) {
            long long at = 0;
            long long took = 0;
            const std::string line = pending.substr(0, end);
            if (std::sscanf(line.c_str(), "pixamantler-trace title-shown %lld", &at) == 1) {
                times.shownMs = double(at) / 1e6 - start;
                shown = true;
            } else if (std::sscanf(line.c_str(), "pixamantler-trace title-drawn %lld %lld", &at,
                                   &took) == 2) {
                times.drawnMs = double(at) / 1e6 - start;
                times.drawingMs = double(took) / 1e6;
                drawn = true;
            }
        }
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    close(out[0]);
    if (!shown || !drawn) return std::nullopt;
    return times;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void BM_StartToTitle(benchmark::State& state) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        state.SkipWithError("no DISPLAY: run bench/startup.sh, which starts an Xvfb");
        return;
    }
    const auto home =
        std::filesystem::temp_directory_path() / ("pixa-startup-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(home);
    // The first start fills the system's caches (fonts, libraries); the runs measure warm starts.
    startOnce(home);
    std::vector<double> shown;
    std::vector<double> drawn;
    std::vector<double> drawing;
    for (auto _ : state) {
        const auto times = startOnce(home);
        if (!times) {
            state.SkipWithError("the program did not report its title");
            break;
        }
        state.SetIterationTime(times->shownMs / 1e3);
        shown.push_back(times->shownMs);
        drawn.push_back(times->drawnMs);
        drawing.push_back(times->drawingMs);
    }
    std::filesystem::remove_all(home);
    state.counters["shown_median_ms"] = median(shown);
    state.counters["shown_max_ms"] =
        shown.empty() ? 0 : *std::max_element(shown.begin(), shown.end());
    state.counters["drawn_median_ms"] = median(drawn);
    state.counters["drawing_median_ms"] = median(drawing);
}
BENCHMARK(BM_StartToTitle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

} // namespace

BENCHMARK_MAIN();
