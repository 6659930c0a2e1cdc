#include "core/file_content.h"
#include "core/pff_file.h"

#include <gtest/gtest.h>

#include <string>

using namespace pixa;

// A picture renamed .pff, or a wrapped photo renamed .jpg, must still go its own way; a text that
// merely begins like a preamble must not reach the unlock window.
TEST(FileContent, DecidesByTheFirstBytesAlone) {
    // A wrapped photo's head as the writer makes it, for an owner whose name fills its field.
    const std::string kWrapped = buildPreamble("a name of twenty chr") + std::string(87, '\x90');
    const struct {
        std::string head;
        FileContent content;
    } cases[] = {
        {kWrapped, FileContent::WrappedPhoto},
        {kWrapped.substr(0, kContentHeadSize), FileContent::WrappedPhoto},
        {kWrapped.substr(0, kContentHeadSize - 1), FileContent::Other},
        {"PFF FILE. a note" + std::string(300, ' '), FileContent::Other},
        {"BM" + std::string(40, '\0'), FileContent::Picture},
        {"\xFF\xD8\xFF\xE0", FileContent::Picture},
        {"", FileContent::Other},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fileContent(c.head), c.content) << testing::PrintToString(c.head.substr(0, 20));
}
