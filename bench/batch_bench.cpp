// Times a batch run of the batch window against pixamantler-cli wrap --output-dir on the same
// photos, and measures how long the window's event loop waited at most during the run.
//
// Usage: pixa-batch-bench CLI [COUNT [SIZE_MIB [REPETITIONS]]]   (defaults: 200 photos, 5 MiB, 3)
// Runs offscreen unless a display is given. Prints the median of each and their ratio.
#include "bench_support.h"
#include "core/session.h"
#include "scripted_platform.h"
#include "ui/file_browsers.h"
#include "ui/image_button.h"
#include "windows/batch/batch_wrap_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace pixa;
namespace fs = std::filesystem;

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void clearFolder(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CLI [COUNT [SIZE_MIB [REPETITIONS]]]\n", argv[0]);
        return 2;
    }
    const QString cli = QString::fromLocal8Bit(argv[1]);
    const int count = argc > 2 ? std::atoi(argv[2]) : 200;
    const int mib = argc > 3 ? std::atoi(argv[3]) : 5;
    const int reps = argc > 4 ? std::atoi(argv[4]) : 3;

    bench::ScratchFolder scratch;
    const fs::path sources = scratch.path() / "photos";
    const fs::path out = scratch.path() / "out";
    const fs::path data = scratch.path() / "data";
    fs::create_directories(sources);
    fs::create_directories(data);
    QStringList names;
    for (int i = 0; i < count; ++i) {
        const std::string name = "photo" + std::to_string(1000 + i) + ".jpg";
        bench::writePicture(sources / name, static_cast<uint64_t>(mib) << 20);
        names << QString::fromStdString((sources / name).string());
    }
    const FixedClock clock(10, 12, 34);
    Session session(data, clock);
    session.setCurrentOwner(bench::benchOwner(data));
    ui::ScriptedPlatform platform;

    std::vector<double> cliTimes;
    std::vector<double> windowTimes;
    qint64 worstGap = 0;
    for (int rep = 0; rep < reps; ++rep) {
        clearFolder(out);
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PIXAMANTLER_OWNER_PASSWORD"), QStringLiteral("owner1"));
        tool.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        tool.start(cli, QStringList{"--data-dir", QString::fromStdString(data.string()), "wrap",
                                    "--owner", "Bench Owner", "--output-dir",
                                    QString::fromStdString(out.string())} +
                            names);
        tool.waitForFinished(-1);
        cliTimes.push_back(timer.elapsed() / 1000.0);
        if (tool.exitCode() != 0) {
            std::fprintf(stderr, "the tool failed: %s\n", tool.readAllStandardError().constData());
            return 1;
        }

        clearFolder(out);
        auto* window = new ui::BatchWrapWindow(session, platform);
        window->show();
        window->findChild<ui::FolderList*>(QStringLiteral("sourceFolders"))
            ->setPath(QString::fromStdString(sources.string()));
        window->findChild<ui::FolderList*>(QStringLiteral("destinationFolders"))
            ->setPath(QString::fromStdString(out.string()));
        auto* files = window->findChild<ui::FileList*>(QStringLiteral("photoList"));
        files->selectAll();
        // A timer that should fire every 10 ms: the longest wait between two of its ticks is
        // how long the window could not react.
        QElapsedTimer sinceTick;
        sinceTick.start();
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout,
                         [&] { worstGap = std::max(worstGap, sinceTick.restart()); });
        ticker.start(10);
        timer.restart();
        window->findChild<ui::ImageButton*>(QStringLiteral("startButton"))->clicked();
        windowTimes.push_back(timer.elapsed() / 1000.0);
        ticker.stop();
        delete window;
    }
    const double cliMedian = median(cliTimes);
    const double windowMedian = median(windowTimes);
    std::printf("%d photos of %d MiB, median of %d runs\n", count, mib, reps);
    std::printf("pixamantler-cli wrap --output-dir: %.2f s\n", cliMedian);
    std::printf("batch window:                      %.2f s (%.2f x)\n", windowMedian,
                windowMedian / cliMedian);
    std::printf("longest wait of the event loop during the runs: %lld ms\n",
                static_cast<long long>(worstGap));
    return 0;
}
