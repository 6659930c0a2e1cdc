// The photos a viewer steps through: a folder's pictures and wrapped photos in the order people
// read their names, and where a step from one of them lands.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace pixa {

// Natural name order: a run of digits compares by its value ("2" before "10"), letters without
// regard to their case; names still equal that way, by their bytes.
bool naturalLess(std::string_view a, std::string_view b);

// Whether `file` is named as a wrapped photo: *.pff, letters' case aside.
bool namedAsWrapped(const std::filesystem::path& file);

// The files of `folder` named as a picture (pictureNamePatterns()) or a wrapped photo (*.pff),
// letters' case aside, in natural order of their names; folders are left out. Throws the
// Failure of listing the folder.
std::vector<std::filesystem::path> folderPhotos(const std::filesystem::path& folder);

// The entry of `list` a step from `place` lands on: the one after it (`forward`) or before it.
// When `place` is not in the list (it vanished), the step starts from where its name would stand
// in natural order. Nullopt past either end.
std::optional<std::size_t> stepFrom(const std::vector<std::filesystem::path>& list,
                                    const std::filesystem::path& place, bool forward);

} // namespace pixa
