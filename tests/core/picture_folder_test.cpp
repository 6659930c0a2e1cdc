// The unwrapped picture's folder: which runtime folders are trusted, and when a picture left
// behind is removed at start-up.
#include "core/picture_folder.h"

#include "test_support.h"

#include <unistd.h>

namespace {

using namespace pixatest;

enum class Prepare {
    Nothing,
    Relative,
    Missing,
    File,
    OpenSubfolder,
    LinkedSubfolder,
    FileSubfolder,
    ForeignBase,
    ForeignSubfolder
};

struct RuntimeCase {
    const char* name;
    Prepare prepare;
    bool accepted;
};

class PrivateRuntimeFolderTest : public TempDirTest,
                                 public ::testing::WithParamInterface<RuntimeCase> {};

TEST_P(PrivateRuntimeFolderTest, AcceptsOnlyAFolderOfThisUser) {
    const Prepare prepare = GetParam().prepare;
    const bool foreign = prepare == Prepare::ForeignBase || prepare == Prepare::ForeignSubfolder;
    if (foreign && ::geteuid() != 0) GTEST_SKIP() << "needs root to make another user's folder";
    constexpr uid_t kNobody = 65534;

    fs::path base = dir / "run";
    fs::create_directory(base);
    const fs::path sub = base / "pixamantler";
    switch (prepare) {
    case Prepare::Nothing:
        break;
    case Prepare::Relative:
        base = "run";
        break;
    case Prepare::Missing:
        base = dir / "absent";
        break;
    case Prepare::File:
        base = dir / "file";
        writeBytes(base, "x");
        break;
    case Prepare::OpenSubfolder:
        fs::create_directory(sub);
        ::chmod(sub.c_str(), 0755);
        break;
    case Prepare::LinkedSubfolder:
        fs::create_directory_symlink(dir, sub);
        break;
    case Prepare::FileSubfolder:
        writeBytes(sub, "x");
        break;
    case Prepare::ForeignBase:
        ASSERT_EQ(::chown(base.c_str(), kNobody, kNobody), 0);
        break;
    case Prepare::ForeignSubfolder:
        fs::create_directory(sub);
        ASSERT_EQ(::chown(sub.c_str(), kNobody, kNobody), 0);
        break;
    }

    const auto folder = pixa::privateRuntimeFolder(base.string());
    if (!GetParam().accepted) {
        EXPECT_FALSE(folder);
        EXPECT_EQ(pixa::temporaryPictureFolder(base.c_str(), dir), dir);
        return;
    }
    ASSERT_TRUE(folder);
    EXPECT_EQ(*folder, sub);
    struct stat st {};
    ASSERT_EQ(::lstat(sub.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(pixa::temporaryPictureFolder(base.c_str(), dir), sub);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrivateRuntimeFolderTest,
    ::testing::Values(RuntimeCase{"Created", Prepare::Nothing, true},
                      RuntimeCase{"RelativePath", Prepare::Relative, false},
                      RuntimeCase{"MissingRuntimeFolder", Prepare::Missing, false},
                      RuntimeCase{"RuntimeFolderIsAFile", Prepare::File, false},
                      RuntimeCase{"OpenSubfolderMadePrivate", Prepare::OpenSubfolder, true},
                      RuntimeCase{"SubfolderIsALink", Prepare::LinkedSubfolder, false},
                      RuntimeCase{"SubfolderIsAFile", Prepare::FileSubfolder, false},
                      RuntimeCase{"AnotherUsersRuntimeFolder", Prepare::ForeignBase, false},
                      RuntimeCase{"AnotherUsersSubfolder", Prepare::ForeignSubfolder, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TempDirTest, NoRuntimeFolderMeansTheDataFolder) {
    EXPECT_EQ(pixa::temporaryPictureFolder(nullptr, dir), dir);
    EXPECT_EQ(pixa::temporaryPictureFolder("", dir), dir);
}

TEST_F(TempDirTest, PictureLeftBehindIsRemovedOnlyWhenNoOtherInstanceRuns) {
    const fs::path picture = dir / pixa::kTemporaryPictureName;
    writeBytes(picture, "photo");
    {
        pixa::PictureLock first(picture);
        ASSERT_TRUE(first.held());
        EXPECT_TRUE(first.removedStale());
        EXPECT_FALSE(fs::exists(picture));

        writeBytes(picture, "photo in use");
        pixa::PictureLock second(picture);
        EXPECT_TRUE(second.held());
        EXPECT_FALSE(second.removedStale());
        EXPECT_EQ(readBytes(picture), "photo in use");
    }
    pixa::PictureLock afterBothEnded(picture);
    EXPECT_TRUE(afterBothEnded.removedStale());
    EXPECT_FALSE(fs::exists(picture));
}

TEST_F(TempDirTest, NoLockWithoutTheFolder) {
    const fs::path picture = dir / "absent" / pixa::kTemporaryPictureName;
    pixa::PictureLock lock(picture);
    EXPECT_FALSE(lock.held());
    EXPECT_FALSE(lock.removedStale());
}

} // namespace
