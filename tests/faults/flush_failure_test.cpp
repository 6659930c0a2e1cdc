// A disk that fails the flush before the rename, or the close of the finished temporary file
// (made to fail by a library preloaded into the tool): "Device I/O error", the old file byte for
// byte, and no temporary file left.
#include "fault_support.h"

#include "core/owner_store.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace pixafault {
namespace {

// The call that fails, and what the tool writes: over an existing .pff, a new .pff, the owner
// store, or over an existing picture.
using FailingCall = std::tuple<std::string, std::string>;

class FailingFlush : public ::testing::TestWithParam<FailingCall> {};

TEST_P(FailingFlush, isDeviceIOErrorAndLeavesTheOldFile) {
    const auto& [call, write] = GetParam();
    TempFolder folder;
    const fs::path data = folder / "data";
    ASSERT_EQ(runCli({{"--data-dir", data, "register", "Flusher"}, kPasswords}).exitCode, 0);
    writeFile(folder / "picture.bmp", bitmapBytes(300000, 7));
    Launch launch{{"--data-dir", data, "wrap", "--owner", "Flusher", folder / "picture.bmp",
                   "--output", folder / "photo.pff"},
                  kPasswords};
    fs::path target = folder / "photo.pff";
    if (write != "NewPff") {
        ASSERT_EQ(runCli(launch).exitCode, 0);
    }
    if (write == "Store") {
        launch.args = {"--data-dir", data, "register", "Second"};
        target = data / pixa::kStoreFileName;
    } else if (write == "Picture") {
        target = folder / "old.bmp";
        writeFile(target, "an older picture");
        launch.args = {"unwrap", folder / "photo.pff", "--output", target};
    }
    const bool existed = fs::exists(target);
    const std::string before = readFile(target);
    // A sanitizer's library would otherwise insist on coming first.
    const char* asan = std::getenv("ASAN_OPTIONS");
    launch.env.insert(
        launch.env.end(),
        {std::string("LD_PRELOAD=") + PIXA_FAILING_FLUSH_PATH, "PIXA_FAIL_CALL=" + call,
         std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0"});
    const auto result = runCli(launch);
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    EXPECT_NE(result.err.find("error 57: Device I/O error"), std::string::npos) << result.err;
    EXPECT_EQ(fs::exists(target), existed);
    EXPECT_EQ(readFile(target), before) << "the old file changed";
    EXPECT_TRUE(temporariesIn(target.parent_path()).empty());
}

// A new file is not flushed (its source is still there), so only its close can fail.
INSTANTIATE_TEST_SUITE_P(
    Calls, FailingFlush,
    ::testing::Values(FailingCall{"fdatasync", "Pff"}, FailingCall{"close", "Pff"},
                      FailingCall{"close", "NewPff"}, FailingCall{"fdatasync", "Store"},
                      FailingCall{"close", "Picture"}),
    [](const auto& info) { return std::get<0>(info.param) + "Of" + std::get<1>(info.param); });

} // namespace
} // namespace pixafault
