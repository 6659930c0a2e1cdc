// The unwrapped picture's folder: which runtime folders are trusted, memory before disk, each
// running copy's own picture, and which pictures left behind are removed at start-up.
#include "core/picture_folder.h"

#include "core/session.h"
#include "test_support.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <ctime>
#include <memory>

namespace {

using namespace pixatest;

enum class Prepare { Nothing, Relative, OpenSub, LinkSub, ForeignSub };

struct RuntimeCase {
    const char* name;
    Prepare prepare;
    bool accepted;
};

class RuntimeFolderTest : public TempDirTest, public ::testing::WithParamInterface<RuntimeCase> {};

TEST_P(RuntimeFolderTest, OnlyAPrivateFolderOfThisUser) {
    const Prepare prepare = GetParam().prepare;
    if (prepare == Prepare::ForeignSub && ::geteuid() != 0)
        GTEST_SKIP() << "only root can make another user's folder";
    fs::path base = dir / "run";
    const fs::path sub = base / "pixamantler";
    fs::create_directory(base);
    if (prepare == Prepare::Relative) base = "run";
    if (prepare == Prepare::OpenSub || prepare == Prepare::ForeignSub) fs::create_directory(sub);
    if (prepare == Prepare::OpenSub) ::chmod(sub.c_str(), 0755);
    if (prepare == Prepare::LinkSub) fs::create_directory_symlink(dir, sub);
    if (prepare == Prepare::ForeignSub) {
        ASSERT_EQ(::chown(sub.c_str(), 65534, 65534), 0);
    }

    const auto chosen = pixa::privateRuntimeFolder(base.string());
    if (!GetParam().accepted) {
        EXPECT_EQ(chosen, std::nullopt);
        return;
    }
    EXPECT_EQ(chosen, sub);
    struct stat st {};
    ASSERT_EQ(::lstat(sub.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

INSTANTIATE_TEST_SUITE_P(Cases, RuntimeFolderTest,
                         ::testing::Values(RuntimeCase{"Created", Prepare::Nothing, true},
                                           RuntimeCase{"RelativePath", Prepare::Relative, false},
                                           RuntimeCase{"OpenMadePrivate", Prepare::OpenSub, true},
                                           RuntimeCase{"SubfolderIsALink", Prepare::LinkSub, false},
                                           RuntimeCase{"ForeignSubfolder", Prepare::ForeignSub,
                                                       false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Folders in memory come first, a runtime folder before the shared one, and a disk never.
enum class Chosen { Runtime, Shared, None };

struct OrderCase {
    const char* name;
    bool runtimeInMemory, sharedInMemory;
    Chosen chosen;
};

class FolderOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(FolderOrderTest, MemoryFirstNeverADisk) {
    const fs::path disk = fs::current_path();
    struct statfs shm {};
    if (::statfs("/dev/shm", &shm) != 0 || shm.f_type != TMPFS_MAGIC || pixa::inMemory(disk))
        GTEST_SKIP() << "needs /dev/shm in memory and a working folder on a disk";
    std::string memory = "/dev/shm/pixatest-XXXXXX";
    ASSERT_NE(::mkdtemp(memory.data()), nullptr);
    const std::shared_ptr<void> removeAfter(nullptr, [&](void*) { fs::remove_all(memory); });
    const fs::path runtime = GetParam().runtimeInMemory ? fs::path(memory) : disk;
    const fs::path shared = GetParam().sharedInMemory ? fs::path(memory) : disk;
    const auto chosen = pixa::temporaryPictureFolder(runtime.c_str(), shared);
    const std::optional<fs::path> expected[] = {
        runtime / "pixamantler", shared / ("pixamantler-" + std::to_string(::geteuid())), {}};
    EXPECT_EQ(chosen, expected[static_cast<int>(GetParam().chosen)]);
    const pixa::UnwrappedPicture picture(chosen);
    EXPECT_EQ(failureNumber([&] { (void)picture.incomingPath(); }),
              chosen ? 0 : pixa::err::NoMemoryFolder);
}

INSTANTIATE_TEST_SUITE_P(Cases, FolderOrderTest,
                         ::testing::Values(OrderCase{"RuntimeInMemory", true, true, Chosen::Runtime},
                                           OrderCase{"RuntimeOnDisk", false, true, Chosen::Shared},
                                           OrderCase{"NothingInMemory", false, false, Chosen::None}),
                         [](const auto& info) { return std::string(info.param.name); });

// Folders a copy may find beside its own at start-up: only those of copies that ended go.
struct LeftFolderCase {
    const char* name;
    bool locked;     // a running copy holds it
    bool old;        // last changed over a minute ago
    bool removed;
};

class LeftFolderTest : public TempDirTest, public ::testing::WithParamInterface<LeftFolderCase> {};

TEST_P(LeftFolderTest, OnlyFoldersOfEndedCopiesAreRemoved) {
    const LeftFolderCase& c = GetParam();
    // Named after this live process: its age tells an ended copy from one just starting.
    const fs::path left = dir / ("copy-" + std::to_string(::getpid()) + "-left");
    fs::create_directory(left);
    writeBytes(left / pixa::kTemporaryPictureName, "photo");
    const int fd = ::open(left.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    if (c.locked) {
        ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    }
    if (c.old) {
        const timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 120, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, left.c_str(), times, 0), 0);
    }
    {
        const pixa::UnwrappedPicture copy(dir);
        EXPECT_TRUE(copy.held());
        EXPECT_EQ(fs::exists(left), !c.removed);
        EXPECT_EQ(copy.removedStale(), c.removed ? 1 : 0);
    }
    ::close(fd);
}

INSTANTIATE_TEST_SUITE_P(
    Start, LeftFolderTest,
    ::testing::Values(LeftFolderCase{"RunningCopy", true, true, false},
                      LeftFolderCase{"EndedCopy", false, true, true},
                      LeftFolderCase{"CopyJustStarting", false, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TempDirTest, EachCopyHasItsOwnPictureAndRemovesOnlyItsOwn) {
    // The single shared picture of earlier versions goes when no copy holds its lock.
    writeBytes(dir / pixa::kTemporaryPictureName, "old photo");
    writeBytes(dir / (std::string(pixa::kTemporaryPictureName) + ".lock"), "");

    auto first = std::make_unique<pixa::UnwrappedPicture>(dir);
    EXPECT_FALSE(fs::exists(dir / pixa::kTemporaryPictureName));
    const pixa::UnwrappedPicture second(dir);
    ASSERT_NE(first->path(), second.path());
    writeBytes(first->incomingPath(), "photo X");
    first->adoptIncoming();
    writeBytes(second.incomingPath(), "photo Y");
    EXPECT_EQ(readBytes(first->path()), "photo X");
    EXPECT_FALSE(fs::exists(second.path()));

    // A third copy starting finds both running and leaves them.
    { const pixa::UnwrappedPicture third(dir); }
    EXPECT_EQ(readBytes(first->path()), "photo X");
    EXPECT_TRUE(fs::exists(second.incomingPath()));

    const fs::path firstFolder = first->folder();
    first.reset();
    EXPECT_FALSE(fs::exists(firstFolder));
    EXPECT_TRUE(fs::exists(second.incomingPath()));
}

// The application's own choice, from its environment: without a runtime folder its picture goes
// to memory or is refused, never beside the data, where what earlier versions left goes.
TEST_F(TempDirTest, WithoutARuntimeFolderNothingIsUnwrappedBesideTheData) {
    const fs::path data = dir / "data";
    // Above any process id the system can give: a copy that ended.
    fs::create_directories(data / "copy-4194305-left");
    const char* set = std::getenv("XDG_RUNTIME_DIR");
    const auto runtime = set ? std::optional<std::string>(set) : std::nullopt;
    ::unsetenv("XDG_RUNTIME_DIR");
    const pixa::FixedClock clock(10, 0, 0);
    const auto session = pixa::Session::forRun(data, clock);
    if (runtime) ::setenv("XDG_RUNTIME_DIR", runtime->c_str(), 1);
    // Where an unwrap writes.
    const int32_t refused =
        failureNumber([&] { writeBytes(session->unwrappedPicture().incomingPath(), "photo"); });
    EXPECT_TRUE(refused == 0 || refused == pixa::err::NoMemoryFolder) << refused;
    EXPECT_TRUE(fs::is_empty(data));
}

} // namespace
