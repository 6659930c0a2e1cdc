// What the first bytes of a photo file say: its kind, and whether the file holds all of it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pixa {

enum class PictureKind { Bitmap, Jpeg, Png, Gif, Tiff, WebP, Heif, Avif, JpegXl, Other };

// The first bytes pictureKind() needs to tell every kind (a HEIF or AVIF file's brand and a JPEG XL
// container's signature end at byte 12).
inline constexpr std::size_t kKindHeadSize = 12;

// "BM" is a Windows bitmap, FF D8 FF a JPEG, then the signatures of PNG, GIF (87a and 89a),
// TIFF (either byte order), WebP (a RIFF of form "WEBP"), HEIF (an "ftyp" box whose brand is
// one of HEIF's still-picture brands), AVIF (an "ftyp" box of brand "avif" or "avis") and JPEG XL
// (its bare codestream's FF 0A, or its container's first box, "JXL ").
PictureKind pictureKind(std::string_view head);

// The type a picture of `kind` is wrapped with when its file name has no extension: a dot and
// the kind's usual extension in capitals, cut to the four characters of the type field as
// every type is (".BMP", ".JPG", ".PNG", ".GIF", ".TIF", ".WEB", ".HEI", ".AVI", ".JXL"); empty
// for Other.
std::string_view pictureKindType(PictureKind kind);

// The file name patterns of every kind that opens and wraps ("*.bmp", "*.jpg", "*.jpeg",
// "*.png", ...), lower case; file lists and dialogs match them without regard to letter case.
const std::vector<std::string>& pictureNamePatterns();

// What the headers of a PNG, GIF, TIFF, WebP, HEIF, AVIF or JPEG XL container file promise, judged
// against the bytes that follow them before anything is decoded.
enum class PictureVerdict {
    Whole,          // the headers fit the file
    CutShort,       // a chunk, block, strip or box runs past the end, or the end never comes
    HeaderLies,     // more pixels than the compressed data could hold at the kind's best ratio
    ScreenTooLarge, // a GIF whose screen is far larger than its first frame
};

struct PictureCheck {
    PictureVerdict verdict = PictureVerdict::Whole;
    uint64_t width = 0;  // what the decoder makes: the GIF's screen, the WebP's canvas;
    uint64_t height = 0; // 0 when the headers do not say (HEIF, AVIF, JPEG XL: the decoder does)
};

// Checks the whole file `bytes` of `kind` (Png, Gif, Tiff, WebP, Heif, Avif or JpegXl; any other
// is Whole). Reads only what the headers point at: a hostile file costs no more than its size.
PictureCheck checkPicture(PictureKind kind, std::string_view bytes);

// The bytes of a bitmap's headers that bitmapComplete() reads.
inline constexpr std::size_t kBitmapHeadSize = 34;

// Whether a bitmap file of `fileSize` bytes, starting with `head`, holds every pixel row its
// header announces. Compressed bitmaps, whose length the header does not fix, count as whole.
bool bitmapComplete(std::string_view head, uint64_t fileSize);

// Whether a JPEG's bytes reach its end-of-image marker through whole segments and scans, and
// its scans could hold the picture its frame header announces: every component is coded, and no
// Huffman-coded scan is shorter than the bits its blocks need at the least (two a block in a
// sequential scan, one in a progressive scan of the DC coefficients). A file whose header
// promises far more pixels than its data could fill is thus refused before it is decoded.
// Arithmetic coding, which may need less than a bit a block, is held to the coverage alone.
bool jpegComplete(std::string_view bytes);

// The EXIF orientation of a JPEG (1 to 8, 1 being upright as stored); 1 when it has none.
int jpegOrientation(std::string_view bytes);

// The orientation in an EXIF block (`tiff`: from its "II" or "MM" on); 1 when it has none.
int exifOrientation(std::string_view tiff);

// The EXIF orientation of a PNG (its eXIf chunk) or a WebP picture (its EXIF chunk); 1 for
// none and for the other kinds, whose decoders turn them themselves.
int embeddedOrientation(PictureKind kind, std::string_view bytes);

} // namespace pixa
