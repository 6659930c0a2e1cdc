#include "imaging/picture_loader.h"

#include "core/error.h"
#include "core/file_io.h"
#include "core/picture_file.h"
#include "imaging/jpeg_strips.h"
#include "imaging/photo_decoders.h"

#include <QFile>
#include <QImageReader>

#include <string_view>

namespace pixa::ui {

namespace {

// Qt refuses any picture over 128 MB decoded by default; the checks below speak first, this only
// backs them for a bitmap whose size is known only once decoding has begun.
constexpr int kDecodeLimitMB = 1024;

std::string text(const QString& s) {
    return s.toStdString();
}

} // namespace

[[noreturn]] void notAPicture(const QString& path, const std::string& why) {
    throw Failure(err::InvalidPicture, text(path) + ": " + why);
}

[[noreturn]] void tooManyPixels(const QString& path, int64_t width, int64_t height) {
    throw Failure(err::Overflow,
                  QStringLiteral("The picture is too large to show: %1 × %2 pixels. "
                                 "PixaMantler shows photos of up to %3 megapixels.")
                      .arg(width)
                      .arg(height)
                      .arg(kMaxPicturePixels / 1'000'000)
                      .toStdString(),
                  text(path));
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
                  text(path));
}

void openChecked(const QString& path, QFile& file) {
    {
        // Opening first gives a missing file, folder or permission its own number.
        const InputFile probe(QFile::encodeName(path).toStdString());
    }
    if (!file.open(QIODevice::ReadOnly)) {
        throw Failure(err::PathFileAccess, text(path) + ": " + text(file.errorString()));
    }
}

namespace {

// What a bitmap costs to decode: its pixels as Qt reads them, and once more at four bytes when
// they must be converted to 32 bits.
uint64_t bitmapDecodeBytes(QSize size, QImage::Format format) {
    const uint64_t pixels = uint64_t(size.width()) * uint64_t(size.height());
    const int bits =
        format == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(format).bitsPerPixel();
    return pixels * uint64_t(bits) / 8 + (bits == 32 ? 0 : pixels * 4);
}

} // namespace

QImage loadPicture(const QString& path) {
    QFile file(path);
    openChecked(path, file);
    // Decoders read a cut file as far as it goes and make up the rest, so the file is checked
    // whole first. A JPEG is read into memory once, for the check and the decoder; a bitmap's
    // headers tell its length.
    const QByteArray head = file.peek(qint64(kBitmapHeadSize));
    const PictureKind kind = pictureKind(std::string_view(head.constData(), size_t(head.size())));
    switch (kind) {
    case PictureKind::Bitmap:
        if (!bitmapComplete(std::string_view(head.constData(), size_t(head.size())),
                            uint64_t(file.size()))) {
            notAPicture(path, "the bitmap is cut short");
        }
        break;
    case PictureKind::Jpeg:
        return loadJpeg(path, file);
    case PictureKind::Png:
    case PictureKind::Gif:
    case PictureKind::Tiff:
    case PictureKind::WebP:
    case PictureKind::Heif:
        return loadPhoto(path, file, kind);
    case PictureKind::Other:
        notAPicture(path, head.isEmpty() ? "the file is empty"
                                         : "not a BMP, JPEG, PNG, GIF, TIFF, WebP or HEIC picture");
    }

    QImageReader::setAllocationLimit(kDecodeLimitMB);
    QImageReader reader(&file);
    const QSize size = reader.size();
    if (size.isValid()) {
        requireDecodeBudget(path, size.width(), size.height(),
                            bitmapDecodeBytes(size, reader.imageFormat()));
    }
    QImage image = reader.read();
    if (image.isNull()) notAPicture(path, text(reader.errorString()));

    // Painting converts whatever is not 32-bit on every repaint; once here is cheaper, and in
    // place where the pixels keep their size.
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return image;
    default:
        break;
    }
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                            : QImage::Format_RGB32);
    if (image.isNull()) throw Failure(err::OutOfMemory, text(path));
    return image;
}

} // namespace pixa::ui
