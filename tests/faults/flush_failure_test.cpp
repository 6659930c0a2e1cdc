// A disk that fails the flush before the rename, or the close of the finished temporary file:
// the write is reported as "Device I/O error", the old file stays byte for byte, and no
// temporary file is left. The failure comes from a small library preloaded into the tool.
#include "fault_support.h"

#include "core/owner_store.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace pixafault {
namespace {

enum class Write { WrapOver, WrapNew, Register, UnwrapOver };

struct FailingFlush {
    const char* name;
    const char* call; // fdatasync or close
    Write write;
};

void PrintTo(const FailingFlush& c, std::ostream* os) {
    *os << c.name;
}

class FailingFlushTest : public ::testing::TestWithParam<FailingFlush> {
protected:
    TempFolder folder;
};

TEST_P(FailingFlushTest, isDeviceIOErrorAndLeavesTheOldFile) {
    const auto& c = GetParam();
    const fs::path data = folder / "data";
    ASSERT_EQ(runCli({{"--data-dir", data, "register", "Flusher"}, kPasswords}).exitCode, 0);
    writeFile(folder / "picture.bmp", bitmapBytes(300000, 7));
    const Launch wrap{{"--data-dir", data, "wrap", "--owner", "Flusher", folder / "picture.bmp",
                       "--output", folder / "photo.pff"},
                      kPasswords};
    Launch launch = wrap;
    fs::path target = folder / "photo.pff";
    switch (c.write) {
    case Write::WrapOver:
        ASSERT_EQ(runCli(wrap).exitCode, 0);
        break;
    case Write::WrapNew:
        break;
    case Write::Register:
        launch = {{"--data-dir", data, "register", "Second"}, kPasswords};
        target = data / pixa::kStoreFileName;
        break;
    case Write::UnwrapOver:
        ASSERT_EQ(runCli(wrap).exitCode, 0);
        writeFile(folder / "old.bmp", "an older picture");
        launch = {{"unwrap", folder / "photo.pff", "--output", folder / "old.bmp"}, kPasswords};
        target = folder / "old.bmp";
        break;
    }
    const bool existed = fs::exists(target);
    const std::string before = readFile(target);
    // A sanitizer's library must otherwise come first; the failing one comes before it.
    const char* asan = std::getenv("ASAN_OPTIONS");
    launch.env.insert(launch.env.end(), {std::string("LD_PRELOAD=") + PIXA_FAILING_FLUSH_PATH,
                                         std::string("PIXA_FAIL_CALL=") + c.call,
                                         std::string("ASAN_OPTIONS=") + (asan ? asan : "") +
                                             ":verify_asan_link_order=0"});
    const auto result = runCli(launch);
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    EXPECT_NE(result.err.find("error 57: Device I/O error"), std::string::npos) << result.err;
    EXPECT_EQ(fs::exists(target), existed);
    EXPECT_EQ(readFile(target), before) << "the old file changed";
    EXPECT_TRUE(temporariesIn(target.parent_path()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Calls, FailingFlushTest,
    ::testing::Values(FailingFlush{"FlushOfAReplacedPff", "fdatasync", Write::WrapOver},
                      FailingFlush{"CloseOfAReplacedPff", "close", Write::WrapOver},
                      FailingFlush{"CloseOfANewPff", "close", Write::WrapNew},
                      FailingFlush{"FlushOfTheOwnerStore", "fdatasync", Write::Register},
                      FailingFlush{"CloseOfAReplacedPicture", "close", Write::UnwrapOver}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace pixafault
