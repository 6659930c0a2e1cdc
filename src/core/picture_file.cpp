#include "core/picture_file.h"

#include <cstdlib>
#include <cstring>

namespace pixa {

namespace {

unsigned byteAt(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

uint32_t le16(std::string_view s, std::size_t i) {
    return byteAt(s, i) | byteAt(s, i + 1) << 8;
}

uint32_t le32(std::string_view s, std::size_t i) {
    return le16(s, i) | le16(s, i + 2) << 16;
}

// Where the next byte 0xFF lies at or after `from`; the end when there is none.
std::size_t nextFF(std::string_view s, std::size_t from) {
    if (from >= s.size()) return s.size();
    const void* found = std::memchr(s.data() + from, 0xFF, s.size() - from);
    return found ? static_cast<const char*>(found) - s.data() : s.size();
}

} // namespace

PictureKind pictureKind(std::string_view head) {
    if (head.size() >= 2 && head[0] == 'B' && head[1] == 'M') return PictureKind::Bitmap;
    if (head.size() >= 3 && byteAt(head, 0) == 0xFF && byteAt(head, 1) == 0xD8 &&
        byteAt(head, 2) == 0xFF) {
        return PictureKind::Jpeg;
    }
    return PictureKind::Other;
}

bool bitmapComplete(std::string_view head, uint64_t fileSize) {
    if (head.size() < 26 || pictureKind(head) != PictureKind::Bitmap) return false;
    const uint64_t pixelsAt = le32(head, 10);
    const uint32_t infoSize = le32(head, 14);
    uint64_t width = 0;
    uint64_t height = 0;
    uint64_t bitsPerPixel = 0;
    if (infoSize == 12) {
        width = le16(head, 18);
        height = le16(head, 20);
        bitsPerPixel = le16(head, 24);
    } else {
        if (head.size() < kBitmapHeadSize) return false;
        width = std::llabs(static_cast<int32_t>(le32(head, 18)));
        height = std::llabs(static_cast<int32_t>(le32(head, 22)));
        bitsPerPixel = le16(head, 28);
        const uint32_t compression = le32(head, 30);
        // Uncompressed, or uncompressed with colour masks.
        if (compression != 0 && compression != 3 && compression != 6) return true;
    }
    const uint64_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    if (pixelsAt > fileSize) return false;
    if (rowBytes == 0 || height == 0) return true;
    return height <= (fileSize - pixelsAt) / rowBytes;
}

bool jpegComplete(std::string_view s) {
    if (pictureKind(s) != PictureKind::Jpeg) return false;
    std::size_t pos = 2;
    for (;;) {
        // Bytes that are not a marker are skipped, as decoders do.
        pos = nextFF(s, pos);
        while (pos + 1 < s.size() && byteAt(s, pos + 1) == 0xFF)
            ++pos;
        if (pos + 1 >= s.size()) return false;
        const unsigned marker = byteAt(s, pos + 1);
        if (marker == 0xD9) return true;
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (pos + 4 > s.size()) return false;
        const std::size_t length = byteAt(s, pos + 2) << 8 | byteAt(s, pos + 3);
        if (length < 2 || pos + 2 + length > s.size()) return false;
        pos += 2 + length;
        if (marker != 0xDA) continue;
        // The scan's coded data: 0xFF there is followed by a stuffed 0 or a restart marker.
        for (;;) {
            pos = nextFF(s, pos);
            if (pos + 1 >= s.size()) return false;
            const unsigned next = byteAt(s, pos + 1);
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                pos += 2;
                continue;
            }
            if (next == 0xFF) {
                ++pos;
                continue;
            }
            break;
        }
    }
}

} // namespace pixa
