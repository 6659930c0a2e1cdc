// Planning wraps: types by content, target names, captions from paths, and the refusals.
#include "core/wrap_plan.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace pixa;
using namespace pixatest;

namespace {

const std::string kBitmap = "BM" + pictureBytes(100);
const std::string kJpeg = "\xFF\xD8\xFF" + pictureBytes(100);

class WrapPlanTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        fs::create_directory(dir / "out");
        for (const auto& [name, bytes] :
             std::vector<std::pair<std::string, std::string>>{{"a.BMP", kBitmap},
                                                              {"a.jpg", kJpeg},
                                                              {"holiday.2002.jpg", kJpeg},
                                                              {"noext", kJpeg},
                                                              {".hidden.bmp", kBitmap},
                                                              {"notes.bmp", "plain text"},
                                                              {"p.jpg", kJpeg},
                                                              {"p.pff", kBitmap}}) {
            writeBytes(dir / name, bytes);
        }
    }
    WrapPlan plan(const std::vector<std::string>& names, WrapOptions options = {}) {
        if (!options.output) options.outputFolder = dir / "out";
        std::vector<fs::path> sources;
        for (const auto& name : names)
            sources.push_back(dir / name);
        return planWraps(sources, options);
    }
    static std::vector<WrapRefusalKind> kinds(const WrapPlan& p) {
        std::vector<WrapRefusalKind> out;
        for (const auto& r : p.refusals)
            out.push_back(r.kind);
        return out;
    }
};

} // namespace

TEST_F(WrapPlanTest, TargetsTypesAndCaptionsOfAFolderRun) {
    const WrapPlan p = plan({"a.BMP", "holiday.2002.jpg", "noext"});
    ASSERT_TRUE(p.refusals.empty());
    ASSERT_EQ(p.items.size(), 3u);
    EXPECT_EQ(p.items[0].target, dir / "out" / "a.pff");
    EXPECT_EQ(p.items[0].fileType, ".BMP");
    EXPECT_EQ(p.items[0].tag, tagFromPath((dir / "a.BMP").string()));
    EXPECT_EQ(p.items[1].target, dir / "out" / "holiday.pff");
    EXPECT_EQ(p.items[1].fileType, ".jpg"); // the extension in its own letter case
    EXPECT_EQ(p.items[2].target, dir / "out" / "noext.pff");
    EXPECT_EQ(p.items[2].fileType, ".JPG"); // no extension: the type the content announces

    WrapOptions given;
    given.output = dir / "one.pff";
    given.caption = "Given";
    given.fileType = ".PFF";
    const WrapPlan single = plan({"a.jpg"}, given);
    ASSERT_EQ(single.items.size(), 1u);
    EXPECT_EQ(single.items[0].target, dir / "one.pff");
    EXPECT_EQ(single.items[0].tag, "Given");
    EXPECT_EQ(single.items[0].fileType, ".PFF");
    EXPECT_EQ(single.items[0].request(makeOwner("x", "y", "z", 0, 0)).target, dir / "one.pff");
}

TEST_F(WrapPlanTest, EachRefusalNamesItsSourceAndTheEarlierSourceKeepsASharedTarget) {
    WrapOptions intoFolder;
    intoFolder.output = dir / "out";
    struct Case {
        std::vector<std::string> names;
        WrapOptions options;
        std::vector<WrapRefusalKind> refused;
        size_t planned;
    };
    using K = WrapRefusalKind;
    const std::vector<Case> cases = {
        {{"notes.bmp"}, {}, {K::NotAPicture}, 0},
        {{"missing.jpg"}, {}, {K::Failed}, 0},
        {{".hidden.bmp"}, {}, {K::NoTargetName}, 0},
        {{"a.jpg"}, intoFolder, {K::TargetFolder}, 0},
        {{"a.BMP", "a.jpg"}, {}, {K::SameTarget}, 1},
        {{"a.BMP", "out/../a.jpg"}, {}, {K::SameTarget}, 1},
        {{"p.pff"}, {}, {}, 1}, // into another folder: its own name is free
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.names.front());
        const WrapPlan p = plan(c.names, c.options);
        EXPECT_EQ(kinds(p), c.refused);
        EXPECT_EQ(p.items.size(), c.planned);
        for (const auto& r : p.refusals)
            EXPECT_NE(r.reason.find(c.names.back()), std::string::npos) << r.reason;
    }
    const WrapPlan missing = plan({"missing.jpg"});
    EXPECT_EQ(missing.refusals[0].number, err::FileNotFound);
}

TEST_F(WrapPlanTest, NoTargetMayBeASourceOfTheRun) {
    WrapOptions here;
    here.outputFolder = dir;
    // p.pff is a picture that p.jpg's wrap would replace, and its own wrap would replace it too.
    const WrapPlan p = planWraps({dir / "p.jpg", dir / "p.pff"}, here);
    EXPECT_EQ(kinds(p), (std::vector{WrapRefusalKind::OwnSource, WrapRefusalKind::OwnSource}));
    EXPECT_TRUE(p.items.empty());
    EXPECT_EQ(namesIn(dir).size(), 9u); // nothing written
}
