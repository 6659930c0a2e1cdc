#include "imaging/picture_decode.h"

#include "core/picture_file.h"
#include "imaging/decode_support.h"
#include "imaging/jpeg_strips.h"
#include "imaging/photo_decoders.h"
#include "imaging/row_strips.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <iterator>
#include <string_view>

namespace pixa {

namespace {

// Qt refuses any picture over 128 MB decoded by default; the checks before decoding speak first,
// this only backs them for a bitmap whose size is known only once decoding has begun.
constexpr int kDecodeLimitMB = 1024;

// A kind decoded row by row joins by its openStrips; the windows then show it while it decodes.
// A JPEG's strip decoder is its whole decoder too, so it takes every size; the others' take a
// picture from kStripDecodePixels, where a whole decode keeps the first paint waiting.
constexpr KindDecoding kKinds[] = {
    {PictureKind::Bitmap, "BMP", nullptr, decodeBitmap, nullptr, 0},
    {PictureKind::Jpeg, "JPEG", nullptr, decodeJpeg, openJpegStrips, 0},
    {PictureKind::Png, "PNG", "png", decodeWithQt, openPngStrips, kStripDecodePixels},
    {PictureKind::Gif, "GIF", "gif", decodeWithQt, nullptr, 0},
    {PictureKind::Tiff, "TIFF", "tiff", decodeWithQt, openTiffStrips, kStripDecodePixels},
    {PictureKind::WebP, "WebP", "webp", decodeWithQt, openWebpStrips, kStripDecodePixels},
    {PictureKind::Heif, "HEIF", nullptr, decodeHeif, nullptr, 0},
    {PictureKind::Avif, "AVIF", nullptr, decodeHeif, nullptr, 0},
    {PictureKind::JpegXl, "JPEG XL", nullptr, decodeJpegXl, nullptr, 0},
};

// How a picture is decoded, told by its first bytes; null for no picture of those kinds.
const KindDecoding* kindOf(const QByteArray& head) {
    const PictureKind kind = pictureKind(std::string_view(head.constData(), size_t(head.size())));
    const auto* row = std::find_if(std::begin(kKinds), std::end(kKinds),
                                   [kind](const KindDecoding& k) { return k.kind == kind; });
    return row == std::end(kKinds) ? nullptr : row;
}

} // namespace

void setDecodeLimits() {
    QImageReader::setAllocationLimit(kDecodeLimitMB);
}

QImage loadPicture(const QString& path) {
    QFile file(path);
    openChecked(path, file);
    const QByteArray head = file.peek(qint64(kKindHeadSize));
    const KindDecoding* kind = kindOf(head);
    if (!kind) {
        notAPicture(path, head.isEmpty()
                              ? "the file is empty"
                              : "not a BMP, JPEG, PNG, GIF, TIFF, WebP, HEIC, AVIF or JPEG XL "
                                "picture");
    }
    return kind->decodeWhole(path, file, *kind);
}

namespace {

std::unique_ptr<PictureDecode> openFrom(const QString& path, bool anySize) {
    QFile file(path);
    openChecked(path, file);
    const KindDecoding* kind = kindOf(file.peek(qint64(kKindHeadSize)));
    if (!kind || !kind->openStrips) return nullptr;
    return kind->openStrips(path, file, *kind, anySize ? 0 : kind->stripsFrom);
}

} // namespace

std::unique_ptr<PictureDecode> PictureDecode::open(const QString& path) {
    return openFrom(path, false);
}

std::unique_ptr<PictureDecode> openInStrips(const QString& path) {
    return openFrom(path, true);
}

} // namespace pixa
