// How the windows decode a photo (BMP, JPEG, PNG, GIF, TIFF, WebP, HEIF): whole and upright, or
// some rows at a time (a JPEG beside reduced views) while a large one is shown.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>

namespace pixa {

// Sets the limits Qt's image readers hold every decode to. Qt keeps them for the whole process
// and reads them in every decode, on any thread: called once at start, before any decode.
void setDecodeLimits();

// The photo in `path`, turned upright by its EXIF orientation (a JPEG is decoded straight into
// its upright place, without a turned copy), in a form that paints quickly. The content decides
// the kind, not the name: a JPEG named .bmp loads. Throws pixa::Failure: 53 or 76 for a missing
// file or folder, 70 or 75 for one that cannot be read, 481 for anything but a picture of those
// kinds that decodes whole (a picture whose data ends early or is damaged, where the decoder
// would make up the rest, is not whole), 6 (its description naming the size) for a picture over
// kMaxPicturePixels or one that takes more than kMaxDecodeBytes to decode (decode_support.h), 7
// when memory runs out.
QImage loadPicture(const QString& path);

// From this many pixels a picture stored upright is shown while it decodes: its top rows first.
// Below it, a whole decode is quick enough that the view scales the photo itself.
inline constexpr int64_t kStripDecodePixels = 8'000'000;

// Rows decoded between two looks at the window's events: about 1 megapixel of a 150-megapixel
// photo, some 10 ms.
inline constexpr int kRowsPerStrip = 64;

// A photo decoded some rows at a time, for a window that shows the rows decoded so far and lets
// its events run in between. Fails as loadPicture() does, with its numbers.
class PictureDecode {
public:
    // Nothing for a picture decoded in one call (loadPicture() decodes it): a BMP, GIF or HEIF,
    // and a PNG, TIFF or WebP under kStripDecodePixels or of a layout left to the whole decode
    // (turned, interlaced, animated, tiled...); else the decode started on the checked file, the
    // picture made (rows not decoded yet are not filled). Throws as loadPicture() does.
    static std::unique_ptr<PictureDecode> open(const QString& path);
    virtual ~PictureDecode() = default;

    // The upright picture, written in place as rows are decoded: copies share its pixels.
    virtual const QImage& picture() const = 0;
    // The rows decoded so far; the picture's rows as they are, when topFirst().
    virtual int rowsDone() const = 0;
    virtual bool whole() const = 0;
    // Whether showing the top rows first is worth it: a large picture stored upright (a turned
    // one fills its columns instead).
    virtual bool topFirst() const = 0;
    // Decodes about `rows` more rows.
    virtual void decode(int rows) = 0;
    // The whole picture, upright, decoded at the smallest of 1/8, 1/4 and 1/2 of its size that is
    // still at least `atLeast` (at 1/2 when none is): a reduced view long before the rows are
    // all decoded. The last one made is kept.
    virtual QImage reduced(QSize atLeast) = 0;
    // Starts the decode that reduced(`atLeast`) makes on a thread of its own, beside the rows
    // decoded here; reduced() then takes its picture, waiting for it if it has not ended. The
    // decode's end stops and waits for it.
    virtual void reduceAhead(QSize atLeast) = 0;
    // What reduced(`atLeast`) gives, once its decode has ended; until then null, that decode
    // started on a thread of its own (after the one running there). Never waits for it: the
    // window asks again as the rows come.
    virtual QImage reducedSoon(QSize atLeast) = 0;
    // Whether reduced() is cheap beside the decode: a progressive JPEG would be decoded into all
    // its coefficients a second time, and a PNG, TIFF or WebP has no reduced decode (reduced()
    // decodes the rest of its rows and scales the whole picture).
    virtual bool reducible() const = 0;

protected:
    PictureDecode() = default;
    PictureDecode(const PictureDecode&) = delete;
    PictureDecode& operator=(const PictureDecode&) = delete;
};

} // namespace pixa
