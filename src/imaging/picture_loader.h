// Reads a photo (BMP, JPEG, PNG, GIF, TIFF, WebP, HEIF) from a file into memory, upright, in a
// form that paints quickly.
#pragma once

#include <QFile>
#include <QImage>
#include <QString>

#include <cstdint>
#include <string>

namespace pixa::ui {

// The largest photo that opens, and the most memory its decode may take: the 600 MB of a photo
// of that many pixels at four bytes a pixel. What a decode really takes is counted against it
// before any memory is taken: a progressive JPEG also keeps every coefficient while it is
// decoded, a bitmap of fewer bits a pixel is converted once decoded. A header that announces
// more (a damaged or hostile file can claim 60000 × 60000) is refused before decoding.
inline constexpr int64_t kMaxPicturePixels = 150'000'000;
inline constexpr int64_t kMaxDecodeBytes = kMaxPicturePixels * 4;

// The photo in `path`, turned upright by its EXIF orientation (JPEGs are decoded straight into
// their upright place, without a turned copy). The content decides the kind, not the name: a
// JPEG named .bmp loads. Throws pixa::Failure: 53 or 76 for a missing file or folder, 70 for one
// that cannot be read, 481 for anything but a picture of those kinds that decodes whole (a JPEG
// whose data ends early or is damaged, where the decoder would make up the rest, is not whole), 6
// (its description naming the size) for a picture over kMaxPicturePixels or kMaxDecodeBytes.
// PNG, GIF, TIFF, WebP and HEIF pictures are decoded by decodePhoto() (photo_decoders.h).
QImage loadPicture(const QString& path);

// The refusals every decoder shares. Each throws pixa::Failure: 481 naming `why`; 6 naming
// the size of a picture over kMaxPicturePixels; 6 for one that takes more than
// kMaxDecodeBytes (`bytes`) to decode.
[[noreturn]] void notAPicture(const QString& path, const std::string& why);
[[noreturn]] void tooManyPixels(const QString& path, int64_t width, int64_t height);
void requireDecodeBudget(const QString& path, int64_t width, int64_t height, uint64_t bytes);
// Opens `file` (at `path`) to read; throws pixa::Failure 53 or 76 for a missing file or folder,
// 70 for one that cannot be read.
void openChecked(const QString& path, QFile& file);

} // namespace pixa::ui
