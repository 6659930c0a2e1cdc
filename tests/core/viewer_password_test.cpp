// The unlock rule that the unlock window and the tool share: cut, padding, code page, case.
#include "core/viewer_password.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace pixa;
using namespace pixatest;

namespace {

struct Typed {
    const char* stored; // the viewer password registered, code page
    std::string typed;  // UTF-8, as typed
    bool opens;
};

class ViewerPasswordTest : public TempDirTest, public ::testing::WithParamInterface<Typed> {};

} // namespace

TEST_P(ViewerPasswordTest, OpensExactlyWhatThePaddedBoxWouldMatch) {
    const Typed& c = GetParam();
    writeBytes(dir / "p.bmp", pictureBytes(100));
    const FixedClock clock(8, 0, 0);
    encrypt_pff_file({dir / "p.bmp", dir / "p.pff", "", ".BMP",
                      makeOwner("ann", "ownerpw", c.stored, 1, 2), &clock});
    EXPECT_EQ(viewerPasswordOpens(PffReader(dir / "p.pff").info(), c.typed), c.opens);
}

INSTANTIATE_TEST_SUITE_P(
    Typing, ViewerPasswordTest,
    ::testing::Values(Typed{"look", "look", true}, Typed{"look", "Look", false},
                      Typed{"look", "look ", false}, // padded past 8: one character too many
                      Typed{"look", " look", false}, Typed{"", "", true},
                      Typed{"eightchr", "eightchrXYZ", true}, // the box keeps 8 characters
                      Typed{"eightchr", "eightchr\xCE\xA9", true},
                      Typed{"caf\xE9", "caf\xC3\xA9", true}, // typed UTF-8, stored code page
                      Typed{"look", "look\xCE\xA9", false},  // no code-page byte
                      Typed{"look", "look\xFF", false}));    // not UTF-8
