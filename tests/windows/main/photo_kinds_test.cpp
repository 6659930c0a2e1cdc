// Each photo kind beside BMP and JPEG wrapped and unwrapped by the tool byte for byte, with the
// type its name gives, and the unwrapped file opened by the main window's loader, upright.
#include "cli_harness.h"
#include "photo_samples.h"
#include "windows/main/picture_loader.h"

#include <QCoreApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <functional>

namespace pixa {
namespace {

const CliEnv kOwnerPw = {{"PIXAMANTLER_OWNER_PASSWORD", "secret"}};
const CliEnv kViewerPw = {{"PIXAMANTLER_VIEWER_PASSWORD", "look"}};

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kBlue = 0xFF0000FF;

// Left half red, right half blue: a turn shows as red on top.
QImage halves() {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(kBlue);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 32; ++x)
            image.setPixel(x, y, kRed);
    return image;
}

struct PhotoKind {
    const char* label;
    std::string name; // the source's file name
    std::function<QByteArray()> make;
    std::string fileType; // as stored
    QSize upright;
    QRgb nearTopLeft, nearBottomRight; // at a quarter of the way in from each corner
};

void PrintTo(const PhotoKind& c, std::ostream* os) {
    *os << c.label;
}

bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) < 64 && std::abs(qGreen(a) - qGreen(b)) < 64 &&
           std::abs(qBlue(a) - qBlue(b)) < 64;
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
    if (made.isEmpty()) GTEST_SKIP() << "this libheif has no HEVC encoder";
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

    const QImage shown = ui::loadPicture(QString::fromStdString(path("back").string()));
    ASSERT_EQ(shown.size(), c.upright);
    const int w = shown.width(), h = shown.height();
    EXPECT_TRUE(near(shown.pixel(w / 4, h / 4), c.nearTopLeft))
        << std::hex << shown.pixel(w / 4, h / 4);
    EXPECT_TRUE(near(shown.pixel(3 * w / 4, 3 * h / 4), c.nearBottomRight))
        << std::hex << shown.pixel(3 * w / 4, 3 * h / 4);
}

using pixatest::written;
const auto kTurned = QImageIOHandler::TransformationRotate90;

INSTANTIATE_TEST_SUITE_P(
    Kinds, PhotoKindTest,
    ::testing::Values(
        PhotoKind{"Png", "shot.png", [] { return written(halves(), "png"); }, ".png", QSize(64, 48),
                  kRed, kBlue},
        PhotoKind{"PngTurnedByExif", "turned.png",
                  [] { return pixatest::pngWithExif(written(halves(), "png"), 6); }, ".png",
                  QSize(48, 64), kRed, kBlue},
        PhotoKind{"WebPTurnedByExif", "turned.webp",
                  [] { return pixatest::webpWithExif(written(halves(), "webp"), 64, 48, 8); },
                  ".web", QSize(48, 64), kBlue, kRed},
        PhotoKind{"TiffTurned", "scan.tiff", [] { return written(halves(), "tiff", kTurned); },
                  ".tif", QSize(48, 64), kRed, kBlue},
        PhotoKind{"WebP", "saved.webp", [] { return written(halves(), "webp"); }, ".web",
                  QSize(64, 48), kRed, kBlue},
        PhotoKind{"GifFirstFrame", "moving.gif",
                  [] {
                      return pixatest::gif(40, 30, {1, 2});
                  },
                  ".gif", QSize(40, 30), kRed, kRed},
        PhotoKind{"HeicTurned", "IMG_0001.HEIC",
                  [] { return pixatest::heic(halves(), heif_orientation_rotate_90_cw); }, ".HEI",
                  QSize(48, 64), kRed, kBlue},
        PhotoKind{"HeifWithoutExtension", "photo",
                  [] { return pixatest::heic(halves(), heif_orientation_normal); }, ".HEI",
                  QSize(64, 48), kRed, kBlue}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace pixa

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
