#include "windows/main/picture_loader.h"

#include "core/error.h"
#include "core/file_io.h"
#include "core/picture_file.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <string_view>

namespace pixa::ui {

namespace {

// Qt refuses any picture over 128 MB decoded by default; the pixel check below speaks first,
// this only backs it for a picture whose size is known only once decoding has begun.
constexpr int kDecodeLimitMB = 1024;

std::string text(const QString& s) {
    return s.toStdString();
}

[[noreturn]] void notAPicture(const QString& path, const char* why) {
    throw Failure(err::InvalidPicture, text(path) + ": " + why);
}

} // namespace

QImage loadPicture(const QString& path) {
    {
        // Opening first gives a missing file, folder or permission its own number.
        const InputFile probe(QFile::encodeName(path).toStdString());
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Failure(err::PathFileAccess, text(path) + ": " + text(file.errorString()));
    }
    // Decoders read a cut file as far as it goes and make up the rest, so the file is checked
    // whole first. A JPEG is read into memory once, for the check and the decoder; a bitmap's
    // headers tell its length.
    const QByteArray head = file.peek(qint64(kBitmapHeadSize));
    QByteArray jpeg;
    QBuffer jpegBuffer(&jpeg);
    QIODevice* source = &file;
    switch (pictureKind(std::string_view(head.constData(), size_t(head.size())))) {
    case PictureKind::Bitmap:
        if (!bitmapComplete(std::string_view(head.constData(), size_t(head.size())),
                            uint64_t(file.size()))) {
            notAPicture(path, "the bitmap is cut short");
        }
        break;
    case PictureKind::Jpeg:
        jpeg = file.readAll();
        if (!jpegComplete(std::string_view(jpeg.constData(), size_t(jpeg.size())))) {
            notAPicture(path, "the JPEG picture is cut short");
        }
        jpegBuffer.open(QIODevice::ReadOnly);
        source = &jpegBuffer;
        break;
    case PictureKind::Other:
        notAPicture(path, head.isEmpty() ? "the file is empty" : "not a BMP or JPEG picture");
    }

    QImageReader::setAllocationLimit(kDecodeLimitMB);
    QImageReader reader(source);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && int64_t(size.width()) * size.height() > kMaxPicturePixels) {
        throw Failure(err::Overflow,
                      QStringLiteral("The picture is too large to show: %1 × %2 pixels. "
                                     "PixaMantler shows photos of up to %3 megapixels.")
                          .arg(size.width())
                          .arg(size.height())
                          .arg(kMaxPicturePixels / 1'000'000)
                          .toStdString(),
                      text(path));
    }
    QImage image = reader.read();
    if (image.isNull()) notAPicture(path, qPrintable(reader.errorString()));

    // Painting converts whatever is not 32-bit on every repaint; once here is cheaper.
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return image;
    default:
        break;
    }
    QImage converted = image.convertToFormat(
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (converted.isNull()) throw Failure(err::OutOfMemory, text(path));
    return converted;
}

} // namespace pixa::ui
