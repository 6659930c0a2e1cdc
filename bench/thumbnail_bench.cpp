// The thumbnail of a 12-megapixel (4000 × 3000) photo at the edges a grid shows: a camera's JPEG
// with its 160 × 120 EXIF thumbnail, the same JPEG without one, and a PNG. A grid of 1,000 photos
// on one worker thread within 30 s leaves a JPEG without thumbnail some 30 ms.
#include "bench_support.h"

#include "exif_thumbnail_samples.h"
#include "imaging/picture_decode.h"
#include "imaging/thumbnail_decode.h"
#include "test_photo.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QImageWriter>

#include <array>
#include <stdexcept>

namespace {

constexpr std::array<const char*, 3> kPhotos = {"JPEG with EXIF thumbnail", "JPEG", "PNG"};

// The photos, written once into a scratch folder that goes with the run: noise over gradients,
// which compresses as a photo does (a JPEG of quality 90).
class Photos {
public:
    Photos() {
        QImage photo = pixatest::photoLike(QSize(4000, 3000));
        pixatest::addGrain(photo);
        const QByteArray jpeg = pixatest::jpegOf(photo, 90);
        const QImage small = photo.scaled(160, 120, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        write(0, pixatest::withExifThumbnail(jpeg, 1, pixatest::jpegOf(small, 90)));
        write(1, jpeg);
        m_paths[2] = pathOf(2, "png");
        if (!QImageWriter(m_paths[2], "png").write(photo))
            throw std::runtime_error("cannot write the PNG photo");
    }
    const QString& path(int64_t photo) const { return m_paths[size_t(photo)]; }

private:
    QString pathOf(size_t photo, const char* extension) const {
        return QString::fromStdString(
            (m_folder.path() / ("photo" + std::to_string(photo) + "." + extension)).string());
    }
    void write(size_t photo, const QByteArray& bytes) {
        m_paths[photo] = pathOf(photo, "jpg");
        QFile file(m_paths[photo]);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            throw std::runtime_error("cannot write the JPEG photo");
    }

    pixa::bench::ScratchFolder m_folder;
    std::array<QString, kPhotos.size()> m_paths;
};

const Photos& photos() {
    static const Photos made;
    return made;
}

// The file read, checked and decoded into the tile's picture: what a grid's worker does per photo.
void thumbnail(benchmark::State& state) {
    const QString& path = photos().path(state.range(0));
    const int edge = int(state.range(1));
    state.SetLabel(kPhotos[size_t(state.range(0))]);
    for (auto _ : state)
        benchmark::DoNotOptimize(pixa::decodeThumbnail(path, edge));
}
BENCHMARK(thumbnail)
    ->ArgsProduct({{0, 1, 2}, {128, 256}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    pixa::setDecodeLimits();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
