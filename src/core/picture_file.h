// What the first bytes of a photo file say: its kind, and whether the file holds all of it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace pixa {

enum class PictureKind { Bitmap, Jpeg, Other };

// "BM" is a Windows bitmap, FF D8 FF a JPEG.
PictureKind pictureKind(std::string_view head);

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

} // namespace pixa
