// Reading the captions of many wrapped photos, with the disk asked for the files ahead of the
// one being read: the search listing of a folder and the tool's list command.
#pragma once

#include "core/error.h"
#include "core/pff_file.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

namespace pixa {

enum class CaptionStatus {
    Read,       // `caption` holds the caption, its complete flag and the file's factor
    NotWrapped, // the file was read and is not a wrapped photo: the one case to call corrupt
    Unreadable, // the file could not be read (permission, vanished, not a regular file, ...)
};

// What the listing found for one file.
struct CaptionEntry {
    std::filesystem::path file;
    CaptionStatus status = CaptionStatus::Read;
    CaptionResult caption;          // when Read
    std::optional<Failure> failure; // when NotWrapped or Unreadable: what was found, or why
};

using CaptionSink = std::function<void(const CaptionEntry&)>;

// Reads the caption of each file in order and hands each result to `onFile` as it comes; one
// file that cannot be read or is not a wrapped photo stops nothing. `progress` is called before
// each file with its 1-based number and the count. A stop requested through `stop` ends the
// listing with "User interrupt occurred" before the next file.
void readCaptions(const std::vector<std::filesystem::path>& files, const CaptionSink& onFile,
                  const Progress& progress = {}, std::stop_token stop = {});

// The same for the .pff files of `folder` (listPffFiles()); with `recursive` for those of its
// subfolders too. A folder that cannot be read fails; the subfolders that could not be read are
// returned, their readable files listed all the same.
std::vector<UnreadFolder> readFolderCaptions(const std::filesystem::path& folder, bool recursive,
                                             const CaptionSink& onFile,
                                             const Progress& progress = {},
                                             std::stop_token stop = {});

} // namespace pixa
