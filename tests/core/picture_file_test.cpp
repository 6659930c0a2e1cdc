#include "core/picture_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

using namespace pixa;

namespace {

std::string bytes(std::initializer_list<unsigned> list) {
    return std::string(list.begin(), list.end());
}

// A JPEG's structure without real image data: an APP1 segment holding a whole thumbnail (its
// own scan and end marker), then a scan whose data holds a stuffed 0xFF and a restart marker.
const std::string kHead = bytes(
    {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x0B, 0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02, 0x11, 0xFF, 0xD9});
const std::string kScan = bytes({0xFF, 0xDA, 0x00, 0x03, 0x01, 0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD3,
                                 0x56, 0xFF, 0xFF, 0xC4, 0x00, 0x03, 0x07, 0x78});
const std::string kEnd = bytes({0xFF, 0xD9});

TEST(PictureKind, TellsAvifFromHeicAndJpegXlByItsSignatures) {
    using namespace std::string_literals;
    const std::string ftyp = "\0\0\0\x18"s + "ftyp";
    const std::string jxlBox = "\0\0\0\x0CJXL \r\n\x87\n"s;
    const std::pair<std::string, PictureKind> cases[] = {
        {ftyp + "heic", PictureKind::Heif},  {ftyp + "mif1", PictureKind::Heif},
        {ftyp + "avif", PictureKind::Avif},  {ftyp + "avis", PictureKind::Avif},
        {ftyp + "avi ", PictureKind::Other}, {"\xFF\x0A\x7F", PictureKind::JpegXl},
        {jxlBox, PictureKind::JpegXl},       {jxlBox.substr(0, 8), PictureKind::Other},
    };
    for (const auto& [head, kind] : cases)
        EXPECT_EQ(pictureKind(head), kind) << testing::PrintToString(head);
}

TEST(JpegComplete, TellsAWholeFileFromACutOne) {
    const struct {
        std::string bytes;
        bool complete;
    } cases[] = {
        {kHead + kScan + kEnd, true},
        {kHead + kScan + kScan + kEnd, true},      // several scans, as progressive files
        {kHead + kScan + kEnd + "appended", true}, // data after the end, as some cameras add
        {kHead + kScan.substr(0, 9), false},       // cut in the scan
        {kHead + kScan + "\xFF", false},           // cut between FF and its marker
        {kHead.substr(0, 14), false},              // cut inside a segment
        {bytes({0xFF, 0xD8, 0xFF}), false},
        {"BM" + kScan + kEnd, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(jpegComplete(c.bytes), c.complete) << testing::PrintToString(c.bytes);
}

// A frame header (SOFn `marker`) of `components` components with 2 × 2 sampling for the first,
// as 4:2:0 photos have, and 1 × 1 for the others.
std::string frame(unsigned marker, unsigned width, unsigned height, unsigned components) {
    std::string out = bytes({0xFF, marker, 0, 8 + 3 * components, 8, height >> 8, height & 255,
                             width >> 8, width & 255, components});
    for (unsigned c = 1; c <= components; ++c)
        out += bytes({c, c == 1 ? 0x22u : 0x11u, 0});
    return out;
}

// A scan of `components` (ids) with spectral start `ss`, high approximation bit `ah` and
// `dataBytes` bytes of coded data (no 0xFF among them).
std::string scan(std::initializer_list<unsigned> components, unsigned ss, unsigned ah,
                 size_t dataBytes) {
    std::string out =
        bytes({0xFF, 0xDA, 0, unsigned(6 + 2 * components.size()), unsigned(components.size())});
    for (unsigned c : components)
        out += bytes({c, 0});
    out += bytes({ss, ss == 0 ? 0u : 63u, ah << 4});
    return out + std::string(dataBytes, '\x55');
}

TEST(JpegComplete, RefusesScansTooShortForTheirFrame) {
    const std::string soi = bytes({0xFF, 0xD8});
    // 16 × 16 pixels, 4:2:0: 4 luma blocks and 1 block of each chroma component, 6 blocks; a
    // sequential scan needs 2 bits a block at the least, 2 bytes.
    const std::string small = frame(0xC0, 16, 16, 3);
    // 12000 × 12000: 2.25 million luma blocks, 562,500 each chroma.
    const std::string huge = frame(0xC0, 12000, 12000, 3);
    const std::string hugeProgressive = frame(0xC2, 12000, 12000, 3);
    const size_t hugeBlocks = 2'250'000 + 2 * 562'500;
    const struct {
        const char* label;
        std::string bytes;
        bool complete;
    } cases[] = {
        {"small, enough data", soi + small + scan({1, 2, 3}, 0, 0, 2) + kEnd, true},
        {"small, too little data", soi + small + scan({1, 2, 3}, 0, 0, 1) + kEnd, false},
        {"huge, 450 bytes", soi + huge + scan({1, 2, 3}, 0, 0, 400) + kEnd, false},
        {"huge, as little as can hold it",
         soi + huge + scan({1, 2, 3}, 0, 0, hugeBlocks / 4) + kEnd, true},
        {"huge, one component never coded", soi + huge + scan({1, 2}, 0, 0, hugeBlocks / 4) + kEnd,
         false},
        {"progressive, DC scan too short",
         soi + hugeProgressive + scan({1, 2, 3}, 0, 0, 700) + kEnd, false},
        {"progressive, a bit a block of DC and AC scans of end-of-band runs",
         soi + hugeProgressive + scan({1, 2, 3}, 0, 0, hugeBlocks / 8) + scan({1}, 1, 0, 3) +
             scan({1}, 1, 1, 0) + kEnd,
         true},
        {"progressive, AC scans only", soi + hugeProgressive + scan({1}, 1, 0, 300000) + kEnd,
         false},
        {"progressive, DC refined but never begun",
         soi + hugeProgressive + scan({1, 2, 3}, 0, 1, hugeBlocks / 8) + kEnd, false},
        // Arithmetic coding may take less than a bit a block: only the coverage counts.
        {"arithmetic, tiny", soi + frame(0xC9, 12000, 12000, 1) + scan({1}, 0, 0, 10) + kEnd, true},
        {"no scan at all", soi + small + kEnd, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(jpegComplete(c.bytes), c.complete) << c.label;
}

// An APP1 EXIF block whose first directory holds `entries` (tag, type, count, value) entries.
std::string exif(bool little, std::initializer_list<std::array<unsigned, 4>> entries) {
    std::string tiff = little ? "II" : "MM";
    const auto put = [&](unsigned value, int size) {
        for (int i = 0; i < size; ++i) {
            const int shift = little ? 8 * i : 8 * (size - 1 - i);
            tiff += static_cast<char>((value >> shift) & 255);
        }
    };
    put(42, 2);
    put(8, 4);
    put(unsigned(entries.size()), 2);
    for (const auto& e : entries) {
        put(e[0], 2);
        put(e[1], 2);
        put(e[2], 4);
        put(e[3], 2); // a SHORT sits in the first two bytes of the value field
        put(0, 2);
    }
    const std::string body = std::string("Exif\0\0", 6) + tiff;
    return bytes({0xFF, 0xE1, unsigned(body.size() + 2) >> 8, unsigned(body.size() + 2) & 255}) +
           body;
}

TEST(JpegOrientation, ReadsTheFirstDirectorysOrientationInEitherByteOrder) {
    const std::string soi = bytes({0xFF, 0xD8});
    const std::string rest = frame(0xC0, 16, 16, 1) + scan({1}, 0, 0, 2) + kEnd;
    for (const bool little : {true, false}) {
        for (unsigned value = 1; value <= 8; ++value) {
            EXPECT_EQ(jpegOrientation(
                          soi + exif(little, {{0x010F, 2, 1, 0}, {0x0112, 3, 1, value}}) + rest),
                      int(value))
                << little << value;
        }
    }
    const struct {
        const char* label;
        std::string bytes;
    } upright[] = {
        {"no EXIF", soi + rest},
        {"no orientation", soi + exif(true, {{0x010F, 2, 1, 0}}) + rest},
        {"out of range", soi + exif(true, {{0x0112, 3, 1, 9}}) + rest},
        {"not a SHORT", soi + exif(true, {{0x0112, 4, 1, 6}}) + rest},
        {"after the scan",
         soi + rest.substr(0, rest.size() - 2) + exif(true, {{0x0112, 3, 1, 6}}) + kEnd},
        {"cut directory", soi + exif(true, {{0x0112, 3, 1, 6}}).substr(0, 20)},
    };
    for (const auto& c : upright)
        EXPECT_EQ(jpegOrientation(c.bytes), 1) << c.label;
}

// A bitmap head: pixels at 54, 40-byte information header.
std::string bitmapHead(int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0) {
    std::string head(54, '\0');
    const auto put = [&head](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            head[at + i] = static_cast<char>(value >> (8 * i));
    };
    head[0] = 'B';
    head[1] = 'M';
    put(10, 54);
    put(14, 40);
    put(18, static_cast<uint32_t>(width));
    put(22, static_cast<uint32_t>(height));
    head[28] = static_cast<char>(bits);
    put(30, compression);
    return head;
}

TEST(BitmapComplete, NeedsEveryPaddedRow) {
    // 10 pixels of 24 bits make 30 bytes, padded to 32, five rows after 54 bytes of headers.
    EXPECT_TRUE(bitmapComplete(bitmapHead(10, 5, 24), 54 + 160));
    EXPECT_FALSE(bitmapComplete(bitmapHead(10, 5, 24), 54 + 159));
    EXPECT_FALSE(bitmapComplete(bitmapHead(10, -5, 24), 54 + 159)); // top-down rows
    EXPECT_FALSE(bitmapComplete(bitmapHead(0x7FFFFFFF, 0x7FFFFFFF, 32), 1 << 20));
    // Run-length coded: the header does not fix the length; the decoder decides.
    EXPECT_TRUE(bitmapComplete(bitmapHead(100, 100, 8, 1), 60));
}

} // namespace
