// The photo commands of the tool: wrap, info, list and unwrap, end to end.
#include "cli_harness.h"
#include "core/pff_file.h"
#include "deep_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

namespace pixa {
namespace {

namespace fs = std::filesystem;

const CliEnv kOwnerPw = {{"PIXAMANTLER_OWNER_PASSWORD", "secret"}};
const CliEnv kViewerPw = {{"PIXAMANTLER_VIEWER_PASSWORD", "look"}};

class CliPhotoTest : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        storeOwner("Alice", "secret", "look", 12, 30); // field shift 42
    }

    CliResult wrap(const std::vector<std::string>& rest, const CliEnv& env = kOwnerPw) const {
        std::vector<std::string> args = {"wrap", "--owner", "Alice"};
        args.insert(args.end(), rest.begin(), rest.end());
        return run(args, env);
    }
};

struct RoundTrip {
    const char* label;
    std::string source;
    std::string bytes;
    std::vector<std::string> output; // the output options
    std::string pff;                 // the file that must appear
    std::string fileType;
};

void PrintTo(const RoundTrip& c, std::ostream* os) {
    *os << c.label;
}

class CliRoundTripTest : public CliPhotoTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(CliRoundTripTest, WrapsListsDescribesAndUnwrapsByteForByte) {
    const RoundTrip& c = GetParam();
    writeFile(path(c.source), c.bytes);
    std::vector<std::string> args = {c.source};
    args.insert(args.end(), c.output.begin(), c.output.end());
    const CliResult wrapped = wrap(args);
    ASSERT_EQ(wrapped.status, 0) << wrapped.err;
    EXPECT_EQ(wrapped.err, ""); // no progress when standard error is not a terminal
    ASSERT_TRUE(fs::exists(path(c.pff))) << wrapped.out;
    EXPECT_EQ(fs::file_size(path(c.pff)), c.bytes.size() + kWrapOverhead);

    const std::string fullPath = path(c.source).string();
    const CliResult info = run({"info", c.pff, "--json"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(jsonValue(info.out, "caption"), fullPath);
    EXPECT_EQ(jsonValue(info.out, "owner"), "Alice");
    EXPECT_EQ(jsonValue(info.out, "file_type"), c.fileType);
    EXPECT_EQ(jsonValue(info.out, "factor"), "462");
    EXPECT_EQ(jsonValue(info.out, "picture_size"), std::to_string(c.bytes.size()));
    for (const char* key : {"date", "time"})
        EXPECT_TRUE(jsonValue(info.out, key)) << key;
    EXPECT_NE(run({"info", c.pff}).out.find("Owner: Alice\n"), std::string::npos);

    const CliResult listed = run({"list", "."});
    EXPECT_EQ(listed.out, "./" + c.pff + "\t" + fullPath + "\n");

    const CliResult unwrapped = run({"unwrap", c.pff, "--output", "back"}, kViewerPw);
    ASSERT_EQ(unwrapped.status, 0) << unwrapped.err;
    EXPECT_EQ(readFile(path("back")), c.bytes);
    struct stat st {};
    ASSERT_EQ(::stat(path("back").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, CliRoundTripTest,
    ::testing::Values(
        RoundTrip{"BitmapWithRemainder",
                  "p.bmp",
                  bitmapBytes(48 + 1026 * 3 + 7),
                  {"--output-dir", "."},
                  "p.pff",
                  ".bmp"},
        RoundTrip{
            "SmallestJpeg", "tiny.JpG", jpegBytes(48), {"--output", "t.pff"}, "t.pff", ".JpG"},
        RoundTrip{"SeveralDots",
                  "holiday.2002.jpg",
                  jpegBytes(5000),
                  {"--output-dir", "."},
                  "holiday.pff",
                  ".jpg"},
        RoundTrip{
            "NoExtension", "photo", bitmapBytes(2000), {"--output", "x.pff"}, "x.pff", ".BMP"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(CliPhotoTest, RefusedCredentialsWriteNothing) {
    writeFile(path("p.bmp"), bitmapBytes(3000));
    for (const CliEnv& env : {CliEnv{{"PIXAMANTLER_OWNER_PASSWORD", "wrong"}},
                              CliEnv{{"PIXAMANTLER_OWNER_PASSWORD", "secret "}}}) {
        const CliResult r = wrap({"p.bmp", "--output-dir", "."}, env);
        EXPECT_EQ(r.status, 3);
        EXPECT_EQ(r.err, "Invalid owner's name or owner password\n");
    }
    EXPECT_EQ(names(), std::vector<std::string>{"p.bmp"});

    ASSERT_EQ(wrap({"p.bmp", "--output-dir", "."}).status, 0);
    writeFile(path("keep.bmp"), "old picture");
    for (const std::string wrong : {"LOOK", "look ", "loo", ""}) {
        const CliResult r = run({"unwrap", "p.pff", "--output", "keep.bmp"},
                                {{"PIXAMANTLER_VIEWER_PASSWORD", wrong}});
        EXPECT_EQ(r.status, 3) << wrong;
        EXPECT_EQ(r.err, "Invalid password\n");
    }
    EXPECT_EQ(readFile(path("keep.bmp")), "old picture");
    EXPECT_EQ(names(), (std::vector<std::string>{"keep.bmp", "p.bmp", "p.pff"}));
}

TEST_F(CliPhotoTest, RefusesAnyBadSourceBeforeWritingAnything) {
    writeFile(path("good.bmp"), bitmapBytes(500));
    writeFile(path("notes.bmp"), "plain text, not a picture");
    writeFile(path("good.jpg"), jpegBytes(500));
    const CliResult r =
        wrap({"good.bmp", "notes.bmp", "good.jpg", "missing.jpg", "--output-dir", "."});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(
        r.err.find(
            "notes.bmp is not a BMP, JPEG, PNG, GIF, TIFF, WebP, HEIC, AVIF or JPEG XL picture"),
        std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("would both be written to ./good.pff"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("error 53: File not found"), std::string::npos) << r.err;
    EXPECT_EQ(names(), (std::vector<std::string>{"good.bmp", "good.jpg", "notes.bmp"}));

    EXPECT_EQ(wrap({"good.bmp", "--output", "good.bmp"}).status, 1); // its own target
    EXPECT_EQ(readFile(path("good.bmp")), bitmapBytes(500));
}

TEST_F(CliPhotoTest, CaptionIsTrimmedLimitedOrMadeFromTheFullPath) {
    writeFile(path("p.bmp"), bitmapBytes(300));
    ASSERT_EQ(wrap({"--caption", "  Tea \"at\" 5\\6 pm  ", "p.bmp", "--output", "a.pff"}).status,
              0);
    const CliResult info = run({"info", "--json", "a.pff"});
    EXPECT_EQ(jsonValue(info.out, "caption"), "Tea \"at\" 5\\6 pm");
    const CliResult list = run({"list", "--json", "."});
    EXPECT_EQ(jsonValue(list.out, "caption"), "Tea \"at\" 5\\6 pm");
    EXPECT_EQ(jsonValue(list.out, "path"), "./a.pff");
    EXPECT_NE(run({"list", "."}).out.find("\tTea \"at\" 5\\6 pm\n"), std::string::npos);
    // A control character is refused rather than stored.
    const CliResult tab = wrap({"--caption", "Tea\tpm", "p.bmp", "--output", "t.pff"});
    EXPECT_EQ(tab.status, 1);
    EXPECT_NE(tab.err.find("control character at position 4"), std::string::npos) << tab.err;

    EXPECT_EQ(wrap({"--caption", std::string(64, 'c') + "  ", "p.bmp", "--output", "b.pff"}).status,
              0);
    const CliResult tooLong =
        wrap({"--caption", std::string(65, 'c'), "p.bmp", "--output", "c.pff"});
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_NE(tooLong.err.find("at most 64"), std::string::npos);

    const fs::path deep = path(std::string(40, 'd')) / std::string(40, 'e');
    fs::create_directories(deep);
    writeFile(deep / "picture.bmp", bitmapBytes(300));
    ASSERT_EQ(wrap({(deep / "picture.bmp").string(), "--output", "d.pff", "--type", ".PFF"}).status,
              0);
    const std::string full = (deep / "picture.bmp").string();
    const CliResult deepInfo = run({"info", "--json", "d.pff"});
    EXPECT_EQ(jsonValue(deepInfo.out, "caption"), "..." + full.substr(full.size() - 61));
    EXPECT_EQ(jsonValue(deepInfo.out, "file_type"), ".PFF");
}

TEST_F(CliPhotoTest, ListingReportsCorruptFilesAndGoesOn) {
    writeFile(path("p.jpg"), jpegBytes(2000));
    fs::create_directories(path("sub"));
    for (const char* target : {"a.pff", "c.PFF", "sub/d.pff"}) {
        ASSERT_EQ(wrap({"--caption", target, "p.jpg", "--output", target}).status, 0);
    }
    writeFile(path("b.pff"), std::string(200, 'x'));              // shorter than the trailer
    writeFile(path("bb.pff"), std::string(kMinimumPffSize, 'x')); // factor is not a number

    const CliResult r = run({"list", "."});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "./a.pff\ta.pff\n./c.PFF\tc.PFF\n");
    for (const char* bad : {"b.pff", "bb.pff"}) {
        EXPECT_NE(r.err.find(path(bad).string() + " is corrupted.\n\nDelete this file or move this "
                                                  "file to another folder so that yo will be able "
                                                  "to see the rest of the files."),
                  std::string::npos)
            << r.err;
    }
    const CliResult deep = run({"list", "--recursive", "--json", "."});
    EXPECT_EQ(deep.status, 1);
    EXPECT_EQ(deep.out, "[\n  {\"path\": \"./a.pff\", \"caption\": \"a.pff\"},\n"
                        "  {\"path\": \"./c.PFF\", \"caption\": \"c.PFF\"},\n"
                        "  {\"path\": \"./sub/d.pff\", \"caption\": \"sub/d.pff\"}\n]\n");
    fs::remove(path("b.pff"));
    fs::remove(path("bb.pff"));
    EXPECT_EQ(run({"list", "sub"}).status, 0);
    EXPECT_EQ(run({"list", "--json", "p.jpg.none"}).status, 1);
}

TEST_F(CliPhotoTest, ListingSaysWhyAFileOrFolderCouldNotBeReadAndFails) {
    writeFile(path("p.jpg"), jpegBytes(2000));
    ASSERT_EQ(wrap({"--caption", "top", "p.jpg", "--output", "a.pff"}).status, 0);
    const std::string bytes = readFile(path("a.pff"));
    // Listed from ".", the deepest folder's path is 4000 characters: "near.pff" in it can be
    // read, a file of 200 characters and a subfolder there pass the system's limit of 4095.
    const int levels = (4000 - 4) / 201;
    fs::path chain = pixatest::makeFolderChain(path(""), levels, 200);
    chain /=
        pixatest::makeFolderChain(path("") / chain, 1, 3998 - 201 * levels,
                                  {{"near.pff", bytes}, {std::string(196, 'x') + ".pff", bytes}});
    ASSERT_EQ(("." / chain).string().size(), 4000u);
    pixatest::makeFolderChain(path("") / chain, 1, 200, {{"lost.pff", bytes}});

    const CliResult r = run({"list", "--recursive", "."});
    pixatest::removeDeepTree(path("") / *chain.begin());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "./a.pff\ttop\n./" + chain.string() + "/near.pff\ttop\n");
    EXPECT_EQ(r.err.find("corrupted"), std::string::npos) << r.err;
    const std::string cause = "error 52: Bad file name or number: cannot ";
    EXPECT_NE(r.err.find(cause + "open ./" + chain.string() + "/" + std::string(196, 'x')),
              std::string::npos);
    EXPECT_NE(r.err.find(cause + "list ./" + chain.string() + "/" + std::string(200, 'd')),
              std::string::npos);
}

TEST_F(CliPhotoTest, DamagedTagIsShownAsFarAsItGoesWithAWarning) {
    writeFile(path("p.bmp"), bitmapBytes(300));
    ASSERT_EQ(wrap({"--caption", "abcdef", "p.bmp", "--output", "p.pff"}).status, 0);
    std::string bytes = readFile(path("p.pff"));
    bytes[kTagOffset + 3] = 10; // below the field shift of 42: no character
    writeFile(path("p.pff"), bytes);

    const CliResult info = run({"info", "--json", "p.pff"});
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(jsonValue(info.out, "caption"), "abc");
    EXPECT_EQ(info.err, "p.pff: The selected file seems to be corrupt\n");
    const CliResult list = run({"list", "."});
    EXPECT_EQ(list.out, "./p.pff\tabc\n");
    EXPECT_NE(list.err.find("The selected file seems to be corrupt"), std::string::npos);
}

TEST_F(CliPhotoTest, AFileSizeLimitIsReportedAsDiskFullAndLeavesNoFile) {
    writeFile(path("big.jpg"), jpegBytes(300000));
    const CliResult r =
        run({"wrap", "--owner", "Alice", "big.jpg", "--output-dir", "."}, kOwnerPw, 100000);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error 61: Disk full"), std::string::npos) << r.err;
    EXPECT_EQ(names(), std::vector<std::string>{"big.jpg"});
}

} // namespace
} // namespace pixa

namespace pixa {
namespace {

// What makes info refuse a wrapped photo; list must refuse the same files.
struct Refused {
    const char* label;
    std::string (*damage)(std::string bytes); // the good file's bytes, damaged
    int infoStatus;
};

void PrintTo(const Refused& c, std::ostream* os) {
    *os << c.label;
}

class CliListRefusalTest : public CliPhotoTest, public ::testing::WithParamInterface<Refused> {};

TEST_P(CliListRefusalTest, ListRefusesWhatInfoRefusesAndMarksItInTheJson) {
    const Refused& c = GetParam();
    writeFile(path("p.bmp"), bitmapBytes(3000));
    fs::create_directories(path("f"));
    ASSERT_EQ(wrap({"--caption", "Sea", "p.bmp", "--output", "f/p.pff"}).status, 0);
    writeFile(path("f/p.pff"), c.damage(readFile(path("f/p.pff"))));

    EXPECT_EQ(run({"info", "f/p.pff"}).status, c.infoStatus);
    const CliResult text = run({"list", "f"});
    const CliResult json = run({"list", "--json", "f"});
    EXPECT_EQ(text.status, c.infoStatus) << text.err;
    EXPECT_EQ(json.status, c.infoStatus) << json.err;
    EXPECT_EQ(text.out.empty(), c.infoStatus != 0) << text.out;
    const auto refused = jsonValue(json.out, "refused");
    EXPECT_EQ(refused.has_value(), c.infoStatus != 0) << json.out;
    if (refused) {
        EXPECT_NE(text.err.find(*refused), std::string::npos) << text.err;
    }
    EXPECT_EQ(jsonValue(json.out, "path"), "f/p.pff");
}

INSTANTIATE_TEST_SUITE_P(Damages, CliListRefusalTest,
                         ::testing::Values(Refused{"whole", [](std::string b) { return b; }, 0},
                                           Refused{"factor 9999",
                                                   [](std::string b) {
                                                       // The stored trailer begins with the factor,
                                                       // complemented.
                                                       b.replace(b.size() - kTrailerSize, 4,
                                                                 std::string(4, '\xC6'));
                                                       return b;
                                                   },
                                                   1},
                                           Refused{"type without a character",
                                                   [](std::string b) {
                                                       b[kFileTypeOffset] =
                                                           10; // below the field shift of 42
                                                       return b;
                                                   },
                                                   1},
                                           Refused{"no room for a picture",
                                                   [](std::string b) {
                                                       return b.substr(0, 600 - kTrailerSize) +
                                                              b.substr(b.size() - kTrailerSize);
                                                   },
                                                   1}),
                         [](const auto& info) {
                             std::string name = info.param.label;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });

TEST_F(CliPhotoTest, JsonPathsKeepNamesThatAreNotUtf8) {
    writeFile(path("p.bmp"), bitmapBytes(300));
    fs::create_directories(path("f"));
    // Two names that differ only in bytes that are not UTF-8, and one that is.
    for (const std::string name : {"f/\xFF.pff", "f/\xFE.pff", "f/\xC3\xA9t\xC3\xA9.pff"})
        ASSERT_EQ(wrap({"--caption", "x", "p.bmp", "--output", name}).status, 0);
    const CliResult r = run({"list", "--json", "f"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "[\n"
                     "  {\"path\": \"f/\xC3\xA9t\xC3\xA9.pff\", \"caption\": \"x\"},\n"
                     "  {\"path\": \"f/\\ufffd.pff\", \"path_bytes\": \"662ffe2e706666\", "
                     "\"caption\": \"x\"},\n"
                     "  {\"path\": \"f/\\ufffd.pff\", \"path_bytes\": \"662fff2e706666\", "
                     "\"caption\": \"x\"}\n"
                     "]\n");
}

TEST_F(CliPhotoTest, ATypeLongerThanItsFieldIsRefusedOrSaidToBeCut) {
    writeFile(path("p.jpeg"), jpegBytes(2000));
    const CliResult refused = wrap({"--type", ".JPEG", "p.jpeg", "--output", "a.pff"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              "The file type \".JPEG\" holds 5 characters; at most 4 can be stored.\n");
    EXPECT_FALSE(fs::exists(path("a.pff")));
    const CliResult cut = wrap({"p.jpeg", "--output", "b.pff"});
    EXPECT_EQ(cut.status, 0) << cut.err;
    EXPECT_EQ(cut.err, "p.jpeg: its type is stored as \".jpe\", the first 4 characters of "
                       "\".jpeg\"\n");
}

} // namespace
} // namespace pixa
