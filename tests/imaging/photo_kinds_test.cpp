// Each photo kind beside BMP and JPEG wrapped and unwrapped by the tool byte for byte, with the
// type its name gives, and the unwrapped file opened by the loader, upright.
#include "cli_harness.h"
#include "photo_samples.h"
#include "imaging/picture_decode.h"

#include <QImage>

#include <gtest/gtest.h>

#include <functional>

namespace pixa {
namespace {

const CliEnv kOwnerPw = {{"PIXAMANTLER_OWNER_PASSWORD", "secret"}};
const CliEnv kViewerPw = {{"PIXAMANTLER_VIEWER_PASSWORD", "look"}};

struct PhotoKind {
    const char* label;
    std::string name; // the source's file name
    std::function<QByteArray()> make;
    std::string fileType; // as stored
    QSize upright;
    bool redTopLeft, redBottomRight; // red, else blue, a quarter of the way in from each corner
};

void PrintTo(const PhotoKind& c, std::ostream* os) {
    *os << c.label;
}

void expectShown(const QImage& shown, QSize size, const PhotoKind& c) {
    ASSERT_EQ(shown.size(), size);
    const QRgb topLeft = shown.pixel(size.width() / 4, size.height() / 4);
    const QRgb bottomRight = shown.pixel(3 * size.width() / 4, 3 * size.height() / 4);
    EXPECT_EQ(qRed(topLeft) > qBlue(topLeft) + 100, c.redTopLeft) << std::hex << topLeft;
    EXPECT_EQ(qRed(bottomRight) > qBlue(bottomRight) + 100, c.redBottomRight) << bottomRight;
}

class PhotoKindTest : public CliTest, public ::testing::WithParamInterface<PhotoKind> {
protected:
    void SetUp() override {
        CliTest::SetUp();
        storeOwner("Alice", "secret", "look", 12, 30);
    }
};

TEST_P(PhotoKindTest, WrapsUnwrapsByteForByteAndOpensUpright) {
    const PhotoKind& c = GetParam();
    const QByteArray made = c.make();
    if (made.isEmpty()) GTEST_SKIP() << "libheif has no encoder of this kind here";
    const std::string bytes(made.constData(), size_t(made.size()));
    writeFile(path(c.name), bytes);

    const CliResult wrapped =
        run({"wrap", "--owner", "Alice", c.name, "--output-dir", "."}, kOwnerPw);
    ASSERT_EQ(wrapped.status, 0) << wrapped.err;
    const std::string pff = c.name.substr(0, c.name.find('.')) + ".pff";
    const CliResult info = run({"info", pff, "--json"});
    EXPECT_EQ(jsonValue(info.out, "file_type"), c.fileType);
    const CliResult unwrapped = run({"unwrap", pff, "--output", "back"}, kViewerPw);
    ASSERT_EQ(unwrapped.status, 0) << unwrapped.err;
    ASSERT_EQ(readFile(path("back")), bytes);

    const QString back = QString::fromStdString(path("back").string());
    expectShown(loadPicture(back), c.upright, c);
}

using pixatest::halves;
using pixatest::written;
const auto kTurned = QImageIOHandler::TransformationRotate90;

INSTANTIATE_TEST_SUITE_P(
    Kinds, PhotoKindTest,
    ::testing::Values(
        PhotoKind{"PngTurnedByExif", "turned.png",
                  [] { return pixatest::pngWithExif(written(halves(), "png"), 6); }, ".png",
                  QSize(48, 64), true, false},
        PhotoKind{"WebPTurnedByExif", "turned.webp",
                  [] { return pixatest::webpOnCanvas(written(halves(), "webp"), 64, 48, 8); },
                  ".web", QSize(48, 64), false, true},
        PhotoKind{"TiffTurned", "scan.tiff", [] { return written(halves(), "tiff", kTurned); },
                  ".tif", QSize(48, 64), true, false},
        PhotoKind{"GifFirstFrame", "moving.gif", [] { return pixatest::gif(40, 30, {1, 2}); },
                  ".gif", QSize(40, 30), true, true},
        // Its picture decoded, not the thumbnail it carries.
        PhotoKind{"HeicTurnedWithThumbnail", "IMG_0001.HEIC",
                  [] { return pixatest::heic(halves(), heif_orientation_rotate_90_cw, 32); },
                  ".HEI", QSize(48, 64), true, false},
        PhotoKind{"HeifWithoutExtension", "photo",
                  [] { return pixatest::heic(halves(), heif_orientation_normal); }, ".HEI",
                  QSize(64, 48), true, false},
        PhotoKind{"AvifTurned", "IMG_0002.avif",
                  [] { return pixatest::avif(halves(), heif_orientation_rotate_90_cw); }, ".avi",
                  QSize(48, 64), true, false},
        PhotoKind{"AvifWithoutExtension", "avif",
                  [] { return pixatest::avif(halves(), heif_orientation_normal); }, ".AVI",
                  QSize(64, 48), true, false},
        PhotoKind{"JpegXlTurned", "turned.jxl", [] { return pixatest::jxl(halves(), 6); }, ".jxl",
                  QSize(48, 64), true, false},
        PhotoKind{"JpegXlContainerWithoutExtension", "jxl",
                  [] { return pixatest::jxl(halves(), 1, true); }, ".JXL", QSize(64, 48), true,
                  false}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace pixa
