// The reduced decodes of the kinds whose libraries offer one (JPEG, WebP, HEIF, AVIF and PNG),
// behind decodeThumbnail().
#pragma once

#include "imaging/decode_support.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace pixa {

// A picture decoded small, as stored: `orientation` (EXIF, 1 to 8) turns it upright. A null
// image where the kind's reduced decode does not apply, the picture then being decoded whole.
struct StoredThumbnail {
    QImage image;
    int orientation = 1;
};

// The size `full` takes fitted into a box of `edge` × `edge`: `full` itself when it fits, and
// never a side of 0, however long and thin the picture.
QSize boxFit(QSize full, int edge);

// Each decodes the picture of `kind` in `bytes` (of the file `path`, as refusals name it), no
// larger than needed to cover a box of `edge` × `edge` and not more than its own size, and
// refuses as loadPicture() does a picture that is damaged or too large.

// A JPEG: its EXIF thumbnail when that covers the box and decodes whole, else the picture decoded
// by libjpeg at the least of 1/8 ... 8/8 of its size that covers the box. Refuses a picture that
// is not whole even when its thumbnail is.
StoredThumbnail decodeJpegThumbnail(const QString& path, const QByteArray& bytes,
                                    const KindDecoding& kind, int edge);

// A WebP picture, checked by readChecked(), scaled to the box by libwebp as it decodes; null for
// an animated one.
StoredThumbnail decodeWebpThumbnail(const QString& path, const QByteArray& bytes,
                                    const KindDecoding& kind, int edge);

// A picture that Qt's reader of kind.qtFormat decodes scaled to the box as it reads it, checked by
// readChecked(); null when the reader has no scaled read.
StoredThumbnail decodeQtThumbnail(const QString& path, const QByteArray& bytes,
                                  const KindDecoding& kind, int edge);

// The smallest thumbnail stored in a HEIF or AVIF file, checked by readChecked(), that covers the
// box, upright by its own turns; null when none does.
StoredThumbnail decodeHeifThumbnail(const QString& path, const QByteArray& bytes,
                                    const KindDecoding& kind, int edge);

} // namespace pixa
