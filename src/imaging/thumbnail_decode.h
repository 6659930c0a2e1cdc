// Small upright pictures of photos for a grid of tiles, decoded at about the size shown.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace pixa {

// The photo in `bytes` (any kind loadPicture() reads, told by content), upright by its EXIF
// orientation, scaled smoothly to fit a box of `edge` x `edge` pixels (a smaller photo keeps its
// size), in a format that paints quickly (RGB32 or ARGB32_Premultiplied). A JPEG whose EXIF
// thumbnail covers the box gives that thumbnail; otherwise each kind is decoded at the smallest
// size its library offers that still covers the box (a JPEG at 1/8 to 8/8, a WebP at the box's
// size, a HEIF or AVIF from its stored thumbnail), and a kind without a reduced decode is decoded
// whole under the limits of loadPicture(). Throws pixa::Failure with loadPicture()'s numbers (481
// not a whole picture of a known kind, 6 too large, 7 memory). `edge` below 1 counts as 1.
// Safe to call on several threads at once.
QImage decodeThumbnail(const QByteArray& bytes, int edge);

// The same for the file `path` (53/76 missing, 70/75 unreadable, as loadPicture()).
QImage decodeThumbnail(const QString& path, int edge);

} // namespace pixa
