// The photo grid's speed on a folder of 1,000 12-megapixel JPEGs (half with an EXIF thumbnail)
// and one of 5,000 wrapped photos: from show() to the first screen and to every tile made, a page
// scrolled, and the process's peak memory while the grid is made.
#include "bench_support.h"

#include "core/pff_file.h"
#include "exif_thumbnail_samples.h"
#include "imaging/picture_decode.h"
#include "scripted_platform.h"
#include "test_photo.h"
#include "windows/main/photo_grid.h"
#include "windows/main/tile_model.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;
using pixa::ui::PhotoGrid;
using pixa::ui::Tile;

namespace {

constexpr int kJpegs = 1000;
constexpr int kWrapped = 5000;
// Longer than any run is allowed to take: a grid that never finishes fails instead of hanging.
constexpr qint64 kGiveUpMs = 120000;

void writeFile(const fs::path& path, const QByteArray& bytes) {
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.string());
}

// Every name links to one of two files: a folder of 1,000 photos needs two encodes, not 1,000,
// and the page cache holds it as it would a folder just looked at.
void linkOrCopy(const fs::path& from, const fs::path& to) {
    std::error_code linked;
    fs::create_hard_link(from, to, linked);
    if (linked) fs::copy_file(from, to);
}

// The folders, written once per run into a temporary folder that goes with it.
class Folders {
public:
    const std::vector<fs::path>& jpegs() {
        if (m_jpegs.empty()) writeJpegs();
        return m_jpegs;
    }
    const std::vector<fs::path>& wrapped() {
        if (m_wrapped.empty()) writeWrapped();
        return m_wrapped;
    }

private:
    fs::path root() const { return m_dir.path().toStdString(); }

    // A camera's photo of 4000 × 3000 at quality 90, the even ones with a 160 × 120 EXIF
    // thumbnail, the odd ones without, so that every screen has both.
    void writeJpegs() {
        QImage photo = pixatest::photoLike(QSize(4000, 3000));
        pixatest::addGrain(photo);
        const QByteArray jpeg = pixatest::jpegOf(photo, 90);
        const QImage small = photo.scaled(160, 120, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        const fs::path sources[] = {root() / "exif.jpg", root() / "plain.jpg"};
        writeFile(sources[0], pixatest::withExifThumbnail(jpeg, 1, pixatest::jpegOf(small, 90)));
        writeFile(sources[1], jpeg);
        fs::create_directories(root() / "jpegs");
        for (int i = 0; i < kJpegs; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "photo%04d.jpg", i);
            m_jpegs.push_back(root() / "jpegs" / name);
            linkOrCopy(sources[i % 2], m_jpegs.back());
        }
    }

    // Small pictures wrapped for one owner, each with its own caption.
    void writeWrapped() {
        const fs::path source = root() / "small.jpg";
        writeFile(source, pixatest::jpegOf(pixatest::photoLike(QSize(64, 48)), 90));
        const pixa::CurrentOwner owner = pixa::bench::benchOwner(root());
        fs::create_directories(root() / "wrapped");
        for (int i = 0; i < kWrapped; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "wrapped%04d.pff", i);
            m_wrapped.push_back(root() / "wrapped" / name);
            pixa::encrypt_pff_file(
                {source, m_wrapped.back(), "Caption " + std::to_string(i), ".JPG", owner});
        }
    }

    QTemporaryDir m_dir;
    std::vector<fs::path> m_jpegs;
    std::vector<fs::path> m_wrapped;
};

Folders& folders() {
    static Folders made;
    return made;
}

// Notes the longest the window's thread went without a turn of its event loop, beyond the
// timer's own period: what a user would see as the grid stalling.
class StallMeter {
public:
    StallMeter() {
        m_tick.setTimerType(Qt::PreciseTimer);
        m_tick.setInterval(kPeriodMs);
        QObject::connect(&m_tick, &QTimer::timeout, &m_tick, [this] {
            m_longestMs = std::max(m_longestMs, m_since.restart() - kPeriodMs);
        });
        m_since.start();
        m_tick.start();
    }
    qint64 longestMs() const { return m_longestMs; }

private:
    static constexpr qint64 kPeriodMs = 10;
    QTimer m_tick;
    QElapsedTimer m_since;
    qint64 m_longestMs = 0;
};

// CPU time the calling thread has used, in seconds: the window's thread, for what the grid
// costs it apart from the workers.
double threadCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The highest resident set of the process since the last resetPeak(), in MiB.
double peakMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return -1;
}

void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Runs the event loop until `done` holds, woken by what arrives (the workers' deliveries) and
// at least every 100 ms; false when it has not held within kGiveUpMs.
bool waitFor(const std::function<bool()>& done) {
    QTimer heartbeat;
    heartbeat.start(100);
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > kGiveUpMs) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Lets the grid work on for `ms`, as a user who looks before scrolling.
void workOn(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The grid's workers for a benchmark's `workers` argument: 0 for as many as the machine gives.
int workersOf(int64_t workers) {
    return workers > 0 ? int(workers) : PhotoGrid::defaultThreads();
}

// A plain window of 1280 × 800 with a grid on it, shown, as the main window holds one.
struct GridWindow {
    pixa::ui::ScriptedPlatform platform;
    QWidget window;
    PhotoGrid grid;

    explicit GridWindow(int64_t workers = 0)
        : grid(
              &window, platform, [](const pixa::PffInfo&) { return false; }, workersOf(workers)) {
        window.resize(1280, 800);
        window.show();
        QCoreApplication::processEvents();
    }
    ~GridWindow() { grid.stop(); }

    void show(const std::vector<fs::path>& photos) {
        grid.show(photos, QString::fromStdString(photos.front().string()));
    }
    // The rows whose tiles the view shows, whole or in part.
    std::vector<int> inSight() const {
        const QRect seen = grid.view().viewport()->rect();
        std::vector<int> rows;
        for (int row = 0; row < grid.tiles().count(); ++row)
            if (grid.view().visualRect(grid.tiles().index(row)).intersects(seen))
                rows.push_back(row);
        return rows;
    }
    bool made(int row) const { return !grid.tiles().tile(row).thumbnail.isNull(); }
    // Every tile in sight has its thumbnail, and the view shows a screenful of them.
    bool screenMade() const {
        const std::vector<int> rows = inSight();
        return rows.size() >= 24 &&
               std::all_of(rows.begin(), rows.end(), [this](int row) { return made(row); });
    }
    bool allMade() const {
        for (int row = 0; row < grid.tiles().count(); ++row)
            if (!made(row)) return false;
        return true;
    }
};

double secondsOf(const QElapsedTimer& clock) {
    return double(clock.nsecsElapsed()) / 1e9;
}

// From show() to every tile of the first screen with its thumbnail.
void gridFirstScreen(benchmark::State& state) {
    const std::vector<fs::path>& photos = folders().jpegs();
    size_t seen = 0;
    for (auto _ : state) {
        GridWindow w(state.range(0));
        QElapsedTimer clock;
        clock.start();
        w.show(photos);
        if (!waitFor([&w] { return w.screenMade(); })) state.SkipWithError("first screen unmade");
        state.SetIterationTime(secondsOf(clock));
        seen = w.inSight().size();
    }
    state.counters["tiles_in_sight"] = double(seen);
    state.counters["workers"] = workersOf(state.range(0));
}
// The first argument of each: the grid's workers, 0 for the machine's default (one fewer than
// its cores), else that many.
BENCHMARK(gridFirstScreen)
    ->Arg(0)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

// From show() to all 1,000 tiles with their thumbnails; the peak memory of the process (reset
// when the grid starts), the window thread's CPU time and its longest stall on the way.
void gridAllThumbnails(benchmark::State& state) {
    const std::vector<fs::path>& photos = folders().jpegs();
    for (auto _ : state) {
        GridWindow w(state.range(0));
        resetPeak();
        const double baseMiB = peakMiB();
        const double cpuBefore = threadCpuSeconds();
        StallMeter stalls;
        QElapsedTimer clock;
        clock.start();
        w.show(photos);
        double firstScreen = 0;
        const bool made = waitFor([&] {
            if (firstScreen == 0 && w.screenMade()) firstScreen = secondsOf(clock);
            return w.allMade();
        });
        if (!made) state.SkipWithError("not every thumbnail made");
        state.SetIterationTime(secondsOf(clock));
        state.counters["first_screen_ms"] = firstScreen * 1e3;
        state.counters["peak_MiB"] = peakMiB();
        state.counters["base_MiB"] = baseMiB;
        state.counters["thumbnails_MiB"] = double(w.grid.tiles().thumbnailBytes()) / (1 << 20);
        state.counters["gui_cpu_ms"] = (threadCpuSeconds() - cpuBefore) * 1e3;
        state.counters["longest_stall_ms"] = double(stalls.longestMs());
        state.counters["workers"] = workersOf(state.range(0));
    }
    state.counters["jpeg_MB"] = double(fs::file_size(photos[1])) / 1e6;
}
BENCHMARK(gridAllThumbnails)
    ->Arg(0)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

// A page down once the first screen is made, at once (second argument 0) or after the grid has
// worked ahead for a second (1): the time until every tile of the new screen has its thumbnail,
// and the repaint right after the scroll.
void gridScrollPage(benchmark::State& state) {
    const std::vector<fs::path>& photos = folders().jpegs();
    double repaintMs = 0;
    double scrollMs = 0;
    double unmade = 0; // tiles of the new screen without their thumbnail at the scroll
    for (auto _ : state) {
        GridWindow w(state.range(0));
        w.show(photos);
        if (!waitFor([&w] { return w.screenMade(); })) state.SkipWithError("first screen unmade");
        if (state.range(1)) workOn(1000);
        QScrollBar* bar = w.grid.view().verticalScrollBar();
        QElapsedTimer clock;
        clock.start();
        bar->setValue(bar->value() + bar->pageStep());
        const qint64 scrolled = clock.nsecsElapsed();
        w.grid.view().viewport()->repaint();
        repaintMs += double(clock.nsecsElapsed() - scrolled) / 1e6;
        const std::vector<int> rows = w.inSight();
        unmade +=
            double(std::count_if(rows.begin(), rows.end(), [&w](int row) { return !w.made(row); }));
        scrollMs += double(scrolled) / 1e6;
        if (!waitFor([&w] { return w.screenMade(); })) state.SkipWithError("new screen unmade");
        state.SetIterationTime(secondsOf(clock));
    }
    state.counters["repaint_ms"] = repaintMs / double(state.iterations());
    state.counters["set_scroll_ms"] = scrollMs / double(state.iterations());
    state.counters["unmade_tiles"] = unmade / double(state.iterations());
}
BENCHMARK(gridScrollPage)
    ->ArgsProduct({{0, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

// From show() to all 5,000 wrapped photos' tiles with their caption and owner.
void gridWrappedCaptions(benchmark::State& state) {
    const std::vector<fs::path>& photos = folders().wrapped();
    for (auto _ : state) {
        GridWindow w;
        const double cpuBefore = threadCpuSeconds();
        StallMeter stalls;
        QElapsedTimer clock;
        clock.start();
        w.show(photos);
        const bool described = waitFor([&w] {
            for (int row = 0; row < w.grid.tiles().count(); ++row)
                if (w.grid.tiles().tile(row).state != Tile::State::Wrapped) return false;
            return true;
        });
        if (!described) state.SkipWithError("not every caption read");
        state.SetIterationTime(secondsOf(clock));
        state.counters["gui_cpu_ms"] = (threadCpuSeconds() - cpuBefore) * 1e3;
        state.counters["longest_stall_ms"] = double(stalls.longestMs());
    }
}
BENCHMARK(gridWrappedCaptions)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    pixa::setDecodeLimits();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
