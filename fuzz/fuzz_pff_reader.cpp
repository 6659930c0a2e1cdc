// Fuzz target: the .pff reader on arbitrary bytes, header, trailer and body, then the unwrap.
#include "core/error.h"
#include "core/pff_file.h"
#include "fuzz_support.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace {

// The picture a file of these bytes must unwrap to, computed apart from the reader so that a
// wrong offset or a wrong de-interleave in the reader shows up as a difference.
std::string expectedPicture(const uint8_t* data, size_t size) {
    std::string out;
    for (size_t k = 0; k < pixa::kPictureHeadSize; ++k)
        out += static_cast<char>(255 - data[size - 1 - k]);
    const size_t bodyBegin = pixa::kHeaderSize;
    const size_t bodyLength = size - pixa::kHeaderSize - pixa::kTrailerSize;
    const size_t half = pixa::kBlockSize / 2;
    size_t pos = 0;
    for (; pos + pixa::kBlockSize <= bodyLength; pos += pixa::kBlockSize) {
        const uint8_t* block = data + bodyBegin + pos;
        for (size_t i = 0; i < half; ++i)
            out += static_cast<char>(block[2 * i]);
        for (size_t i = 0; i < half; ++i)
            out += static_cast<char>(block[2 * i + 1]);
    }
    out.append(reinterpret_cast<const char*>(data + bodyBegin + pos), bodyLength - pos);
    return out;
}

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static pixafuzz::MemoryFile input;
    static pixafuzz::ScratchFolder scratch;
    const auto target = scratch.path() / "picture.bmp";
    input.assign(data, size);
    std::filesystem::remove(target);

    std::optional<pixa::PffReader> reader;
    try {
        reader.emplace(input.path());
    } catch (const pixa::Failure&) {
        return 0;
    }
    const pixa::PffInfo& info = reader->info();
    pixafuzz::require(size >= pixa::kHeaderSize, "a file shorter than the header was read");
    pixafuzz::require(info.fileSize == size, "wrong file size");
    pixafuzz::require(info.fileType.size() == 4 && info.date.size() == 8 && info.time.size() == 11,
                      "a field has the wrong width");
    pixafuzz::require(info.tag.size() <= pixa::kTagSize &&
                          (info.tagComplete == (info.tag.size() == pixa::kTagSize)),
                      "the tag's width disagrees with its completeness");
    pixafuzz::require(info.file_owner_name.size() == 20 && info.file_viewer_pass.size() == 8 &&
                          info.pictureHead.size() == 48 && info.factorText.size() == 4,
                      "a trailer field has the wrong width");
    try {
        pixafuzz::require(info.ownerName().size() == 20, "owner name not 20 characters");
        (void)info.viewerPasswordMatches("secret  ");
    } catch (const pixa::Failure&) {
    }

    try {
        reader->unwrapTo(target);
    } catch (const pixa::Failure&) {
        pixafuzz::require(scratch.entryCount() == 0, "a failed unwrap left a file behind");
        pixafuzz::require(size < pixa::kMinimumPffSize, "a long enough file failed to unwrap");
        return 0;
    }
    pixafuzz::require(size >= pixa::kMinimumPffSize, "a file without a body was unwrapped");
    pixafuzz::require(scratch.entryCount() == 1, "the unwrap left a temporary file");
    struct stat st {};
    pixafuzz::require(::stat(target.c_str(), &st) == 0 && (st.st_mode & 0777) == 0600,
                      "the unwrapped picture is not private");
    pixafuzz::require(readAll(target) == expectedPicture(data, size),
                      "the unwrapped picture differs from the file's body");
    return 0;
}
