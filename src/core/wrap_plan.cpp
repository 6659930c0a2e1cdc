#include "core/wrap_plan.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/picture_file.h"

#include <sys/stat.h>

#include <map>
#include <set>
#include <utility>
#include <variant>

namespace pixa {

namespace fs = std::filesystem;

namespace {

using FileId = std::pair<dev_t, ino_t>;

std::optional<FileId> fileId(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

// One spelling for every way of naming a target, so that "./a.pff" and "a.pff" collide.
fs::path targetKey(const fs::path& target) {
    std::error_code ec;
    fs::path key = fs::weakly_canonical(target, ec);
    if (ec) key = fs::absolute(target, ec).lexically_normal();
    return key;
}

WrapRefusal refusal(const fs::path& source, WrapRefusalKind kind, std::string reason) {
    return {source, kind, 0, std::move(reason)};
}

WrapRefusal refusal(const fs::path& source, WrapRefusalKind kind, const Failure& failure) {
    return {source, kind, failure.number(), failure.what()};
}

// The plan of one source, or why it cannot be wrapped. `sourceIds` holds the files of every
// source of the run, so that no wrap overwrites a picture that another wrap still has to read.
std::variant<WrapItem, WrapRefusal> planOne(const fs::path& source, const WrapOptions& options,
                                            const std::set<FileId>& sourceIds) {
    std::optional<std::string> sniffed;
    try {
        sniffed = sniffPictureType(source);
    } catch (const Failure& f) {
        return refusal(source, WrapRefusalKind::Failed, f);
    }
    if (!sniffed) {
        return refusal(source, WrapRefusalKind::NotAPicture,
                       source.string() + " is not a BMP, JPEG, PNG, GIF, TIFF, WebP, HEIC, AVIF or "
                                         "JPEG XL picture: its first bytes are those of none of "
                                         "them.");
    }

    WrapItem item;
    item.source = source;
    if (options.output) {
        item.target = *options.output;
        std::error_code ec;
        if (fs::is_directory(item.target, ec)) {
            return refusal(source, WrapRefusalKind::TargetFolder,
                           source.string() + " cannot be written to " + item.target.string() +
                               ": it is a folder");
        }
    } else {
        item.target = targetInFolder(source, options.outputFolder.value_or(fs::path()));
        if (item.target.empty()) {
            return refusal(source, WrapRefusalKind::NoTargetName,
                           "no .pff name can be made from " + source.string());
        }
    }
    if (const auto target = fileId(item.target); target && sourceIds.contains(*target)) {
        const bool own = fileId(source) == target;
        return refusal(source, WrapRefusalKind::OwnSource,
                       own ? source.string() + " would be replaced by its own wrapped photo"
                           : item.target.string() +
                                 ", a picture to be wrapped, would be "
                                 "replaced by the wrapped photo of " +
                                 source.string());
    }

    if (options.caption) {
        item.tag = *options.caption;
    } else {
        try {
            item.tag = tagFromSourcePath(source);
        } catch (const Failure& f) {
            return refusal(source, WrapRefusalKind::CaptionNotStorable, f);
        }
    }
    try {
        item.fileType = options.fileType ? *options.fileType : defaultPictureType(source, *sniffed);
    } catch (const Failure& f) {
        return refusal(source, WrapRefusalKind::TypeNotStorable,
                       f.rephrased("in the extension of " + source.string() + ", " + f.detail()));
    }
    return item;
}

} // namespace

std::optional<std::string> sniffPictureType(const fs::path& source) {
    InputFile in(source);
    char head[kKindHeadSize] = {};
    const size_t got = in.read(head, sizeof head);
    const std::string_view type = pictureKindType(pictureKind(std::string_view(head, got)));
    if (type.empty()) return std::nullopt;
    return std::string(type);
}

std::string defaultPictureType(const fs::path& source, const std::string& sniffedType) {
    const std::string ext = source.extension().string();
    return ext.empty() ? sniffedType : toCodePage(ext);
}

std::string tagFromSourcePath(const fs::path& source) {
    const std::string fullPath = fs::absolute(source).lexically_normal().string();
    try {
        return tagFromPath(toCodePage(fullPath));
    } catch (const Failure& f) {
        throw f.rephrased("the path of " + fullPath + " cannot be stored as its caption (" +
                          f.detail() + ")");
    }
}

fs::path targetInFolder(const fs::path& source, const fs::path& folder) {
    const std::string name = source.filename().string();
    const std::string base = name.substr(0, name.find('.'));
    if (base.empty()) return {};
    return folder / (base + ".pff");
}

WrapRequest WrapItem::request(const CurrentOwner& owner, const Clock* clock) const {
    return WrapRequest{source, target, tag, fileType, owner, clock};
}

WrapPlan planWraps(const std::vector<fs::path>& sources, const WrapOptions& options) {
    std::set<FileId> sourceIds;
    for (const auto& source : sources) {
        if (const auto id = fileId(source)) sourceIds.insert(*id);
    }
    WrapPlan plan;
    std::map<fs::path, fs::path> sourceOfTarget;
    for (const auto& source : sources) {
        auto planned = planOne(source, options, sourceIds);
        if (auto* refused = std::get_if<WrapRefusal>(&planned)) {
            plan.refusals.push_back(std::move(*refused));
            continue;
        }
        WrapItem& item = std::get<WrapItem>(planned);
        const auto [taken, added] = sourceOfTarget.emplace(targetKey(item.target), source);
        if (!added) {
            plan.refusals.push_back(refusal(source, WrapRefusalKind::SameTarget,
                                            taken->second.string() + " and " + source.string() +
                                                " would both be written to " +
                                                item.target.string()));
            continue;
        }
        plan.items.push_back(std::move(item));
    }
    return plan;
}

} // namespace pixa
