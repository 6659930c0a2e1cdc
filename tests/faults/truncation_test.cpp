// A .pff cut short at every length up to 800 bytes and at random lengths above: the readers and
// the tool report a failure of the error model, never crash, and leave nothing behind.
#include "fault_support.h"

#include "core/error.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "core/pff_file.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace pixafault {
namespace {

// A complete wrapped photo of a 3-block picture, written by the project's writer.
std::string wholePff(const TempFolder& folder) {
    const pixa::FixedClock clock(10, 20, 30);
    const auto s =
        pixa::encrypt_password(pixa::padField("Cutter", 20), pixa::padField("pw", 8),
                               pixa::padField("viewer", 8), pixa::padField("", 40), clock);
    pixa::WrapRequest request;
    request.source = folder / "source.bmp";
    request.target = folder / "whole.pff";
    writeFile(request.source, bitmapBytes(48 + 3 * 1026 + 77, 7));
    request.tag = "Cut at every length";
    request.fileType = ".BMP";
    request.owner = {s.encr_name, s.encr_owner_pass, s.encr_viewer_pass, s.mul_fact * 11};
    request.clock = &clock;
    pixa::encrypt_pff_file(request);
    return readFile(request.target);
}

// Every length from 0 to 800, then random lengths up to the whole file.
std::vector<size_t> cutLengths(size_t whole) {
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 800; ++n)
        lengths.push_back(n);
    std::mt19937 random(363);
    for (int i = 0; i < 200; ++i)
        lengths.push_back(801 + random() % (whole - 801));
    return lengths;
}

const std::set<int32_t> kReaderFailures = {pixa::err::InputPastEnd, pixa::err::TypeMismatch,
                                           pixa::err::InvalidArgument, pixa::err::Overflow};

class TruncatedPff : public ::testing::Test {
protected:
    TempFolder folder;
};

TEST_F(TruncatedPff, coreReadersFailCleanlyAtEveryLength) {
    const std::string whole = wholePff(folder);
    const fs::path cut = folder / "cut.pff";
    const fs::path out = folder / "out";
    fs::create_directories(out);
    const auto lengths = cutLengths(whole.size());
    for (const size_t n : lengths) {
        SCOPED_TRACE("cut at " + std::to_string(n));
        writeFile(cut, whole.substr(0, n));
        try {
            (void)pixa::readCaption(cut);
            EXPECT_GE(n, pixa::kTrailerSize);
        } catch (const pixa::Failure& f) {
            EXPECT_TRUE(kReaderFailures.count(f.number())) << f.what();
            if (n < pixa::kTrailerSize) {
                EXPECT_EQ(f.number(), pixa::err::InputPastEnd);
            }
        }
        try {
            const pixa::PffReader reader(cut);
            EXPECT_GE(n, pixa::kHeaderSize);
            reader.unwrapTo(out / "picture.bmp");
            EXPECT_GE(n, pixa::kMinimumPffSize);
            EXPECT_EQ(fs::file_size(out / "picture.bmp"), n - pixa::kWrapOverhead);
            fs::remove(out / "picture.bmp");
        } catch (const pixa::Failure& f) {
            EXPECT_TRUE(kReaderFailures.count(f.number())) << f.what();
            if (n < pixa::kHeaderSize) {
                EXPECT_EQ(f.number(), pixa::err::InputPastEnd);
            }
        }
        ASSERT_TRUE(fs::is_empty(out)) << "a failed unwrap left a file";
    }
    std::printf("[ figures  ] %zu truncated files read by the core\n", lengths.size());
}

// The listing reads all cut files in one run: each is listed or reported, and the run goes on.
TEST_F(TruncatedPff, listReportsEachCutFileAndGoesOn) {
    const std::string whole = wholePff(folder);
    const fs::path cuts = folder / "cuts";
    fs::create_directories(cuts);
    const auto lengths = cutLengths(whole.size());
    for (const size_t n : lengths) {
        writeFile(cuts / ("cut" + std::to_string(100000 + n) + ".pff"), whole.substr(0, n));
    }
    const auto result = runCli({{"list", cuts}, {}});
    ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.exitCode, 1) << "corrupt files must make the listing fail";
    EXPECT_TRUE(printableMessage(result.err));
    for (const size_t n : std::set<size_t>(lengths.begin(), lengths.end())) {
        const std::string name = "cut" + std::to_string(100000 + n) + ".pff";
        const bool listed = result.out.find(name) != std::string::npos;
        const bool reported = result.err.find(name) != std::string::npos;
        EXPECT_TRUE(listed != reported) << name << " listed " << listed << " reported " << reported;
        if (n < pixa::kTrailerSize) {
            EXPECT_TRUE(reported) << name;
        }
    }
}

// Lengths at and around every boundary of the layout, for the commands that read one file.
class TruncatedPffCommand : public ::testing::TestWithParam<size_t> {
protected:
    TempFolder folder;
};

TEST_P(TruncatedPffCommand, infoAndUnwrapReportAFailureAndWriteNothing) {
    const size_t n = GetParam();
    const std::string whole = wholePff(folder);
    ASSERT_LT(n, whole.size());
    const fs::path cut = folder / "cut.pff";
    writeFile(cut, whole.substr(0, n));
    const fs::path out = folder / "out";
    fs::create_directories(out);

    const auto info = runCli({{"info", cut}, {}});
    ASSERT_TRUE(info.exited) << "signal " << info.signal;
    EXPECT_TRUE(printableMessage(info.err));
    if (n < pixa::kHeaderSize) {
        EXPECT_EQ(info.exitCode, 1);
        EXPECT_NE(info.err.find("62"), std::string::npos) << info.err;
        EXPECT_NE(info.err.find("Input past end of file"), std::string::npos) << info.err;
    } else {
        EXPECT_TRUE(info.exitCode == 0 || info.exitCode == 1) << info.err;
    }

    const auto unwrap = runCli(
        {{"unwrap", cut, "--output", out / "picture.bmp"}, {"PIXAMANTLER_VIEWER_PASSWORD=viewer"}});
    ASSERT_TRUE(unwrap.exited) << "signal " << unwrap.signal;
    EXPECT_TRUE(printableMessage(unwrap.err));
    // A cut file ends in body bytes where the trailer should be: its factor or its password
    // cannot match, so nothing is ever unwrapped from it.
    EXPECT_TRUE(unwrap.exitCode == 1 || unwrap.exitCode == 3) << unwrap.err;
    EXPECT_FALSE(unwrap.err.empty());
    EXPECT_TRUE(fs::is_empty(out));
}

INSTANTIATE_TEST_SUITE_P(Boundaries, TruncatedPffCommand,
                         ::testing::Values(0, 1, 47, 48, 275, 276, 277, 339, 340, 342, 343, 344,
                                           362, 363, 364, 705, 706, 707, 1731, 1732, 2000));

} // namespace
} // namespace pixafault
