#include "core/photo_sequence.h"

#include "core/error.h"
#include "core/picture_file.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <system_error>

namespace pixa {

namespace fs = std::filesystem;

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// The digits of a run without its leading zeros.
std::string_view significant(std::string_view digits) {
    const size_t first = digits.find_first_not_of('0');
    return first == std::string_view::npos ? std::string_view() : digits.substr(first);
}

// Negative, zero or positive as `a` comes before, with or after `b`, case and bytes aside.
int naturalCompare(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            size_t ie = i;
            size_t je = j;
            while (ie < a.size() && isDigit(a[ie]))
                ++ie;
            while (je < b.size() && isDigit(b[je]))
                ++je;
            const std::string_view x = significant(a.substr(i, ie - i));
            const std::string_view y = significant(b.substr(j, je - j));
            // Without leading zeros, a longer run is a larger number; runs of one length
            // compare as text.
            if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
            if (const int c = x.compare(y)) return c;
            i = ie;
            j = je;
            continue;
        }
        if (lower(a[i]) != lower(b[j])) return lower(a[i]) < lower(b[j]) ? -1 : 1;
        ++i;
        ++j;
    }
    return (a.size() - i > 0) - (b.size() - j > 0);
}

std::string lowerExtension(const fs::path& file) {
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), lower);
    return ext;
}

bool namedAsPhoto(const fs::path& file) {
    if (namedAsWrapped(file)) return true;
    const std::string ext = lowerExtension(file);
    const auto& patterns = pictureNamePatterns();
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string& pattern) { return pattern.substr(1) == ext; });
}

bool byNaturalName(const fs::path& a, const fs::path& b) {
    return naturalLess(a.filename().native(), b.filename().native());
}

} // namespace

bool namedAsWrapped(const fs::path& file) {
    return lowerExtension(file) == ".pff";
}

bool naturalLess(std::string_view a, std::string_view b) {
    const int c = naturalCompare(a, b);
    return c != 0 ? c < 0 : a < b;
}

std::vector<fs::path> folderPhotos(const fs::path& folder) {
    std::vector<fs::path> photos;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) throwErrno(ec.value(), "list", folder.string());
    for (const fs::directory_iterator end; it != end;) {
        std::error_code kindUnknown;
        if (!it->is_directory(kindUnknown) && namedAsPhoto(it->path()))
            photos.push_back(it->path());
        it.increment(ec);
        if (ec) throwErrno(ec.value(), "list", folder.string());
    }
    std::sort(photos.begin(), photos.end(), byNaturalName);
    return photos;
}

std::optional<size_t> stepFrom(const std::vector<fs::path>& list, const fs::path& place,
                               bool forward) {
    const auto at = std::find(list.begin(), list.end(), place);
    // Where a vanished place would stand: the step forward lands there, the step back before.
    const auto from =
        at != list.end() ? at : std::lower_bound(list.begin(), list.end(), place, byNaturalName);
    const auto index = static_cast<size_t>(from - list.begin());
    if (forward) {
        const size_t next = at != list.end() ? index + 1 : index;
        if (next >= list.size()) return std::nullopt;
        return next;
    }
    if (index == 0) return std::nullopt;
    return index - 1;
}

} // namespace pixa
