// Decodes a JPEG at about the size of a tile: from its EXIF thumbnail, or scaled by the decoder.
#pragma once

#include <QImage>
#include <QString>

#include <string_view>

namespace pixa {

// A JPEG decoded small, as stored: `orientation` (EXIF, 1 to 8) turns it upright.
struct JpegThumbnail {
    QImage image;
    int orientation = 1;
};

// The JPEG `bytes` (of the file `path`, as refusals name it), no larger than needed to cover a box
// of `edge` × `edge` (a smaller picture whole): its EXIF thumbnail when that covers the box and
// decodes whole, else the picture decoded by libjpeg at the least of 1/8 ... 8/8 of its size that
// covers the box. Refuses as loadPicture() does a picture that is not whole (even when its
// thumbnail is), too large, or damaged.
JpegThumbnail decodeJpegThumbnail(const QString& path, std::string_view bytes, int edge);

} // namespace pixa
