#include "imaging/exif_thumbnail.h"

#include <cstdint>
#include <optional>

namespace pixa {

namespace {

constexpr uint16_t kThumbnailOffsetTag = 0x0201;
constexpr uint16_t kThumbnailLengthTag = 0x0202;

// The TIFF structure inside an EXIF block: every read is checked against its end, a read out of
// range giving nothing.
class TiffBlock {
public:
    explicit TiffBlock(std::string_view bytes)
        : m_bytes(bytes), m_little(bytes.starts_with("II")) {}

    bool valid() const { return m_bytes.size() >= 8 && (m_little || m_bytes.starts_with("MM")); }
    std::string_view bytes() const { return m_bytes; }

    std::optional<uint32_t> u16(uint64_t at) const {
        if (at + 2 > m_bytes.size()) return std::nullopt;
        const uint32_t a = byte(at), b = byte(at + 1);
        return m_little ? (b << 8 | a) : (a << 8 | b);
    }
    std::optional<uint32_t> u32(uint64_t at) const {
        const auto first = u16(at), second = u16(at + 2);
        if (!first || !second) return std::nullopt;
        return m_little ? (*second << 16 | *first) : (*first << 16 | *second);
    }

    // The value of the single SHORT or LONG entry `tag` in the IFD at `ifd`.
    std::optional<uint32_t> entry(uint64_t ifd, uint16_t tag) const {
        const auto count = u16(ifd);
        if (!count) return std::nullopt;
        for (uint64_t i = 0; i < *count; ++i) {
            const uint64_t at = ifd + 2 + 12 * i;
            const auto found = u16(at), type = u16(at + 2), values = u32(at + 4);
            if (!found || !type || !values) return std::nullopt;
            if (*found != tag) continue;
            if (*values != 1) return std::nullopt;
            if (*type == 3) return u16(at + 8);
            if (*type == 4) return u32(at + 8);
            return std::nullopt;
        }
        return std::nullopt;
    }

    // The offset of the IFD after the one at `ifd`; 0 when there is none.
    std::optional<uint32_t> nextIfd(uint64_t ifd) const {
        const auto count = u16(ifd);
        if (!count) return std::nullopt;
        return u32(ifd + 2 + 12 * uint64_t(*count));
    }

private:
    uint32_t byte(uint64_t at) const { return static_cast<unsigned char>(m_bytes[at]); }

    std::string_view m_bytes;
    bool m_little;
};

// The EXIF block's TIFF structure: an APP1 segment "Exif\0\0" among those before the first scan.
std::string_view exifBlock(std::string_view s) {
    const auto byteAt = [s](size_t i) { return static_cast<unsigned char>(s[i]); };
    if (s.size() < 4 || byteAt(0) != 0xFF || byteAt(1) != 0xD8) return {};
    size_t pos = 2;
    while (pos + 4 <= s.size() && byteAt(pos) == 0xFF) {
        const unsigned marker = byteAt(pos + 1);
        if (marker == 0xDA || marker == 0xD9) break;
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        const size_t length = size_t(byteAt(pos + 2)) << 8 | byteAt(pos + 3);
        if (length < 2 || pos + 2 + length > s.size()) break;
        const std::string_view segment = s.substr(pos + 4, length - 2);
        pos += 2 + length;
        if (marker == 0xE1 && segment.starts_with(std::string_view("Exif\0\0", 6)))
            return segment.substr(6);
    }
    return {};
}

} // namespace

std::string_view exifThumbnail(std::string_view jpeg) {
    const TiffBlock tiff(exifBlock(jpeg));
    if (!tiff.valid()) return {};
    const auto first = tiff.u32(4);
    if (!first) return {};
    const auto second = tiff.nextIfd(*first);
    if (!second || *second == 0) return {};
    const auto offset = tiff.entry(*second, kThumbnailOffsetTag);
    const auto length = tiff.entry(*second, kThumbnailLengthTag);
    if (!offset || !length || *length == 0) return {};
    if (uint64_t(*offset) + *length > tiff.bytes().size()) return {};
    return tiff.bytes().substr(*offset, *length);
}

} // namespace pixa
