// Thumbnails of every kind with a reduced decode, and of one without: upright, fitted into the
// box, from the EXIF thumbnail only when it covers the box, and refused as loadPicture() refuses.
#include "exif_thumbnail_samples.h"
#include "photo_samples.h"
#include "imaging/thumbnail_decode.h"

#include "core/error.h"

#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
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
    const QByteArray small = thumbnail.isEmpty() ? QByteArray() : jpegOf(marked(thumbnail, Qt::blue));
    return withExifThumbnail(jpegOf(marked(kPhoto, Qt::green)), orientation, small, place);
}

// Where the EXIF block's thumbnail starts, from its TIFF header, as withExifThumbnail() puts it.
constexpr quint32 kThumbnailAt = 56;

struct Case {
    const char* label;
    std::function<QByteArray()> make;
    int edge;
    QSize size; // the thumbnail's, or empty for a refusal
    Qt::GlobalColor body;
    Corner red = TopLeft;
    int refusal = 0;
};

Case refused(const char* label, std::function<QByteArray()> make, int edge, int number) {
    return {label, std::move(make), edge, {}, Qt::black, TopLeft, number};
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
    const QPoint quarters[] = {{w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4},
                               {3 * w / 4, 3 * h / 4}};
    for (int corner = TopLeft; corner <= BottomRight; ++corner) {
        EXPECT_EQ(colourAt(shown, quarters[corner]), corner == c.red ? Qt::red : c.body)
            << "at quarter " << corner;
    }
}

// A JPEG's frame header patched to claim `side` × `side`.
QByteArray claiming(QByteArray jpeg, int side) {
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    const char sizes[4] = {char(side >> 8), char(side), char(side >> 8), char(side)};
    return jpeg.replace(frame + 5, 4, QByteArray(sizes, 4));
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

QByteArray wideTurnedPng() {
    return pixatest::pngWithExif(pixatest::written(marked(kPhoto, Qt::green), "png"), 6);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ThumbnailTest,
    ::testing::Values(
        Case{"JpegThumbnailCoversTheBox", [] { return cameraJpeg(1); }, 128, {128, 96}, Qt::blue},
        Case{"JpegThumbnailTooSmall", [] { return cameraJpeg(1); }, 200, {200, 150}, Qt::green},
        Case{"JpegTurnedWithThumbnail", [] { return cameraJpeg(6); }, 128, {96, 128}, Qt::blue,
             TopRight},
        Case{"JpegTurnedWithout", [] { return cameraJpeg(6, {}); }, 128, {96, 128}, Qt::green,
             TopRight},
        Case{"JpegSmallerThanTheBox", [] { return jpegOf(marked({80, 60}, Qt::green)); }, 128,
             {80, 60}, Qt::green},
        Case{"PngTurnedByExif", wideTurnedPng, 100, {75, 100}, Qt::green, TopRight},
        Case{"PngLongAndThin", [] { return pixatest::written(marked({400, 2}, Qt::green), "png"); },
             64, {64, 1}, Qt::green},
        Case{"WebPTurnedByExif",
             [] {
                 return pixatest::webpOnCanvas(pixatest::written(marked(kPhoto, Qt::green), "webp"),
                                               640, 480, 8);
             },
             128, {96, 128}, Qt::green, BottomLeft},
        Case{"HeicFromItsThumbnail",
             [] { return pixatest::heic(marked(kPhoto, Qt::green), heif_orientation_normal, 160); },
             128, {128, 96}, Qt::green},
        Case{"ThumbnailOffsetWrapsPastTheEnd",
             [] { return cameraJpeg(1, {160, 120}, ThumbnailPlace{0xFFFFFFF0, 0x20}); }, 128,
             {128, 96}, Qt::green},
        Case{"ThumbnailLengthPastTheEnd",
             [] { return cameraJpeg(1, {160, 120}, ThumbnailPlace{kThumbnailAt, 0x7FFFFFFF}); },
             128, {128, 96}, Qt::green},
        Case{"ThumbnailCutShort",
             [] {
                 const QByteArray cut = jpegOf(marked({160, 120}, Qt::blue)).chopped(300);
                 return withExifThumbnail(jpegOf(marked(kPhoto, Qt::green)), 1, cut);
             },
             128, {128, 96}, Qt::green},
        refused("JpegCutShortWithWholeThumbnail", [] { return cameraJpeg(1).chopped(400); }, 128,
                err::InvalidPicture),
        refused("JpegDamagedScan", damagedScan, 64, err::InvalidPicture),
        refused("JpegClaiming60000",
                [] { return claiming(jpegOf(marked({64, 48}, Qt::green)), 60000); }, 64,
                err::Overflow)),
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
