// Fuzz target: the search listing's caption reader, checked against the full reader.
#include "core/error.h"
#include "core/pff_file.h"
#include "fuzz_support.h"

#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static pixafuzz::MemoryFile input;
    input.assign(data, size);

    std::optional<pixa::CaptionResult> caption;
    try {
        caption = pixa::readCaption(input.path());
    } catch (const pixa::Failure&) {
    }
    if (caption) {
        pixafuzz::require(size >= pixa::kTrailerSize && size >= pixa::kTagOffset + pixa::kTagSize,
                          "a caption was read from a file too short to hold one");
        pixafuzz::require(caption->caption.size() <= pixa::kTagSize &&
                              caption->complete == (caption->caption.size() == pixa::kTagSize),
                          "the caption's width disagrees with its completeness");
    }

    // Whatever the full reader accepts, the listing must list the same way.
    std::optional<pixa::PffReader> reader;
    try {
        reader.emplace(input.path());
    } catch (const pixa::Failure&) {
        pixafuzz::require(!caption || caption->refusal,
                          "the listing passed a file that the reader refuses");
        return 0;
    }
    pixafuzz::require(caption.has_value(), "the reader opened a file the listing refused");
    const bool holdsPicture = reader->info().pictureSize() >= int64_t(pixa::kPictureHeadSize);
    pixafuzz::require(holdsPicture == !caption->refusal,
                      "the listing and the reader disagree on whether the file opens");
    pixafuzz::require(caption->caption == reader->info().tag &&
                          caption->complete == reader->info().tagComplete &&
                          caption->file_mul_fact == reader->info().file_mul_fact,
                      "the listing and the reader disagree on the caption");
    return 0;
}
