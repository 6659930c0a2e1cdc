// Planning wraps: types by content, target names, captions from paths, and the refusals.
#include "core/wrap_plan.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace pixa;
using namespace pixatest;

namespace {

class WrapPlanTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        fs::create_directory(dir / "out");
        const std::string bitmap = "BM" + pictureBytes(100), jpeg = "\xFF\xD8\xFF" + bitmap;
        for (const char* name : {"a.BMP", ".hidden.bmp", "p.pff"})
            writeBytes(dir / name, bitmap);
        for (const char* name : {"a.jpg", "holiday.2002.jpg", "noext", "p.jpg"})
            writeBytes(dir / name, jpeg);
        writeBytes(dir / "notes.bmp", "plain text");
    }
    WrapPlan plan(const std::vector<std::string>& names, const fs::path& folder) {
        WrapOptions options;
        options.outputFolder = folder;
        std::vector<fs::path> sources;
        for (const auto& name : names)
            sources.push_back(dir / name);
        return planWraps(sources, options);
    }
};

} // namespace

TEST_F(WrapPlanTest, TargetsTypesAndCaptions) {
    const WrapPlan p = plan({"a.BMP", "holiday.2002.jpg", "noext"}, dir / "out");
    ASSERT_TRUE(p.refusals.empty());
    ASSERT_EQ(p.items.size(), 3u);
    EXPECT_EQ(p.items[0].target, dir / "out" / "a.pff");
    EXPECT_EQ(p.items[0].fileType, ".BMP");
    EXPECT_EQ(p.items[0].tag, tagFromPath((dir / "a.BMP").string()));
    EXPECT_EQ(p.items[1].target, dir / "out" / "holiday.pff");
    EXPECT_EQ(p.items[1].fileType, ".jpg"); // the extension in its own letter case
    EXPECT_EQ(p.items[2].fileType, ".JPG"); // no extension: the type the content announces
}

TEST_F(WrapPlanTest, RefusalsNameTheSourceAndAnEarlierSourceKeepsASharedTarget) {
    using K = WrapRefusalKind;
    const struct {
        std::vector<std::string> names;
        std::vector<K> refused;
        size_t planned;
    } cases[] = {
        {{"notes.bmp"}, {K::NotAPicture}, 0},
        {{"missing.jpg"}, {K::Failed}, 0},
        {{".hidden.bmp"}, {K::NoTargetName}, 0},
        {{"a.BMP", "a.jpg"}, {K::SameTarget}, 1},
        {{"a.BMP", "out/../a.jpg"}, {K::SameTarget}, 1},
        {{"p.jpg", "p.pff"}, {K::OwnSource, K::OwnSource}, 0}, // into their own folder
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.names.back());
        const WrapPlan p = plan(c.names, c.names.front() == "p.jpg" ? dir : dir / "out");
        std::vector<K> kinds;
        for (const auto& r : p.refusals) {
            kinds.push_back(r.kind);
            EXPECT_NE(r.reason.find(r.source.string()), std::string::npos) << r.reason;
        }
        EXPECT_EQ(kinds, c.refused);
        EXPECT_EQ(p.items.size(), c.planned);
    }
    EXPECT_EQ(plan({"missing.jpg"}, dir).refusals[0].number, err::FileNotFound);
    const WrapPlan intoFolder = planWraps({dir / "a.jpg"}, {{}, {}, dir / "out", {}});
    EXPECT_EQ(intoFolder.refusals.at(0).kind, K::TargetFolder);
}
