#include "core/viewer_password.h"

#include "core/codepage.h"
#include "core/owner_codec.h"

namespace pixa {

std::optional<std::string> paddedViewerPassword(std::string_view typedUtf8) {
    std::string bytes;
    size_t pos = 0;
    while (pos < typedUtf8.size() && bytes.size() < kPasswordWidth) {
        const auto codePoint = decodeUtf8(typedUtf8, pos);
        if (!codePoint) return std::nullopt;
        const int byte = codePageByte(*codePoint);
        if (byte < 0) return std::nullopt;
        bytes += static_cast<char>(byte);
    }
    return padField(bytes, kPasswordWidth);
}

bool viewerPasswordOpens(const PffInfo& info, std::string_view typedUtf8) {
    const auto padded = paddedViewerPassword(typedUtf8);
    return padded && info.viewerPasswordMatches(*padded);
}

} // namespace pixa
