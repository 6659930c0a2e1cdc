#include "core/pff_file.h"
#include "core/read_back.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <functional>

using namespace pixa;
using namespace pixatest;

namespace {

// Past one read-back stretch, so that offsets in the second count the stretches before.
constexpr size_t kPictureSize = 48 + 1026 * 1100 + 5;

struct ReadBackCase {
    const char* name;
    // Changes the source or the .pff after the wrap.
    std::function<void(std::string& source, std::string& pff)> change;
    int32_t number;     // 0: verified; -1: refused with any number
    std::string detail; // part of the reason
};

class ReadBackTest : public TempDirTest, public testing::WithParamInterface<ReadBackCase> {};

} // namespace

TEST_P(ReadBackTest, ComparesEveryByteOfThePicture) {
    const fs::path source = dir / "photo.jpg";
    const fs::path pff = dir / "photo.pff";
    writeBytes(source, pictureBytes(kPictureSize));
    const FixedClock clock(9, 1, 2);
    encrypt_pff_file({source, pff, "caption", ".JPG", makeOwner("ann", "pw", "vw", 2, 3), &clock});
    std::string sourceBytes = readBytes(source);
    std::string pffBytes = readBytes(pff);
    GetParam().change(sourceBytes, pffBytes);
    writeBytes(source, sourceBytes);
    writeBytes(pff, pffBytes);

    const std::optional<Failure> failure = verifyWrapped(pff, source);
    if (GetParam().number < 0) {
        ASSERT_TRUE(failure);
        return;
    }
    ASSERT_EQ(failure ? failure->number() : 0, GetParam().number);
    if (failure) {
        EXPECT_NE(failure->detail().find(GetParam().detail), std::string::npos)
            << failure->detail();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadBackTest,
    testing::Values(
        ReadBackCase{"Equal", [](std::string&, std::string&) {}, 0, ""},
        // The first 48 bytes come back from the trailer, the rest from the body.
        ReadBackCase{"FirstByteChanged", [](std::string& s, std::string&) { s[0] ^= 1; },
                     err::DeviceIO, "at offset 0"},
        ReadBackCase{"ByteInTheSecondStretchChanged",
                     [](std::string& s, std::string&) { s[1100000] ^= 1; }, err::DeviceIO,
                     "at offset 1100000"},
        ReadBackCase{"LastByteChanged", [](std::string& s, std::string&) { s.back() ^= 1; },
                     err::DeviceIO, "at offset " + std::to_string(kPictureSize - 1)},
        ReadBackCase{"SourceLonger", [](std::string& s, std::string&) { s += 'x'; }, err::DeviceIO,
                     "has " + std::to_string(kPictureSize + 1)},
        ReadBackCase{"SourceShorter", [](std::string& s, std::string&) { s.pop_back(); },
                     err::DeviceIO, "has " + std::to_string(kPictureSize - 1)},
        ReadBackCase{"PffCutInHalf", [](std::string&, std::string& p) { p.resize(p.size() / 2); },
                     -1, ""},
        ReadBackCase{"PffShorterThanItsHeader", [](std::string&, std::string& p) { p.resize(300); },
                     err::InputPastEnd, ""}),
    [](const testing::TestParamInfo<ReadBackCase>& info) { return std::string(info.param.name); });
