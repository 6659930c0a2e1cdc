// Thumbnails of every kind with a reduced decode, and of one without: upright, fitted into the
// box, from the EXIF thumbnail only when it covers the box, and refused as loadPicture() refuses.
#include "exif_thumbnail_samples.h"
#include "imaging/thumbnail_decode.h"
#include "photo_samples.h"

#include "core/error.h"

#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace pixa {
namespace {

using pixatest::jpegOf;
using pixatest::ThumbnailPlace;
using pixatest::withExifThumbnail;

enum Corner { TopLeft, TopRight, BottomLeft, BottomRight };

// `body` with a red top-left quarter: the quarter shows where a turn took it, the body which of a
// photo's pictures was decoded.
QImage marked(QSize size, Qt::GlobalColor body) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(body);
    QPainter(&image).fillRect(0, 0, size.width() / 2, size.height() / 2, Qt::red);
    return image;
}

const QSize kPhoto(640, 480);

// A camera's JPEG: a green photo and, unless `thumbnail` is empty, a blue EXIF thumbnail.
QByteArray cameraJpeg(int orientation, QSize thumbnail = QSize(160, 120),
                      std::optional<ThumbnailPlace> place = std::nullopt) {
    const QByteArray small =
        thumbnail.isEmpty() ? QByteArray() : jpegOf(marked(thumbnail, Qt::blue));
    return withExifThumbnail(jpegOf(marked(kPhoto, Qt::green)), orientation, small, place);
}

struct Case {
    const char* label;
    QByteArray (*make)();
    int edge;
    QSize size; // the thumbnail's, or empty for a refusal
    Qt::GlobalColor body;
    Corner red = TopLeft;
    int refusal = 0;
};

Case refused(const char* label, QByteArray (*make)(), int edge, int number) {
    return {label, make, edge, {}, Qt::black, TopLeft, number};
}

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.label;
}

Qt::GlobalColor colourAt(const QImage& image, QPoint at) {
    const QRgb p = image.pixel(at);
    if (qRed(p) > 160 && qGreen(p) < 100 && qBlue(p) < 100) return Qt::red;
    if (qGreen(p) > 100 && qRed(p) < 100 && qBlue(p) < 100) return Qt::green;
    if (qBlue(p) > 160 && qRed(p) < 100 && qGreen(p) < 100) return Qt::blue;
    return Qt::black;
}

class ThumbnailTest : public ::testing::TestWithParam<Case> {};

TEST_P(ThumbnailTest, IsUprightFittedAndFromThePictureThatCoversTheBox) {
    const Case& c = GetParam();
    const QByteArray bytes = c.make();
    if (bytes.isEmpty()) GTEST_SKIP() << "libheif has no encoder of this kind here";
    if (c.size.isEmpty()) {
        try {
            decodeThumbnail(bytes, c.edge);
            FAIL() << "decoded";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), c.refusal) << failure.what();
        }
        return;
    }
    const QImage shown = decodeThumbnail(bytes, c.edge);
    ASSERT_EQ(shown.size(), c.size);
    EXPECT_TRUE(shown.format() == QImage::Format_RGB32 ||
                shown.format() == QImage::Format_ARGB32_Premultiplied);
    if (c.size.height() < 4) return;
    const int w = c.size.width(), h = c.size.height();
    const QPoint quarters[] = {
        {w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
    for (int corner = TopLeft; corner <= BottomRight; ++corner) {
        EXPECT_EQ(colourAt(shown, quarters[corner]), corner == c.red ? Qt::red : c.body)
            << "at quarter " << corner;
    }
}

QByteArray withThumbnail() {
    return cameraJpeg(1);
}
QByteArray turnedWithThumbnail() {
    return cameraJpeg(6);
}
QByteArray turnedWithout() {
    return cameraJpeg(6, {});
}
QByteArray smallerThanTheBox() {
    return jpegOf(marked({80, 60}, Qt::green));
}
QByteArray turnedPng() {
    return pixatest::pngWithExif(pixatest::written(marked(kPhoto, Qt::green), "png"), 6);
}
QByteArray longThinPng() {
    return pixatest::written(marked({400, 2}, Qt::green), "png");
}
QByteArray turnedWebp() {
    const QByteArray webp = pixatest::written(marked(kPhoto, Qt::green), "webp");
    return pixatest::webpOnCanvas(webp, kPhoto.width(), kPhoto.height(), 8);
}
QByteArray turnedHeic() {
    return pixatest::heic(marked(kPhoto, Qt::green), heif_orientation_rotate_90_cw, 160);
}
QByteArray thumbnailOffsetWraps() {
    return cameraJpeg(1, {160, 120}, ThumbnailPlace{0xFFFFFFF0, 0x20});
}
QByteArray thumbnailLengthPastTheEnd() {
    return cameraJpeg(1, {160, 120}, ThumbnailPlace{pixatest::kExifThumbnailAt, 0x7FFFFFFF});
}
QByteArray thumbnailCutShort() {
    const QByteArray cut = jpegOf(marked({160, 120}, Qt::blue)).chopped(300);
    return withExifThumbnail(jpegOf(marked(kPhoto, Qt::green)), 1, cut);
}
QByteArray cutShortWithWholeThumbnail() {
    return cameraJpeg(1).chopped(400);
}

// A JPEG whose scan has a run of bytes flipped: every marker in place, the coded data damaged.
QByteArray damagedScan() {
    QByteArray jpeg = jpegOf(pixatest::halves(kPhoto));
    const qsizetype start = jpeg.indexOf("\xFF\xDA") + 200;
    for (qsizetype at = start; at < start + 64; ++at) {
        if (uchar(jpeg[at]) != 0xFF && uchar(jpeg[at - 1]) != 0xFF) jpeg[at] = char(~jpeg[at]);
    }
    return jpeg;
}

// A JPEG whose frame header claims 60000 × 60000.
QByteArray claiming60000() {
    QByteArray jpeg = jpegOf(marked({64, 48}, Qt::green));
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    return jpeg.replace(frame + 5, 4, QByteArray("\xEA\x60\xEA\x60", 4));
}

constexpr int kBad = err::InvalidPicture;

INSTANTIATE_TEST_SUITE_P(
    Kinds, ThumbnailTest,
    ::testing::Values(
        Case{"JpegThumbnailCoversTheBox", withThumbnail, 128, {128, 96}, Qt::blue},
        Case{"JpegThumbnailTooSmall", withThumbnail, 200, {200, 150}, Qt::green},
        Case{"JpegTurnedWithThumbnail", turnedWithThumbnail, 128, {96, 128}, Qt::blue, TopRight},
        Case{"JpegTurnedWithout", turnedWithout, 128, {96, 128}, Qt::green, TopRight},
        Case{"JpegSmallerThanTheBox", smallerThanTheBox, 128, {80, 60}, Qt::green},
        Case{"PngTurnedByExif", turnedPng, 100, {75, 100}, Qt::green, TopRight},
        Case{"PngLongAndThin", longThinPng, 64, {64, 1}, Qt::green},
        Case{"WebPTurnedByExif", turnedWebp, 128, {96, 128}, Qt::green, BottomLeft},
        Case{"HeicTurnedWithAStoredThumbnail", turnedHeic, 128, {96, 128}, Qt::green, TopRight},
        Case{"ThumbnailOffsetWrapsPastTheEnd", thumbnailOffsetWraps, 128, {128, 96}, Qt::green},
        Case{"ThumbnailLengthPastTheEnd", thumbnailLengthPastTheEnd, 128, {128, 96}, Qt::green},
        Case{"ThumbnailCutShort", thumbnailCutShort, 128, {128, 96}, Qt::green},
        refused("JpegCutShortWithWholeThumbnail", cutShortWithWholeThumbnail, 128, kBad),
        refused("JpegDamagedScan", damagedScan, 64, kBad),
        refused("JpegClaiming60000", claiming60000, 64, err::Overflow)),
    [](const auto& info) { return std::string(info.param.label); });

// The file's own refusals, and a file decoded as its bytes are.
TEST(ThumbnailFileTest, DecodesAsItsBytesAndRefusesAMissingFile) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("photo.jpg"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QByteArray bytes = cameraJpeg(6);
    file.write(bytes);
    file.close();
    EXPECT_EQ(decodeThumbnail(path, 128), decodeThumbnail(bytes, 128));
    try {
        decodeThumbnail(folder.filePath(QStringLiteral("gone.jpg")), 128);
        FAIL() << "decoded";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), err::FileNotFound) << failure.what();
    }
}

} // namespace
} // namespace pixa
