// Finds the small JPEG a camera stores in a JPEG's EXIF block, without trusting any offset in it.
#pragma once

#include <string_view>

namespace pixa {

// The bytes of the thumbnail that the EXIF block of the JPEG `jpeg` points at (its second IFD's
// JPEGInterchangeFormat and JPEGInterchangeFormatLength), a part of `jpeg`; empty when there is
// none or when any offset or length points outside the block. Whether they are a whole JPEG is
// the decoder's to check.
std::string_view exifThumbnail(std::string_view jpeg);

} // namespace pixa
