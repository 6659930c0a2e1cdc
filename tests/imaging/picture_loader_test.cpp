// The picture loader on its own: JPEGs turned upright as Qt's reader turns them, PNG, WebP and
// TIFF decoded in strips as Qt's readers decode them whole, and pictures whose header promises
// more than their data holds, or more memory than a photo may take, refused either way.
#include "core/error.h"
#include "imaging/decode_support.h"
#include "imaging/picture_decode.h"
#include "photo_samples.h"
#include "test_photo.h"

#include <sys/resource.h>

#include <climits>
#include <functional>

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtTest>

using namespace pixatest;
using pixatest::written;
using Transformation = QImageIOHandler::Transformation;

class PictureLoaderTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void uprightAsQtReadsIt_data();
    void uprightAsQtReadsIt();
    void stripsAsWhole_data();
    void stripsAsWhole();
    void refused_data();
    void refused();

private:
    QTemporaryDir m_dir;
};

namespace {

QByteArray jpeg(QSize size, bool progressive, Transformation turn, bool grey = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(progressive);
    writer.setTransformation(turn);
    QImage image = photoLike(size);
    if (grey) image = image.convertToFormat(QImage::Format_Grayscale8);
    writer.write(image);
    return bytes;
}

// Each scan of DC coefficients given `extra` more bytes of coded data, enough for the frame's
// blocks: the data-size check passes and the memory check speaks.
QByteArray withLongDcScans(QByteArray bytes, qsizetype extra) {
    for (qsizetype at = bytes.indexOf("\xFF\xDA"); at >= 0;
         at = bytes.indexOf("\xFF\xDA", at + 2)) {
        const int length = uchar(bytes[at + 2]) << 8 | uchar(bytes[at + 3]);
        const int components = uchar(bytes[at + 4]);
        if (bytes[at + 5 + 2 * components] == 0) bytes.insert(at + 2 + length, extra, '\x11');
    }
    return bytes;
}

// An 8-bit run-length coded bitmap of 12000 × 12000 pixels that ends at once: Qt decodes it
// into 144 MB and converts that into 576 MB more.
QByteArray runLengthBitmap() {
    QByteArray bytes(54 + 1024, '\0');
    const auto put = [&](int at, quint32 value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char(value >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, quint32(bytes.size() + 2));
    put(10, 54 + 1024);
    put(14, 40);
    put(18, 12000);
    put(22, 12000);
    bytes[26] = 1;
    bytes[28] = 8;
    put(30, 1); // run-length coded
    put(46, 256);
    return bytes + QByteArray("\x00\x01", 2); // end of the bitmap
}

// A real photo's scan data cut in the middle, its end marker kept.
QByteArray cutInsideTheScan() {
    const QByteArray whole = jpeg(QSize(640, 480), false, Transformation::TransformationNone);
    return whole.left(whole.size() * 3 / 5) + QByteArray("\xFF\xD9", 2);
}

using pixatest::be32;
using pixatest::le;

// A GIF with its screen, and when `frameToo` its first frame, claiming width × height.
QByteArray claimingGif(QByteArray gif, int width, int height, bool frameToo) {
    const QByteArray size = le(quint32(width), 2) + le(quint32(height), 2);
    gif.replace(6, 4, size);
    if (frameToo) gif.replace(gif.indexOf('\x2C') + 5, 4, size);
    return gif;
}

// A grey TIFF of width × height whose one strip holds `dataBytes` bytes coded by `compression`.
QByteArray tiff(quint32 width, quint32 height, quint32 dataBytes, quint32 compression) {
    const std::pair<quint32, quint32> tags[] = {
        {256, width}, {257, height}, {258, 8},      {259, compression}, {262, 1},
        {273, 122},   {277, 1},      {278, height}, {279, dataBytes}};
    QByteArray out = QByteArray("II*\0", 4) + le(8, 4) + le(9, 2);
    for (const auto& [tag, value] : tags) // each one LONG
        out += le(tag, 2) + le(4, 2) + le(1, 4) + le(value, 4);
    return out + le(0, 4) + QByteArray(qsizetype(dataBytes), '\x55');
}

// A HEIF file whose every size box (ispe) claims width × height.
QByteArray claimingHeif(QByteArray heif, quint32 width, quint32 height) {
    for (qsizetype at = heif.indexOf("ispe"); at >= 0; at = heif.indexOf("ispe", at + 4))
        heif.replace(at + 8, 8, be32(width) + be32(height));
    return heif;
}

// A bare JPEG XL codestream whose size header claims 60000 × 60000 (a height of 18 bits, a ratio
// of 1), with default metadata, and no frame.
QByteArray jxlClaiming60000() {
    const quint32 bits = 0 | 2 << 1 | (60000 - 1) << 3 | 1u << 21 | 1u << 24;
    return QByteArray("\xFF\x0A", 2) + le(bits, 4) + QByteArray(16, '\0');
}

// A photo with a camera's grain, whose file is large enough to be fed to a decoder in parts,
// and a band of fading alpha when `alpha`.
QImage grainyPhoto(bool alpha) {
    QImage image = photoLike(QSize(701, 433));
    addGrain(image);
    if (!alpha) return image;
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = (row[x] & 0xFFFFFF) | uint(std::min(255, x + y / 3)) << 24;
    }
    return image;
}

QString savedIn(const QTemporaryDir& dir, const QByteArray& bytes) {
    const QString path = dir.filePath("photo");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

// The number a failure of `decode` carries, 0 for none, and its text in `what`.
int failureOf(const std::function<void()>& decode, QString& what) {
    try {
        decode();
    } catch (const pixa::Failure& failure) {
        what = QString::fromStdString(failure.what());
        return failure.number();
    }
    return 0;
}

qint64 peakResidentMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

void PictureLoaderTest::initTestCase() {
    pixa::setDecodeLimits();
}

void PictureLoaderTest::uprightAsQtReadsIt_data() {
    QTest::addColumn<QByteArray>("bytes");
    const char* names[] = {"upright",
                           "mirrored",
                           "upside down",
                           "flipped",
                           "quarter turn",
                           "mirrored quarter turn",
                           "flipped quarter turn",
                           "three quarter turns"};
    const Transformation turns[] = {Transformation::TransformationNone,
                                    Transformation::TransformationMirror,
                                    Transformation::TransformationRotate180,
                                    Transformation::TransformationFlip,
                                    Transformation::TransformationRotate90,
                                    Transformation::TransformationMirrorAndRotate90,
                                    Transformation::TransformationFlipAndRotate90,
                                    Transformation::TransformationRotate270};
    // Sizes that are no multiple of the strip of rows the loader decodes at a time.
    for (int i = 0; i < 8; ++i) {
        QTest::addRow("%s", names[i]) << jpeg(QSize(71, 37), false, turns[i]);
        QTest::addRow("%s, progressive", names[i]) << jpeg(QSize(37, 71), true, turns[i]);
    }
    QTest::addRow("grey, quarter turn")
        << jpeg(QSize(50, 20), false, Transformation::TransformationRotate90, true);
}

void PictureLoaderTest::uprightAsQtReadsIt() {
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath("photo.jpg");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage expected = reader.read().convertToFormat(QImage::Format_RGB32);
    const QImage loaded = pixa::loadPicture(path);
    QCOMPARE(loaded.format(), QImage::Format_RGB32);
    QCOMPARE(loaded.size(), expected.size());
    QVERIFY(loaded == expected);
}

void PictureLoaderTest::stripsAsWhole_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("inStrips"); // else left to the whole decode
    const QImage photo = grainyPhoto(false);
    const QImage clear = grainyPhoto(true);
    const auto turned = Transformation::TransformationRotate90;
    QTest::newRow("PNG") << written(photo, "png") << true;
    QTest::newRow("PNG with alpha") << written(clear, "png") << true;
    QTest::newRow("grey PNG") << written(photo.convertToFormat(QImage::Format_Grayscale8), "png")
                              << true;
    QTest::newRow("PNG turned by EXIF") << pngWithExif(written(photo, "png"), 6) << false;
    QTest::newRow("WebP") << written(photo, "webp") << true;
    QTest::newRow("WebP with alpha") << written(clear, "webp") << true;
    // Quality 100 makes a lossless WebP.
    QTest::newRow("lossless WebP")
        << written(photo, "webp", QImageIOHandler::TransformationNone, 100) << true;
    QTest::newRow("WebP turned by EXIF")
        << webpOnCanvas(written(photo, "webp"), photo.width(), photo.height(), 8) << false;
    QTest::newRow("TIFF") << written(photo.convertToFormat(QImage::Format_RGB888), "tiff") << true;
    QTest::newRow("TIFF turned") << written(photo, "tiff", turned) << false;
}

// Decoded a strip at a time, each kind gives what loadPicture() gives, pixel for pixel.
void PictureLoaderTest::stripsAsWhole() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, inStrips);
    const QString path = savedIn(m_dir, bytes);
    const QImage whole = pixa::loadPicture(path);
    // Pictures this small are left to the whole decode, but for this look at their strips.
    QVERIFY(!pixa::PictureDecode::open(path));
    const auto strips = pixa::openInStrips(path);
    QCOMPARE(bool(strips), inStrips);
    if (!strips) return;
    QVERIFY(!strips->reducible());
    int calls = 0;
    for (; !strips->whole(); ++calls) {
        const int before = strips->rowsDone();
        strips->decode(pixa::kRowsPerStrip);
        QVERIFY(strips->rowsDone() > before);
    }
    QVERIFY(calls > 1);
    QCOMPARE(strips->picture().format(), whole.format());
    QVERIFY(strips->picture() == whole);
}

void PictureLoaderTest::refused_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("detail");
    const QString cut = QStringLiteral("the JPEG picture is cut short");
    const auto none = Transformation::TransformationNone;
    QTest::newRow("JPEG claiming 12000 x 12000")
        << claimingHuge(jpeg(QSize(16, 16), false, none)) << pixa::err::InvalidPicture << cut;
    QTest::newRow("progressive JPEG claiming 12000 x 12000")
        << claimingHuge(jpeg(QSize(16, 16), true, none)) << pixa::err::InvalidPicture << cut;
    QTest::newRow("turned JPEG claiming 12000 x 12000")
        << claimingHuge(jpeg(QSize(16, 16), false, Transformation::TransformationRotate90))
        << pixa::err::InvalidPicture << cut;
    QTest::newRow("JPEG cut inside its scan, end marker kept")
        << cutInsideTheScan() << pixa::err::InvalidPicture << cut;
    QTest::newRow("progressive 12000 x 12000 that takes 864 MB")
        << withLongDcScans(claimingHuge(jpeg(QSize(16, 16), true, none, true)), 290'000)
        << pixa::err::Overflow << QStringLiteral("take 864 MB to decode");
    QTest::newRow("run-length bitmap of 12000 x 12000 that takes 720 MB")
        << runLengthBitmap() << pixa::err::Overflow << QStringLiteral("take 720 MB to decode");

    const auto bad = pixa::err::InvalidPicture;
    const auto large = pixa::err::Overflow;
    const QString lies = QStringLiteral("header promises more pixels than its data can hold");
    const QString tooLarge = QStringLiteral("too large to show: ");
    const QImage small = photoLike(QSize(64, 48));
    QTest::newRow("PNG claiming 12000 x 12000")
        << written(small, "png").replace(16, 8, be32(12000) + be32(12000)) << bad << lies;
    QTest::newRow("GIF of a 12000 x 12000 screen and a 1 x 1 frame")
        << claimingGif(pixatest::gif(1, 1, {1}), 12000, 12000, false) << bad
        << QStringLiteral("screen of 12000 × 12000 pixels is far larger than its first frame");
    QTest::newRow("GIF frame claiming 10000 x 10000")
        << claimingGif(pixatest::gif(40, 30, {1}), 10000, 10000, true) << bad << lies;

    const QByteArray png = written(small, "png");
    QTest::newRow("PNG cut short")
        << png.left(png.size() / 2) << bad << QStringLiteral("the PNG picture is cut short");
    QByteArray damaged = png;
    damaged[damaged.indexOf("IDAT") + 20] = char(~damaged[damaged.indexOf("IDAT") + 20]);
    QTest::newRow("PNG whose data is damaged") << damaged << bad << QString();
    const QByteArray rgbTiff = written(small.convertToFormat(QImage::Format_RGB888), "tiff");
    QTest::newRow("TIFF cut short") << rgbTiff.left(rgbTiff.size() / 2) << bad
                                    << QStringLiteral("the TIFF picture is cut short");
    QTest::newRow("TIFF claiming 12000 x 12000 over 3 KB")
        << tiff(12000, 12000, 3000, 1) << bad << lies;
    QTest::newRow("TIFF bomb: 100 KB of LZW for 16000 x 16000")
        << tiff(16000, 16000, 100'000, 5) << large << tooLarge + QStringLiteral("16000 × 16000");

    const QByteArray webp = written(small, "webp");
    QTest::newRow("WebP cut short")
        << webp.left(webp.size() * 2 / 3) << bad << QStringLiteral("the WebP picture is cut short");
    QTest::newRow("WebP canvas of 16384 x 16384 around 64 x 48")
        << pixatest::webpOnCanvas(webp, 16384, 16384) << bad << lies;

    const QByteArray heic = pixatest::heic(small, heif_orientation_normal);
    QTest::newRow("HEIC cut short")
        << heic.left(heic.size() - 100) << bad << QStringLiteral("the HEIF picture is cut short");
    QTest::newRow("HEIC claiming 60000 x 60000")
        << claimingHeif(heic, 60000, 60000) << large << tooLarge + QStringLiteral("60000 × 60000");
    const QByteArray avif = pixatest::avif(small, heif_orientation_normal);
    QTest::newRow("AVIF cut short")
        << avif.left(avif.size() - 100) << bad << QStringLiteral("the AVIF picture is cut short");
    QTest::newRow("AVIF claiming 60000 x 60000")
        << claimingHeif(avif, 60000, 60000) << large << tooLarge + QStringLiteral("60000 × 60000");
    const QByteArray jxl = pixatest::jxl(small, 1);
    QTest::newRow("JPEG XL cut short")
        << jxl.left(jxl.size() / 2) << bad << QStringLiteral("the JPEG XL picture is cut short");
    QTest::newRow("JPEG XL container cut short") << pixatest::jxl(small, 1, true).chopped(40) << bad
                                                 << QStringLiteral("JPEG XL picture is cut");
    QTest::newRow("JPEG XL claiming 60000 x 60000")
        << jxlClaiming60000() << large << tooLarge + QStringLiteral("60000 × 60000");
}

void PictureLoaderTest::refused() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, number);
    QFETCH(QString, detail);
    if (bytes.isEmpty()) QSKIP("libheif has no encoder of this kind here");
    const QString path = savedIn(m_dir, bytes);
    QString what;
    QCOMPARE(failureOf([&] { pixa::loadPicture(path); }, what), number);
    QVERIFY2(what.contains(detail), qPrintable(what));
    // Decoded in strips where its kind is, it fails alike.
    const auto inStrips = [&] {
        if (const auto strips = pixa::openInStrips(path))
            strips->decode(INT_MAX);
        else
            throw pixa::Failure(number, "no strips");
    };
    QCOMPARE(failureOf(inStrips, what), number);
    // Refused before the decoder takes the hundreds of megabytes the header asks for.
    QVERIFY2(peakResidentMB() < 400, qPrintable(QString::number(peakResidentMB())));
}

QTEST_MAIN(PictureLoaderTest)
#include "picture_loader_test.moc"
