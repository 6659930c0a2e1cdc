// Measures the peak resident memory of opening pictures that lie about their size, each in a
// fresh process, against honest pictures of the same size: the main window's loader must refuse
// the lies before it takes the memory they promise, and never take more than its limit.
#include "bench_support.h"

#include "core/error.h"
#include "test_photo.h"
#include "imaging/decode_support.h"
#include "imaging/picture_decode.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageWriter>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>

namespace fs = std::filesystem;

namespace {

using Transformation = QImageIOHandler::Transformation;

QByteArray jpeg(const QImage& image, bool progressive, Transformation turn) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(progressive);
    writer.setTransformation(turn);
    writer.write(image);
    return bytes;
}

QImage noisy(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    uint32_t x = 12345;
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int i = 0; i < size.width(); ++i) {
            x = x * 1664525u + 1013904223u;
            line[i] = 0xFF000000u | (x >> 8);
        }
    }
    return image;
}

// The scan data cut at `fraction` of the file, the end marker kept.
QByteArray cutAt(const QByteArray& bytes, double fraction) {
    return bytes.left(qsizetype(double(bytes.size()) * fraction)) + QByteArray("\xFF\xD9", 2);
}

long peakKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// In the child: opens `path` and prints the outcome and the peak.
int measure(const char* path) {
    std::string outcome = "opened";
    try {
        const QImage image = pixa::loadPicture(QString::fromLocal8Bit(path));
        outcome += " " + std::to_string(image.width()) + " x " + std::to_string(image.height());
    } catch (const pixa::Failure& f) {
        outcome = "refused (error " + std::to_string(f.number()) + ")";
    }
    std::printf("%ld %s\n", peakKiB(), outcome.c_str());
    return 0;
}

// Runs this program on `file` in a fresh process; its peak in KiB and what happened.
std::pair<long, std::string> inChild(const char* self, const fs::path& file) {
    int out[2];
    if (::pipe(out) != 0) throw std::runtime_error("pipe");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::execl(self, self, "--measure", file.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, size_t(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const auto space = text.find(' ');
    if (space == std::string::npos) return {0, "failed: " + text};
    return {std::stol(text.substr(0, space)), text.substr(space + 1, text.find('\n') - space - 1)};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    pixa::setDecodeLimits();
    if (argc == 3 && std::strcmp(argv[1], "--measure") == 0) return measure(argv[2]);
    // Usage: pixa-open-peak-memory [limit-MiB]: fails when any open peaks above the limit
    // (by default the loader's own limit and 64 MiB for the process and the file).
    const long limitMiB =
        argc > 1 ? std::atol(argv[1]) : pixa::kMaxDecodeBytes / (1 << 20) + 64;
    try {
        pixa::bench::ScratchFolder scratch;
        const auto none = Transformation::TransformationNone;
        const auto turn = Transformation::TransformationRotate90;
        const QImage tiny = noisy(QSize(16, 16));
        QImage grey(QSize(12000, 12000), QImage::Format_RGB32);
        grey.fill(QColor(128, 128, 128));
        const QByteArray honest = jpeg(grey, false, none);
        const QByteArray honestTurned = jpeg(grey, false, turn);
        grey = QImage();
        const QByteArray photo = jpeg(noisy(QSize(6000, 4000)), false, turn);
        const struct {
            const char* label;
            QByteArray bytes;
        } cases[] = {
            {"a 16 x 16 JPEG (the process alone)", jpeg(tiny, false, none)},
            {"claims 12000 x 12000", pixatest::claimingHuge(jpeg(tiny, false, none))},
            {"claims 12000 x 12000, progressive", pixatest::claimingHuge(jpeg(tiny, true, none))},
            {"claims 12000 x 12000, turned by EXIF", pixatest::claimingHuge(jpeg(tiny, false, turn))},
            {"12000 x 12000, scan cut at 95%", cutAt(honest, 0.95)},
            {"12000 x 12000, turned, scan cut at 95%", cutAt(honestTurned, 0.95)},
            {"12000 x 12000 grey, whole", honest},
            {"12000 x 12000 grey, turned, whole", honestTurned},
            {"6000 x 4000 photo, turned, whole", photo},
        };
        bool within = true;
        std::printf("%-42s %10s %8s  %s\n", "picture", "file", "peak", "outcome");
        for (const auto& c : cases) {
            const fs::path file = scratch.path() / "picture.jpg";
            QFile out(QString::fromStdString(file.string()));
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
                throw std::runtime_error("write");
            out.write(c.bytes);
            out.close();
            const auto [kib, outcome] = inChild(argv[0], file);
            within = within && kib > 0 && kib <= limitMiB * 1024;
            std::printf("%-42s %8lld B %6.1f MiB  %s\n", c.label,
                        static_cast<long long>(c.bytes.size()), kib / 1024.0, outcome.c_str());
        }
        std::printf("every open within %ld MiB: %s\n", limitMiB, within ? "yes" : "NO");
        return within ? 0 : 1;
    } catch (const std::exception& e) {
        std::cerr << "pixa-open-peak-memory: " << e.what() << '\n';
        return 1;
    }
}
