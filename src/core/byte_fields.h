// Unsigned fields of a file's header read from its bytes, in either byte order; the caller has
// checked that the bytes are there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pixa::bytes {

inline unsigned byteAt(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

inline uint32_t le16(std::string_view s, std::size_t i) {
    return byteAt(s, i) | byteAt(s, i + 1) << 8;
}

inline uint32_t le24(std::string_view s, std::size_t i) {
    return le16(s, i) | byteAt(s, i + 2) << 16;
}

inline uint32_t le32(std::string_view s, std::size_t i) {
    return le16(s, i) | le16(s, i + 2) << 16;
}

inline uint32_t be16(std::string_view s, std::size_t i) {
    return byteAt(s, i) << 8 | byteAt(s, i + 1);
}

inline uint32_t be32(std::string_view s, std::size_t i) {
    return be16(s, i) << 16 | be16(s, i + 2);
}

} // namespace pixa::bytes
