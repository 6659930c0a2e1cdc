// Planning a wrap of one or many pictures before anything is written: which picture goes to
// which .pff file with which caption and type, and which sources cannot be wrapped and why.
#pragma once

#include "core/clock.h"
#include "core/owner_store.h"
#include "core/pff_file.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pixa {

// The type the picture's first bytes announce, pictureKindType() of its kind (".BMP", ".JPG",
// ".PNG", ".GIF", ".TIF", ".WEB", ".HEI"); nullopt for none. A source that cannot be read throws
// its Failure. A source whose name has an extension is wrapped with that extension instead, cut
// to the type field's four characters: ".webp" is stored as ".web", ".heic" as ".hei", ".tiff"
// as ".tif".
std::optional<std::string> sniffPictureType(const std::filesystem::path& source);

// The type a picture is wrapped with when none is chosen, in code-page bytes: a dot and its
// name's extension in its own letter case, else `sniffedType`. Throws InvalidArgument for an
// extension with a character outside the code page.
std::string defaultPictureType(const std::filesystem::path& source, const std::string& sniffedType);

// The caption made from a source's full path (absolute, without "." or ".."), as code-page
// bytes fitted by tagFromPath(). A path with a character outside the code page throws
// InvalidArgument.
std::string tagFromSourcePath(const std::filesystem::path& source);

// The .pff file that a source is wrapped into inside `folder`: the source's name up to its
// first dot, then ".pff" ("holiday.2002.jpg" gives "holiday.pff"). Empty when the name starts
// with a dot, so that no name can be made.
std::filesystem::path targetInFolder(const std::filesystem::path& source,
                                     const std::filesystem::path& folder);

// How the sources of one run are wrapped. Exactly one of `output` and `outputFolder` is set.
struct WrapOptions {
    std::optional<std::string> caption;  // code page; else each source's tagFromSourcePath()
    std::optional<std::string> fileType; // code page; else a dot and the source's extension in
                                         // its own letter case, else the sniffed type
    std::optional<std::filesystem::path> output;       // the one target of a single source
    std::optional<std::filesystem::path> outputFolder; // targetInFolder() of each source
};

// One wrap as planned; texts are code-page bytes.
struct WrapItem {
    std::filesystem::path source;
    std::filesystem::path target;
    std::string fileType;
    std::string tag;

    // The writer's request for this wrap by `owner` (the system clock when `clock` is null).
    WrapRequest request(const CurrentOwner& owner, const Clock* clock = nullptr) const;
};

enum class WrapRefusalKind {
    Failed,             // the source could not be read: see `number`
    NotAPicture,        // neither a bitmap nor a JPEG by its first bytes
    CaptionNotStorable, // the caption made from the path has a character outside the code page
    TypeNotStorable,    // so has the source's extension
    TargetFolder,       // the target is a folder
    NoTargetName,       // no .pff name can be made from the source's name
    OwnSource,          // the target is this source, or another source of the run
    SameTarget,         // an earlier source of the run is written to the same target
};

struct WrapRefusal {
    std::filesystem::path source;
    WrapRefusalKind kind = WrapRefusalKind::Failed;
    int32_t number = 0; // the error number behind a Failed or NotStorable refusal, else 0
    std::string reason; // for people, naming the files (UTF-8); the failure's what() if any
};

// The sources' wraps in order, and every source that cannot be wrapped with the reason. A source
// is refused for the first problem found; a target already taken keeps the earlier source.
struct WrapPlan {
    std::vector<WrapItem> items;
    std::vector<WrapRefusal> refusals;
};

// Plans the wraps of `sources`, reading each source's first bytes; writes nothing.
WrapPlan planWraps(const std::vector<std::filesystem::path>& sources, const WrapOptions& options);

} // namespace pixa
