// Where a step through a folder lands: which files are steps at all, the order people read
// names in, the ends, and a photo on screen whose file has vanished.
#include "core/photo_sequence.h"

#include "test_support.h"

namespace pixatest {
namespace {

struct StepCase {
    const char* name;
    const char* from;
    bool forward;
    const char* lands; // "" past the end
};

class PhotoSequenceTest : public TempDirTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(PhotoSequenceTest, LandsWherePeopleCount) {
    for (const char* file : {"IMG2.jpg", "img10.JPG", "img9.pff", "img010b.png", "notes.txt",
                             "Img1.heic", "raw", "img11.PFF"})
        writeBytes(dir / file, "x");
    fs::create_directory(dir / "img3.jpg");
    const std::vector<fs::path> photos = pixa::folderPhotos(dir);
    const auto lands = pixa::stepFrom(photos, dir / GetParam().from, GetParam().forward);
    EXPECT_EQ(lands ? photos[*lands].filename().string() : "", GetParam().lands);
}

// In order: Img1.heic IMG2.jpg img9.pff img10.JPG img010b.png img11.PFF; notes.txt, raw and
// the folder img3.jpg are no steps.
INSTANTIATE_TEST_SUITE_P(
    Steps, PhotoSequenceTest,
    ::testing::Values(StepCase{"TwoBeforeTen", "img9.pff", true, "img10.JPG"},
                      StepCase{"LetterCaseAside", "Img1.heic", true, "IMG2.jpg"},
                      StepCase{"LeadingZerosByValue", "img10.JPG", true, "img010b.png"},
                      StepCase{"Back", "img9.pff", false, "IMG2.jpg"},
                      StepCase{"PastTheEnd", "img11.PFF", true, ""},
                      StepCase{"BeforeTheStart", "Img1.heic", false, ""},
                      StepCase{"VanishedForward", "img3.bmp", true, "img9.pff"},
                      StepCase{"VanishedBack", "img3.bmp", false, "IMG2.jpg"},
                      StepCase{"FolderIsNoStep", "IMG2.jpg", true, "img9.pff"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace pixatest
