// The drawn faces against their tables (size, frame, bevel and tile colours, symbol present),
// the bitmap export, name lookup, and the window backgrounds.
#include "ui/artwork.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QMap>
#include <QPixmap>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <QTest>

using namespace pixa::ui;

namespace {

struct StateTable {
    QRgb tile;
    QRgb topLeft[2];
    QRgb bottomRight[2];
};

StateTable tableFor(QChar state) {
    if (state == 'a')
        return {qRgb(242, 255, 0),
                {qRgb(239, 255, 191), qRgb(237, 255, 139)},
                {qRgb(139, 123, 0), qRgb(160, 147, 0)}};
    if (state == 'b')
        return {qRgb(166, 179, 0),
                {qRgb(63, 47, 0), qRgb(84, 71, 0)},
                {qRgb(163, 179, 115), qRgb(161, 179, 63)}};
    return {qRgb(127, 127, 127),
            {qRgb(222, 222, 222), qRgb(196, 196, 196)},
            {qRgb(69, 69, 69), qRgb(79, 79, 79)}};
}

QString rgbText(QRgb c) {
    return QStringLiteral("(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

// How many pixels of the flat inside have colour `colour`.
int insideCount(const QImage& face, QRgb colour) {
    int count = 0;
    for (int y = 7; y < face.height() - 7; ++y)
        for (int x = 7; x < face.width() - 7; ++x)
            count += face.pixel(x, y) == colour;
    return count;
}

// The colour that most pixels of the flat inside have.
QRgb commonInsideColour(const QImage& face) {
    QMap<QRgb, int> counts;
    for (int y = 7; y < face.height() - 7; ++y)
        for (int x = 7; x < face.width() - 7; ++x)
            ++counts[face.pixel(x, y)];
    return std::max_element(counts.cbegin(), counts.cend()).key();
}

} // namespace

class ArtworkTest : public QObject {
    Q_OBJECT
private slots:
    void faceMatchesItsTables_data();
    void faceMatchesItsTables();
    void faceExportsAsUncompressedBitmap_data();
    void faceExportsAsUncompressedBitmap();
    void faceNamesAreTheThirtyEight();
    void lookupIgnoresCase_data();
    void lookupIgnoresCase();
    void unknownNamesHaveNoFace_data();
    void unknownNamesHaveNoFace();
    void statesLookDifferent();
    void windowBackground_data();
    void windowBackground();
};

void ArtworkTest::faceMatchesItsTables_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("width");
    const QSet<int> wide{1, 2, 7, 8, 11};
    for (const QString& name : faceNames()) {
        const int number = name.chopped(1).toInt();
        QTest::newRow(qPrintable(name)) << name << (wide.contains(number) ? 71 : 40);
    }
}

void ArtworkTest::faceMatchesItsTables() {
    QFETCH(QString, name);
    QFETCH(int, width);
    const QImage face = faceImage(name);
    QCOMPARE(face.size(), QSize(width, 37));
    const int w = face.width();
    const int h = face.height();

    for (int x = 0; x < w; ++x) {
        QCOMPARE(rgbText(face.pixel(x, 0)), rgbText(qRgb(0, 0, 0)));
        QCOMPARE(rgbText(face.pixel(x, h - 1)), rgbText(qRgb(0, 0, 0)));
    }
    for (int y = 0; y < h; ++y) {
        QCOMPARE(rgbText(face.pixel(0, y)), rgbText(qRgb(0, 0, 0)));
        QCOMPARE(rgbText(face.pixel(w - 1, y)), rgbText(qRgb(0, 0, 0)));
    }

    // The two outermost bevel pixels of each side, along the stretch clear of the corners.
    const StateTable table = tableFor(name.back());
    for (int ring = 0; ring < 2; ++ring) {
        for (int x = 7; x < w - 7; ++x) {
            QCOMPARE(rgbText(face.pixel(x, 1 + ring)), rgbText(table.topLeft[ring]));
            QCOMPARE(rgbText(face.pixel(x, h - 2 - ring)), rgbText(table.bottomRight[ring]));
        }
        for (int y = 7; y < h - 7; ++y) {
            QCOMPARE(rgbText(face.pixel(1 + ring, y)), rgbText(table.topLeft[ring]));
            QCOMPARE(rgbText(face.pixel(w - 2 - ring, y)), rgbText(table.bottomRight[ring]));
        }
    }

    // The flat tile, around the symbol, and the symbol itself: a fair part of the inside.
    // Face 8's disabled tile is blue instead of grey.
    const QRgb tile = name == "8c" ? commonInsideColour(face) : table.tile;
    if (name == "8c")
        QVERIFY2(qBlue(tile) > qRed(tile) + 60 && qBlue(tile) > qGreen(tile) + 60,
                 qPrintable(rgbText(tile)));
    const int inside = (w - 14) * (h - 14);
    const int tilePixels = insideCount(face, tile);
    QVERIFY2(tilePixels >= 20, qPrintable(QString::number(tilePixels)));
    QVERIFY2(inside - tilePixels >= 60, qPrintable(QString::number(inside - tilePixels)));

    // Disabled faces are grey all through (face 8's tile aside).
    if (name.endsWith('c') && name != "8c") QVERIFY(face.isGrayscale());
}

void ArtworkTest::faceExportsAsUncompressedBitmap_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("bytes");
    QTest::newRow("wide up") << "1a" << 8032;
    QTest::newRow("wide pressed") << "11b" << 8032;
    QTest::newRow("wide disabled") << "8c" << 8032;
    QTest::newRow("narrow up") << "9a" << 4480;
    QTest::newRow("narrow pressed") << "3b" << 4480;
    QTest::newRow("narrow disabled") << "12c" << 4480;
}

void ArtworkTest::faceExportsAsUncompressedBitmap() {
    QFETCH(QString, name);
    QFETCH(int, bytes);
    const QByteArray dib = faceDib(name);
    QCOMPARE(dib.size(), bytes);
    const auto* header = reinterpret_cast<const uchar*>(dib.constData());
    QCOMPARE(qFromLittleEndian<quint32>(header), 40u);
    QCOMPARE(qFromLittleEndian<qint32>(header + 8), 37); // positive: bottom-up rows
    QCOMPARE(qFromLittleEndian<quint16>(header + 14), quint16(24));
    QCOMPARE(qFromLittleEndian<quint32>(header + 16), 0u);
    QCOMPARE(qFromLittleEndian<quint32>(header + 20), quint32(bytes - 40));

    // Read back by Qt's own bitmap reader, given the file header that a resource does not have.
    QByteArray file("BM");
    file.resize(14);
    qToLittleEndian<quint32>(14 + dib.size(), reinterpret_cast<uchar*>(file.data()) + 2);
    qToLittleEndian<quint32>(0, reinterpret_cast<uchar*>(file.data()) + 6);
    qToLittleEndian<quint32>(14 + 40, reinterpret_cast<uchar*>(file.data()) + 10);
    file += dib;
    const QImage decoded = QImage::fromData(file, "BMP");
    QVERIFY(!decoded.isNull());
    QCOMPARE(decoded.convertToFormat(QImage::Format_RGB32),
             faceImage(name).convertToFormat(QImage::Format_RGB32));
}

void ArtworkTest::faceNamesAreTheThirtyEight() {
    const QStringList names = faceNames();
    QCOMPARE(names.size(), 38);
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), 38);
    QVERIFY(!names.contains("9c"));
    for (const QString& name : names)
        QVERIFY2(!faceImage(name).isNull(), qPrintable(name));
}

void ArtworkTest::lookupIgnoresCase_data() {
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("stored");
    QTest::newRow("1A") << "1A"
                        << "1a";
    QTest::newRow("4C") << "4C"
                        << "4c";
    QTest::newRow("12B") << "12B"
                         << "12b";
    QTest::newRow("10c") << "10c"
                         << "10c";
}

void ArtworkTest::lookupIgnoresCase() {
    QFETCH(QString, asked);
    QFETCH(QString, stored);
    QCOMPARE(faceImage(asked), faceImage(stored));
    QCOMPARE(facePixmap(asked).toImage(), faceImage(stored));
    QCOMPARE(faceDib(asked), faceDib(stored));
}

void ArtworkTest::unknownNamesHaveNoFace_data() {
    QTest::addColumn<QString>("name");
    for (const char* name : {"9c", "9C", "0a", "14a", "01a", "1d", "a1", "1", "", " 1a", "1a "})
        QTest::newRow(name[0] ? name : "empty") << QString::fromLatin1(name);
}

void ArtworkTest::unknownNamesHaveNoFace() {
    QFETCH(QString, name);
    QVERIFY(faceImage(name).isNull());
    QVERIFY(facePixmap(name).isNull());
    QVERIFY(faceDib(name).isEmpty());
}

void ArtworkTest::statesLookDifferent() {
    for (int n = 1; n <= kFaceCount; ++n) {
        const QString up = QString::number(n) + "a";
        const QString pressed = QString::number(n) + "b";
        QVERIFY2(faceImage(up) != faceImage(pressed), qPrintable(up));
        // Face 9's missing disabled face aside, all three differ.
        if (n != 9) QVERIFY2(faceImage(QString::number(n) + "c") != faceImage(up), qPrintable(up));
    }
    QVERIFY(!faceSize(0).isValid());
    QVERIFY(!faceSize(14).isValid());
}

void ArtworkTest::windowBackground_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("style");
    QTest::newRow("main window") << QSize(800, 600) << int(BackgroundStyle::Plain);
    QTest::newRow("login") << QSize(389, 340) << int(BackgroundStyle::Plain);
    QTest::newRow("batch") << QSize(368, 408) << int(BackgroundStyle::Hatched);
    QTest::newRow("tiny") << QSize(12, 9) << int(BackgroundStyle::Plain);
    QTest::newRow("empty") << QSize(0, 0) << int(BackgroundStyle::Hatched);
}

void ArtworkTest::windowBackground() {
    QFETCH(QSize, size);
    QFETCH(int, style);
    const QImage image = pixa::ui::windowBackground(size, QStringLiteral("Authentication required"),
                                                    BackgroundStyle(style));
    if (size.isEmpty()) {
        QVERIFY(image.isNull());
        return;
    }
    QCOMPARE(image.size(), size);
    if (size.width() < 200) return;
    // The logo at the top left stands out from the surface below it.
    const QImage logoArea = image.copy(10, 10, 42, 42);
    const QImage surface = image.copy(10, size.height() - 52, 42, 42);
    QVERIFY(logoArea != surface);
    QCOMPARE(productLogo(42).size(), QSize(42, 42));
    QVERIFY(productLogo(0).isNull());
}

QTEST_MAIN(ArtworkTest)
#include "artwork_test.moc"
