// The wrapped-photo (.pff) file: its layout, the streaming writer and the reader.
#pragma once

#include "core/clock.h"
#include "core/error.h"
#include "core/owner_store.h"

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace pixa {

inline constexpr size_t kPreambleSize = 276;
inline constexpr size_t kTagSize = 64;
inline constexpr size_t kTagOffset = 276;
inline constexpr size_t kFileTypeOffset = 340;
inline constexpr size_t kFileTypeSize = 4;
inline constexpr size_t kHeaderSize = 363;
inline constexpr size_t kTrailerSize = 343;
inline constexpr size_t kPictureHeadSize = 48;
inline constexpr size_t kBlockSize = 1026;
inline constexpr size_t kFileNameFieldSize = 255;
// A .pff file is the picture plus this many bytes.
inline constexpr size_t kWrapOverhead = kHeaderSize + kTrailerSize - kPictureHeadSize;
// The smallest .pff file: a 48-byte picture with an empty body.
inline constexpr size_t kMinimumPffSize = kHeaderSize + kTrailerSize;

// The whole 1026-byte blocks of a picture of `pictureSize` bytes, the count that progress
// callbacks report; 0 for a picture too short for one.
inline uint64_t pictureBlocks(int64_t pictureSize) {
    const int64_t body = pictureSize - static_cast<int64_t>(kPictureHeadSize);
    return body > 0 ? static_cast<uint64_t>(body) / kBlockSize : 0;
}

// Called before each step of long work with the step's 1-based number and the number of steps:
// each 1026-byte block of a wrap or an unwrap, each file of a caption listing.
using Progress = std::function<void(uint64_t block, uint64_t count)>;

// What one wrap needs; texts are code-page bytes.
struct WrapRequest {
    std::filesystem::path source; // the picture file
    std::filesystem::path target; // the .pff file to write
    std::string tag;              // the caption as it is to be stored, at most 64 characters
    std::string fileType;         // ".BMP", ".JPG", ".PFF" or a dot and the source's extension
    CurrentOwner owner;
    const Clock* clock = nullptr; // the system clock when null
};

// Wraps `source` into `target`, all or nothing: the file appears whole under its name or not at
// all. A picture shorter than 48 bytes is "Input past end of file"; a tag over 64 characters, a
// tag or type with a control character or a character that cannot be scrambled, or an owner
// factor that does not fit its four digits is "Invalid procedure call or argument". A stop
// requested through `stop` is checked after each progress step and ends the wrap with "User
// interrupt occurred", leaving no file.
void encrypt_pff_file(const WrapRequest& request, const Progress& progress = {},
                      std::stop_token stop = {});

// The caption (code-page bytes) scrambled as `encrypt_pff_file` stores it for an owner with
// `factor`, 64 characters. A caption over 64 characters is refused; one with a control character
// or a character whose code would pass 255 once scrambled is refused as the character at its
// position (Failure::refusedPosition()).
std::string scrambledTag(std::string_view tag, int32_t factor);

// A caption made from a path: whole when it fits 64 characters, else "..." and its last 61.
std::string tagFromPath(std::string_view pathBytes);

// The 276-byte readable preamble for an owner's plain 20-character name.
std::string buildPreamble(std::string_view plainName);

// The date and time texts stored by a wrap at `when`, before fitting: "MM/DD/YY", "hh:mm:ss AM".
std::string dateText(const std::tm& when);
std::string timeText(const std::tm& when);

// What a .pff file tells before any password: the unscrambled fields and the trailer.
struct PffInfo {
    std::string tag;         // 64 characters unless it stopped at a code without a character
    bool tagComplete = true; // false: "The selected file seems to be corrupt"
    std::string fileType;    // 4, a short type padded with spaces
    std::string date;        // 8
    std::string time;        // 11
    std::string file_owner_name;  // 20, scrambled
    std::string file_owner_pass;  // 8, scrambled
    std::string file_viewer_pass; // 8, scrambled
    std::string fileNameField;    // 255, scrambled, never read back
    std::string factorText;       // 4
    int32_t file_mul_fact = 0;
    std::string pictureHead; // 48
    uint64_t fileSize = 0;

    // The picture's length; negative for a file too short to hold a body.
    int64_t pictureSize() const {
        return static_cast<int64_t>(fileSize) - static_cast<int64_t>(kWrapOverhead);
    }
    // The owner's plain name (20 characters); throws InvalidArgument for a damaged field.
    std::string ownerName() const;
    // Whether the padded text typed as viewer password equals the file's, exactly.
    bool viewerPasswordMatches(std::string_view paddedTyped) const;
};

// Reads a .pff file. Opening reads and unscrambles the header and the trailer, in the order
// the fields are shown: a missing file is "File not found", one shorter than the header "Input
// past end of file", a factor that is not a number "Type mismatch", a type, date or time that
// does not unscramble "Invalid procedure call or argument". unwrapTo() then restores the picture.
class PffReader {
public:
    explicit PffReader(std::filesystem::path file);

    const PffInfo& info() const { return m_info; }

    // Writes the original picture to `target`, all or nothing, with exactly `mode`. A file too
    // short for a body is "Input past end of file". A stop requested through `stop` ends the
    // unwrap as the writer's does, leaving no file.
    void unwrapTo(const std::filesystem::path& target, const Progress& progress = {},
                  mode_t mode = 0600, std::stop_token stop = {}) const;

    // Takes the bytes of the original picture in order, a stretch at a time (at most about
    // 1 MiB); false ends the reading.
    using PictureSink = std::function<bool(const char* bytes, size_t count)>;
    // Restores the picture as unwrapTo() does, with the same failures, progress and stop, into
    // `sink` instead of a file. Returns false when the sink ended the reading.
    bool readPicture(const PictureSink& sink, const Progress& progress = {},
                     std::stop_token stop = {}) const;

private:
    std::filesystem::path m_file;
    PffInfo m_info;
};

// The reader for the search listing: only the header and the trailer's factor are read.
struct CaptionResult {
    std::string caption; // 64 characters unless incomplete
    bool complete = true;
    int32_t file_mul_fact = 0;
    // Why PffReader and unwrapTo() refuse the file although its caption could be read: a type,
    // date or time that does not unscramble, or a file too short to hold a picture. The search
    // window lists such a file by its caption all the same; the tool reports it as unreadable.
    std::optional<Failure> refusal;
};
// Fails when the file cannot be opened or read; and, as a NotWrappedPhoto failure, when it is
// shorter than 343 bytes or its factor is not a number.
CaptionResult readCaption(const std::filesystem::path& file);

// Starts reading, without waiting, the bytes that readCaption() needs from `file`. A listing of
// many files not yet in memory calls it a few dozen files ahead of readCaption(), so that the
// disk serves many files at once instead of one after the other. Only a hint: never fails.
void prefetchCaption(const std::filesystem::path& file) noexcept;

// A folder that a listing could not read, all or in part: its .pff files may be missing.
struct UnreadFolder {
    std::filesystem::path folder;
    Failure failure;
};

// Called with each folder a listing is about to read.
using FolderVisit = std::function<void(const std::filesystem::path& folder)>;

// The entries of a folder named .pff (matched without regard to case) that are not folders,
// sorted by path without regard to the letters' case; with `recursive` those of its subfolders
// too, without following links to folders and without entering the kernel's pseudo file systems
// (/proc, /sys, /dev and their kind). Entries that are not regular files (a FIFO, a link that
// leads nowhere) are listed too, so that the caption listing reports why they cannot be read. A
// folder that cannot be read fails the listing, unless `unreadFolders` is given for the
// subfolders: they are then added to it and the listing goes on. `visit` is called before each
// folder is read; a stop requested through `stop` is checked after it and ends the listing with
// "User interrupt occurred".
std::vector<std::filesystem::path> listPffFiles(const std::filesystem::path& folder,
                                                bool recursive = false,
                                                std::vector<UnreadFolder>* unreadFolders = nullptr,
                                                const FolderVisit& visit = {},
                                                std::stop_token stop = {});

} // namespace pixa
