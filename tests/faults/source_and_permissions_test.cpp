// A source that vanishes before or during a wrap, a folder removed under the writer, and the
// permissions of the files that hold secrets or unwrapped pictures.
#include "fault_support.h"

#include "core/error.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "core/pff_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace pixafault {
namespace {

pixa::CurrentOwner plainOwner() {
    const pixa::FixedClock clock(10, 1, 2);
    const auto s =
        pixa::encrypt_password(pixa::padField("Vanisher", 20), pixa::padField("pw", 8),
                               pixa::padField("viewer", 8), pixa::padField("", 40), clock);
    return {s.encr_name, s.encr_owner_pass, s.encr_viewer_pass, s.mul_fact * 11};
}

class VanishingFiles : public ::testing::Test {
protected:
    pixa::WrapRequest request(const std::string& target) {
        pixa::WrapRequest r;
        r.source = folder / "source.bmp";
        r.target = folder / "out" / target;
        r.tag = "Vanishing";
        r.fileType = ".BMP";
        r.owner = plainOwner();
        return r;
    }
    void SetUp() override {
        fs::create_directories(folder / "out");
        picture = bitmapBytes(3 << 20, 9);
        writeFile(folder / "source.bmp", picture);
    }
    TempFolder folder;
    std::string picture;
};

TEST_F(VanishingFiles, sourceDeletedBeforeTheWriteIsFileNotFoundAndWritesNothing) {
    const auto r = request("photo.pff");
    fs::remove(r.source);
    try {
        pixa::encrypt_pff_file(r);
        FAIL() << "a missing source was wrapped";
    } catch (const pixa::Failure& f) {
        EXPECT_EQ(f.number(), pixa::err::FileNotFound) << f.what();
    }
    EXPECT_TRUE(fs::is_empty(folder / "out"));
}

// The open file is still read whole: the wrap is complete and unwraps to the picture.
TEST_F(VanishingFiles, sourceDeletedDuringTheWriteStillGivesTheWholePicture) {
    const auto r = request("photo.pff");
    bool removed = false;
    pixa::encrypt_pff_file(r, [&](uint64_t, uint64_t) {
        if (!removed) removed = fs::remove(r.source);
    });
    ASSERT_TRUE(removed);
    pixa::PffReader(r.target).unwrapTo(folder / "back.bmp");
    EXPECT_EQ(readFile(folder / "back.bmp"), picture);
    EXPECT_TRUE(temporariesIn(folder / "out").empty());
}

TEST_F(VanishingFiles, targetFolderRemovedDuringTheWriteIsReportedAndLeavesNothing) {
    const auto r = request("photo.pff");
    bool removed = false;
    try {
        pixa::encrypt_pff_file(r, [&](uint64_t, uint64_t) {
            if (!removed) removed = fs::remove_all(folder / "out") > 0;
        });
        FAIL() << "a wrap into a removed folder was reported as done";
    } catch (const pixa::Failure& f) {
        EXPECT_TRUE(f.number() == pixa::err::PathNotFound || f.number() == pixa::err::FileNotFound)
            << f.what();
    }
    EXPECT_FALSE(fs::exists(folder / "out"));
}

TEST_F(VanishingFiles, toolReportsASourceDeletedBeforeItStarts) {
    const fs::path data = folder / "data";
    ASSERT_EQ(runCli({{"--data-dir", data, "register", "Vanisher"}, kPasswords}).exitCode, 0);
    fs::remove(folder / "source.bmp");
    const auto result = runCli({{"--data-dir", data, "wrap", "--owner", "Vanisher",
                                 folder / "source.bmp", "--output", folder / "out" / "photo.pff"},
                                kPasswords});
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("error 53: File not found"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::is_empty(folder / "out"));
}

// Whatever the umask, the owner store and an unwrapped picture are readable by their user only.
class PrivateFiles : public ::testing::TestWithParam<mode_t> {
protected:
    void SetUp() override { m_oldMask = ::umask(GetParam()); }
    void TearDown() override { ::umask(m_oldMask); }
    TempFolder folder;
    mode_t m_oldMask = 0;
};

TEST_P(PrivateFiles, coreCreatesTheStoreAndPicturesPrivate) {
    const pixa::OwnerStore store(folder / pixa::kStoreFileName);
    const pixa::FixedClock clock(9, 9, 9);
    ASSERT_TRUE(pixa::registerOwner(store, pixa::padField("Private", 20), pixa::padField("pw", 8),
                                    pixa::padField("viewer", 8), pixa::padField("", 40), clock));
    EXPECT_EQ(modeOf(store.path()), 0600u);

    pixa::WrapRequest r;
    r.source = folder / "source.bmp";
    r.target = folder / "photo.pff";
    r.fileType = ".BMP";
    r.owner = *pixa::loginOwner(store, pixa::padField("Private", 20), pixa::padField("pw", 8));
    writeFile(r.source, bitmapBytes(5000, 1));
    pixa::encrypt_pff_file(r);
    pixa::PffReader(r.target).unwrapTo(folder / "picture.bmp");
    EXPECT_EQ(modeOf(folder / "picture.bmp"), 0600u);
}

TEST_P(PrivateFiles, toolCreatesTheStoreAndPicturesPrivate) {
    const fs::path data = folder / "data";
    const auto umaskInChild = [mask = GetParam()] { ::umask(mask); };
    ASSERT_EQ(
        runCli({{"--data-dir", data, "register", "Private"}, kPasswords, umaskInChild}).exitCode,
        0);
    EXPECT_EQ(modeOf(data / pixa::kStoreFileName), 0600u);
    writeFile(folder / "source.bmp", bitmapBytes(5000, 2));
    ASSERT_EQ(runCli({{"--data-dir", data, "wrap", "--owner", "Private", folder / "source.bmp",
                       "--output", folder / "photo.pff"},
                      kPasswords,
                      umaskInChild})
                  .exitCode,
              0);
    const auto unwrap =
        runCli({{"unwrap", folder / "photo.pff", "--output", folder / "picture.bmp"},
                kPasswords,
                umaskInChild});
    ASSERT_EQ(unwrap.exitCode, 0) << unwrap.err;
    EXPECT_EQ(modeOf(folder / "picture.bmp"), 0600u);
    EXPECT_EQ(readFile(folder / "picture.bmp"), readFile(folder / "source.bmp"));
}

// A wrapped photo is no secret of its own: a new one gets the usual permissions.
TEST_P(PrivateFiles, newWrappedPhotosFollowTheUmaskAndReplacedOnesKeepTheirMode) {
    pixa::WrapRequest r;
    r.source = folder / "source.bmp";
    r.target = folder / "photo.pff";
    r.fileType = ".BMP";
    r.owner = plainOwner();
    writeFile(r.source, bitmapBytes(5000, 3));
    pixa::encrypt_pff_file(r);
    EXPECT_EQ(modeOf(r.target), 0666u & ~GetParam());
    ::chmod(r.target.c_str(), 0640);
    pixa::encrypt_pff_file(r);
    EXPECT_EQ(modeOf(r.target), 0640u);
}

INSTANTIATE_TEST_SUITE_P(Umasks, PrivateFiles, ::testing::Values(0000, 0022, 0077, 0002));

} // namespace
} // namespace pixafault
