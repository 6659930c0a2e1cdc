#include "core/picture_file.h"

#include <gtest/gtest.h>

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
