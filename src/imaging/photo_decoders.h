// Decodes the picture kinds read in one call (BMP, PNG, GIF, TIFF and WebP through Qt's image
// readers, HEIF and AVIF through libheif, JPEG XL through libjxl) upright, once their headers have
// been checked against their bytes and against the limits of a photo.
#pragma once

#include "imaging/decode_support.h"

namespace pixa {

// Each decodes the picture of `kind` in the open `file` (at `path`) and fails as loadPicture():
// 481 for a file cut short, whose header promises more pixels than its data can hold, a GIF
// whose screen is far larger than its first frame, or one that does not decode; 6 for a picture
// over kMaxPicturePixels or kMaxDecodeBytes, and for a file larger than kMaxDecodeBytes, refused
// before it is read.

// The whole `file` of `kind`, its headers checked against its bytes and the limits of a photo; a
// file larger than any photo's decode is refused unread. Read onto large pages: a page fault
// for each 4 KiB of a large file would take longer than the read.
PictureBytes readChecked(const QString& path, QFile& file, const KindDecoding& kind);

// A bitmap, read from the file as Qt's reader goes.
QImage decodeBitmap(const QString& path, QFile& file, const KindDecoding& kind);
// A picture that Qt's reader of kind.qtFormat decodes, read whole first: upright by its EXIF
// orientation; a GIF's first frame.
QImage decodeWithQt(const QString& path, QFile& file, const KindDecoding& kind);
// A HEIF or AVIF picture, read whole first: upright by its own turns and mirrors.
QImage decodeHeif(const QString& path, QFile& file, const KindDecoding& kind);
// A JPEG XL picture's first frame, read whole first: upright by its orientation field.
QImage decodeJpegXl(const QString& path, QFile& file, const KindDecoding& kind);

} // namespace pixa
