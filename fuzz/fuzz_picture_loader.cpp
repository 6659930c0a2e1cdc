// Fuzz target: the main window's picture loader on arbitrary bytes of every photo kind, whole
// and at a reduced size. A refusal is a pixa::Failure; anything else that escapes, a picture
// over the pixel limit, or a reduced picture larger than asked is a finding.
#include "core/error.h"
#include "core/picture_file.h"
#include "fuzz_support.h"
#include "imaging/photo_decoders.h"
#include "imaging/picture_loader.h"

#include <QImage>

#include <algorithm>
#include <string_view>

namespace {

const QSize kReduced(64, 64);

bool decodedByPhotoDecoders(pixa::PictureKind kind) {
    return kind != pixa::PictureKind::Bitmap && kind != pixa::PictureKind::Jpeg &&
           kind != pixa::PictureKind::Other;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static pixafuzz::MemoryFile input;
    input.assign(data, size);
    const QString path = QString::fromStdString(input.path().string());
    try {
        const QImage image = pixa::ui::loadPicture(path);
        if (int64_t(image.width()) * image.height() > pixa::ui::kMaxPicturePixels)
            pixafuzz::finding("a picture over the pixel limit loaded");
    } catch (const pixa::Failure&) {
    }
    const std::string_view head(reinterpret_cast<const char*>(data),
                                std::min(size, pixa::kKindHeadSize));
    const pixa::PictureKind kind = pixa::pictureKind(head);
    if (!decodedByPhotoDecoders(kind)) return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const QImage image = pixa::ui::decodePhoto(path, bytes, kind, kReduced);
        if (image.width() > kReduced.width() || image.height() > kReduced.height())
            pixafuzz::finding("a reduced picture larger than asked");
    } catch (const pixa::Failure&) {
    }
    return 0;
}
