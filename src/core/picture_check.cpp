#include "core/picture_file.h"

#include "core/byte_fields.h"

#include <cmath>
#include <optional>

namespace pixa {

namespace {

using namespace std::string_view_literals;

// The most pixel bytes one byte of compressed data can give: deflate's longest match (258
// bytes) for its shortest code is 1032 to one; LZW's longest string (4096) for a 12-bit code is
// 2731 to one. A few kilobytes more cover the headers of tiny pictures.
constexpr double kDeflateMost = 1032;
constexpr double kLzwMost = 2731;
constexpr double kRatioSlack = 65536;

// A GIF's screen may be this much larger than its first frame, and may hold this many pixels
// whatever its frame, before it counts as far larger.
constexpr uint64_t kScreenToFrame = 16;
constexpr uint64_t kScreenFree = 1'000'000;

using namespace bytes;

PictureCheck verdict(PictureVerdict v, uint64_t width = 0, uint64_t height = 0) {
    return {v, width, height};
}

// Whether `pixelBytes` could come out of `dataBytes` of data compressed at most `ratio` to one.
bool fits(double pixelBytes, uint64_t dataBytes, double ratio) {
    return pixelBytes <= ratio * double(dataBytes) + kRatioSlack;
}

PictureCheck checkPng(std::string_view s) {
    if (s.size() < 33) return verdict(PictureVerdict::CutShort);
    if (be32(s, 8) != 13 || s.substr(12, 4) != "IHDR"sv) return verdict(PictureVerdict::HeaderLies);
    const uint64_t width = be32(s, 16);
    const uint64_t height = be32(s, 20);
    const unsigned depth = byteAt(s, 24);
    const unsigned colour = byteAt(s, 25);
    const unsigned channels = colour == 2 ? 3 : colour == 4 ? 2 : colour == 6 ? 4 : 1;
    uint64_t data = 0;
    for (std::size_t pos = 8;;) {
        if (s.size() - pos < 12) return verdict(PictureVerdict::CutShort, width, height);
        const uint64_t length = be32(s, pos);
        if (length > s.size() - pos - 12) return verdict(PictureVerdict::CutShort, width, height);
        const std::string_view type = s.substr(pos + 4, 4);
        if (type == "IDAT"sv) data += length;
        if (type == "IEND"sv) break;
        pos += 12 + length;
    }
    // Each row starts with its filter byte; interlacing only adds to this.
    const double rowBytes = 1 + std::ceil(double(width) * channels * depth / 8);
    if (width == 0 || height == 0 || !fits(rowBytes * double(height), data, kDeflateMost)) {
        return verdict(PictureVerdict::HeaderLies, width, height);
    }
    return verdict(PictureVerdict::Whole, width, height);
}

// Moves `pos` past a run of GIF sub-blocks; false when they run past the end. Adds their data
// to `data`.
bool skipSubBlocks(std::string_view s, std::size_t& pos, uint64_t& data) {
    for (;;) {
        if (pos >= s.size()) return false;
        const std::size_t n = byteAt(s, pos);
        pos += 1 + n;
        data += n;
        if (n == 0) return pos <= s.size();
    }
}

PictureCheck checkGif(std::string_view s) {
    if (s.size() < 13) return verdict(PictureVerdict::CutShort);
    const uint64_t screenWidth = le16(s, 6);
    const uint64_t screenHeight = le16(s, 8);
    std::size_t pos = 13;
    if (byteAt(s, 10) & 0x80) pos += std::size_t(3) << ((byteAt(s, 10) & 7) + 1);
    for (;;) {
        if (pos >= s.size()) return verdict(PictureVerdict::CutShort, screenWidth, screenHeight);
        const unsigned block = byteAt(s, pos);
        uint64_t ignored = 0;
        if (block == 0x21) {
            pos += 2;
            if (!skipSubBlocks(s, pos, ignored)) {
                return verdict(PictureVerdict::CutShort, screenWidth, screenHeight);
            }
            continue;
        }
        // The trailer before any frame, or a block no GIF has, ends the readable picture.
        if (block != 0x2C || s.size() - pos < 10) {
            return verdict(PictureVerdict::CutShort, screenWidth, screenHeight);
        }
        break;
    }
    const uint64_t frameWidth = le16(s, pos + 5);
    const uint64_t frameHeight = le16(s, pos + 7);
    const unsigned flags = byteAt(s, pos + 9);
    pos += 10;
    if (flags & 0x80) pos += std::size_t(3) << ((flags & 7) + 1);
    ++pos; // the LZW code size
    uint64_t data = 0;
    // A screen of 0 × 0 takes the first frame's size.
    const uint64_t width = screenWidth ? screenWidth : frameWidth;
    const uint64_t height = screenHeight ? screenHeight : frameHeight;
    if (!skipSubBlocks(s, pos, data)) return verdict(PictureVerdict::CutShort, width, height);
    const uint64_t framePixels = frameWidth * frameHeight;
    if (framePixels == 0 || !fits(double(framePixels), data, kLzwMost)) {
        return verdict(PictureVerdict::HeaderLies, width, height);
    }
    const uint64_t screenPixels = width * height;
    if (screenPixels > kScreenFree && screenPixels / kScreenToFrame > framePixels) {
        return verdict(PictureVerdict::ScreenTooLarge, width, height);
    }
    return verdict(PictureVerdict::Whole, width, height);
}

// The tags of a TIFF's first directory that say how large it is and where its data lies.
struct TiffDirectory {
    uint64_t width = 0, height = 0, bitsPerSample = 1, samples = 1, compression = 1;
    uint64_t data = 0;
    bool hasCounts = false;
    bool cut = false;
};

class TiffReader {
public:
    explicit TiffReader(std::string_view s) : m_s(s), m_little(s.starts_with("II"sv)) {}

    uint32_t u16(std::size_t i) const { return m_little ? le16(m_s, i) : be16(m_s, i); }
    uint32_t u32(std::size_t i) const { return m_little ? le32(m_s, i) : be32(m_s, i); }

    // Value `index` of the SHORT or LONG entry at `entry`; nullopt past the file's end.
    std::optional<uint64_t> value(std::size_t entry, uint64_t index) const {
        const uint32_t type = u16(entry + 2);
        const uint64_t count = u32(entry + 4);
        const uint64_t size = type == 3 ? 2 : 4;
        uint64_t at = count * size <= 4 ? entry + 8 : u32(entry + 8);
        at += index * size;
        if (at > m_s.size() || m_s.size() - at < size) return std::nullopt;
        return size == 2 ? u16(std::size_t(at)) : u32(std::size_t(at));
    }

    TiffDirectory firstDirectory() const {
        TiffDirectory d;
        const uint64_t ifd = u32(4);
        if (ifd > m_s.size() || m_s.size() - ifd < 2) return cut(d);
        const std::size_t entries = u16(std::size_t(ifd));
        if ((m_s.size() - ifd - 2) / 12 < entries) return cut(d);
        uint64_t offsets = 0, counts = 0; // the entries of the strips' or tiles' places
        for (std::size_t i = 0; i < entries; ++i) {
            const std::size_t entry = std::size_t(ifd) + 2 + 12 * i;
            const uint32_t tag = u16(entry);
            if (tag == 273 || tag == 324) offsets = entry;
            if (tag == 279 || tag == 325) counts = entry;
            uint64_t* field = tag == 256   ? &d.width
                              : tag == 257 ? &d.height
                              : tag == 258 ? &d.bitsPerSample
                              : tag == 259 ? &d.compression
                              : tag == 277 ? &d.samples
                                           : nullptr;
            if (!field) continue;
            const auto v = value(entry, 0);
            if (!v) return cut(d);
            *field = *v;
        }
        if (offsets == 0 || counts == 0) return d;
        d.hasCounts = true;
        const uint64_t pieces = u32(std::size_t(counts) + 4);
        if (pieces != u32(std::size_t(offsets) + 4)) return cut(d);
        for (uint64_t k = 0; k < pieces; ++k) {
            const auto at = value(std::size_t(offsets), k);
            const auto length = value(std::size_t(counts), k);
            if (!at || !length || *at > m_s.size() || m_s.size() - *at < *length) return cut(d);
            d.data += *length;
        }
        return d;
    }

private:
    static TiffDirectory cut(TiffDirectory d) {
        d.cut = true;
        return d;
    }

    std::string_view m_s;
    bool m_little;
};

PictureCheck checkTiff(std::string_view s) {
    if (s.size() < 8) return verdict(PictureVerdict::CutShort);
    const TiffDirectory d = TiffReader(s).firstDirectory();
    if (d.cut) return verdict(PictureVerdict::CutShort, d.width, d.height);
    const double rowBytes = std::ceil(double(d.width) * double(d.samples * d.bitsPerSample) / 8);
    const double pixelBytes = rowBytes * double(d.height);
    // LZW, JPEG, deflate and PackBits have a best ratio, at most LZW's. Others do not: fax
    // codings code a line like the one above it in a bit, zstd and LZMA repeat long matches.
    const uint64_t c = d.compression;
    const bool bounded = c == 5 || c == 6 || c == 7 || c == 8 || c == 32773 || c == 32946;
    const bool lies = d.width == 0 || d.height == 0 || !d.hasCounts ||
                      (c == 1 ? double(d.data) < pixelBytes
                              : bounded && !fits(pixelBytes, d.data, kLzwMost));
    return verdict(lies ? PictureVerdict::HeaderLies : PictureVerdict::Whole, d.width, d.height);
}

PictureCheck checkWebP(std::string_view s) {
    if (s.size() < 12 || le32(s, 4) < 4 || s.size() - 8 < le32(s, 4)) {
        return verdict(PictureVerdict::CutShort);
    }
    const std::size_t end = 8 + std::size_t(le32(s, 4));
    uint64_t canvasWidth = 0, canvasHeight = 0, width = 0, height = 0;
    bool extended = false, animated = false;
    for (std::size_t pos = 12; end - pos >= 8;) {
        const std::string_view fourcc = s.substr(pos, 4);
        const std::size_t length = le32(s, pos + 4);
        if (end - pos - 8 < length) return verdict(PictureVerdict::CutShort);
        const std::string_view data = s.substr(pos + 8, length);
        if (fourcc == "VP8X"sv && length >= 10) {
            extended = true;
            animated = byteAt(data, 0) & 2;
            canvasWidth = 1 + uint64_t(le24(data, 4));
            canvasHeight = 1 + uint64_t(le24(data, 7));
        } else if (fourcc == "VP8 "sv && length >= 10 && width == 0 &&
                   data.substr(3, 3) == "\x9D\x01\x2A"sv) {
            width = le16(data, 6) & 0x3FFF;
            height = le16(data, 8) & 0x3FFF;
        } else if (fourcc == "VP8L"sv && length >= 5 && width == 0 && byteAt(data, 0) == 0x2F) {
            const uint32_t bits = le32(data, 1);
            width = 1 + (bits & 0x3FFF);
            height = 1 + (bits >> 14 & 0x3FFF);
        }
        pos += 8 + length + (length & 1);
        if (pos > end) break;
    }
    if (extended && animated) return verdict(PictureVerdict::Whole, canvasWidth, canvasHeight);
    if (width == 0 || height == 0) return verdict(PictureVerdict::CutShort);
    if (extended && (canvasWidth != width || canvasHeight != height)) {
        return verdict(PictureVerdict::HeaderLies, canvasWidth, canvasHeight);
    }
    return verdict(PictureVerdict::Whole, width, height);
}

// HEIF, AVIF and a JPEG XL container are rows of boxes; a cut file's last box (the coded data,
// mostly) runs past the end. The picture's size lies deep in their metadata or codestream, which
// the decoder reads: the box that holds it must be there.
PictureCheck checkBoxes(std::string_view s, std::string_view needed, std::string_view orNeeded) {
    bool found = false;
    for (std::size_t pos = 0; pos < s.size();) {
        if (s.size() - pos < 8) return verdict(PictureVerdict::CutShort);
        uint64_t size = be32(s, pos);
        if (size == 1) {
            if (s.size() - pos < 16) return verdict(PictureVerdict::CutShort);
            size = uint64_t(be32(s, pos + 8)) << 32 | be32(s, pos + 12);
        } else if (size == 0) {
            size = s.size() - pos;
        }
        if (size < 8) return verdict(PictureVerdict::HeaderLies);
        if (size > s.size() - pos) return verdict(PictureVerdict::CutShort);
        const std::string_view type = s.substr(pos + 4, 4);
        found = found || type == needed || type == orNeeded;
        pos += std::size_t(size);
    }
    return verdict(found ? PictureVerdict::Whole : PictureVerdict::CutShort);
}

// A bare JPEG XL codestream says nothing of its length; its decoder tells a cut one.
PictureCheck checkJpegXl(std::string_view s) {
    if (s.starts_with("\xFF\x0A"sv)) return {};
    return checkBoxes(s, "jxlc"sv, "jxlp"sv);
}

// The data of the first chunk named `name` of a PNG, before its pixels; empty when none.
std::string_view pngChunk(std::string_view s, std::string_view name) {
    for (std::size_t pos = 8; s.size() >= pos && s.size() - pos >= 12;) {
        const std::size_t length = be32(s, pos);
        const std::string_view type = s.substr(pos + 4, 4);
        if (length > s.size() - pos - 12 || type == "IDAT"sv) break;
        if (type == name) return s.substr(pos + 8, length);
        pos += 12 + length;
    }
    return {};
}

// The data of the first chunk named `name` of a WebP file; empty when none.
std::string_view webpChunk(std::string_view s, std::string_view name) {
    for (std::size_t pos = 12; s.size() >= pos && s.size() - pos >= 8;) {
        const std::size_t length = le32(s, pos + 4);
        if (length > s.size() - pos - 8) break;
        if (s.substr(pos, 4) == name) return s.substr(pos + 8, length);
        pos += 8 + length + (length & 1);
    }
    return {};
}

} // namespace

int embeddedOrientation(PictureKind kind, std::string_view bytes) {
    std::string_view exif;
    if (kind == PictureKind::Png) exif = pngChunk(bytes, "eXIf"sv);
    if (kind == PictureKind::WebP) exif = webpChunk(bytes, "EXIF"sv);
    // Some writers keep the JPEG's "Exif" mark before the block.
    if (exif.starts_with(std::string_view("Exif\0\0", 6))) exif.remove_prefix(6);
    return exif.empty() ? 1 : exifOrientation(exif);
}

PictureCheck checkPicture(PictureKind kind, std::string_view bytes) {
    switch (kind) {
    case PictureKind::Png:
        return checkPng(bytes);
    case PictureKind::Gif:
        return checkGif(bytes);
    case PictureKind::Tiff:
        return checkTiff(bytes);
    case PictureKind::WebP:
        return checkWebP(bytes);
    case PictureKind::Heif:
    case PictureKind::Avif:
        return checkBoxes(bytes, "meta"sv, "meta"sv);
    case PictureKind::JpegXl:
        return checkJpegXl(bytes);
    default:
        return {};
    }
}

} // namespace pixa
