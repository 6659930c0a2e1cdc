#include "core/wrap_job.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <functional>

using namespace pixa;
using namespace pixatest;

namespace {

// Records what it was handed; moves nothing.
class RecordingTrash final : public Trash {
public:
    TrashOutcome moveToTrash(const fs::path& original) override {
        handed.push_back(original);
        return {true, {}, original.parent_path() / "trash" / original.filename()};
    }
    std::vector<fs::path> handed;
};

struct TrashCase {
    const char* name;
    // What happens between the wrap and the trash step.
    std::function<void(const fs::path& source, const fs::path& pff, std::stop_source& stop)>
        meanwhile;
    bool handed;    // the original reaches the trash
    int32_t thrown; // the trash step's failure number; 0 for none
};

class WrapJobTest : public TempDirTest, public testing::WithParamInterface<TrashCase> {};

} // namespace

TEST_P(WrapJobTest, HandsTheOriginalToTheTrashOnlyOnceTheWrapGivesItBack) {
    const fs::path source = dir / "photo.bmp";
    writeBytes(source, "BM" + pictureBytes(5000));
    const WrapItem item{source, dir / "photo.pff", ".BMP", "caption"};
    const FixedClock clock(9, 1, 2);
    std::stop_source stop;
    const WrapJob job(item, makeOwner("ann", "pw", "vw", 2, 3), &clock, {}, stop.get_token());
    job.wrap();
    ASSERT_TRUE(fs::exists(item.target));
    GetParam().meanwhile(source, item.target, stop);

    RecordingTrash trash;
    TrashOutcome outcome;
    EXPECT_EQ(failureNumber([&] { outcome = job.trashOriginal(trash); }), GetParam().thrown);
    EXPECT_EQ(trash.handed,
              GetParam().handed ? std::vector<fs::path>{source} : std::vector<fs::path>{});
    EXPECT_EQ(outcome.moved, GetParam().handed);
    if (!GetParam().handed && GetParam().thrown == 0)
        EXPECT_NE(outcome.reason.find("did not read back the same"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, WrapJobTest,
    testing::Values(TrashCase{"ReadsBackWhole",
                              [](const fs::path&, const fs::path&, std::stop_source&) {}, true, 0},
                    TrashCase{"OriginalChangedSince",
                              [](const fs::path& source, const fs::path&, std::stop_source&) {
                                  std::string bytes = readBytes(source);
                                  bytes.back() ^= 1;
                                  writeBytes(source, bytes);
                              },
                              false, 0},
                    TrashCase{"WrappedPhotoCut",
                              [](const fs::path&, const fs::path& pff, std::stop_source&) {
                                  fs::resize_file(pff, 3000);
                              },
                              false, 0},
                    TrashCase{"Stopped",
                              [](const fs::path&, const fs::path&, std::stop_source& stop) {
                                  stop.request_stop();
                              },
                              false, err::UserInterrupt}),
    [](const auto& info) { return std::string(info.param.name); });
