// What the first bytes of a photo file say: its kind, and whether the file holds all of it.
#pragma once

#include <cstdint>
#include <string_view>

namespace pixa {

enum class PictureKind { Bitmap, Jpeg, Other };

// "BM" is a Windows bitmap, FF D8 FF a JPEG.
PictureKind pictureKind(std::string_view head);

// The bytes of a bitmap's headers that bitmapComplete() reads.
inline constexpr std::size_t kBitmapHeadSize = 34;

// Whether a bitmap file of `fileSize` bytes, starting with `head`, holds every pixel row its
// header announces. Compressed bitmaps, whose length the header does not fix, count as whole.
bool bitmapComplete(std::string_view head, uint64_t fileSize);

// Whether a JPEG's bytes reach its end-of-image marker through whole segments and scans.
bool jpegComplete(std::string_view bytes);

} // namespace pixa
