// What a file holds by its first bytes: a wrapped photo, a picture of a kind pictureKind()
// knows, or something else. The open command, a drop and the command line decide by it.
#pragma once

#include "core/picture_file.h"

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace pixa {

enum class FileContent { WrappedPhoto, Picture, Other };

// The bytes fileContent() looks at: a wrapped photo's whole readable preamble.
inline constexpr std::size_t kContentHeadSize = 276;

// A wrapped photo starts with the readable "PFF FILE." and its preamble ends with 0x1A at byte
// 275, whatever the owner's name; anything pictureKind() names is a picture.
FileContent fileContent(std::string_view head);

// The same for a file, reading its first bytes; throws the Failure of opening or reading it
// (53 for a missing file, 76 for a missing folder, 70 for one that cannot be read).
FileContent fileContentOf(const std::filesystem::path& file);

} // namespace pixa
