#include "core/file_content.h"

#include "core/file_io.h"

#include <array>

namespace pixa {

namespace {

constexpr std::string_view kWrappedStart = "PFF FILE.";
constexpr char kPreambleEnd = '\x1A';

} // namespace

FileContent fileContent(std::string_view head) {
    if (head.size() >= kContentHeadSize && head.substr(0, kWrappedStart.size()) == kWrappedStart &&
        head[kContentHeadSize - 1] == kPreambleEnd) {
        return FileContent::WrappedPhoto;
    }
    return pictureKind(head) == PictureKind::Other ? FileContent::Other : FileContent::Picture;
}

FileContent fileContentOf(const std::filesystem::path& file) {
    InputFile in(file);
    std::array<char, kContentHeadSize> head{};
    const size_t got = in.read(head.data(), head.size());
    return fileContent(std::string_view(head.data(), got));
}

} // namespace pixa
