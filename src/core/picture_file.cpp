#include "core/picture_file.h"

#include "core/byte_fields.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace pixa {

namespace {

using namespace bytes;

// Where the next byte 0xFF lies at or after `from`; the end when there is none.
std::size_t nextFF(std::string_view s, std::size_t from) {
    if (from >= s.size()) return s.size();
    const void* found = std::memchr(s.data() + from, 0xFF, s.size() - from);
    return found ? static_cast<const char*>(found) - s.data() : s.size();
}

// SOF0 to SOF15 but for DHT (C4), JPG (C8) and DAC (CC).
bool isFrameMarker(unsigned marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// What the first frame header says, and which of its components the scans so far have coded.
class JpegFrame {
public:
    bool seen = false;

    void read(unsigned marker, std::string_view segment) {
        seen = true;
        // Lossless and hierarchical frames, and a height left to a later DNL marker, are not
        // judged here: the decoder refuses them.
        const bool dct = marker <= 0xC2 || (marker >= 0xC9 && marker <= 0xCA);
        if (!dct || segment.size() < 6) return;
        m_height = byteAt(segment, 1) << 8 | byteAt(segment, 2);
        m_width = byteAt(segment, 3) << 8 | byteAt(segment, 4);
        const std::size_t count = byteAt(segment, 5);
        if (m_height == 0 || m_width == 0 || count == 0 || segment.size() < 6 + 3 * count) return;
        m_huffman = marker <= 0xC2;
        m_progressive = marker == 0xC2 || marker == 0xCA;
        for (std::size_t i = 0; i < count; ++i) {
            const unsigned sampling = byteAt(segment, 7 + 3 * i);
            const Component c{byteAt(segment, 6 + 3 * i), sampling >> 4, sampling & 15, false};
            if (c.h == 0 || c.v == 0) return;
            m_hMax = std::max(m_hMax, c.h);
            m_vMax = std::max(m_vMax, c.v);
            m_components.push_back(c);
        }
        m_judged = true;
    }

    // Records what the scan with header `segment` and `dataBytes` of coded data codes; false
    // when those bytes are fewer than its blocks need.
    bool scanFits(std::string_view segment, uint64_t dataBytes) {
        if (!m_judged || segment.empty()) return true;
        const std::size_t count = byteAt(segment, 0);
        if (segment.size() < 1 + 2 * count + 3) return true;
        const unsigned spectralStart = byteAt(segment, 1 + 2 * count);
        const unsigned approximationHigh = byteAt(segment, 3 + 2 * count) >> 4;
        const uint64_t bitsPerBlock = !m_huffman           ? 0
                                      : !m_progressive     ? 2
                                      : spectralStart == 0 ? 1
                                                           : 0;
        uint64_t bits = 0;
        for (std::size_t i = 0; i < count; ++i) {
            Component* c = find(byteAt(segment, 1 + 2 * i));
            if (!c) return true; // the decoder refuses a scan of a component the frame lacks
            bits += bitsPerBlock * blocks(*c);
            if (!m_progressive || (spectralStart == 0 && approximationHigh == 0)) c->coded = true;
        }
        return dataBytes >= (bits + 7) / 8;
    }

    // Whether every component has been coded (its DC coefficients, in a progressive frame).
    bool covered() const {
        return !m_judged || std::all_of(m_components.begin(), m_components.end(),
                                        [](const Component& c) { return c.coded; });
    }

private:
    struct Component {
        unsigned id, h, v;
        bool coded;
    };

    Component* find(unsigned id) {
        for (auto& c : m_components)
            if (c.id == id) return &c;
        return nullptr;
    }

    // The 8 × 8 blocks of a component, without the padding to whole coding units.
    uint64_t blocks(const Component& c) const {
        const uint64_t width = (uint64_t(m_width) * c.h + m_hMax - 1) / m_hMax;
        const uint64_t height = (uint64_t(m_height) * c.v + m_vMax - 1) / m_vMax;
        return ((width + 7) / 8) * ((height + 7) / 8);
    }

    bool m_judged = false;
    bool m_huffman = true;
    bool m_progressive = false;
    unsigned m_width = 0;
    unsigned m_height = 0;
    unsigned m_hMax = 1;
    unsigned m_vMax = 1;
    std::vector<Component> m_components;
};

} // namespace

PictureKind pictureKind(std::string_view head) {
    if (head.size() >= 2 && head[0] == 'B' && head[1] == 'M') return PictureKind::Bitmap;
    if (head.size() >= 3 && byteAt(head, 0) == 0xFF && byteAt(head, 1) == 0xD8 &&
        byteAt(head, 2) == 0xFF) {
        return PictureKind::Jpeg;
    }
    using namespace std::string_view_literals;
    if (head.starts_with("\x89PNG\r\n\x1A\n"sv)) return PictureKind::Png;
    if (head.starts_with("GIF87a"sv) || head.starts_with("GIF89a"sv)) return PictureKind::Gif;
    if (head.starts_with("II*\0"sv) || head.starts_with("MM\0*"sv)) return PictureKind::Tiff;
    if (head.size() >= 12 && head.starts_with("RIFF"sv) && head.substr(8, 4) == "WEBP"sv) {
        return PictureKind::WebP;
    }
    if (head.starts_with("\xFF\x0A"sv) || head.starts_with("\0\0\0\x0CJXL \r\n\x87\n"sv)) {
        return PictureKind::JpegXl;
    }
    if (head.size() >= 12 && head.substr(4, 4) == "ftyp"sv) {
        // Both are HEIF files; the major brand tells which coding their pictures use.
        static constexpr std::string_view brands[] = {"heic", "heix", "heim", "heis", "hevc",
                                                      "hevx", "hevm", "hevs", "mif1", "msf1"};
        const std::string_view brand = head.substr(8, 4);
        if (brand == "avif"sv || brand == "avis"sv) return PictureKind::Avif;
        if (std::find(std::begin(brands), std::end(brands), brand) != std::end(brands)) {
            return PictureKind::Heif;
        }
    }
    return PictureKind::Other;
}

std::string_view pictureKindType(PictureKind kind) {
    switch (kind) {
    case PictureKind::Bitmap:
        return ".BMP";
    case PictureKind::Jpeg:
        return ".JPG";
    case PictureKind::Png:
        return ".PNG";
    case PictureKind::Gif:
        return ".GIF";
    case PictureKind::Tiff:
        return ".TIF";
    case PictureKind::WebP:
        return ".WEB";
    case PictureKind::Heif:
        return ".HEI";
    case PictureKind::Avif:
        return ".AVI";
    case PictureKind::JpegXl:
        return ".JXL";
    case PictureKind::Other:
        break;
    }
    return {};
}

const std::vector<std::string>& pictureNamePatterns() {
    static const std::vector<std::string> patterns = {"*.bmp",  "*.jpg",  "*.jpeg", "*.png",
                                                      "*.gif",  "*.tif",  "*.tiff", "*.webp",
                                                      "*.heic", "*.heif", "*.avif", "*.jxl"};
    return patterns;
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
    JpegFrame frame;
    std::size_t pos = 2;
    for (;;) {
        // Bytes that are not a marker are skipped, as decoders do.
        pos = nextFF(s, pos);
        while (pos + 1 < s.size() && byteAt(s, pos + 1) == 0xFF)
            ++pos;
        if (pos + 1 >= s.size()) return false;
        const unsigned marker = byteAt(s, pos + 1);
        if (marker == 0xD9) return frame.covered();
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (pos + 4 > s.size()) return false;
        const std::size_t length = byteAt(s, pos + 2) << 8 | byteAt(s, pos + 3);
        if (length < 2 || pos + 2 + length > s.size()) return false;
        const std::string_view segment = s.substr(pos + 4, length - 2);
        pos += 2 + length;
        if (isFrameMarker(marker) && !frame.seen) frame.read(marker, segment);
        if (marker != 0xDA) continue;
        // The scan's coded data: 0xFF there is followed by a stuffed 0 or a restart marker.
        const std::size_t dataStart = pos;
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
        if (!frame.scanFits(segment, pos - dataStart)) return false;
    }
}

int exifOrientation(std::string_view tiff) {
    if (tiff.size() < 8) return 1;
    const bool little = tiff.starts_with("II");
    if (!little && !tiff.starts_with("MM")) return 1;
    const auto u16 = [&](std::size_t i) -> uint32_t {
        return little ? le16(tiff, i) : (byteAt(tiff, i) << 8 | byteAt(tiff, i + 1));
    };
    const auto u32 = [&](std::size_t i) -> uint32_t {
        return little ? le32(tiff, i) : (u16(i) << 16 | u16(i + 2));
    };
    const std::size_t ifd = u32(4);
    if (ifd > tiff.size() - 2) return 1;
    const std::size_t entries = u16(ifd);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = ifd + 2 + 12 * i;
        if (entry + 12 > tiff.size()) return 1;
        // Orientation, one SHORT, held in the entry itself.
        if (u16(entry) != 0x0112) continue;
        if (u16(entry + 2) != 3 || u32(entry + 4) != 1) return 1;
        const uint32_t value = u16(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

int jpegOrientation(std::string_view s) {
    if (pictureKind(s) != PictureKind::Jpeg) return 1;
    std::size_t pos = 2;
    // The EXIF block is an APP1 segment among those before the first scan.
    while (pos + 4 <= s.size() && byteAt(s, pos) == 0xFF) {
        const unsigned marker = byteAt(s, pos + 1);
        if (marker == 0xDA || marker == 0xD9) break;
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        const std::size_t length = byteAt(s, pos + 2) << 8 | byteAt(s, pos + 3);
        if (length < 2 || pos + 2 + length > s.size()) break;
        const std::string_view segment = s.substr(pos + 4, length - 2);
        pos += 2 + length;
        if (marker != 0xE1 || !segment.starts_with(std::string_view("Exif\0\0", 6))) continue;
        return exifOrientation(segment.substr(6));
    }
    return 1;
}

} // namespace pixa
