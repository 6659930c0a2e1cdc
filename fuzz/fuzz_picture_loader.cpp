// Fuzz target: the decoding layer on arbitrary bytes of every photo kind, whole, and a JPEG's
// reduced view as the windows ask for it while it decodes. A refusal is a pixa::Failure;
// anything else that escapes, a picture over the pixel limit, or a reduced view smaller than
// asked while its photo is not, is a finding.
#include "core/error.h"
#include "fuzz_support.h"
#include "imaging/decode_support.h"
#include "imaging/picture_decode.h"

#include <QImage>

#include <algorithm>

namespace {

const QSize kReduced(64, 64);

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
        const auto strips = pixa::PictureDecode::open(path);
        if (!strips || !strips->reducible()) return 0;
        const QImage reduced = strips->reduced(kReduced);
        const QSize full = strips->picture().size();
        if (reduced.width() < std::min(kReduced.width(), full.width() / 2) ||
            reduced.height() < std::min(kReduced.height(), full.height() / 2))
            pixafuzz::finding("a reduced view smaller than asked");
    } catch (const pixa::Failure&) {
    }
    return 0;
}
