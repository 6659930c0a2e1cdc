// Writes the picture loader's seed corpus: small photos of every kind, made by Qt's writers,
// libheif's and libjxl's encoders and the GIF maker of the window tests.
#include "photo_samples.h"

#include <QFile>

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / "picture_loader";
    std::filesystem::create_directories(folder);
    QImage image(48, 32, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 5, y * 7, (x + y) * 3));
    const auto turned = QImageIOHandler::TransformationRotate90;
    const std::pair<const char*, QByteArray> seeds[] = {
        {"photo.bmp", pixatest::written(image, "bmp")},
        {"photo.jpg", pixatest::written(image, "jpeg", turned)},
        {"photo.png", pixatest::written(image, "png")},
        {"photo.tif", pixatest::written(image, "tiff", turned)},
        // Upright 8-bit RGB and alpha, which the strip decoders take.
        {"upright.tif", pixatest::written(image.convertToFormat(QImage::Format_RGB888), "tiff")},
        {"alpha.png", pixatest::written(image.convertToFormat(QImage::Format_ARGB32), "png")},
        {"photo.webp", pixatest::written(image, "webp")},
        {"photo.gif", pixatest::gif(12, 8, {1, 2})},
        {"photo.heic", pixatest::heic(image, heif_orientation_rotate_90_cw, 16)},
        {"photo.avif", pixatest::avif(image, heif_orientation_rotate_90_cw)},
        {"photo.jxl", pixatest::jxl(image, 6)},
        {"boxed.jxl", pixatest::jxl(image, 1, true)},
    };
    for (const auto& [name, bytes] : seeds) {
        if (bytes.isEmpty()) continue; // no HEVC or AV1 encoder here
        QFile file(QString::fromStdString((folder / name).string()));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size())
            return 1;
    }
    return 0;
}
