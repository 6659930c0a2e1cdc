// Fuzz target: the decoding layer on arbitrary bytes of every photo kind, whole and in strips
// (JPEG, PNG, TIFF, WebP, at any size), and a JPEG's reduced view as the windows ask for it while
// it decodes, and its thumbnail for a tile (a JPEG's from its EXIF thumbnail or scaled by the
// decoder). A refusal is a pixa::Failure; anything else that escapes, a picture over the pixel
// limit, a reduced view smaller than asked while its photo is not, a thumbnail empty or outside
// its box, or a strip that decodes no row or rows past the picture's end, is a finding.
#include "core/error.h"
#include "fuzz_support.h"
#include "imaging/decode_support.h"
#include "imaging/picture_decode.h"
#include "imaging/thumbnail_decode.h"

#include <QImage>

#include <algorithm>

namespace {

const QSize kReduced(64, 64);
constexpr int kThumbnailEdge = 64;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    pixa::setDecodeLimits();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static pixafuzz::MemoryFile input;
    input.assign(data, size);
    const QString path = QString::fromStdString(input.path().string());
    try {
        const QImage image = pixa::loadPicture(path);
        if (int64_t(image.width()) * image.height() > pixa::kMaxPicturePixels)
            pixafuzz::finding("a picture over the pixel limit loaded");
    } catch (const pixa::Failure&) {
    }
    try {
        const QImage thumbnail = pixa::decodeThumbnail(
            QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)),
            kThumbnailEdge);
        if (thumbnail.isNull() || thumbnail.width() > kThumbnailEdge ||
            thumbnail.height() > kThumbnailEdge)
            pixafuzz::finding("a thumbnail empty or outside its box");
    } catch (const pixa::Failure&) {
    }
    try {
        const auto strips = pixa::openInStrips(path);
        if (!strips) return 0;
        const QSize full = strips->picture().size();
        if (strips->reducible()) {
            const QImage reduced = strips->reduced(kReduced);
            if (reduced.width() < std::min(kReduced.width(), full.width() / 2) ||
                reduced.height() < std::min(kReduced.height(), full.height() / 2))
                pixafuzz::finding("a reduced view smaller than asked");
        }
        while (!strips->whole()) {
            const int before = strips->rowsDone();
            strips->decode(pixa::kRowsPerStrip);
            if (strips->rowsDone() <= before || strips->rowsDone() > full.height())
                pixafuzz::finding("a strip decode that does not advance within the picture");
        }
    } catch (const pixa::Failure&) {
    }
    return 0;
}
