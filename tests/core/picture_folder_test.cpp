// The unwrapped picture's folder: which runtime folders are trusted, and when a picture left
// behind is removed at start-up.
#include "core/picture_folder.h"

#include "test_support.h"

#include <unistd.h>

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

    const fs::path chosen = pixa::temporaryPictureFolder(base.c_str(), dir);
    if (!GetParam().accepted) {
        EXPECT_EQ(chosen, dir);
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

TEST_F(TempDirTest, PictureLeftBehindIsRemovedOnlyWhenNoOtherInstanceRuns) {
    EXPECT_EQ(pixa::temporaryPictureFolder(nullptr, dir), dir);
    const fs::path picture = dir / pixa::kTemporaryPictureName;
    writeBytes(picture, "photo");
    {
        pixa::PictureLock first(picture);
        ASSERT_TRUE(first.held());
        EXPECT_TRUE(first.removedStale());

        writeBytes(picture, "photo in use");
        pixa::PictureLock second(picture);
        EXPECT_TRUE(second.held());
        EXPECT_FALSE(second.removedStale());
        EXPECT_EQ(readBytes(picture), "photo in use");
    }
    EXPECT_TRUE(pixa::PictureLock(picture).removedStale());
    EXPECT_FALSE(fs::exists(picture));
    EXPECT_FALSE(pixa::PictureLock(dir / "absent" / pixa::kTemporaryPictureName).held());
}

} // namespace
