#include "core/viewer_password.h"

#include "core/codepage.h"
#include "core/owner_codec.h"

#include <string.h>

#include <algorithm>

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
    auto padded = paddedViewerPassword(typedUtf8);
    if (!padded) return false;
    const bool opens = info.viewerPasswordMatches(*padded);
    wipe(*padded);
    return opens;
}

void wipe(std::string& text) noexcept {
    // explicit_bzero is never left out as a store to memory about to be freed.
    ::explicit_bzero(text.data(), text.size());
    text.clear();
}

void RememberedPasswords::remember(std::string_view typedUtf8) {
    if (std::find(m_kept.begin(), m_kept.end(), typedUtf8) == m_kept.end())
        m_kept.emplace_back(typedUtf8);
}

const std::string* RememberedPasswords::opening(const PffInfo& info) const {
    for (const std::string& kept : m_kept)
        if (viewerPasswordOpens(info, kept)) return &kept;
    return nullptr;
}

void RememberedPasswords::forget() noexcept {
    for (std::string& kept : m_kept)
        wipe(kept);
    m_kept.clear();
}

} // namespace pixa
