// The main window's speed on a 24-megapixel JPEG: opening and showing it, and fitting it to the
// window, against Qt's own decode of the same file; one scroll step on a 9000 × 6000 photo; and
// from the open command to the first paint of a 24- and a 150-megapixel photo, against their
// whole decode; from the open command to the photo fitted while it decodes; and a step to the
// next 24-megapixel photo of a folder, prepared ahead or not; and the repaint after a zoom step, a
// scroll step, a fit and a resize step of a decoded 24- and 150-megapixel photo.
#include "bench_support.h"

#include "core/error.h"
#include "core/session.h"
#include "test_photo.h"
#include "ui/platform.h"
#include "imaging/picture_decode.h"
#include "windows/main/main_window.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Answers nothing and shows nothing: the benchmarks open files by name.
class SilentPlatform final : public pixa::ui::Platform {
public:
    void showHelp(QWidget*, const QString&) override {}

protected:
    void showMessage(QWidget*, const QString& text) override {
        qFatal("unexpected message: %s", qPrintable(text));
    }
    bool showQuestion(QWidget*, const QString&, Default) override { return false; }
    pixa::ui::FileDialogResult showOpenDialog(QWidget*,
                                              const pixa::ui::FileDialogRequest&) override {
        throw pixa::Failure(pixa::err::DialogCancelled);
    }
    pixa::ui::FileDialogResult showSaveDialog(QWidget*,
                                              const pixa::ui::FileDialogRequest&) override {
        throw pixa::Failure(pixa::err::DialogCancelled);
    }
    void quit(int) override {}
};

// A photo-like JPEG with a camera's fine noise, so that it is as large and as slow to decode as
// a real photo of its size.
QString writePhoto(const fs::path& folder, QSize size, const char* name) {
    QImage image = pixatest::photoLike(size);
    QRandomGenerator noise(42);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int d = int(noise.bounded(17)) - 8;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + d, 0, 255), std::clamp(qGreen(c) + d, 0, 255),
                           std::clamp(qBlue(c) + d, 0, 255));
        }
    }
    const QString path = QString::fromStdString((folder / name).string());
    QImageWriter writer(path, "jpeg");
    writer.setQuality(90);
    if (!writer.write(image)) qFatal("cannot write %s", qPrintable(path));
    return path;
}

struct Workspace {
    pixa::bench::ScratchFolder scratch;
    pixa::FixedClock clock{9, 30, 0};
    pixa::Session session{scratch.path(), clock};
    SilentPlatform platform;
    pixa::ui::MainWindow window{session, platform};
    QString photo24 = writePhoto(scratch.path(), QSize(6000, 4000), "24mp.jpg");
    QString photo54 = writePhoto(scratch.path(), QSize(9000, 6000), "54mp.jpg");
    QString photo150;

    // Written on first use: it takes a while.
    const QString& photo(int megapixels) {
        if (megapixels == 24) return photo24;
        if (photo150.isEmpty())
            photo150 = writePhoto(scratch.path(), QSize(15000, 10000), "150mp.jpg");
        return photo150;
    }

    Workspace() {
        session.setCurrentOwner(pixa::bench::benchOwner(scratch.path()));
        window.show();
    }
};

std::unique_ptr<Workspace> g_workspace;

Workspace& workspace() {
    if (!g_workspace) g_workspace = std::make_unique<Workspace>();
    return *g_workspace;
}

void decodeOnly(benchmark::State& state) {
    Workspace& w = workspace();
    for (auto _ : state) {
        QImageReader reader(w.photo24);
        benchmark::DoNotOptimize(reader.read());
    }
    state.counters["file_MB"] = double(QFileInfo(w.photo24).size()) / 1e6;
}
BENCHMARK(decodeOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

void decodeToFrameSize(benchmark::State& state) {
    Workspace& w = workspace();
    for (auto _ : state) {
        QImageReader reader(w.photo24);
        reader.setScaledSize(QSize(696, 464));
        benchmark::DoNotOptimize(reader.read());
    }
}
BENCHMARK(decodeToFrameSize)->Unit(benchmark::kMillisecond)->UseRealTime();

// The open command from the chosen file to the photo painted in the window.
void openAndShow(benchmark::State& state) {
    Workspace& w = workspace();
    for (auto _ : state) {
        w.window.openByName(w.photo24);
        w.window.repaint();
    }
    if (w.window.shownPicture().size() != QSize(6000, 4000)) state.SkipWithError("not shown");
}
BENCHMARK(openAndShow)->Unit(benchmark::kMillisecond)->UseRealTime();

void fitToWindow(benchmark::State& state) {
    Workspace& w = workspace();
    w.window.openByName(w.photo24);
    for (auto _ : state) {
        state.PauseTiming();
        w.window.actualSize();
        state.ResumeTiming();
        w.window.fitToWindow();
        w.window.repaint();
    }
    if (w.window.shownPicture().width() != 696) state.SkipWithError("not fitted");
}
BENCHMARK(fitToWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

// One step of the scroll bar on a 9000 × 6000 photo, repainted.
void scrollStep(benchmark::State& state) {
    Workspace& w = workspace();
    w.window.openByName(w.photo54);
    auto* bar = w.window.findChild<QScrollBar*>(QStringLiteral("horizontalScrollBar"));
    int step = 0;
    for (auto _ : state) {
        bar->setValue((++step % 100) * 40);
        w.window.repaint();
    }
}
BENCHMARK(scrollStep)->Unit(benchmark::kMillisecond)->UseRealTime();

// Notes when the photo's box is first painted after the clock started (at `width`, when set),
// and calls `then` there.
class FirstPaint final : public QObject {
public:
    QElapsedTimer clock;
    qint64 ns = -1;
    int width = -1;
    std::function<void()> then;

protected:
    bool eventFilter(QObject* box, QEvent* event) override {
        if (event->type() != QEvent::Paint || ns >= 0) return false;
        if (width >= 0 && static_cast<QWidget*>(box)->width() != width) return false;
        ns = clock.nsecsElapsed();
        if (then) then();
        return false;
    }
};

// The open command from the chosen file to the photo's first paint in the window; the command
// goes on decoding the rest after it.
void openToFirstPaint(benchmark::State& state) {
    Workspace& w = workspace();
    const QString& photo = w.photo(int(state.range(0)));
    auto* box = w.window.findChild<QWidget*>(QStringLiteral("pictureBox"));
    FirstPaint spy;
    box->installEventFilter(&spy);
    for (auto _ : state) {
        box->hide();
        QApplication::processEvents();
        spy.ns = -1;
        spy.clock.start();
        w.window.openByName(photo);
        if (spy.ns < 0) w.window.repaint();
        state.SetIterationTime(double(spy.ns) / 1e9);
    }
    box->removeEventFilter(&spy);
}
BENCHMARK(openToFirstPaint)->Arg(24)->Arg(150)->Unit(benchmark::kMillisecond)->UseManualTime();

// The whole decode of the same photos, as the open command did before it painted anything.
void decodeWhole(benchmark::State& state) {
    Workspace& w = workspace();
    const QString& photo = w.photo(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(pixa::loadPicture(photo));
}
BENCHMARK(decodeWhole)->Arg(24)->Arg(150)->Unit(benchmark::kMillisecond)->UseRealTime();

// What a fit takes while the photo decodes: its decode at 1/8 of the size (after the file is
// read and checked, as the open command has done by then).
void decodeReduced(benchmark::State& state) {
    Workspace& w = workspace();
    for (auto _ : state) {
        state.PauseTiming();
        const auto strips = pixa::PictureDecode::open(w.photo(int(state.range(0))));
        state.ResumeTiming();
        benchmark::DoNotOptimize(strips->reduced(QSize(696, 464)));
    }
}
BENCHMARK(decodeReduced)->Arg(24)->Arg(150)->Unit(benchmark::kMillisecond)->UseRealTime();

// Open, then fit to the window, to the fitted photo painted.
void openAndFit(benchmark::State& state) {
    Workspace& w = workspace();
    const QString& photo = w.photo(int(state.range(0)));
    for (auto _ : state) {
        w.window.openByName(photo);
        w.window.fitToWindow();
        w.window.repaint();
    }
}
BENCHMARK(openAndFit)->Arg(24)->Arg(150)->Unit(benchmark::kMillisecond)->UseRealTime();

// Open, and fit to the window as soon as the photo shows, to the fitted photo painted: while the
// rest decodes, the fit is made from the decoder's reduced decode.
void openThenFit(benchmark::State& state) {
    Workspace& w = workspace();
    const QString& photo = w.photo(int(state.range(0)));
    auto* box = w.window.findChild<QWidget*>(QStringLiteral("pictureBox"));
    FirstPaint shown;
    FirstPaint fitted;
    fitted.width = 696;
    shown.then = [&w] { QTimer::singleShot(0, &w.window, [&w] { w.window.fitToWindow(); }); };
    box->installEventFilter(&shown);
    box->installEventFilter(&fitted);
    for (auto _ : state) {
        box->hide();
        QApplication::processEvents();
        shown.ns = fitted.ns = -1;
        fitted.clock.start();
        shown.clock.start();
        w.window.openByName(photo);
        if (fitted.ns < 0) state.SkipWithError("not fitted while it decoded");
        state.SetIterationTime(double(fitted.ns) / 1e9);
    }
    box->removeEventFilter(&fitted);
    box->removeEventFilter(&shown);
}
BENCHMARK(openThenFit)->Arg(24)->Arg(150)->Unit(benchmark::kMillisecond)->UseManualTime();

// A folder of two copies of the 24-megapixel photo, s1.jpg and s2.jpg.
fs::path stepFolder(Workspace& w) {
    const fs::path folder = w.scratch.path() / "steps";
    fs::create_directories(folder);
    for (const char* name : {"s1.jpg", "s2.jpg"})
        fs::copy_file(w.photo24.toStdString(), folder / name, fs::copy_options::skip_existing);
    return folder;
}

// A step from one 24-megapixel photo of a folder to the next, to the photo painted: with the
// next one prepared while the first was looked at (first argument 1), or stepped to at once (0);
// at actual size (second argument 0), or fitted (1), the next one then fitted too.
void stepToNext(benchmark::State& state) {
    Workspace& w = workspace();
    const fs::path folder = stepFolder(w);
    const QString first = QString::fromStdString((folder / "s1.jpg").string());
    const QString next = QString::fromStdString((folder / "s2.jpg").string());
    for (auto _ : state) {
        state.PauseTiming();
        w.window.openByName(first);
        if (state.range(1)) w.window.fitToWindow();
        QElapsedTimer waited;
        waited.start();
        while (state.range(0) && !w.window.preparedAhead(next) && waited.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        state.ResumeTiming();
        w.window.step(true);
        w.window.repaint();
    }
    if (w.window.shownPicture().width() != (state.range(1) ? 696 : 6000))
        state.SkipWithError("not shown as the first");
}
BENCHMARK(stepToNext)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

// A step from a fitted 24-megapixel photo to the next, not prepared, to the first paint of the
// next one fitted: from the decoder's reduced decode, before the rest decodes.
void stepFittedToFirstPaint(benchmark::State& state) {
    Workspace& w = workspace();
    const fs::path folder = stepFolder(w);
    const QString first = QString::fromStdString((folder / "s1.jpg").string());
    auto* box = w.window.findChild<QWidget*>(QStringLiteral("pictureBox"));
    FirstPaint fitted;
    fitted.width = 696;
    for (auto _ : state) {
        w.window.openByName(first);
        w.window.fitToWindow();
        box->installEventFilter(&fitted);
        fitted.ns = -1;
        fitted.clock.start();
        w.window.step(true);
        box->removeEventFilter(&fitted);
        if (fitted.ns < 0) state.SkipWithError("not fitted while it decoded");
        state.SetIterationTime(double(fitted.ns) / 1e9);
    }
}
BENCHMARK(stepFittedToFirstPaint)->Unit(benchmark::kMillisecond)->UseManualTime();

// The window's answers to the user on a decoded photo (first argument: 24 or 150 megapixels), to
// the repaint: a zoom step (second argument 0), a scroll step at 71 % (1), a fit from actual size
// (2) and a resize step of the fitted window (3). The median and the slowest of 20 are reported,
// against a frame's 16 ms.
void viewStep(benchmark::State& state) {
    Workspace& w = workspace();
    const int action = int(state.range(1));
    w.window.resize(800, 600);
    w.window.openByName(w.photo(int(state.range(0))));
    // The reduced copies are made on another core once the photo is whole.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    auto* frame = w.window.findChild<QWidget*>(QStringLiteral("photoFrame"));
    // A notch of Ctrl and the wheel at the frame's middle.
    const auto zoom = [frame](bool in) {
        const QPointF at(frame->width() / 2.0, frame->height() / 2.0);
        QWheelEvent wheel(at, frame->mapToGlobal(at), {}, QPoint(0, in ? 120 : -120),
                          Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(frame, &wheel);
    };
    auto* bar = w.window.findChild<QScrollBar*>(QStringLiteral("horizontalScrollBar"));
    if (action == 1) {
        zoom(false);
        zoom(false);
    }
    if (action == 0 || action == 3) w.window.fitToWindow();
    std::vector<double> ms;
    int step = 0;
    for (auto _ : state) {
        ++step;
        if (action == 2) {
            state.PauseTiming();
            w.window.actualSize();
            w.window.repaint();
            state.ResumeTiming();
        }
        QElapsedTimer clock;
        clock.start();
        if (action == 0) zoom(step % 16 < 8);
        if (action == 1) bar->setValue((step % 100) * 40);
        if (action == 2) w.window.fitToWindow();
        if (action == 3) w.window.resize(800 + (step % 8) * 24, 600 + (step % 8) * 16);
        w.window.repaint();
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        state.SetIterationTime(ms.back() / 1e3);
    }
    if (w.window.shownPhoto().ws_file != w.photo(int(state.range(0))))
        state.SkipWithError("not shown");
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["slowest_ms"] = ms.back();
    w.window.resize(800, 600);
}
BENCHMARK(viewStep)
    ->ArgsProduct({{24, 150}, {0, 1, 2, 3}})
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    pixa::setDecodeLimits();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_workspace.reset();
    return 0;
}
