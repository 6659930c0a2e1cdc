#include "core/picture_file.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>

using namespace pixa;

namespace {

std::string bytes(std::initializer_list<unsigned> list) {
    std::string out;
    for (unsigned b : list)
        out += static_cast<char>(b);
    return out;
}

// A JPEG's structure without real image data: an APP1 segment that carries a whole thumbnail
// (with its own scan and end marker), a table, then a scan whose data holds a stuffed 0xFF and
// a restart marker.
const std::string kThumbnail = bytes({0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02, 0x11, 0xFF, 0xD9});
const std::string kHead = bytes({0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x0B}) + kThumbnail +
                          bytes({0xFF, 0xDB, 0x00, 0x04, 0xAA, 0xBB});
const std::string kScan = bytes({0xFF, 0xDA, 0x00, 0x03, 0x01, 0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD3,
                                 0x56, 0xFF, 0xFF, 0xC4, 0x00, 0x03, 0x07, 0x78});
const std::string kEnd = bytes({0xFF, 0xD9});

struct JpegCase {
    const char* name;
    std::string bytes;
    bool complete;
};

class JpegComplete : public testing::TestWithParam<JpegCase> {};

TEST_P(JpegComplete, TellsAWholeFileFromACutOne) {
    EXPECT_EQ(jpegComplete(GetParam().bytes), GetParam().complete);
}

const JpegCase kJpegCases[] = {
    {"whole", kHead + kScan + kEnd, true},
    {"two scans, as a progressive file has", kHead + kScan + kScan + kEnd, true},
    {"data after the end, as some cameras append", kHead + kScan + kEnd + "trailing", true},
    {"cut in the scan data", kHead + kScan.substr(0, 9), false},
    {"cut after the last scan byte", kHead + kScan, false},
    {"cut between FF and its marker", kHead + kScan + "\xFF", false},
    {"cut inside a segment", kHead.substr(0, 12), false},
    {"cut inside the thumbnail's segment after its end marker", kHead.substr(0, 17), false},
    {"nothing after the start marker", bytes({0xFF, 0xD8, 0xFF}), false},
    {"not a JPEG", "BM" + kScan + kEnd, false},
    {"empty", "", false},
};

INSTANTIATE_TEST_SUITE_P(Cases, JpegComplete, testing::ValuesIn(kJpegCases), [](const auto& info) {
    std::string name;
    for (char c : std::string(info.param.name))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

void putLe(std::string& s, std::size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        s[at + i] = static_cast<char>(value >> (8 * i));
}

// A bitmap head: pixels at 54, 40-byte information header.
std::string bitmapHead(int32_t width, int32_t height, int bits, uint32_t compression = 0) {
    std::string head(54, '\0');
    head[0] = 'B';
    head[1] = 'M';
    putLe(head, 10, 54, 4);
    putLe(head, 14, 40, 4);
    putLe(head, 18, static_cast<uint32_t>(width), 4);
    putLe(head, 22, static_cast<uint32_t>(height), 4);
    putLe(head, 28, bits, 2);
    putLe(head, 30, compression, 4);
    return head;
}

TEST(BitmapComplete, NeedsEveryPaddedRow) {
    // 10 pixels of 24 bits make 30 bytes, padded to 32; five rows after 54 bytes of headers.
    EXPECT_TRUE(bitmapComplete(bitmapHead(10, 5, 24), 54 + 160));
    EXPECT_FALSE(bitmapComplete(bitmapHead(10, 5, 24), 54 + 159));
    EXPECT_TRUE(bitmapComplete(bitmapHead(10, -5, 24), 54 + 160)); // top-down rows
    EXPECT_FALSE(bitmapComplete(bitmapHead(10, -5, 24), 54 + 159));
    EXPECT_TRUE(bitmapComplete(bitmapHead(33, 2, 1), 54 + 16));
    EXPECT_FALSE(bitmapComplete(bitmapHead(33, 2, 1), 54 + 15));
}

TEST(BitmapComplete, HugeHeaderFiguresAreRefusedWithoutOverflow) {
    EXPECT_FALSE(bitmapComplete(bitmapHead(0x7FFFFFFF, 0x7FFFFFFF, 32), 1 << 20));
    EXPECT_FALSE(bitmapComplete(bitmapHead(10, 5, 24), 20)); // pixels beyond the file
}

TEST(BitmapComplete, OldHeadersAndCompressedBitmaps) {
    std::string core(26, '\0');
    core[0] = 'B';
    core[1] = 'M';
    putLe(core, 10, 26, 4);
    putLe(core, 14, 12, 4);
    putLe(core, 18, 4, 2);
    putLe(core, 20, 3, 2);
    putLe(core, 24, 24, 2);
    EXPECT_TRUE(bitmapComplete(core, 26 + 36));
    EXPECT_FALSE(bitmapComplete(core, 26 + 35));
    // Run-length coded: the header does not fix the length, the decoder decides.
    EXPECT_TRUE(bitmapComplete(bitmapHead(100, 100, 8, 1), 60));
    EXPECT_FALSE(bitmapComplete("BM", 1000));
}

} // namespace
