#include "core/batch_names.h"

namespace pixa {

std::string joinFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

BatchNames batchNames(std::string_view sourceFolder, std::string_view name,
                      std::string_view destinationFolder) {
    BatchNames names;
    names.source = joinFolder(sourceFolder, name);
    const size_t lastDot = name.rfind('.');
    names.fileType =
        "." + std::string(lastDot == std::string_view::npos ? name : name.substr(lastDot + 1));
    const size_t firstDot = name.find('.');
    names.target = joinFolder(destinationFolder, name.substr(0, firstDot)) + ".pff";
    return names;
}

} // namespace pixa
