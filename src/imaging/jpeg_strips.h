// Decodes a JPEG file read whole into memory: at once, or some rows at a time beside reduced views.
#pragma once

#include "imaging/decode_support.h"
#include "imaging/picture_decode.h"

#include <memory>

namespace pixa {

// The JPEG in `file`, read whole, checked and decoded upright; fails as loadPicture().
QImage decodeJpeg(const QString& path, QFile& file, const KindDecoding& kind);

// The JPEG in `file` read whole and checked, its decode started, to be decoded some rows at a
// time (PictureDecode), whatever its size (topFirst() tells the windows whether to show its rows
// first); fails as loadPicture().
std::unique_ptr<PictureDecode> openJpegStrips(const QString& path, QFile& file,
                                              const KindDecoding& kind, int64_t fromPixels);

} // namespace pixa
