// Decodes the photo kinds beside BMP and JPEG (PNG, GIF, TIFF, WebP, HEIF) upright, once their
// headers have been checked against their bytes and against the limits of a photo.
#pragma once

#include "core/picture_file.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

class QFile;

namespace pixa::ui {

// The photo of `kind` in `bytes`, the whole file at `path` (named in failures): upright by its
// EXIF orientation, or by HEIF's turns and mirrors; a GIF's first frame. With a valid `atMost`
// the picture fits in it: decoded at that size where the decoder can (reducesWhileDecoding()),
// else decoded whole and scaled down. Throws pixa::Failure: 481 for a file cut short, whose
// header promises more pixels than its data can hold, a GIF whose screen is far larger than its
// first frame, or one that does not decode; 6 for a picture over kMaxPicturePixels or
// kMaxDecodeBytes.
QImage decodePhoto(const QString& path, const QByteArray& bytes, PictureKind kind,
                   QSize atMost = {});

// decodePhoto() of the open `file`, read whole; a file larger than kMaxDecodeBytes is refused
// (6) before it is read.
QImage loadPhoto(const QString& path, QFile& file, PictureKind kind, QSize atMost = {});

// Whether a picture of `kind` asked for at a reduced size can be decoded at that size, with
// memory to match: a HEIF file through the smallest thumbnail it carries that is not smaller
// than asked, when it carries one; a still WebP picture through libwebp's scaling. PNG, GIF,
// TIFF and animated WebP pictures have no reduced decode in their readers (Qt's PNG reader
// decodes whole before it scales): those are decoded whole, then scaled.
bool reducesWhileDecoding(PictureKind kind);

} // namespace pixa::ui
