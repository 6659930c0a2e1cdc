// The first rows of a 3840 × 2400 PNG, WebP and TIFF photo: decoded in strips (PictureDecode),
// to its first strip and to the rows that fill a 1000-row frame, against the whole decode the
// window waited for before it painted them (loadPicture).
#include "bench_support.h"

#include "imaging/picture_decode.h"
#include "test_photo.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

#include <array>

namespace {

constexpr std::array<const char*, 3> kKinds = {"png", "webp", "tiff"};

// The photo of each kind, written once into a scratch folder that goes with the run.
class Photos {
public:
    Photos() {
        QImage photo = pixatest::photoLike(QSize(3840, 2400));
        pixatest::addGrain(photo);
        photo = photo.convertToFormat(QImage::Format_RGB888); // a TIFF of 8-bit RGB
        for (size_t i = 0; i < kKinds.size(); ++i) {
            m_paths[i] = QString::fromStdString(
                (m_folder.path() / ("photo." + std::string(kKinds[i]))).string());
            QImageWriter writer(m_paths[i], kKinds[i]);
            if (!writer.write(photo)) throw std::runtime_error("cannot write the photos");
        }
    }
    const QString& path(int64_t kind) const { return m_paths[size_t(kind)]; }

private:
    pixa::bench::ScratchFolder m_folder;
    std::array<QString, kKinds.size()> m_paths;
};

const Photos& photos() {
    static const Photos made;
    return made;
}

// Opened (file read and checked) and decoded to `rows`: what the window does before it paints.
void stripFirstRows(benchmark::State& state) {
    const QString& path = photos().path(state.range(0));
    state.SetLabel(kKinds[size_t(state.range(0))]);
    for (auto _ : state) {
        const auto strips = pixa::PictureDecode::open(path);
        strips->decode(int(state.range(1)));
        benchmark::DoNotOptimize(strips->picture().constBits());
    }
}
BENCHMARK(stripFirstRows)
    ->ArgsProduct({{0, 1, 2}, {pixa::kRowsPerStrip, 1000}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The whole decode by Qt's readers, as before.
void decodeWhole(benchmark::State& state) {
    const QString& path = photos().path(state.range(0));
    state.SetLabel(kKinds[size_t(state.range(0))]);
    for (auto _ : state)
        benchmark::DoNotOptimize(pixa::loadPicture(path));
}
BENCHMARK(decodeWhole)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole photo in strips: what the strips cost in all beside Qt's readers.
void stripsWhole(benchmark::State& state) {
    const QString& path = photos().path(state.range(0));
    state.SetLabel(kKinds[size_t(state.range(0))]);
    for (auto _ : state) {
        const auto strips = pixa::PictureDecode::open(path);
        while (!strips->whole())
            strips->decode(pixa::kRowsPerStrip);
    }
}
BENCHMARK(stripsWhole)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    pixa::setDecodeLimits();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
