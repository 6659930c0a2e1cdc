// Reads a photo (BMP, JPEG, PNG, GIF, TIFF, WebP, HEIF) from a file into memory, upright, in a
// form that paints quickly.
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
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

// From this many pixels a JPEG is shown while it decodes: its top rows first.
inline constexpr int64_t kStripDecodePixels = 8'000'000;
// Rows decoded between two looks at the window's events: about 1 megapixel of a 150-megapixel
// photo, some 10 ms.
inline constexpr int kRowsPerStrip = 64;

// A JPEG decoded some rows at a time, for a window that shows the rows decoded so far and lets
// its events run in between. Fails as loadPicture() does, with its numbers.
class JpegStrips {
public:
    // Nothing for a file that is not a JPEG by its first bytes; else the decoder started on the
    // checked file, the picture made (rows not decoded yet are not filled).
    static std::unique_ptr<JpegStrips> open(const QString& path);
    ~JpegStrips();
    JpegStrips(const JpegStrips&) = delete;
    JpegStrips& operator=(const JpegStrips&) = delete;

    // The upright picture, written in place as rows are decoded: copies share its pixels.
    const QImage& picture() const;
    // The rows decoded so far; the picture's rows as they are, when topFirst().
    int rowsDone() const;
    bool whole() const;
    // Whether showing the top rows first is worth it: a large picture stored upright (a turned
    // one fills its columns instead).
    bool topFirst() const;
    // Decodes about `rows` more rows.
    void decode(int rows);
    // The whole picture, upright, decoded at the smallest of 1/8, 1/4 and 1/2 of its size that is
    // still at least `atLeast` (at 1/2 when none is): a reduced view long before the rows are
    // all decoded. The last one made is kept.
    QImage reduced(QSize atLeast);
    // Whether reduced() is cheap beside the decode: a progressive picture would be decoded into
    // all its coefficients a second time.
    bool reducible() const;

private:
    struct Job;
    explicit JpegStrips(std::unique_ptr<Job> job);
    std::unique_ptr<Job> m_job;
};

} // namespace pixa::ui
