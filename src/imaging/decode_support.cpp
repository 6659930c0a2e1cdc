#include "imaging/decode_support.h"

#include "core/error.h"
#include "core/file_io.h"

#include <QTransform>

#include <sys/mman.h>

namespace pixa {

[[noreturn]] void notAPicture(const QString& path, const std::string& why) {
    throw Failure(err::InvalidPicture, path.toStdString() + ": " + why);
}

[[noreturn]] void tooManyPixels(const QString& path, int64_t width, int64_t height) {
    throw Failure(err::Overflow,
                  QStringLiteral("The picture is too large to show: %1 × %2 pixels. "
                                 "PixaMantler shows photos of up to %3 megapixels.")
                      .arg(width)
                      .arg(height)
                      .arg(kMaxPicturePixels / 1'000'000)
                      .toStdString(),
                  path.toStdString());
}

// A picture of allowed pixels that costs more than a picture of the most pixels: a progressive
// JPEG, whose decoder keeps every coefficient, or a bitmap decoded and then converted.
void requireDecodeBudget(const QString& path, int64_t width, int64_t height, uint64_t bytes) {
    if (width * height > kMaxPicturePixels) tooManyPixels(path, width, height);
    if (bytes <= uint64_t(kMaxDecodeBytes)) return;
    throw Failure(err::Overflow,
                  QStringLiteral("The picture is too large to show: its %1 × %2 pixels take "
                                 "%3 MB to decode. PixaMantler shows photos that take up to %4 MB "
                                 "(%5 megapixels).")
                      .arg(width)
                      .arg(height)
                      .arg((bytes + 999'999) / 1'000'000)
                      .arg(kMaxDecodeBytes / 1'000'000)
                      .arg(kMaxPicturePixels / 1'000'000)
                      .toStdString(),
                  path.toStdString());
}

[[noreturn]] void outOfMemory(const QString& path) {
    throw Failure(err::OutOfMemory, path.toStdString());
}

[[noreturn]] void unreadable(const QString& path, const QFile& file) {
    throw Failure(err::PathFileAccess,
                  path.toStdString() + ": " + file.errorString().toStdString());
}

LargePageMemory largePageMemory(size_t bytes) {
    constexpr size_t kLargePage = 2 << 20;
    if (bytes < kLargePage / 2) return LargePageMemory(static_cast<char*>(std::malloc(bytes + 1)));
    const size_t rounded = (bytes + kLargePage - 1) & ~(kLargePage - 1);
    LargePageMemory memory(static_cast<char*>(std::aligned_alloc(kLargePage, rounded)));
    if (memory) ::madvise(memory.get(), rounded, MADV_HUGEPAGE);
    return memory;
}

QImage pictureOnLargePages(QSize size, QImage::Format format) {
    LargePageMemory memory = largePageMemory(size_t(size.width()) * size_t(size.height()) * 4);
    if (!memory) return {};
    auto* pixels = reinterpret_cast<uchar*>(memory.get());
    return QImage(pixels, size.width(), size.height(), size.width() * 4, format, std::free,
                  memory.release());
}

int scaleDenominator(QSize full, QSize atLeast) {
    const auto covers = [full, atLeast](int denom) {
        return (full.width() + denom - 1) / denom >= atLeast.width() &&
               (full.height() + denom - 1) / denom >= atLeast.height();
    };
    int denom = 8;
    while (denom > 2 && !covers(denom))
        denom /= 2;
    return denom;
}

void openChecked(const QString& path, QFile& file) {
    {
        // Opening first gives a missing file, folder or permission its own number.
        const InputFile probe(QFile::encodeName(path).toStdString());
    }
    if (!file.open(QIODevice::ReadOnly)) unreadable(path, file);
}

QImage paintable(QImage image, const QString& path) {
    if (image.format() != QImage::Format_RGB32 &&
        image.format() != QImage::Format_ARGB32_Premultiplied) {
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_RGB32);
    }
    if (image.isNull()) outOfMemory(path);
    return image;
}

QImage upright(QImage image, int orientation) {
    const auto turned = [&image](qreal degrees) {
        return image.transformed(QTransform().rotate(degrees));
    };
    switch (orientation) {
    case 2:
        return std::move(image).mirrored(true, false);
    case 3:
        return std::move(image).mirrored(true, true);
    case 4:
        return std::move(image).mirrored(false, true);
    case 5:
        return turned(90).mirrored(true, false);
    case 6:
        return turned(90);
    case 7:
        return turned(90).mirrored(false, true);
    case 8:
        return turned(270);
    default:
        return image;
    }
}

} // namespace pixa
