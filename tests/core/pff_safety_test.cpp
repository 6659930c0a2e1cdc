// All-or-nothing writes, no temporary files left behind, private unwrapped pictures, file names
// outside the code page.
#include "core/error.h"
#include "core/field_codec.h"
#include "core/file_io.h"
#include "core/pff_file.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stop_token>
#include <tuple>

using namespace pixa;
using namespace pixatest;

namespace {

bool isTemporary(const std::string& name) {
    return name.size() > 8 && name[0] == '.' && name.ends_with(kTemporarySuffix);
}

class SafetyTest : public TempDirTest {
protected:
    CurrentOwner owner = makeOwner("ann", "ownerpw", "viewpw", 2, 3);
    FixedClock clock{14, 5, 9};

    WrapRequest request(const std::string& source, const std::string& target) {
        return {dir / source, dir / target, "caption", ".JPG", owner, &clock};
    }
};

} // namespace

TEST_F(SafetyTest, KillDuringAWriteLeavesTheOldFileAndAStaleTemporaryFile) {
    writeBytes(dir / "old.jpg", pictureBytes(48 + 1026 * 10 + 3, 1));
    encrypt_pff_file(request("old.jpg", "photo.pff"));
    const std::string before = readBytes(dir / "photo.pff");
    // Large enough for several chunks, so that part of the body is on disk when the kill comes.
    writeBytes(dir / "new.jpg", pictureBytes(48 + 1026 * 2500 + 11, 2));

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        try {
            encrypt_pff_file(request("new.jpg", "photo.pff"), [](uint64_t block, uint64_t) {
                if (block == 2000) ::raise(SIGKILL);
            });
        } catch (...) {
            ::_exit(2);
        }
        ::_exit(0); // the kill never came
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;

    EXPECT_EQ(readBytes(dir / "photo.pff"), before);
    std::vector<std::string> leftovers;
    for (const auto& name : namesIn(dir))
        if (isTemporary(name)) leftovers.push_back(name);
    ASSERT_EQ(leftovers.size(), 1u);
    EXPECT_NE(leftovers[0].find("." + std::to_string(child) + "-"), std::string::npos);
    EXPECT_GT(fs::file_size(dir / leftovers[0]), 363u);

    EXPECT_EQ(removeStaleTemporaries(dir), 1);
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"new.jpg", "old.jpg", "photo.pff"}));
    EXPECT_EQ(readBytes(dir / "photo.pff"), before);
    EXPECT_EQ(PffReader(dir / "photo.pff").info().pictureSize(), 48 + 1026 * 10 + 3);
}

TEST_F(SafetyTest, RemoveStaleTemporariesSparesLiveWritersAndOtherFiles) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child); // now certainly not running
    const std::string live = ".a-b.pff." + std::to_string(::getpid()) + "-17" + kTemporarySuffix;
    const std::string dead = ".a-b.pff." + std::to_string(child) + "-17" + kTemporarySuffix;
    for (const std::string& name :
         {live, dead, std::string("notes") + kTemporarySuffix,
          std::string(".odd.x-1") + kTemporarySuffix, std::string("a.pff")})
        writeBytes(dir / name, "x");
    EXPECT_EQ(removeStaleTemporaries(dir), 1);
    EXPECT_FALSE(fs::exists(dir / dead));
    EXPECT_TRUE(fs::exists(dir / live));
    EXPECT_EQ(namesIn(dir).size(), 4u);
    EXPECT_EQ(removeStaleTemporaries(dir / "missing"), 0);
}

TEST_F(SafetyTest, RemoveStaleTemporariesTellsAReusedProcessIdByTheWritersLock) {
    // Our own, living process id on an old file nobody holds: its writer is long gone.
    const std::string reused = ".r.pff." + std::to_string(::getpid()) + "-5" + kTemporarySuffix;
    writeBytes(dir / reused, "x");
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
    fs::last_write_time(dir / reused, old);
    // A writer at work holds its lock however old its file looks.
    AtomicFile busy(dir / "busy.pff");
    fs::last_write_time(busy.temporaryPath(), old);
    EXPECT_EQ(removeStaleTemporaries(dir), 1);
    EXPECT_FALSE(fs::exists(dir / reused));
    EXPECT_TRUE(fs::exists(busy.temporaryPath()));
}

TEST_F(SafetyTest, NoTemporaryFileAfterAReportedFailure) {
    writeBytes(dir / "old.jpg", pictureBytes(2000));
    encrypt_pff_file(request("old.jpg", "photo.pff"));
    const std::string before = readBytes(dir / "photo.pff");

    writeBytes(dir / "tiny.jpg", pictureBytes(47));
    EXPECT_EQ(failureNumber([&] { encrypt_pff_file(request("tiny.jpg", "photo.pff")); }), 62);
    EXPECT_EQ(failureNumber([&] { encrypt_pff_file(request("old.jpg", "nosuch/x.pff")); }), 76);
    auto longTag = request("old.jpg", "photo.pff");
    longTag.tag = std::string(65, 't');
    EXPECT_EQ(failureNumber([&] { encrypt_pff_file(longTag); }), 5);
    EXPECT_EQ(failureNumber([&] { PffReader(dir / "photo.pff").unwrapTo(dir / "nosuch/out.bmp"); }),
              76);
    EXPECT_EQ(failureNumber([&] {
                  encrypt_pff_file(request("old.jpg", "photo.pff"),
                                   [](uint64_t, uint64_t) { throw Failure(61, "full"); });
              }),
              61);

    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"old.jpg", "photo.pff", "tiny.jpg"}));
    EXPECT_EQ(readBytes(dir / "photo.pff"), before);
}

// Stopping from the progress callback at a block: inside the first chunk, at a chunk's edge, in
// a later chunk, or before any work. Whether the target is new or replaced, nothing of the
// stopped write is left and an old target keeps its bytes.
class StopTest : public SafetyTest, public ::testing::WithParamInterface<std::tuple<bool, int>> {};

TEST_P(StopTest, StoppedWrapOrUnwrapLeavesNothingBehind) {
    const bool unwrap = std::get<0>(GetParam());
    const int stopAt = std::get<1>(GetParam());
    const uint64_t blocks = 2100; // three chunks of the writer and the reader
    writeBytes(dir / "new.jpg", pictureBytes(48 + 1026 * blocks + 5, 3));
    encrypt_pff_file(request("new.jpg", "photo.pff"));
    writeBytes(dir / "old.bin", "the old target");
    const auto names = namesIn(dir);

    for (const char* target : {"fresh.bin", "old.bin"}) {
        SCOPED_TRACE(target);
        std::stop_source stop;
        if (stopAt == 0) stop.request_stop();
        uint64_t last = 0;
        const Progress progress = [&](uint64_t block, uint64_t) {
            last = block;
            if (block == static_cast<uint64_t>(stopAt)) stop.request_stop();
        };
        const int32_t number = failureNumber([&] {
            if (unwrap) {
                PffReader(dir / "photo.pff")
                    .unwrapTo(dir / target, progress, 0600, stop.get_token());
            } else {
                encrypt_pff_file(request("new.jpg", target), progress, stop.get_token());
            }
        });
        EXPECT_EQ(number, err::UserInterrupt);
        EXPECT_EQ(last, static_cast<uint64_t>(stopAt));
        EXPECT_EQ(namesIn(dir), names);
        EXPECT_EQ(readBytes(dir / "old.bin"), "the old target");
    }
}

INSTANTIATE_TEST_SUITE_P(Blocks, StopTest,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::Values(0, 1, 1024, 1025, 2099)));

TEST_F(SafetyTest, UnwrappedPictureIsPrivate) {
    writeBytes(dir / "old.jpg", pictureBytes(3000));
    encrypt_pff_file(request("old.jpg", "photo.pff"));
    const mode_t saved = ::umask(0);
    PffReader(dir / "photo.pff").unwrapTo(dir / "out.bmp");
    ::umask(saved);
    EXPECT_EQ(modeOf(dir / "out.bmp"), 0600u);
    EXPECT_EQ(readBytes(dir / "out.bmp"), readBytes(dir / "old.jpg"));
    // Replacing a readable picture does not leave the unwrapped one readable by others.
    fs::permissions(dir / "out.bmp", fs::perms(0644));
    PffReader(dir / "photo.pff").unwrapTo(dir / "out.bmp");
    EXPECT_EQ(modeOf(dir / "out.bmp"), 0600u);
}

TEST_F(SafetyTest, FileNameCharactersThatCannotBeStoredBecomeQuestionMarks) {
    writeBytes(dir / "p.jpg", pictureBytes(100));
    auto fileNameField = [&](const std::string& target) {
        encrypt_pff_file(request("p.jpg", target));
        const std::string bytes = readBytes(dir / target);
        std::string t(bytes.rbegin(), bytes.rbegin() + 343);
        for (char& c : t)
            c = static_cast<char>(255 - static_cast<unsigned char>(c));
        return t.substr(84, 255);
    };
    // Outside the code page (Ω): a scrambled "?".
    EXPECT_EQ(fileNameField("photo_\xCE\xA9.pff"),
              scrambleField("photo_?.pff", 55) + std::string(244, ' '));
    // é is in the page and scrambles with a small shift...
    EXPECT_EQ(fileNameField("\xC3\xA9t\xC3\xA9.pff"),
              scrambleField("\xE9t\xE9.pff", 55) + std::string(248, ' '));
    // ...but not with the largest one.
    owner = makeOwner("bob", "pw", "vw", 59, 59);
    EXPECT_EQ(fileNameField("\xC3\xA9t\xC3\xA9.pff"),
              scrambleField("?t?.pff", 1298) + std::string(248, ' '));
}
