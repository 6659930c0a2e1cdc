// What every decoder of the layer shares: the limits of a photo, the refusals, and the row each
// picture kind has in the table that picks its decoder.
#pragma once

#include "core/picture_file.h"
#include "imaging/picture_decode.h"

#include <QFile>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <cstdlib>
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

struct FreeMemory {
    void operator()(void* memory) const { std::free(memory); }
};
using LargePageMemory = std::unique_ptr<char, FreeMemory>;

// `bytes` of memory, null when there is none. From 1 MiB it starts on a large page and is hinted
// as backed by them: filled once by a read or a decode, it would otherwise cost a page fault per
// 4 KiB, as much as the decoding itself where faults are dear (a virtual machine's).
LargePageMemory largePageMemory(size_t bytes);

// A file's bytes read whole into largePageMemory(), and a QByteArray over them that does not own
// them: valid while `memory` lives.
struct PictureBytes {
    LargePageMemory memory;
    QByteArray bytes;
};

// A picture of `size` and `format` (32 bits a pixel, rows unpadded) in largePageMemory(); null
// when there is no memory for it.
QImage pictureOnLargePages(QSize size, QImage::Format format = QImage::Format_RGB32);

// The smallest of 1/8, 1/4 and 1/2 of `full` that is still at least `atLeast` (1/2 when none is),
// as the denominator.
int scaleDenominator(QSize full, QSize atLeast);

// How the pictures of one kind are decoded: a row of the table in picture_decode.cpp.
struct KindDecoding {
    PictureKind kind;
    const char* name;     // as refusals name it: "the PNG picture is cut short"
    const char* qtFormat; // the Qt image plugin that decodes it, null for content detection
    // The whole picture in the open `file` (at `path`), upright, 32 bits a pixel.
    QImage (*decodeWhole)(const QString& path, QFile& file, const KindDecoding& kind);
    // The decode some rows at a time beside reduced views; null for a kind decoded in one call.
    // Null too for a picture of the kind it leaves to decodeWhole (a turned or interlaced one),
    // and for one of fewer than `fromPixels` pixels where the kind heeds it.
    std::unique_ptr<PictureDecode> (*openStrips)(const QString& path, QFile& file,
                                                 const KindDecoding& kind, int64_t fromPixels);
    // The fewest pixels a picture of the kind is decoded in strips from, where smaller ones are
    // decoded whole by decodeWhole (on a thread of their own ahead of a step) as before.
    int64_t stripsFrom;
};

// PictureDecode::open() for pictures of any size: the tests' and the fuzz target's way to the
// strip decoders with small pictures.
std::unique_ptr<PictureDecode> openInStrips(const QString& path);

// The picture as painted: 32 bits a pixel, which paints without a conversion each time; converted
// once here, and in place where the pixels keep their size. Throws 7 when memory runs out.
QImage paintable(QImage image, const QString& path);

// `image` turned upright by the EXIF `orientation`: pixels moved, never resampled.
QImage upright(QImage image, int orientation);

} // namespace pixa
