#include "imaging/decode_support.h"

#include "core/error.h"
#include "core/file_io.h"

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

void openChecked(const QString& path, QFile& file) {
    {
        // Opening first gives a missing file, folder or permission its own number.
        const InputFile probe(QFile::encodeName(path).toStdString());
    }
    if (!file.open(QIODevice::ReadOnly)) unreadable(path, file);
}

} // namespace pixa
