// Reads a BMP or JPEG photo from a file into memory, upright, in a form that paints quickly.
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>

namespace pixa::ui {

// The largest photo that opens. Decoded at four bytes a pixel it needs 600 MB; a header that
// announces more (a damaged or hostile file can claim 60000 × 60000) is refused before any
// memory is taken.
inline constexpr int64_t kMaxPicturePixels = 150'000'000;

// The photo in `path`, turned upright by its EXIF orientation. The content decides the kind,
// not the name: a JPEG named .bmp loads. Throws pixa::Failure: 53 or 76 for a missing file or
// folder, 70 for one that cannot be read, 481 for anything but a BMP or JPEG picture that decodes
// whole, and 6 (its description naming the size) for a picture over kMaxPicturePixels.
QImage loadPicture(const QString& path);

} // namespace pixa::ui
