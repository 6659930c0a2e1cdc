// The names of a batch run: separators at a root, the first dot for the name, the last for the
// type, letter case kept.
#include "core/batch_names.h"

#include <gtest/gtest.h>

namespace {

struct NamesCase {
    const char* folder;
    const char* name;
    const char* destination;
    const char* source;
    const char* fileType;
    const char* target;
};

class BatchNamesTest : public ::testing::TestWithParam<NamesCase> {};

TEST_P(BatchNamesTest, GivesSourceTypeAndTarget) {
    const NamesCase& c = GetParam();
    const pixa::BatchNames names = pixa::batchNames(c.folder, c.name, c.destination);
    EXPECT_EQ(names.source, c.source);
    EXPECT_EQ(names.fileType, c.fileType);
    EXPECT_EQ(names.target, c.target);
}

INSTANTIATE_TEST_SUITE_P(
    Names, BatchNamesTest,
    ::testing::Values(NamesCase{"/photos", "holiday.2002.jpg", "/backup",
                                "/photos/holiday.2002.jpg", ".jpg", "/backup/holiday.pff"},
                      NamesCase{"/", "a.b.jpg", "/", "/a.b.jpg", ".jpg", "/a.pff"},
                      NamesCase{"/media/usb/", "A.BMP", "/home/anna", "/media/usb/A.BMP", ".BMP",
                                "/home/anna/A.pff"},
                      NamesCase{"/p", "scan.b", "/q", "/p/scan.b", ".b", "/q/scan.pff"},
                      NamesCase{"/p", "noext", "/q", "/p/noext", ".noext", "/q/noext.pff"}));

} // namespace
