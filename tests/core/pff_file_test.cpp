#include "core/error.h"
#include "core/field_codec.h"
#include "core/pff_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace pixa;
using namespace pixatest;

namespace {

std::string spaces(size_t n) {
    return std::string(n, ' ');
}

// The plain trailer of a .pff file's bytes: the last 343, reversed and complemented.
std::string plainTrailer(const std::string& pff) {
    std::string t(pff.rbegin(), pff.rbegin() + 343);
    for (char& c : t)
        c = static_cast<char>(255 - static_cast<unsigned char>(c));
    return t;
}

struct Calls {
    std::vector<uint64_t> blocks;
    uint64_t lastCount = 0;
    Progress progress() {
        return [this](uint64_t block, uint64_t count) {
            blocks.push_back(block);
            lastCount = count;
        };
    }
};

class PffTest : public TempDirTest {
protected:
    CurrentOwner ann = makeOwner("ann", "ownerpw", "viewpw", 2, 3); // F 5, factor 55
    CurrentOwner zero = makeOwner("zed", "pw", "vw", 0, 0);         // factor 0
    CurrentOwner big = makeOwner("bob", "pw", "bobview", 59, 59);   // factor 1298
    FixedClock clock{14, 5, 9};

    // Writes `picture` as a source and wraps it into dir/`name`.
    fs::path wrap(const std::string& picture, const std::string& name = "photo.pff",
                  const CurrentOwner* owner = nullptr, std::string tag = "My caption",
                  std::string type = ".JPG", const Progress& progress = {}) {
        const fs::path source = dir / "source.jpg";
        writeBytes(source, picture);
        WrapRequest request{source,          dir / name,           std::move(tag),
                            std::move(type), owner ? *owner : ann, &clock};
        encrypt_pff_file(request, progress);
        return dir / name;
    }
    std::string unwrap(const fs::path& pff, const Progress& progress = {}) {
        const fs::path out = dir / "unwrapped.bmp";
        PffReader(pff).unwrapTo(out, progress);
        return readBytes(out);
    }
};

} // namespace

TEST_F(PffTest, PictureOf48BytesGivesA706ByteFileWithAnEmptyBody) {
    const std::string picture = pictureBytes(48);
    Calls calls;
    const auto pff = wrap(picture, "photo.pff", &ann, "My caption", ".JPG", calls.progress());
    const std::string bytes = readBytes(pff);
    ASSERT_EQ(bytes.size(), 706u);
    EXPECT_TRUE(calls.blocks.empty());
    EXPECT_EQ(plainTrailer(bytes).substr(0, 48), picture);
    EXPECT_EQ(PffReader(pff).info().pictureSize(), 48);
    EXPECT_EQ(unwrap(pff, calls.progress()), picture);
    EXPECT_TRUE(calls.blocks.empty());
}

TEST_F(PffTest, RoundTripsByteForByteWithOneProgressStepPerBlock) {
    for (size_t blocks : {0u, 1u, 3u, 1030u}) {
        for (size_t rest : {0u, 1u, 1025u}) {
            SCOPED_TRACE(testing::Message() << blocks << " blocks + " << rest);
            const std::string picture = pictureBytes(48 + 1026 * blocks + rest, blocks + rest);
            Calls written, read;
            const auto pff = wrap(picture, "photo.pff", &ann, "t", ".BMP", written.progress());
            EXPECT_EQ(fs::file_size(pff), picture.size() + 658);
            EXPECT_EQ(unwrap(pff, read.progress()), picture);
            std::vector<uint64_t> expected(blocks);
            for (size_t i = 0; i < blocks; ++i)
                expected[i] = i + 1;
            EXPECT_EQ(written.blocks, expected);
            EXPECT_EQ(read.blocks, expected);
            EXPECT_EQ(written.lastCount, blocks);
            EXPECT_EQ(read.lastCount, blocks);
        }
    }
}

TEST_F(PffTest, BodyBlocksAreInterleavedHalvesAndTheRemainderIsCopied) {
    const std::string picture = pictureBytes(48 + 2 * 1026 + 5);
    const std::string src = picture.substr(48);
    const std::string body = readBytes(wrap(picture)).substr(363, src.size());
    for (size_t i = 0; i < 513; ++i) {
        ASSERT_EQ(body[2 * i], src[i]) << i;
        ASSERT_EQ(body[2 * i + 1], src[513 + i]) << i;
    }
    EXPECT_EQ(body[1026], src[1026]);
    EXPECT_EQ(body[1027], src[1539]);
    EXPECT_EQ(body[2051], src[2051]);
    EXPECT_EQ(body.substr(2052), src.substr(2052));
}

TEST_F(PffTest, TrailerLayoutWithFactorZero) {
    const std::string picture = pictureBytes(500);
    const std::string bytes = readBytes(wrap(picture, "photo.pff", &zero));
    const std::string stored = bytes.substr(bytes.size() - 343);
    EXPECT_EQ(stored.substr(0, 4), "\xCF\xCF\xCF\xCF"); // 207: the complement of "0"
    const std::string t = plainTrailer(bytes);
    EXPECT_EQ(t.substr(0, 48), picture.substr(0, 48));
    EXPECT_EQ(t.substr(48, 20), "zed" + spaces(17));
    EXPECT_EQ(t.substr(68, 8), "pw      ");
    EXPECT_EQ(t.substr(76, 8), "vw      ");
    EXPECT_EQ(t.substr(84, 255), "photo.pff" + spaces(246));
    EXPECT_EQ(t.substr(339), "0000");
}

TEST_F(PffTest, TrailerLayoutWithTheLargestFactor) {
    const std::string bytes = readBytes(wrap(pictureBytes(100), "Photo 1.pff", &big));
    const std::string t = plainTrailer(bytes);
    EXPECT_EQ(t.substr(48, 20), big.gbl_encr_name);
    EXPECT_EQ(t.substr(68, 8), big.gbl_encr_owner_pass);
    EXPECT_EQ(t.substr(76, 8), big.gbl_encr_viewer_pass);
    // The file name is scrambled, its padding is not.
    EXPECT_EQ(t.substr(84, 255), scrambleField("Photo 1.pff", 1298) + spaces(244));
    EXPECT_EQ(t.substr(339), "1298");
    const PffInfo info = PffReader(dir / "Photo 1.pff").info();
    EXPECT_EQ(info.file_mul_fact, 1298);
    EXPECT_EQ(info.factorText, "1298");
    EXPECT_EQ(info.ownerName(), "bob" + spaces(17));
    EXPECT_EQ(info.file_owner_pass, big.gbl_encr_owner_pass);
    EXPECT_EQ(info.fileNameField, t.substr(84, 255));
}

TEST_F(PffTest, PreambleIs276ReadableBytesNamingTheOwner) {
    const std::string preamble = readBytes(wrap(pictureBytes(48))).substr(0, 276);
    const std::string start = "PFF FILE. This is a password protected photo. The owner is ";
    ASSERT_EQ(start.size(), 59u);
    EXPECT_EQ(preamble.substr(0, 59), start);
    EXPECT_EQ(preamble.substr(59, 22), "ann" + spaces(17) + ". ");
    EXPECT_EQ(preamble.substr(81, 102),
              "You require viewer's password to view this photo. To view the photo you require "
              "PIXAMANTLER software. ");
    EXPECT_EQ(preamble.substr(183, 58),
              "If you do not have it, you may download a trial copy from ");
    EXPECT_EQ(preamble.substr(270, 6), " now.\x1A"); // the address is 241..269, 29 characters
    EXPECT_EQ(preamble.find(' ', 241), 270u);
    EXPECT_EQ(buildPreamble("ann"), preamble);
}

TEST_F(PffTest, FieldsAreScrambledPaddedAndReadBack) {
    const std::string bytes = readBytes(wrap(pictureBytes(60), "photo.pff", &ann, "My caption"));
    EXPECT_EQ(bytes.substr(276, 64), encrypt_tag("My caption" + spaces(54), 55));
    EXPECT_EQ(bytes.substr(340, 4), encrypt_file_type(".JPG", 55));
    EXPECT_EQ(bytes.substr(344, 8), encrypt_date("12/08/26", 55));
    EXPECT_EQ(bytes.substr(352, 11), encrypt_time("02:05:09 PM", 55));
    const PffInfo info = PffReader(dir / "photo.pff").info();
    EXPECT_EQ(info.tag, "My caption" + spaces(54));
    EXPECT_TRUE(info.tagComplete);
    EXPECT_EQ(info.fileType, ".JPG");
    EXPECT_EQ(info.date, "12/08/26");
    EXPECT_EQ(info.time, "02:05:09 PM");
    EXPECT_EQ(info.file_mul_fact, 55);
    EXPECT_EQ(info.fileSize, 60u + 658);

    // A short type is padded with plain spaces after scrambling, which the reader takes as
    // padding; a long one is cut.
    const std::string shortType = readBytes(wrap(pictureBytes(60), "a.pff", &ann, "", ".BM"));
    EXPECT_EQ(shortType.substr(340, 4), encrypt_file_type(".BM", 55) + " ");
    EXPECT_EQ(PffReader(dir / "a.pff").info().fileType, ".BM ");
    wrap(pictureBytes(60), "b.pff", &ann, std::string(64, 'x'), ".JPEG");
    EXPECT_EQ(PffReader(dir / "b.pff").info().fileType, ".JPE");
    EXPECT_EQ(PffReader(dir / "b.pff").info().tag, std::string(64, 'x'));
}

TEST_F(PffTest, DateAndTimeTexts) {
    EXPECT_EQ(dateText(FixedClock(0, 0, 0).localNow()), "12/08/26");
    EXPECT_EQ(timeText(FixedClock(0, 0, 0).localNow()), "12:00:00 AM");
    EXPECT_EQ(timeText(FixedClock(12, 0, 1).localNow()), "12:00:01 PM");
    EXPECT_EQ(timeText(FixedClock(23, 59, 59).localNow()), "11:59:59 PM");
}

TEST_F(PffTest, WriterRefusals) {
    EXPECT_EQ(failureNumber([&] { wrap(pictureBytes(60), "t.pff", &ann, std::string(65, 'x')); }),
              5);
    EXPECT_EQ(failureNumber([&] { wrap(pictureBytes(60), "t.pff", &big, "Caf\xE9"); }), 5);
    EXPECT_EQ(failureNumber([&] { wrap(pictureBytes(60), "t.pff", &big, "", ".\xE9"); }), 5);
    const CurrentOwner nobody;
    EXPECT_EQ(failureNumber([&] { wrap(pictureBytes(60), "t.pff", &nobody); }), 5);
    EXPECT_EQ(failureNumber([&] {
                  encrypt_pff_file({dir / "missing.jpg", dir / "t.pff", "", ".JPG", ann, &clock});
              }),
              53);
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"source.jpg"});
}

TEST_F(PffTest, OverwritingALongerFileLeavesNoOldBytes) {
    const fs::path pff = wrap(pictureBytes(20000, 7));
    wrap(pictureBytes(300, 8));
    fs::create_directory(dir / "fresh");
    WrapRequest request{
        dir / "source.jpg", dir / "fresh" / "photo.pff", "My caption", ".JPG", ann, &clock};
    encrypt_pff_file(request);
    EXPECT_EQ(readBytes(pff), readBytes(dir / "fresh" / "photo.pff"));
    EXPECT_EQ(fs::file_size(pff), 958u);
}

TEST_F(PffTest, ReaderFailureNumbers) {
    EXPECT_EQ(failureNumber([&] { PffReader(dir / "missing.pff"); }), 53);
    const std::string good = readBytes(wrap(pictureBytes(100), "good.pff", &big));
    auto numberFor = [&](const std::string& bytes) {
        writeBytes(dir / "bad.pff", bytes);
        return failureNumber([&] { PffReader(dir / "bad.pff"); });
    };
    EXPECT_EQ(numberFor(good.substr(0, 362)), 62);
    EXPECT_EQ(numberFor(std::string(100, '\0')), 62);
    EXPECT_EQ(numberFor(std::string(400, '\0')), 13); // long enough; factor "\xFF..." no number
    std::string badFactor = good;
    badFactor[good.size() - 343 + 1] = static_cast<char>(255 - 'x');
    EXPECT_EQ(numberFor(badFactor), 13);
    EXPECT_EQ(failureNumber([&] { readCaption(dir / "bad.pff"); }), 13);
    for (size_t offset : {340u, 344u, 352u, 362u}) { // type, date, time
        std::string bad = good;
        bad[offset] = '\x01';
        EXPECT_EQ(numberFor(bad), 5) << offset;
    }
}

TEST_F(PffTest, TagThatDoesNotUnscrambleGivesThePartialTag) {
    std::string bytes = readBytes(wrap(pictureBytes(100), "photo.pff", &big, "My caption"));
    bytes[276 + 3] = '\x01';
    writeBytes(dir / "photo.pff", bytes);
    const PffReader reader(dir / "photo.pff");
    EXPECT_FALSE(reader.info().tagComplete);
    EXPECT_EQ(reader.info().tag, "My ");
    EXPECT_EQ(unwrap(dir / "photo.pff"), pictureBytes(100)); // the reader carries on
    const CaptionResult caption = readCaption(dir / "photo.pff");
    EXPECT_FALSE(caption.complete);
    EXPECT_EQ(caption.caption, "My ");
}

TEST_F(PffTest, FileTooShortForABodyFailsAtUnwrap) {
    const std::string header = readBytes(wrap(pictureBytes(48), "photo.pff", &zero)).substr(0, 363);
    for (size_t length : {363u, 500u, 705u}) {
        std::string bytes = header + std::string(length - 363, 'x');
        bytes.replace(length - 343, 4, "\xCF\xCF\xCF\xCF"); // factor "0000"
        writeBytes(dir / "short.pff", bytes);
        const PffReader reader(dir / "short.pff");
        EXPECT_EQ(reader.info().pictureSize(), static_cast<int64_t>(length) - 658);
        EXPECT_EQ(failureNumber([&] { reader.unwrapTo(dir / "out.bmp"); }), 62) << length;
        EXPECT_FALSE(fs::exists(dir / "out.bmp"));
    }
    EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"photo.pff", "short.pff", "source.jpg"}));
}

TEST_F(PffTest, ReadCaptionReadsOnlyTheTagAndTheFactor) {
    wrap(pictureBytes(5000), "photo.pff", &ann, "Holiday");
    const CaptionResult caption = readCaption(dir / "photo.pff");
    EXPECT_TRUE(caption.complete);
    EXPECT_EQ(caption.caption, "Holiday" + spaces(57));
    EXPECT_EQ(caption.file_mul_fact, 55);
    EXPECT_EQ(failureNumber([&] { readCaption(dir / "missing.pff"); }), 53);
    std::string tiny(343, '\0');
    tiny.replace(0, 4, "\xCF\xCF\xCF\xCF");
    tiny.replace(276, 64, "hello" + spaces(59));
    writeBytes(dir / "tiny.pff", tiny);
    EXPECT_EQ(readCaption(dir / "tiny.pff").caption, "hello" + spaces(59));
    writeBytes(dir / "tiny.pff", tiny.substr(0, 342));
    EXPECT_EQ(failureNumber([&] { readCaption(dir / "tiny.pff"); }), 62);
}

TEST_F(PffTest, ListsPffFilesByNameWhateverTheCaseOfTheExtension) {
    fs::create_directories(dir / "sub" / "deeper.pff");
    for (const char* name : {"b.pff", "a.PFF", "c.Pff", "d.txt", "pff", "sub/e.pff"})
        writeBytes(dir / name, "x");
    EXPECT_EQ(listPffFiles(dir),
              (std::vector<fs::path>{dir / "a.PFF", dir / "b.pff", dir / "c.Pff"}));
    EXPECT_EQ(listPffFiles(dir, true), (std::vector<fs::path>{dir / "a.PFF", dir / "b.pff",
                                                              dir / "c.Pff", dir / "sub/e.pff"}));
    EXPECT_THROW(listPffFiles(dir / "missing"), Failure);
}

TEST_F(PffTest, PictureWrappedAgainByAnotherOwnerCarriesTheNewOwner) {
    const std::string picture = pictureBytes(48 + 1026 * 2 + 9);
    const fs::path first = wrap(picture, "first.pff", &ann);
    PffReader(first).unwrapTo(dir / "~~tmp.bmp");
    FixedClock later(9, 30, 0);
    encrypt_pff_file({dir / "~~tmp.bmp", dir / "second.pff", "again", ".PFF", big, &later});
    const PffInfo info = PffReader(dir / "second.pff").info();
    EXPECT_EQ(info.ownerName(), "bob" + spaces(17));
    EXPECT_EQ(info.file_owner_name, big.gbl_encr_name);
    EXPECT_EQ(info.file_viewer_pass, big.gbl_encr_viewer_pass);
    EXPECT_EQ(info.file_mul_fact, 1298);
    EXPECT_EQ(info.fileType, ".PFF");
    EXPECT_EQ(info.time, "09:30:00 AM");
    EXPECT_TRUE(info.viewerPasswordMatches(padField("bobview", 8)));
    EXPECT_FALSE(info.viewerPasswordMatches(padField("Bobview", 8)));
    EXPECT_FALSE(info.viewerPasswordMatches(padField("bobview ", 8))); // 9 characters
    EXPECT_FALSE(info.viewerPasswordMatches(padField("viewpw", 8)));   // the old owner's
    EXPECT_EQ(unwrap(dir / "second.pff"), picture);
}

TEST(TagFromPath, KeepsShortPathsAndTheEndOfLongOnes) {
    const std::string exact(64, 'p');
    EXPECT_EQ(tagFromPath(exact), exact);
    EXPECT_EQ(tagFromPath(""), "");
    const std::string longPath = "/home/user/" + std::string(60, 'd') + "/IMG_0001.JPG";
    const std::string tag = tagFromPath(longPath);
    EXPECT_EQ(tag.size(), 64u);
    EXPECT_EQ(tag, "..." + longPath.substr(longPath.size() - 61));
    EXPECT_EQ(tagFromPath(std::string(65, 'p')), "..." + std::string(61, 'p'));
}
