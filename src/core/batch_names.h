// The names a batch run gives one selected photo: its source path, its file type and the .pff
// file it is wrapped into.
#pragma once

#include <string>
#include <string_view>

namespace pixa {

struct BatchNames {
    std::string source;   // the folder, one separator, the listed name
    std::string fileType; // "." and what follows the name's last dot, in the name's letter case
    std::string target;   // the destination folder, one separator, the name up to its first
                          // dot, ".pff"
};

// `folder` followed by `name`, with a "/" between them unless `folder` ends in one already (a
// volume's root).
std::string joinFolder(std::string_view folder, std::string_view name);

// "holiday.2002.jpg" in "/photos" to "/backup" gives "/photos/holiday.2002.jpg", ".jpg" and
// "/backup/holiday.pff". A name without a dot keeps its whole self in both places.
BatchNames batchNames(std::string_view sourceFolder, std::string_view name,
                      std::string_view destinationFolder);

} // namespace pixa
