// What every decoder of the layer shares: the limits of a photo, the refusals, and the row each
// picture kind has in the table that picks its decoder.
#pragma once

#include "core/picture_file.h"

#include <QFile>
#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>

namespace pixa {

class PictureDecode;

// The largest photo that opens, and the most memory its decode may take: the 600 MB of a photo
// of that many pixels at four bytes a pixel. What a decode really takes is counted against it
// before any memory is taken: a progressive JPEG also keeps every coefficient while it is
// decoded, a bitmap of fewer bits a pixel is converted once decoded. A header that announces
// more (a damaged or hostile file can claim 60000 × 60000) is refused before decoding.
inline constexpr int64_t kMaxPicturePixels = 150'000'000;
inline constexpr int64_t kMaxDecodeBytes = kMaxPicturePixels * 4;

// The refusals every decoder shares. Each throws pixa::Failure: 481 naming `why`; 6 naming
// the size of a picture over kMaxPicturePixels; 6 for one that takes more than
// kMaxDecodeBytes (`bytes`) to decode; 7 when memory runs out; 75 with the file's own error.
[[noreturn]] void notAPicture(const QString& path, const std::string& why);
[[noreturn]] void tooManyPixels(const QString& path, int64_t width, int64_t height);
void requireDecodeBudget(const QString& path, int64_t width, int64_t height, uint64_t bytes);
[[noreturn]] void outOfMemory(const QString& path);
[[noreturn]] void unreadable(const QString& path, const QFile& file);

// Opens `file` (at `path`) to read; throws pixa::Failure 53 or 76 for a missing file or folder,
// 70 for one that cannot be read.
void openChecked(const QString& path, QFile& file);

// How the pictures of one kind are decoded: a row of the table in picture_decode.cpp.
struct KindDecoding {
    PictureKind kind;
    const char* name;     // as refusals name it: "the PNG picture is cut short"
    const char* qtFormat; // the Qt image plugin that decodes it, null for content detection
    // The whole picture in the open `file` (at `path`), upright, 32 bits a pixel.
    QImage (*decodeWhole)(const QString& path, QFile& file, const KindDecoding& kind);
    // The decode some rows at a time beside reduced views; null for a kind decoded in one call.
    std::unique_ptr<PictureDecode> (*openStrips)(const QString& path, QFile& file);
};

} // namespace pixa
